#include "tests/envelope/envelope_fixture.h"

namespace eracuni::envelope::testing {

EnvelopeTest::EnvelopeTest() : errors_(fake_.messages, terminator_) {
  errors_.Init();
  settings_.KATERABANKA = 'K';
  settings_.POTDOXMLRACUNOV = out_.path();
  fake_.clock.Set({2018, 12, 17, 9, 5, 3, 0});
}

workdata::RecordBuffer& EnvelopeTest::AddHeader(uint32_t ident, const std::string& number) {
  workdata::RecordBuffer& h = data_.AddHeader(ident);
  h.SetText(H::VRSTARACUNA, "380");
  h.SetText(H::STEVILKARACUNA, number);
  h.SetText(H::DATUMRACUNA, "2018-12-17T00:00:00");
  h.SetText(H::DATUMPLACILA, "2018-12-31T00:00:00");
  h.SetText(H::NAZIVPARTNERJA1, "Izdajatelj d.o.o.");
  h.SetText(H::ULICA1, "Glavna cesta 1");
  h.SetText(H::KRAJ,
            "\x8A"
            "kofja Loka");
  h.SetText(H::PODATEKPODJETJA, "SI87654321");
  h.SetText(H::NAZIVBANKE2, "QRSTSI2X");
  h.SetText(H::STEVILKABANCNEGARACUNA, "SI56020100012345678");
  h.SetText(H::NAZIVPARTNERJA1IV, "Prejemnik & Co");
  h.SetText(H::ULICA1BY,
            "Kup\xE8"
            "eva 2");
  h.SetText(H::KRAJBY, "Maribor");
  h.SetText(H::PODATEKPODJETJABY1, "SI12345678");
  h.SetText(H::NAZIVBANKE2IV, "LJBASI2XXXX");
  h.SetText(H::STEVILKABANCNEGARACUNAIV, "SI56610000012345678");
  h.SetText(H::TEKST2NP, "2");
  h.SetText(H::ZNESEKRACUNASKUPAJ, "        1,234.50");
  h.SetText(H::STEVILKASKLICASKUPAJ, "5390-0754-7034");
  h.SetText(H::TEKST1NASL, "Ra\xE8un za december");
  h.SetText(H::TEKST2NASL, "GDSV storitve");
  return h;
}

void EnvelopeTest::AddFile(uint32_t ident, uint16_t seq, const std::string& name,
                           const std::string& format, size_t size) {
  data_.AddAttachment(ident, seq, name, att_.path(), format, "Priloga " + name);
  // The invoice document lies where the run wrote it, whatever folder its record names.
  const bool document = format == "XML";
  eracuni::testing::WriteFileOrDie(document ? out_.File(name) : att_.File(name),
                                   std::string(size, 'x'));
}

EnvelopeResult EnvelopeTest::Run(bool payment) {
  files_ = data_.Open(settings_, errors_);
  return payment ? IzdelajOvojnicoZPlacilom(settings_, *files_, fake_.platform, EnvelopePath())
                 : IzdelajOvojnico(settings_, *files_, fake_.platform, EnvelopePath());
}

ParsedXml EnvelopeTest::Parse(const std::string& path) const {
  const std::string bytes = eracuni::testing::ReadFileOrEmpty(path.empty() ? EnvelopePath() : path);
  ParsedXml xml(bytes);
  EXPECT_TRUE(xml.ok()) << "not a well-formed envelope: " << bytes;
  return xml;
}

}  // namespace eracuni::envelope::testing

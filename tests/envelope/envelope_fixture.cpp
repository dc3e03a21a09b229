#include "tests/envelope/envelope_fixture.h"

namespace eracuni::envelope::testing {

namespace {

std::string XPathFor(const std::string& path) {
  std::string xpath;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    xpath += (xpath.empty() ? "//" : "/");
    xpath += "*[local-name()='" + path.substr(start, end - start) + "']";
    start = end + 1;
  }
  return xpath;
}

std::string Text(xmlNodePtr node) {
  xmlChar* content = xmlNodeGetContent(node);
  std::string text = content ? reinterpret_cast<const char*>(content) : "";
  xmlFree(content);
  return text;
}

}  // namespace

ParsedXml::ParsedXml(const std::string& bytes) {
  if (bytes.empty()) return;
  doc_ = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "envelope.xml", nullptr,
                       XML_PARSE_NONET);
}

ParsedXml::~ParsedXml() {
  if (doc_) xmlFreeDoc(doc_);
}

std::vector<std::string> ParsedXml::Values(const std::string& path) const {
  std::vector<std::string> values;
  if (!doc_) return values;
  xmlXPathContextPtr ctx = xmlXPathNewContext(doc_);
  const std::string xpath = XPathFor(path);
  xmlXPathObjectPtr found = xmlXPathEvalExpression(BAD_CAST xpath.c_str(), ctx);
  if (found && found->nodesetval)
    for (int i = 0; i < found->nodesetval->nodeNr; ++i)
      values.push_back(Text(found->nodesetval->nodeTab[i]));
  xmlXPathFreeObject(found);
  xmlXPathFreeContext(ctx);
  return values;
}

std::string ParsedXml::Value(const std::string& path) const {
  std::vector<std::string> v = Values(path);
  return v.empty() ? "<none>" : v.front();
}

std::string ParsedXml::RootName() const {
  return doc_ ? reinterpret_cast<const char*>(xmlDocGetRootElement(doc_)->name) : "";
}

std::string ParsedXml::RootAttribute(const std::string& name) const {
  if (!doc_) return "";
  xmlNodePtr root = xmlDocGetRootElement(doc_);
  for (xmlAttrPtr a = root->properties; a; a = a->next) {
    std::string full = a->ns && a->ns->prefix
                           ? std::string(reinterpret_cast<const char*>(a->ns->prefix)) + ":"
                           : "";
    full += reinterpret_cast<const char*>(a->name);
    if (full == name) return Text(a->children);
  }
  for (xmlNsPtr ns = root->nsDef; ns; ns = ns->next) {
    std::string full =
        ns->prefix ? "xmlns:" + std::string(reinterpret_cast<const char*>(ns->prefix)) : "xmlns";
    if (full == name) return reinterpret_cast<const char*>(ns->href);
  }
  return "<none>";
}

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

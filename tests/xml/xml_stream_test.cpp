#include "xml/xml_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace eracuni::xml {
namespace {

// Keeps every piece it is given; fails from the `fail_at`-th piece on (1-based; 0: never).
class RecordingSink : public XmlSink {
 public:
  explicit RecordingSink(size_t fail_at = 0) : fail_at_(fail_at) {}
  Status Write(std::string_view bytes) override {
    pieces.emplace_back(bytes);
    if (fail_at_ != 0 && pieces.size() >= fail_at_) return Status::IoError("disk full", 28);
    return Status::Ok();
  }
  std::string All() const {
    std::string all;
    for (const std::string& p : pieces) all += p;
    return all;
  }
  std::vector<std::string> pieces;

 private:
  size_t fail_at_;
};

// A document of about 200 KB: the sink gets it in several buffered pieces.
Status WriteLongDocument(XmlSink& sink) {
  XmlStream xml(sink);
  if (Status s = xml.Start("1.0", "UTF-8"); !s.ok()) return s;
  xml.CreateParent("R");
  xml.AddParent();
  for (int i = 0; i < 5000; ++i) xml.AddElement("Line", "text of line " + std::to_string(i));
  xml.CloseParent();
  return xml.Finish();
}

TEST(XmlStreamTest, GathersTheDocumentIntoLargePiecesAndStopsAtTheFirstFailedOne) {
  RecordingSink whole;
  ASSERT_TRUE(WriteLongDocument(whole).ok());
  ASSERT_EQ(whole.pieces.size(), 3u);
  for (size_t i = 0; i < 2; ++i) {  // full but for the part of a line that did not fit
    EXPECT_LE(whole.pieces[i].size(), 65536u);
    EXPECT_GT(whole.pieces[i].size(), 65536u - 40);
  }
  const std::string all = whole.All();
  const std::string end = "  <Line>text of line 4999</Line>\n</R>\n";
  EXPECT_EQ(all.substr(0, 48), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<R>\n  <Li");
  EXPECT_EQ(all.substr(all.size() - end.size()), end);

  RecordingSink failing(2);
  Status s = WriteLongDocument(failing);
  EXPECT_EQ(s.ToString(), Status::IoError("disk full", 28).ToString());
  EXPECT_EQ(s.error_code(), 28);
  ASSERT_EQ(failing.pieces.size(), 2u);  // nothing after the failure, not even the end
  EXPECT_TRUE(failing.All() == whole.pieces[0] + whole.pieces[1]);
}

TEST(XmlStreamTest, RefusesWhatWouldNotBeWellFormed) {
  auto refused = [](auto&& misuse) {
    RecordingSink sink;
    XmlStream xml(sink);
    EXPECT_TRUE(xml.Start("1.0", "UTF-8").ok());
    xml.CreateParent("R");
    misuse(xml);
    xml.AddElement("After", "1");
    Status s = xml.Finish();
    EXPECT_TRUE(sink.pieces.empty());
    return s.Is(Status::Code::kInvalidArgument) ? s.message() : "accepted: " + s.ToString();
  };
  EXPECT_EQ(refused([](XmlStream& x) { x.AddElement("1st", "v"); }),
            "element name \"1st\" is not an XML name");
  EXPECT_EQ(refused([](XmlStream& x) { x.CreateParent("a b"); }),
            "element name \"a b\" is not an XML name");
  EXPECT_EQ(refused([](XmlStream& x) { x.CreateAttribute(" Id", "1"); }),
            "attribute name \" Id\" is not an XML name");
  EXPECT_EQ(refused([](XmlStream& x) {
              x.CreateAttribute("Id", "1");
              x.CreateAttribute("Id  ", "2");
            }),
            "attribute Id given twice in <R>");
  EXPECT_EQ(refused([](XmlStream& x) { x.AddStringText("<?xml version=\"1.0\"?>"); }),
            "text that is not a processing instruction or comment: <?xml version=\"1.0\"?>");
  EXPECT_EQ(refused([](XmlStream& x) { x.AddStringText("<!-- a -- b -->"); }),
            "text that is not a processing instruction or comment: <!-- a -- b -->");
  EXPECT_EQ(refused([](XmlStream& x) { x.AddStringText("a < b"); }),
            "text that is not a processing instruction or comment: a < b");

  RecordingSink sink;
  XmlStream xml(sink);
  EXPECT_EQ(xml.Start("2.0", "UTF-8").message(), "cannot declare XML version \"2.0\"");
  EXPECT_EQ(xml.Start("1.0", "ISO-8859-2").message(), "unsupported encoding \"ISO-8859-2\"");
  ASSERT_TRUE(xml.Start("  ", "utf-8 ").ok());
  xml.AddStringText(" <!-- made by eRacuni --> <?pi \x01 x?>");
  xml.CreateParent("\xC5\xA0ifra");  // names beyond ASCII are names too
  xml.CreateAttribute("xml:lang", "sl");
  xml.AddParent();
  xml.CloseParent();
  ASSERT_TRUE(xml.Finish().ok());
  EXPECT_EQ(sink.All(),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
            " <!-- made by eRacuni --> <?pi  x?>\n"
            "<\xC5\xA0ifra xml:lang=\"sl\"/>\n");
}

// Known names write the bytes of the checked calls, mixed with them in any nesting.
TEST(XmlStreamTest, KnownNamesWriteWhatCheckedNamesWrite) {
  auto document = [](bool known) {
    RecordingSink sink;
    XmlStream xml(sink);
    EXPECT_TRUE(xml.Start("1.0", "UTF-8").ok());
    xml.CreateParent("R");
    xml.CreateAttribute("Id", "1");
    xml.AddParent();
    for (const char* value : {"", "a & b  ", "  x\x01  ", "\xC4\x8D", "12.50"}) {
      if (known) {
        xml.OpenParent("P");
        xml.AddLeaf("V", value);
        xml.OpenParent("Empty");
      } else {
        xml.CreateParent("P");
        xml.AddParent();
        xml.AddElement("V", value);
        xml.CreateParent("Empty");
        xml.AddParent();
      }
      xml.CloseParent();
      xml.CloseParent();
    }
    EXPECT_TRUE(xml.Finish().ok());
    return sink.All();
  };
  EXPECT_EQ(document(true), document(false));
  EXPECT_NE(document(true).find("<P>\n    <V>a &amp; b</V>\n    <Empty/>\n  </P>"),
            std::string::npos);
}

// Values are checked a word at a time: a byte to escape or drop is found wherever it stands.
TEST(XmlStreamTest, FindsMarkupAtEveryPositionOfShortAndLongValues) {
  // Escaped, dropped, kept as it is (not plain, yet an XML character), converted.
  const std::pair<char, std::string_view> kOdd[] = {
      {'&', "&amp;"}, {'\x01', ""}, {'\x7F', "\x7F"}, {'\xA0', "\xC2\xA0"}};
  for (size_t n = 1; n <= 17; ++n) {
    for (size_t at = 0; at < n; ++at) {
      for (auto [odd, out] : kOdd) {
        std::string value(n, 'a');
        value[at] = odd;
        RecordingSink sink;
        XmlStream xml(sink);
        ASSERT_TRUE(xml.Start("1.0", "UTF-8").ok());
        xml.AddLeaf("V", value);
        ASSERT_TRUE(xml.Finish().ok());
        std::string text = value.substr(0, at) + std::string(out) + value.substr(at + 1);
        EXPECT_EQ(sink.All(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" +
                                  (text.empty() ? "<V/>" : "<V>" + text + "</V>") + "\n")
            << n << " " << at << " " << int(odd);
      }
    }
  }
}

}  // namespace
}  // namespace eracuni::xml

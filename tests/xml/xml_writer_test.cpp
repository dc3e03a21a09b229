#include "xml/xml_writer.h"

#include <gtest/gtest.h>

#include "framework/testing/fakes.h"
#include "tests/support/xml_doc.h"

namespace eracuni::xml {
namespace {

using testing::FaultyFileSystem;
using testing::ReadFileOrEmpty;
using testing::TempDir;

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

class XmlWriterTest : public ::testing::Test {
 protected:
  std::string Path() const { return dir_.File("doc.xml"); }
  Status Create() { return writer_.CreateXmlFile(Path(), "1.0", "UTF-8"); }
  std::vector<std::string> Entries() { return *SystemFileSystem().ListDirectory(dir_.path()); }

  // One element under a root, returned as the line the element is written on.
  std::string ElementLine(std::string_view value) {
    EXPECT_TRUE(Create().ok());
    writer_.CreateParent("R");
    writer_.AddParent();
    writer_.AddElement("E", value);
    writer_.CloseParent();
    EXPECT_TRUE(writer_.CloseXmlFile().ok());
    std::string doc = ReadFileOrEmpty(Path());
    std::string head = std::string(kDeclaration) + "<R>\n  ";
    std::string tail = "\n</R>\n";
    if (doc.compare(0, head.size(), head) != 0 || doc.size() < head.size() + tail.size() ||
        doc.compare(doc.size() - tail.size(), tail.size(), tail) != 0)
      return "unexpected frame: " + doc;
    return doc.substr(head.size(), doc.size() - head.size() - tail.size());
  }

  TempDir dir_;
  FaultyFileSystem files_;
  XmlWriter writer_{files_};
};

TEST_F(XmlWriterTest, WritesAStableIndentedLayout) {
  ASSERT_TRUE(Create().ok());
  writer_.SetEncoding("Windows-1250");
  writer_.AddStringText("<?xml-stylesheet type=\"text/xsl\" href=\"v.xslt\"?>");
  writer_.CreateParent("Root");
  writer_.CreateAttribute("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance");
  writer_.CreateAttribute("Id", "data   ");
  writer_.AddParent();
  writer_.CreateParent("Head");
  writer_.AddParent();
  writer_.AddElement("Number", "  R-15   ");
  writer_.AddElement("Empty", "");
  writer_.AddElement("Blank", "     ");
  writer_.CloseParent();
  writer_.CreateParent("Nothing");
  writer_.CreateAttribute("Kind", "ON");
  writer_.AddParent();
  writer_.CloseParent();
  writer_.CloseParent();
  ASSERT_TRUE(writer_.CloseXmlFile().ok());

  EXPECT_EQ(ReadFileOrEmpty(Path()),
            std::string(kDeclaration) +
                "<?xml-stylesheet type=\"text/xsl\" href=\"v.xslt\"?>\n"
                "<Root xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" Id=\"data\">\n"
                "  <Head>\n"
                "    <Number>  R-15</Number>\n"
                "    <Empty/>\n"
                "    <Blank/>\n"
                "  </Head>\n"
                "  <Nothing Kind=\"ON\"/>\n"
                "</Root>\n");
  EXPECT_EQ(Entries(), std::vector<std::string>{"doc.xml"});  // no temporary file left
}

TEST_F(XmlWriterTest, EscapesTextAndAttributeValuesDifferently) {
  ASSERT_TRUE(Create().ok());
  writer_.CreateParent("R");
  writer_.CreateAttribute("a", "x<y & \"q\" 'p' >\tt\nl\rc");
  writer_.AddParent();
  writer_.AddElement("E", "x<y & \"q\" 'p' >\tt\nl\rc ]]>");
  writer_.CloseParent();
  ASSERT_TRUE(writer_.CloseXmlFile().ok());
  EXPECT_EQ(ReadFileOrEmpty(Path()),
            std::string(kDeclaration) +
                "<R a=\"x&lt;y &amp; &quot;q&quot; 'p' &gt;&#9;t&#10;l&#13;c\">\n"
                "  <E>x&lt;y &amp; \"q\" 'p' &gt;\tt\nl&#13;c ]]&gt;</E>\n"
                "</R>\n");
  EXPECT_EQ(ElementLine("a]]>b"), "<E>a]]&gt;b</E>");  // plain ASCII otherwise
}

TEST_F(XmlWriterTest, AllowsSeveralTopLevelElementsAndClosesOpenParents) {
  ASSERT_TRUE(Create().ok());
  writer_.CreateParent("envelope");
  writer_.AddParent();
  writer_.AddElement("a", "1");
  writer_.CloseParent();
  writer_.CreateParent("envelope");
  writer_.AddParent();
  writer_.CreateParent("inner");
  writer_.AddParent();
  writer_.AddElement("b", "2");
  ASSERT_TRUE(writer_.CloseXmlFile().ok());
  EXPECT_EQ(ReadFileOrEmpty(Path()), std::string(kDeclaration) +
                                         "<envelope>\n  <a>1</a>\n</envelope>\n"
                                         "<envelope>\n  <inner>\n    <b>2</b>\n  </inner>\n"
                                         "</envelope>\n");
}

TEST_F(XmlWriterTest, CallsWithoutADocumentHaveNoEffect) {
  EXPECT_FALSE(writer_.is_open());
  writer_.SetEncoding("Windows-1250");
  writer_.AddStringText("<?pi?>");
  writer_.CreateParent("R");
  writer_.CreateAttribute("a", "b");
  writer_.AddParent();
  writer_.AddElement("E", "v");
  writer_.CloseParent();
  EXPECT_FALSE(writer_.CloseXmlFile().ok());  // nothing was created: no false success
  EXPECT_TRUE(Entries().empty());
  EXPECT_TRUE(files_.log().empty());

  // The same after a document was closed; a second document then starts afresh.
  ASSERT_TRUE(Create().ok());
  writer_.AddElement("First", "1");
  ASSERT_TRUE(writer_.CloseXmlFile().ok());
  writer_.AddElement("Late", "x");
  EXPECT_EQ(ReadFileOrEmpty(Path()), std::string(kDeclaration) + "<First>1</First>\n");
  ASSERT_TRUE(writer_.CreateXmlFile(dir_.File("two.xml"), "1.0", "UTF-8").ok());
  EXPECT_FALSE(Create().ok());  // one document at a time
  writer_.AddElement("Second", "2");
  ASSERT_TRUE(writer_.CloseXmlFile().ok());
  EXPECT_EQ(ReadFileOrEmpty(dir_.File("two.xml")),
            std::string(kDeclaration) + "<Second>2</Second>\n");
}

TEST_F(XmlWriterTest, TurnsEveryValueIntoWellFormedUtf8) {
  // Prepared text (UTF-8 pairs) mixed with raw windows-1250 bytes and forbidden controls.
  const std::string value =
      "\xC5\xA0kofja Loka"  // prepared: stays
      " \xE9\xE4\xDF"       // raw windows-1250: é ä ß
      " \x80\x9A"           // raw windows-1250: € š
      " \xC4"               // a lead byte without its continuation: Ä
      " \x01\x1F\x7F\t"     // controls: only tab and DEL are XML characters
      " \xEF\xBF\xBE"       // U+FFFE, not an XML character
      "\xEF\xBF\xBF"        // U+FFFF, nor this
      " \xE2\x82\xAC!";     // valid UTF-8 €
  EXPECT_EQ(ElementLine(value),
            "<E>\xC5\xA0kofja Loka \xC3\xA9\xC3\xA4\xC3\x9F \xE2\x82\xAC\xC5\xA1 \xC3\x84 \x7F\t  "
            "\xE2\x82\xAC!</E>");

  if (eracuni::testing::kXmlReaderAvailable) {
    std::string doc = ReadFileOrEmpty(Path());
    EXPECT_TRUE(eracuni::testing::XmlDoc(doc).ok()) << "not well-formed:\n" << doc;
  }

  // Dropping the NULs of a field must not leave its blanks behind.
  EXPECT_EQ(ElementLine(std::string("  abc  \0\0", 9)), "<E>  abc</E>");
  // Nothing left of a value: an empty element, as for an empty value.
  EXPECT_EQ(ElementLine("\x01\x02  \x03"), "<E/>");
}

TEST_F(XmlWriterTest, TheLongestNamesTheFileSystemTakesAreWritten) {
  std::string slovenian;
  for (int i = 0; i < 125; ++i) slovenian += "\xC4\x8D";  // "č" 125 times: 254 bytes with .XML
  for (const std::string& name : {std::string(251, 'a') + ".XML", slovenian + ".XML"}) {
    ASSERT_TRUE(writer_.CreateXmlFile(dir_.File(name), "1.0", "UTF-8").ok());
    writer_.AddElement("R", "1");
    ASSERT_TRUE(writer_.CloseXmlFile().ok()) << name.size();
  }
  EXPECT_EQ(Entries().size(), 2u);  // both documents, no temporary file
}

TEST_F(XmlWriterTest, MisuseFailsTheDocument) {
  ASSERT_TRUE(Create().ok());
  writer_.CreateParent("R");
  writer_.AddParent();
  writer_.CreateAttribute("late", "x");  // the start tag is complete already
  writer_.CloseParent();
  Status s = writer_.CloseXmlFile();
  EXPECT_TRUE(s.Is(Status::Code::kInvalidArgument)) << s.ToString();
  EXPECT_NE(s.message().find("late"), std::string::npos);
  EXPECT_TRUE(Entries().empty());

  ASSERT_TRUE(Create().ok());
  writer_.AddElement("E", "1");
  writer_.CloseParent();  // none is open
  EXPECT_FALSE(writer_.CloseXmlFile().ok());
  EXPECT_TRUE(Entries().empty());
}

TEST_F(XmlWriterTest, AnAbandonedDocumentLeavesNoFile) {
  {
    XmlWriter w(files_);
    ASSERT_TRUE(w.CreateXmlFile(Path(), "1.0", "UTF-8").ok());
    w.AddElement("E", "1");
  }
  EXPECT_TRUE(Entries().empty());
}

TEST_F(XmlWriterTest, AFailedWriteKeepsAnEarlierFileAndASuccessfulOneReplacesIt) {
  testing::WriteFileOrDie(Path(), "old");
  files_.FailOn("append", "doc.xml", 28);
  ASSERT_TRUE(Create().ok());
  writer_.AddElement("E", "1");
  EXPECT_FALSE(writer_.CloseXmlFile().ok());
  EXPECT_EQ(ReadFileOrEmpty(Path()), "old");
  EXPECT_EQ(Entries(), std::vector<std::string>{"doc.xml"});

  XmlWriter fresh(SystemFileSystem());
  ASSERT_TRUE(fresh.CreateXmlFile(Path(), "1.0", "UTF-8").ok());
  fresh.AddElement("E", "1");
  ASSERT_TRUE(fresh.CloseXmlFile().ok());
  EXPECT_EQ(ReadFileOrEmpty(Path()), std::string(kDeclaration) + "<E>1</E>\n");
}

TEST(XmlWriterCreate, FailsForAnUnknownEncodingOrAMissingFolder) {
  TempDir dir;
  XmlWriter writer(SystemFileSystem());
  EXPECT_TRUE(writer.CreateXmlFile(dir.File("a.xml"), "1.0", "NO-SUCH-CHARSET")
                  .Is(Status::Code::kInvalidArgument));
  EXPECT_FALSE(writer.is_open());
  EXPECT_TRUE(SystemFileSystem().ListDirectory(dir.path())->empty());

  std::string path = dir.File("missing/a.xml");
  Status s = writer.CreateXmlFile(path, "1.0", "UTF-8");
  EXPECT_TRUE(s.Is(Status::Code::kNotFound)) << s.ToString();
#ifdef _WIN32
  const int no_folder = 3;  // ERROR_PATH_NOT_FOUND
#else
  const int no_folder = 2;  // ENOENT
#endif
  EXPECT_EQ(s.error_code(), no_folder);
  EXPECT_EQ(s.message().rfind(path, 0), 0u) << s.message();
  EXPECT_FALSE(writer.is_open());
  EXPECT_EQ(writer.CloseXmlFile().error_code(), no_folder);  // a later close repeats the failure
}

// A sink that fails at any stage: the failure and its errno reach the caller, and nothing
// is left in the folder, neither under the final name nor under the temporary one.
struct SinkFault {
  const char* op;
  int err;
};

class XmlWriterSinkFault : public ::testing::TestWithParam<SinkFault> {};

TEST_P(XmlWriterSinkFault, IsReturnedAndLeavesNoFile) {
  TempDir dir;
  FaultyFileSystem files;
  files.FailOn(GetParam().op, "doc.xml", GetParam().err);
  XmlWriter writer(files);
  Status created = writer.CreateXmlFile(dir.File("doc.xml"), "1.0", "UTF-8");
  if (std::string(GetParam().op) == "create") {
    EXPECT_EQ(created.error_code(), GetParam().err);
  } else {
    ASSERT_TRUE(created.ok());
  }
  writer.CreateParent("R");
  writer.AddParent();
  for (int i = 0; i < 2000; ++i) writer.AddElement("Line", "some text of the line");
  writer.CloseParent();
  Status closed = writer.CloseXmlFile();
  EXPECT_FALSE(closed.ok());
  EXPECT_EQ(closed.error_code(), GetParam().err) << closed.ToString();
  EXPECT_NE(closed.message().find(dir.File("doc.xml")), std::string::npos) << closed.message();
  EXPECT_TRUE(SystemFileSystem().ListDirectory(dir.path())->empty());
}

INSTANTIATE_TEST_SUITE_P(AllStages, XmlWriterSinkFault,
                         ::testing::Values(SinkFault{"create", 13}, SinkFault{"append", 5},
                                           SinkFault{"close", 5}, SinkFault{"rename", 13}),
                         [](const auto& info) { return std::string(info.param.op); });

TEST(XmlWriterFullDisk, FailsMidwayAndStopsWriting) {
  TempDir dir;
  FaultyFileSystem files;
  files.LimitWrites("doc.xml", 10000);
  XmlWriter writer(files);
  ASSERT_TRUE(writer.CreateXmlFile(dir.File("doc.xml"), "1.0", "UTF-8").ok());
  for (int i = 0; i < 5000; ++i) writer.AddElement("Line", "some text of the line");
  Status s = writer.CloseXmlFile();
  EXPECT_EQ(s.error_code(), 28) << s.ToString();
  EXPECT_TRUE(SystemFileSystem().ListDirectory(dir.path())->empty());
  size_t appends = 0;
  for (const auto& entry : files.log()) appends += entry.rfind("append", 0) == 0;
  EXPECT_LT(appends, 10u);  // written in buffered chunks, and not at all after the failure
}

}  // namespace
}  // namespace eracuni::xml

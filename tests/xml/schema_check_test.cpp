#include "xml/testing/schema_check.h"

#include <gtest/gtest.h>

#include "framework/testing/fakes.h"

namespace eracuni::xml::testing {
namespace {

using eracuni::testing::ReadFileOrEmpty;
using eracuni::testing::TempDir;
using eracuni::testing::WriteFileOrDie;

class SchemaCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Eslog16SchemaAvailable())
      GTEST_SKIP() << "the e-SLOG 1.6 schemas are not in the shared folder (" << ERACUNI_SHARED_DIR
                   << "/schemas/eslog16)";
    minimal_ = ReadFileOrEmpty(Eslog16SchemaDir() + "examples/minimal.xml");
    ASSERT_FALSE(minimal_.empty());
  }
  // minimal.xml with one text replaced, written to a temporary file.
  std::string Variant(const std::string& from, const std::string& to) {
    std::string doc = minimal_;
    size_t at = doc.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) doc.replace(at, from.size(), to);
    WriteFileOrDie(dir_.File("variant.xml"), doc);
    return dir_.File("variant.xml");
  }

  TempDir dir_;
  std::string minimal_;
};

TEST_F(SchemaCheckTest, AcceptsTheMinimalInvoiceResolvingImportsThroughTheCatalog) {
  Status s = ValidateEslog16(Eslog16SchemaDir() + "examples/minimal.xml");
  EXPECT_TRUE(s.ok()) << s.ToString();
}

TEST_F(SchemaCheckTest, ReportsFileLineAndMessageOfAnInvalidDocument) {
  std::string path = Variant("<VrstaRacuna>380</VrstaRacuna>", "<VrstaRacuna></VrstaRacuna>");
  Status s = ValidateEslog16(path);
  EXPECT_TRUE(s.Is(Status::Code::kInvalidArgument)) << s.ToString();
  EXPECT_NE(s.message().find(path + ":6: "), std::string::npos) << s.message();
  EXPECT_NE(s.message().find("VrstaRacuna"), std::string::npos) << s.message();
}

TEST_F(SchemaCheckTest, RejectsADocumentThatIsNotWellFormed) {
  Status s = ValidateEslog16(Variant("</GlavaRacuna>", "</GlavaRacun>"));
  EXPECT_TRUE(s.Is(Status::Code::kCorruption)) << s.ToString();
  EXPECT_NE(s.message().find("GlavaRacun"), std::string::npos) << s.message();
}

}  // namespace
}  // namespace eracuni::xml::testing

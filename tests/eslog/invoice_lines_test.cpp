// The invoice lines: walk, optional blocks and the description split.
#include "tests/eslog/invoice_test_support.h"
#include "workdata/fields.h"

namespace eracuni::eslog::testing {
namespace {

namespace L = workdata::eRACUNIP;

TEST_F(InvoiceTest, LinesOfTheInvoiceOnlyInLineOrder) {
  SKIP_WITHOUT_XML_READER();
  EXPECT_EQ(Doc().Count("//PostavkeRacuna"), 0);
  AddLine(12);
  AddLine(2, "Tuja", kIdent + 1);
  AddLine(1);
  AddLine(5, "Tuja", kIdent - 1);
  AddLine(3);
  EXPECT_EQ(Doc().Texts("//StevilkaVrstice"),
            (std::vector<std::string>{"     1", "     3", "    12"}));
}

TEST_F(InvoiceTest, DescriptionSplitNeverCutsACharacter) {
  SKIP_WITHOUT_XML_READER();
  const std::string a34(34, 'a');
  struct Case {
    std::string first, second;              // windows-1250
    std::vector<std::string> descriptions;  // UTF-8
  } cases[] = {
      {a34 + "a", "", {a34 + "a"}},
      {a34 + "\xE8", "xyz", {a34, "\xC4\x8Dxyz"}},
      {"\xE8" + a34, "xyz", {"\xC4\x8D" + a34.substr(1), "axyz"}},
      {"", "xyz", {"", "xyz"}},
      {a34.substr(1) + "\x80", "", {a34.substr(1), "\xE2\x82\xAC"}},
      {"Cev 1/2\" " + a34, "", {"Cev 1/2col " + a34.substr(0, 24), "aa"}},
  };
  for (const Case& c : cases) {
    lines.clear();
    AddLine(1, c.first).SetText(L::OPISARTIKLA2, c.second);
    EXPECT_EQ(Doc().Texts("//OpisArtikla/*"), c.descriptions) << c.first;
  }
}

}  // namespace
}  // namespace eracuni::eslog::testing

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <string>

#include "workdata/field.h"
#include "workdata/fields.h"
#include "workdata/record_buffer.h"

namespace eracuni::workdata {
namespace {

struct Expected {
  const Layout& layout;
  uint32_t size;
  size_t rows;
};

class LayoutTest : public ::testing::TestWithParam<int> {
 protected:
  Expected Get() const {
    switch (GetParam()) {
      case 0: return {HeaderLayout(), 8240, 275};
      case 1: return {LineLayout(), 362, 41};
      default: return {AttachmentLayout(), 516, 6};
    }
  }
};

TEST_P(LayoutTest, SizeAndRowCount) {
  Expected e = Get();
  EXPECT_EQ(e.layout.record_size, e.size);
  EXPECT_EQ(e.layout.rows.size(), e.rows);
}

// Data fields follow each other without gaps and end exactly at the record size.
TEST_P(LayoutTest, FieldsAreContiguous) {
  const Layout& l = Get().layout;
  uint32_t next = 0;
  for (const FieldRow& r : l.rows) {
    EXPECT_EQ(r.offset, next) << r.name;
    if (!r.is_group()) next += r.width;
    EXPECT_EQ(r.name.substr(0, r.name.find(':')), [&] {
      std::string up(l.label);
      for (char& c : up) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      return up;
    }()) << r.name;
  }
  EXPECT_EQ(next, l.record_size);
}

// A group spans exactly its members, at every depth, and its members sit one level below.
TEST_P(LayoutTest, GroupsSpanTheirMembers) {
  const Layout& l = Get().layout;
  for (size_t i = 0; i < l.rows.size(); ++i) {
    const FieldRow& g = l.rows[i];
    if (!g.is_group()) continue;
    ASSERT_LE(i + g.members, l.rows.size() - 1 + 1) << g.name;
    uint32_t width = 0;
    for (size_t k = i + 1; k <= i + g.members; ++k) {
      EXPECT_GT(l.rows[k].level, g.level) << l.rows[k].name << " in " << g.name;
      if (!l.rows[k].is_group()) width += l.rows[k].width;
    }
    EXPECT_EQ(width, g.width) << g.name;
    if (i + g.members + 1 < l.rows.size()) {
      EXPECT_LE(l.rows[i + g.members + 1].level, g.level) << "row after " << g.name;
    }
  }
}

TEST_P(LayoutTest, NamesAreUniqueAndFoundBothWays) {
  const Layout& l = Get().layout;
  for (const FieldRow& r : l.rows) {
    EXPECT_EQ(l.Find(r.name), &r);
    EXPECT_EQ(l.Find(r.short_name()), &r);
  }
  EXPECT_EQ(l.Find("NOSUCHFIELD"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(AllRecords, LayoutTest, ::testing::Values(0, 1, 2));

TEST(Layouts, KeysAndConstantsAgreeWithTheTables) {
  const Layout& h = HeaderLayout();
  ASSERT_EQ(h.key.components.size(), 1u);
  EXPECT_EQ(h.key.components[0].offset, eRACUNI::IDENTRACUN.offset);
  EXPECT_TRUE(h.key.auto_number);
  EXPECT_EQ(h.key.label, "eRACUNI:IdentKljuc");
  const Layout& p = LineLayout();
  ASSERT_EQ(p.key.components.size(), 2u);
  EXPECT_EQ(p.key.components[1].type, FieldType::kU32);
  EXPECT_EQ(AttachmentLayout().key.components[1].type, FieldType::kU16);
  EXPECT_EQ(h.structure_version, 1);
  EXPECT_EQ(p.structure_version, 2);
  EXPECT_EQ(AttachmentLayout().structure_version, 1);

  const FieldRow* number = h.Find("STEVILKARACUNA");
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(number->offset, eRACUNI::STEVILKARACUNA.offset);
  EXPECT_EQ(number->width, eRACUNI::STEVILKARACUNA.width);
  EXPECT_EQ(AttachmentLayout().Find("OPISPRILOGE")->offset, eRACPRIL::OPISPRILOGE.offset);
}

// The constants in workdata/fields.h are numbers of their own: each must name its row of
// the record table with the same offset, width and type, and every row must have one.
TEST(Layouts, EveryFieldConstantAgreesWithItsRow) {
  std::ifstream header(ERACUNI_SOURCE_DIR "/workdata/fields.h");
  ASSERT_TRUE(header.good());
  const std::map<std::string, const Layout*> layouts = {
      {"eRACUNI", &HeaderLayout()}, {"eRACUNIP", &LineLayout()}, {"eRACPRIL", &AttachmentLayout()}};
  const std::regex opens(R"(^namespace (\w+) \{)");
  const std::regex constant(R"(Field (\w+)\{(\d+), (\d+), FieldType::(\w+)\};)");
  const std::string types[] = {"kText", "kU32", "kU16", "kGroup"};
  const Layout* layout = nullptr;
  std::map<const Layout*, size_t> checked;
  for (std::string line; std::getline(header, line);) {
    std::smatch m;
    if (std::regex_search(line, m, opens)) {
      auto it = layouts.find(m[1]);
      layout = it == layouts.end() ? nullptr : it->second;
    } else if (std::regex_search(line, m, constant)) {
      ASSERT_NE(layout, nullptr) << line;
      const FieldRow* row = layout->Find(m[1].str());
      ASSERT_NE(row, nullptr) << line;
      EXPECT_EQ(std::to_string(row->offset) + " " + std::to_string(row->width) + " " +
                    types[static_cast<int>(row->type)],
                m[2].str() + " " + m[3].str() + " " + m[4].str())
          << line;
      ++checked[layout];
    }
  }
  for (const auto& [label, l] : layouts) EXPECT_EQ(checked[l], l->rows.size()) << label;
}

TEST(RecordBuffer, ClearSetAndRead) {
  RecordBuffer b(AttachmentLayout());
  EXPECT_EQ(b.U32(eRACPRIL::IDENTRACUN), 0u);
  EXPECT_EQ(b.Text(eRACPRIL::FORMATPRILOGE), std::string(10, ' '));
  b.SetU32(eRACPRIL::IDENTRACUN, 0xFEDCBA98u);
  b.SetU16(eRACPRIL::ZAPSTEV, 0xABCD);
  EXPECT_EQ(b.U32(eRACPRIL::IDENTRACUN), 0xFEDCBA98u);
  EXPECT_EQ(b.bytes().substr(0, 6), std::string("\x98\xBA\xDC\xFE\xCD\xAB", 6));
  b.SetText(eRACPRIL::FORMATPRILOGE, "XML");
  EXPECT_EQ(b.Text(eRACPRIL::FORMATPRILOGE), "XML       ");
  EXPECT_EQ(b.Clipped(eRACPRIL::FORMATPRILOGE), "XML");
  b.SetText(eRACPRIL::FORMATPRILOGE, "0123456789ABC");  // cut at the width
  EXPECT_EQ(b.Text(eRACPRIL::FORMATPRILOGE), "0123456789");
  EXPECT_EQ(b.Text(eRACPRIL::OPISPRILOGE), std::string(250, ' '));  // the neighbour is intact
  b.Clear();
  EXPECT_EQ(b.U16(eRACPRIL::ZAPSTEV), 0);
  EXPECT_EQ(ClipBoth("  a b  "), "a b");
}

}  // namespace
}  // namespace eracuni::workdata

#include "workdata/tps/definition.h"

#include <gtest/gtest.h>

#include <vector>

#include "workdata/field.h"
#include "workdata/tps/key_encoding.h"

namespace eracuni::tps {
namespace {

using workdata::FieldRow;
using workdata::FieldType;
using workdata::Layout;

const Layout* Layouts[] = {&workdata::HeaderLayout(), &workdata::LineLayout(),
                           &workdata::AttachmentLayout()};

TEST(Definition, WorkLayoutsAreStoredRowByRowWithTheirKey) {
  for (const Layout* layout : Layouts) {
    SCOPED_TRACE(std::string(layout->label));
    TableDefinition def = DefinitionOf(*layout);
    EXPECT_EQ(def.record_length, layout->record_size);
    ASSERT_EQ(def.fields.size(), layout->rows.size());
    for (size_t i = 0; i < def.fields.size(); ++i) {
      const FieldRow& row = layout->rows[i];
      const StoredField& f = def.fields[i];
      EXPECT_EQ(f.name, row.name);
      EXPECT_EQ(f.number, i);
      EXPECT_EQ(f.offset, row.offset);
      EXPECT_EQ(f.length, row.width);
      uint8_t want = row.type == FieldType::kText  ? type::kString
                     : row.type == FieldType::kU32 ? type::kULong
                     : row.type == FieldType::kU16 ? type::kUShort
                                                   : type::kGroup;
      EXPECT_EQ(f.type, want) << f.name;
      if (f.type == type::kString) {
        EXPECT_EQ(f.string_length, row.width);
      }
    }
    ASSERT_EQ(def.keys.size(), 1u);
    EXPECT_EQ(def.keys[0].name, layout->key.name);
    ASSERT_EQ(def.keys[0].components.size(), layout->key.components.size());
    for (size_t i = 0; i < layout->key.components.size(); ++i)
      EXPECT_EQ(def.fields[def.keys[0].components[i].field].offset,
                layout->key.components[i].offset);

    std::string bytes = EncodeDefinition(def);
    auto parsed = ParseDefinition(bytes);
    ASSERT_TRUE(parsed.ok()) << parsed.status().message();
    EXPECT_EQ(EncodeDefinition(*parsed), bytes);
    EXPECT_TRUE(MatchLayout(*parsed, *layout).ok());
  }
}

// A changed copy of the attachment layout, for the comparison.
struct Variant {
  std::vector<FieldRow> rows;
  Layout layout;
  explicit Variant(const Layout& base) : rows(base.rows.begin(), base.rows.end()), layout(base) {
    layout.rows = rows;
  }
};

TEST(Definition, MatchLayoutNamesTheFirstDifference) {
  const Layout& base = workdata::AttachmentLayout();
  TableDefinition stored = DefinitionOf(base);

  Variant renamed(base);
  renamed.rows[2].name = "ERACPRIL:IMEDATOTEKE";
  Status s = MatchLayout(DefinitionOf(renamed.layout), base);
  EXPECT_TRUE(s.Is(Status::Code::kMismatch));
  EXPECT_NE(s.message().find("IMEPRILOGE"), std::string::npos) << s.message();

  Variant narrower(base);  // the last text 50 bytes shorter
  narrower.rows.back().width = 200;
  narrower.layout.record_size = 466;
  EXPECT_TRUE(MatchLayout(DefinitionOf(narrower.layout), base).Is(Status::Code::kMismatch));

  TableDefinition signed_id = stored;
  signed_id.fields[0].type = type::kLong;
  EXPECT_TRUE(MatchLayout(signed_id, base).Is(Status::Code::kMismatch));

  TableDefinition other_key = stored;
  other_key.keys[0].components.pop_back();
  EXPECT_TRUE(MatchLayout(other_key, base).Is(Status::Code::kMismatch));

  TableDefinition two_keys = stored;
  two_keys.keys.push_back(stored.keys[0]);
  EXPECT_TRUE(MatchLayout(two_keys, base).Is(Status::Code::kMismatch));

  TableDefinition lower_case = stored;  // names are compared as the language does: no case
  lower_case.fields[3].name = "eRACPRIL:PotDoPriloge";
  lower_case.keys[0].flags = key_flag::kDup | key_flag::kNoCase;  // flags are not compared
  EXPECT_TRUE(MatchLayout(lower_case, base).ok());
}

TEST(Definition, DamagedDefinitionsAreErrors) {
  std::string bytes = EncodeDefinition(DefinitionOf(workdata::LineLayout()));
  for (size_t n = 0; n < bytes.size(); ++n)
    EXPECT_FALSE(ParseDefinition(bytes.substr(0, n)).ok()) << "cut at " << n;

  std::string huge = bytes;
  huge[4] = '\xFF';  // 65535-ish fields announced
  huge[5] = '\xFF';
  EXPECT_FALSE(ParseDefinition(huge).ok());

  TableDefinition bad_key = DefinitionOf(workdata::LineLayout());
  bad_key.keys[0].components[0].field = 500;
  EXPECT_FALSE(ParseDefinition(EncodeDefinition(bad_key)).ok());

  TableDefinition outside = DefinitionOf(workdata::LineLayout());
  outside.fields.back().length = 100;  // past the end of the record
  EXPECT_FALSE(ParseDefinition(EncodeDefinition(outside)).ok());
}

TEST(KeyEncoding, SignedNumbersOrderNegativesBeforePositives) {
  for (auto [kind, width] : {std::pair{type::kShort, 2}, std::pair{type::kLong, 4}}) {
    TableDefinition def;
    def.fields.resize(1);
    def.fields[0].type = kind;
    def.fields[0].length = static_cast<uint16_t>(width);
    StoredKey key;
    key.components = {KeyComponent{}};
    auto encoded = [&](int32_t v) {  // the field's little-endian bytes as the record holds them
      std::string row;
      for (int i = 0; i < width; ++i) row.push_back(static_cast<char>(v >> (8 * i)));
      return *EncodeKeyValue(def, key, row, CaseTable::Ascii());
    };
    EXPECT_LT(encoded(-300), encoded(-1)) << TypeName(kind);
    EXPECT_LT(encoded(-1), encoded(0)) << TypeName(kind);
    EXPECT_LT(encoded(1), encoded(300)) << TypeName(kind);
  }
}

}  // namespace
}  // namespace eracuni::tps

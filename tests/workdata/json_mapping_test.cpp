#include "workdata/json_mapping.h"

#include <gtest/gtest.h>

#include <string>

#include "workdata/fields.h"
#include "workdata/record_buffer.h"

namespace eracuni::workdata {
namespace {

RecordBuffer Buffer(const Layout& layout, const std::string& bytes) {
  RecordBuffer b(layout);
  EXPECT_TRUE(b.Assign(bytes));
  return b;
}

TEST(JsonMappingTest, FieldsAreStoredAsTheLayoutSays) {
  auto r = WorkDataFromJson(R"({
    "eRACPRIL": [{"IDENTRACUN": 4294967295, "ZAPSTEV": 65535, "IMEPRILOGE": "Račun.xml"}],
    "eRACUNI": [{"IDENTRACUN": 7, "STEVILKARACUNA": "2026-ŠŽČ"}, {}]
  })");
  ASSERT_TRUE(r.ok()) << r.status().ToString();
  ASSERT_EQ(r->headers.size(), 2u);
  EXPECT_TRUE(r->lines.empty()) << "a missing array is an empty file";
  RecordBuffer h = Buffer(HeaderLayout(), r->headers[0]);
  EXPECT_EQ(h.U32(eRACUNI::IDENTRACUN), 7u);
  EXPECT_EQ(h.Text(eRACUNI::STEVILKARACUNA), "2026-\x8A\x8E\xC8" + std::string(27, ' '));
  EXPECT_EQ(h.Text(eRACUNI::VRSTARACUNA), "    ");
  EXPECT_EQ(r->headers[1], RecordBuffer(HeaderLayout()).bytes()) << "an empty object is blank";
  RecordBuffer a = Buffer(AttachmentLayout(), r->attachments[0]);
  EXPECT_EQ(a.U32(eRACPRIL::IDENTRACUN), 4294967295u);
  EXPECT_EQ(a.U16(eRACPRIL::ZAPSTEV), 65535u);
  EXPECT_EQ(a.Clipped(eRACPRIL::IMEPRILOGE), "Ra\xE8un.xml");
}

TEST(JsonMappingTest, TextThatFillsItsFieldExactlyFits) {
  auto ok = WorkDataFromJson(R"({"eRACUNI": [{"VRSTARACUNA": "ČČČČ"}]})");
  ASSERT_TRUE(ok.ok()) << ok.status().ToString();
  auto bad = WorkDataFromJson(R"({"eRACUNI": [{"VRSTARACUNA": "38000"}]})");
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.status().message(),
            "eRACUNI[0].VRSTARACUNA: text of 5 characters is longer than the field (4)");
}

TEST(JsonMappingTest, BadInputNamesRecordAndField) {
  struct Case {
    const char* json;
    const char* message;
  };
  const Case cases[] = {
      {R"({"eRACUNI": [{}, {"NIKOLI": "x"}]})", "eRACUNI[1].NIKOLI: no such field in eRACUNI"},
      {R"({"eRACUNI": [{"ERACUNI:IDENTRACUN": 1}]})",
       "eRACUNI[0].ERACUNI:IDENTRACUN: no such field in eRACUNI"},
      {R"({"eRACUNIP": [{"POSTAVKA": "x"}]})", "eRACUNIP[0].POSTAVKA: is a group, not a field"},
      {R"({"eRACPRIL": [{"OPISPRILOGE": "中"}]})",
       "eRACPRIL[0].OPISPRILOGE: character U+4E2D has no windows-1250 form"},
      {R"({"eRACPRIL": [{"ZAPSTEV": 65536}]})",
       "eRACPRIL[0].ZAPSTEV: number out of range 0..65535"},
      {R"({"eRACUNI": [{"IDENTRACUN": -1}]})",
       "eRACUNI[0].IDENTRACUN: number out of range 0..4294967295"},
      {R"({"eRACUNI": [{"IDENTRACUN": 4294967296}]})",
       "eRACUNI[0].IDENTRACUN: number out of range 0..4294967295"},
      {R"({"eRACUNI": [{"IDENTRACUN": 1.5}]})", "eRACUNI[0].IDENTRACUN: must be an integer"},
      {R"({"eRACUNI": [{"IDENTRACUN": "1"}]})", "eRACUNI[0].IDENTRACUN: must be an integer"},
      {R"({"eRACUNI": [{"KODAVALUTE": 978}]})", "eRACUNI[0].KODAVALUTE: must be a string"},
      {R"({"eRACUNI": [{"KODAVALUTE": null}]})", "eRACUNI[0].KODAVALUTE: must be a string"},
      {R"({"eRACUNI": [3]})", "eRACUNI[0]: must be an object"},
      {R"({"eRACUNI": {}})", "eRACUNI: must be an array"},
      {R"({"eRACUNI": [], "eracuni": []})",
       "unknown top-level key \"eracuni\" (expected eRACUNI, eRACUNIP or eRACPRIL)"},
      {R"([])", "the work data must be a JSON object"},
  };
  for (const Case& c : cases) {
    auto r = WorkDataFromJson(c.json);
    ASSERT_FALSE(r.ok()) << c.json;
    EXPECT_EQ(r.status().message(), c.message);
    EXPECT_TRUE(r.status().Is(Status::Code::kInvalidArgument));
  }
  auto malformed = WorkDataFromJson(R"({"eRACUNI": [{"IDENTRACUN": 1,}]})");
  ASSERT_FALSE(malformed.ok());
  EXPECT_EQ(malformed.status().message().rfind("malformed JSON: parse error at line 1", 0), 0u)
      << malformed.status().message();
  EXPECT_EQ(malformed.status().message().find('\n'), std::string::npos);
}

TEST(JsonMappingTest, ToJsonClipsTextsAndRoundTrips) {
  const char* input = R"({"eRACUNI": [{"IDENTRACUN": 0, "NAZIVPARTNERJA1": "  Žaga d.o.o."}],
                          "eRACUNIP": [{"IDENTRACUN": 9, "ZAPSTEVPOST": 2, "KOLICINA": "1.00"}]})";
  auto r = WorkDataFromJson(input);
  ASSERT_TRUE(r.ok()) << r.status().ToString();
  std::string json = WorkDataToJson(*r);
  EXPECT_NE(json.find(R"("NAZIVPARTNERJA1": "  Žaga d.o.o.")"), std::string::npos) << json;
  EXPECT_NE(json.find(R"("IDENTRACUN": 0)"), std::string::npos) << "key fields always shown";
  EXPECT_EQ(json.find("KODAVALUTE"), std::string::npos) << "blank fields left out";
  EXPECT_NE(json.find(R"("eRACPRIL": [])"), std::string::npos);
  EXPECT_NE(WorkDataToJson(*r, {.all_fields = true}).find(R"("KODAVALUTE": "")"),
            std::string::npos);
  auto again = WorkDataFromJson(json);
  ASSERT_TRUE(again.ok()) << again.status().ToString();
  EXPECT_EQ(again->headers, r->headers);
  EXPECT_EQ(again->lines, r->lines);
}

}  // namespace
}  // namespace eracuni::workdata

#include <gtest/gtest.h>

#include <random>

#include "workdata/tps/page.h"
#include "workdata/tps/rle.h"

namespace eracuni::tps {
namespace {

std::string Decode(std::string_view packed, size_t expected) {
  std::string out;
  Status s = RleDecode(packed, expected, &out);
  return s.ok() ? out : "error: " + s.message();
}

TEST(Rle, DecodesLiteralsRepeatsAndTheClosingEmptyGroup) {
  EXPECT_EQ(Decode(std::string("\x01"
                               "1"
                               "\x07"),
                   8),
            "11111111");
  EXPECT_EQ(Decode(std::string("\x80\x01") + std::string(128, 'x'), 128), std::string(128, 'x'));
  EXPECT_EQ(Decode(std::string("\x02"
                               "ab"
                               "\x03"
                               "\x00",
                               5),
                   5),
            "abbbb");
  EXPECT_EQ(Decode(std::string("\x01"
                               "a"
                               "\x00"
                               "\x01"
                               "b",
                               5),
                   2),
            "ab");  // empty repeat
}

TEST(Rle, RejectsStreamsThatDoNotFitTheirSize) {
  std::string out;
  EXPECT_FALSE(RleDecode(std::string("\x01"
                                     "a"
                                     "\x09"),
                         4, &out)
                   .ok());  // repeat overruns
  EXPECT_FALSE(RleDecode(std::string("\x03"
                                     "abc"),
                         2, &out)
                   .ok());  // literal overruns
  EXPECT_FALSE(RleDecode(std::string("\x02"
                                     "ab"),
                         3, &out)
                   .ok());  // ends early
  EXPECT_FALSE(RleDecode(std::string("\x05"
                                     "ab"),
                         5, &out)
                   .ok());  // literal cut off
  EXPECT_FALSE(RleDecode(std::string("\x01"
                                     "a"
                                     "\x85"),
                         9, &out)
                   .ok());  // count cut off
  EXPECT_FALSE(RleDecode(std::string("\x00"
                                     "\x05",
                                     2),
                         5, &out)
                   .ok());  // repeat of nothing
  EXPECT_FALSE(RleDecode(std::string("\x01"
                                     "a"
                                     "\xFF\xFF"),
                         70000, &out)
                   .ok());
}

TEST(Rle, EncodesRunsOfFourOrMoreAsRepeatsOfTheirFirstByte) {
  EXPECT_EQ(RleEncode("aaab"), std::string("\x04"
                                           "aaab"));
  EXPECT_EQ(RleEncode("aaaab"), std::string("\x01"
                                            "a"
                                            "\x03"
                                            "\x01"
                                            "b"));
  EXPECT_EQ(RleEncode("xaaaa"), std::string("\x02"
                                            "xa"
                                            "\x03"
                                            "\x00",
                                            5));
  EXPECT_EQ(RleEncode(""), "");
}

TEST(Rle, RoundTripsRunsAndLiteralsLongerThanOneCount) {
  std::mt19937 random(7);
  std::string data(40000, ' ');
  for (int i = 0; i < 40000; ++i) data.push_back(static_cast<char>('a' + i % 3));
  for (int i = 0; i < 5000; ++i) data.append(random() % 6, static_cast<char>(random() % 4));
  data.append(5, 'z');
  std::string packed = RleEncode(data);
  EXPECT_LT(packed.size(), data.size());
  EXPECT_EQ(Decode(packed, data.size()), data);
}

Result<Page> BuildAndParse(const PageBuilder& b, uint32_t ref) {
  auto img = FinishPage(b);
  if (!img.ok()) return img.status();
  PlacePage(*img, ref, std::vector<uint32_t>(b.level() > 0 ? b.count() : 0, 9));
  return Page::Parse(ref, img->bytes);
}

TEST(Page, RecordsSharingLongPrefixesRoundTrip) {
  PageBuilder b(0);
  std::vector<std::string> records;
  records.push_back("");
  for (int i = 0; i < 60; ++i)
    records.push_back(std::string(70, 'k') + std::to_string(100 + i) + std::string(i, 'v'));
  for (size_t i = 0; i < records.size(); ++i)
    b.Add(records[i], static_cast<uint16_t>(i == 0 ? 0 : 73));
  auto page = BuildAndParse(b, 3);
  ASSERT_TRUE(page.ok()) << page.status().message();
  ASSERT_EQ(page->size(), records.size());
  for (size_t i = 0; i < records.size(); ++i) EXPECT_EQ(page->record(i), records[i]);
  EXPECT_EQ(page->key(5), records[5].substr(0, 73));
  EXPECT_EQ(page->header().expanded_size, b.expanded_size());
}

TEST(Page, PacksOnlyWhenThatSavesAUnit) {
  std::mt19937 random(3);
  std::string noise;
  for (int i = 0; i < 200; ++i) noise.push_back(static_cast<char>('a' + random() % 26));
  PageBuilder small(0);  // packing saves bytes, but the page fits one unit either way
  small.Add(noise + std::string(20, ' '), 4);
  auto plain = FinishPage(small);
  ASSERT_TRUE(plain.ok());
  EXPECT_EQ(plain->units(), 1u);
  auto parsed = BuildAndParse(small, 0);
  ASSERT_TRUE(parsed.ok());
  EXPECT_FALSE(parsed->packed());

  PageBuilder blank(0);
  blank.Add(noise + std::string(1000, ' '), 4);
  auto packed = BuildAndParse(blank, 0);
  ASSERT_TRUE(packed.ok());
  EXPECT_TRUE(packed->packed());
  EXPECT_EQ(packed->record(0), noise + std::string(1000, ' '));
}

TEST(Page, InternalPagesKeepTheirChildren) {
  PageBuilder b(1);
  b.Add("", 0);
  b.Add("key-2", 5);
  auto page = BuildAndParse(b, 4);
  ASSERT_TRUE(page.ok()) << page.status().message();
  EXPECT_EQ(page->children(), (std::vector<uint32_t>{9, 9}));
  EXPECT_EQ(page->LastNotAbove("key-1"), 0u);
  EXPECT_EQ(page->LastNotAbove("key-3"), 1u);
}

TEST(Page, RejectsHeadersThatDoNotDescribeThePage) {
  PageBuilder b(0);
  b.Add("", 0);
  b.Add("abc", 3);
  auto img = FinishPage(b);
  ASSERT_TRUE(img.ok());
  PlacePage(*img, 2, {});
  EXPECT_FALSE(Page::Parse(3, img->bytes).ok());                // another page's offset
  EXPECT_FALSE(Page::Parse(2, img->bytes.substr(0, 12)).ok());  // no whole header
  EXPECT_FALSE(Page::Parse(2, img->bytes.substr(0, img->bytes.size() - 1)).ok());  // cut
  std::string wrong_count = img->bytes;
  wrong_count[10] = 3;  // three records announced, two stored
  EXPECT_FALSE(Page::Parse(2, wrong_count).ok());

  PageBuilder unordered(0);
  unordered.Add("b", 1);
  unordered.Add("a", 1);
  EXPECT_FALSE(BuildAndParse(unordered, 0).ok());
}

}  // namespace
}  // namespace eracuni::tps

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

// Both unpackers, the whole-page one and the stream read in pieces, refuse each of these.
TEST(Rle, RejectsStreamsThatDoNotFitTheirSize) {
  const std::pair<std::string, size_t> bad[] = {
      {"\x01" "a" "\x09", 4},              // repeat overruns
      {"\x03" "abc", 2},                   // literal overruns
      {"\x02" "ab", 3},                    // ends early
      {"\x05" "ab", 5},                    // literal cut off
      {"\x01" "a" "\x85", 9},              // count cut off
      {std::string("\x00\x05", 2), 5},     // repeat of nothing
      {"\x01" "a" "\xFF\xFF", 70000},
  };
  for (const auto& [packed, size] : bad) {
    SCOPED_TRACE(::testing::PrintToString(packed));
    std::string out;
    EXPECT_FALSE(RleDecode(packed, size, &out).ok());
    EXPECT_FALSE(PackedStream::Packed(packed, size).Finish().ok());
  }
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

namespace eracuni::tps {
namespace {

// Blank-padded records of varied lengths, as the work files hold them.
PageBuilder BlankPaddedPage() {
  std::mt19937 random(11);
  PageBuilder b(0);
  for (int i = 0; i < 12; ++i) {
    std::string r = "key" + std::to_string(100 + i);
    for (int field = 0; field < 6; ++field) {
      r.append(random() % 9, static_cast<char>('a' + random() % 26));
      r.append(random() % 90, ' ');
    }
    b.Add(r, 6);
  }
  return b;
}

TEST(PackedStream, ReadsInPiecesOfAnySizeWhatRleDecodeUnpacks) {
  std::string packed = RleEncode(BlankPaddedPage().stream());
  std::string expected;
  ASSERT_TRUE(RleDecode(packed, BlankPaddedPage().stream().size(), &expected).ok());
  std::mt19937 random(5);
  for (int round = 0; round < 20; ++round) {
    PackedStream in = PackedStream::Packed(packed, expected.size());
    std::string got;
    while (in.remaining() > 0) {
      size_t n = std::min<size_t>(in.remaining(), random() % 40);
      std::string piece(n + PackedStream::kSlack, '#');
      ASSERT_TRUE(in.Read(n, round % 2 ? piece.data() : nullptr));
      if (round % 2) got += piece.substr(0, n);
    }
    EXPECT_FALSE(in.Read(1, nullptr));
    EXPECT_TRUE(in.Finish().ok());
    if (round % 2) {
      EXPECT_EQ(got, expected);
    }
  }
}

// What a page must parse to: its body unpacked by RleDecode first, then parsed as a plain
// page with the same header.
std::string Reference(uint32_t ref, const std::string& page) {
  PageHeader h = ParsePageHeader(page);
  size_t body = kPageHeaderSize, stream = h.unpacked_size - kPageHeaderSize;
  std::string unpacked;
  Status s = RleDecode(std::string_view(page).substr(body, h.stored_size - body), stream, &unpacked);
  if (!s.ok()) return "page " + std::to_string(ref) + ": " + s.message();
  std::string plain = page.substr(0, body) + unpacked;
  StoreU32LE(&plain, 4, static_cast<uint32_t>(h.unpacked_size) | uint32_t{h.unpacked_size} << 16);
  auto p = Page::Parse(ref, plain);
  if (!p.ok()) return p.status().message();
  std::string all;
  for (size_t i = 0; i < p->size(); ++i) all += std::string(p->record(i)) + "|";
  return all;
}

// The records kept, or the error; with their whole lengths for head-limited pages.
std::string Parsed(uint32_t ref, const std::string& page, size_t head_limit, size_t* lengths) {
  auto p = Page::Parse(ref, page, head_limit);
  if (!p.ok()) return p.status().message();
  std::string all;
  for (size_t i = 0; i < p->size(); ++i) {
    all += std::string(p->record(i)) + "|";
    *lengths += p->length(i);
  }
  return all;
}

TEST(Page, DamagedPackedPagesGiveTheVerdictOfUnpackingFirst) {
  auto img = FinishPage(BlankPaddedPage());
  ASSERT_TRUE(img.ok());
  PlacePage(*img, 0, {});
  ASSERT_NE(img->bytes.size(), BlankPaddedPage().unpacked_size());  // packed
  std::vector<std::string> pages = {img->bytes};
  std::mt19937 random(9);
  for (size_t at = kPageHeaderSize; at < img->bytes.size(); ++at) {
    std::string flipped = img->bytes;
    flipped[at] = static_cast<char>(random());
    pages.push_back(flipped);
    std::string cut = img->bytes.substr(0, at);
    StoreU32LE(&cut, 4, static_cast<uint32_t>(at) | uint32_t{LoadU16LE(cut, 6)} << 16);
    pages.push_back(cut);
  }
  for (int delta : {-300, -1, 1, 7}) {  // the unpacked size misstated
    std::string wrong = img->bytes;
    uint16_t size = static_cast<uint16_t>(LoadU16LE(wrong, 6) + delta);
    wrong[6] = static_cast<char>(size);
    wrong[7] = static_cast<char>(size >> 8);
    pages.push_back(wrong);
  }
  size_t good = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    SCOPED_TRACE(i);
    std::string expected = Reference(0, pages[i]);
    size_t lengths = 0, head_lengths = 0;
    EXPECT_EQ(Parsed(0, pages[i], 0, &lengths), expected);
    // Keeping heads only checks the page just as fully.
    std::string heads = Parsed(0, pages[i], 20, &head_lengths);
    if (expected.starts_with("page ")) {
      EXPECT_EQ(heads, expected);
    } else {
      ++good;
      EXPECT_EQ(head_lengths, lengths);
      EXPECT_LE(heads.size(), expected.size());
    }
  }
  EXPECT_GT(good, 1u);
}

TEST(Page, HeadLimitedLeavesKeepKeysAndFirstBytes) {
  PageBuilder b(0);
  std::string long_key(100, 'k');
  b.Add(long_key + std::string(300, 'x'), 100);
  b.Add(long_key + "y" + std::string(300, 'z'), 101);
  b.Add("short", 5);
  auto img = FinishPage(b);
  ASSERT_TRUE(img.ok());
  PlacePage(*img, 0, {});
  auto page = Page::Parse(0, img->bytes, 10);
  ASSERT_TRUE(page.ok()) << page.status().message();
  EXPECT_EQ(page->head_limit(), Page::kMinHead);
  EXPECT_EQ(page->record(0), long_key);  // the key part, longer than the limit
  EXPECT_EQ(page->record(1), long_key + "y");
  EXPECT_EQ(page->record(2), "short");
  EXPECT_EQ(page->length(1), 401u);
  EXPECT_EQ(page->LowerBound(long_key + "y"), 1u);
}

}  // namespace
}  // namespace eracuni::tps

#include "eslog20/codelists.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace eracuni::eslog20 {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

TEST(CodeLists, CommittedTableIsCurrent) {
#ifdef _WIN32
  GTEST_SKIP() << "not on Windows: the generator is a bash script; the Linux build compares";
#endif
  std::filesystem::path lists = std::filesystem::path(ERACUNI_SHARED_DIR) / "eslog20/codelists";
  if (!std::filesystem::exists(lists))
    GTEST_SKIP() << "the code lists are not there (" << lists << "); table not compared";
  std::filesystem::path out = std::filesystem::temp_directory_path() / "eslog20_codelists_test.cpp";
  std::string command = "bash '" ERACUNI_SOURCE_DIR "/scripts/generate-codelists' '" +
                        lists.string() + "' '" + out.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_EQ(ReadAll(out), ReadAll(ERACUNI_SOURCE_DIR "/eslog20/codelists_table.cpp"))
      << "run scripts/generate-codelists and commit eslog20/codelists_table.cpp";
  std::filesystem::remove(out);
}

TEST(CodeLists, LookUpIsExactAndEveryListIsSorted) {
  EXPECT_TRUE(InCodeList(CodeList::kUnit, "H87"));
  EXPECT_FALSE(InCodeList(CodeList::kUnit, "PCE"));
  EXPECT_FALSE(InCodeList(CodeList::kCountry, "si"));
  EXPECT_TRUE(InCodeList(CodeList::kDocumentType, "383"));
  EXPECT_EQ(CodeListRule(CodeList::kUnit), "BR-CL-23");
  EXPECT_EQ(CodeListRule(CodeList::kExemptionReason), "BR-CL-22");
  for (int l = 0; l <= static_cast<int>(CodeList::kUnit); ++l) {
    auto codes = Codes(static_cast<CodeList>(l));
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end())) << CodeListRule(static_cast<CodeList>(l));
  }
}

}  // namespace
}  // namespace eracuni::eslog20

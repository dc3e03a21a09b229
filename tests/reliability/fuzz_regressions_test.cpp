// Replays every kept fuzz input (the seed corpora and the inputs of past findings) through
// the fuzz entries, so a fixed fault stays fixed in every build.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/testing/fakes.h"
#include "fuzz/entries/fuzz_entries.h"

namespace eracuni::fuzz {
namespace {

namespace fs = std::filesystem;

// The folders that hold inputs of target `name`: its seed corpus and every
// tests/<module>/regressions/<name>/.
std::vector<fs::path> InputFolders(const std::string& name) {
  const fs::path source(ERACUNI_SOURCE_DIR);
  std::vector<fs::path> folders = {source / "fuzz" / "corpus" / name};
  for (const fs::directory_entry& module : fs::directory_iterator(source / "tests")) {
    fs::path kept = module.path() / "regressions" / name;
    if (fs::is_directory(kept)) folders.push_back(kept);
  }
  return folders;
}

std::vector<fs::path> Inputs(const std::string& name) {
  std::vector<fs::path> files;
  for (const fs::path& folder : InputFolders(name)) {
    if (!fs::is_directory(folder)) continue;
    for (const fs::directory_entry& e : fs::directory_iterator(folder))
      if (e.is_regular_file()) files.push_back(e.path());
  }
  return files;
}

class KeptInputs : public ::testing::TestWithParam<FuzzEntry> {};

TEST_P(KeptInputs, EveryInputKeepsEveryPromise) {
  const FuzzEntry& entry = GetParam();
  std::vector<fs::path> inputs = Inputs(entry.name);
  ASSERT_FALSE(inputs.empty()) << "no seed corpus for " << entry.name;
  for (const fs::path& input : inputs)
    EXPECT_EQ("", entry.run(testing::ReadFileOrEmpty(input.string()))) << input;
}

INSTANTIATE_TEST_SUITE_P(Targets, KeptInputs, ::testing::ValuesIn(FuzzEntries()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace eracuni::fuzz

// One libFuzzer target: ERACUNI_FUZZ_ENTRY names the entry (fuzz/entries/fuzz_entries.h).
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/entries/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string broken = eracuni::fuzz::ERACUNI_FUZZ_ENTRY(
      std::string_view(reinterpret_cast<const char*>(data), size));
  if (!broken.empty()) {
    std::fprintf(stderr, "broken promise: %s\n", broken.c_str());
    std::abort();
  }
  return 0;
}

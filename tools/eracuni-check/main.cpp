// eracuni-check: judges e-SLOG 2.0 documents by the EN 16931 business rules and UJP's checks.
//
//   eracuni-check [--ujp] FILE.xml...
//
// One line per failure, "FILE: RULE fatal|warning: text."; --ujp makes UJP's checks fatal, as
// for documents sent through channel U. Exit codes: 0 no fatal failure, 1 a fatal failure,
// 2 a file that cannot be read or is not an e-SLOG 2.0 document, or bad usage.
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "eslog20/reader/check_documents.h"

int main(int argc, char** argv) {
  eracuni::eslog20::RuleOptions options;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i];
    if (a == "--ujp") options.channel_u = true;
    else files.emplace_back(a);
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: eracuni-check [--ujp] FILE.xml...\n");
    return eracuni::eslog20::kCheckUnreadable;
  }
  return eracuni::eslog20::CheckDocuments(files, options, eracuni::PosixFileSystem(), std::cout);
}

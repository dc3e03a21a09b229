#include "fuzz/entries/fuzz_entries.h"

namespace eracuni::fuzz {

const std::vector<FuzzEntry>& FuzzEntries() {
  static const std::vector<FuzzEntry> entries = {
      {"tps_reader", FuzzTpsReader},
      {"ini_text", FuzzIniText},
      {"value_forms", FuzzValueForms},
      {"workdata_json", FuzzWorkDataJson},
      {"documents", FuzzDocuments},
      {"windows_command_line", FuzzWindowsCommandLine},
      {"eslog20_documents", FuzzEslog20Documents},
      {"eslog20_reader", FuzzEslog20Reader},
  };
  return entries;
}

}  // namespace eracuni::fuzz

#include "fuzz/entries/fuzz_entries.h"

namespace eracuni::fuzz {

const std::vector<FuzzEntry>& FuzzEntries() {
  static const std::vector<FuzzEntry> entries = {
      {"tps_reader", FuzzTpsReader},
      {"ini_text", FuzzIniText},
      {"value_forms", FuzzValueForms},
      {"workdata_json", FuzzWorkDataJson},
      {"windows_command_line", FuzzWindowsCommandLine},
#ifdef ERACUNI_FUZZ_DOCUMENTS
      {"documents", FuzzDocuments},
      {"eslog20_documents", FuzzEslog20Documents},
      {"eslog20_reader", FuzzEslog20Reader},
#endif
  };
  return entries;
}

}  // namespace eracuni::fuzz

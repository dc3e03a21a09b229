// Any bytes as an e-SLOG 2.0 document for the checker: a model or one clear line, and the
// rules run over every model read.
#include "eslog20/reader/document_reader.h"
#include "eslog20/rules.h"
#include "framework/cp1250.h"
#include "fuzz/entries/fuzz_entries.h"

namespace eracuni::fuzz {

std::string FuzzEslog20Reader(std::string_view data) {
  eslog20::ReadResult read = eslog20::ReadInvoiceDocument(data);
  if (!read.invoice) {
    // The checker prints the problem as it is, after the file's name.
    if (read.problem.empty() || EscapeControls(read.problem) != read.problem)
      return "a refusal is not one clear line";
    return "";
  }
  if (!read.problem.empty()) return "a model comes with a problem";
  for (bool channel_u : {false, true})
    for (const eslog20::RuleFailure& f : eslog20::CheckRules(*read.invoice, {.channel_u = channel_u}))
      if (f.text.empty()) return "a failure of " + std::string(f.rule) + " says nothing";
  return "";
}

}  // namespace eracuni::fuzz

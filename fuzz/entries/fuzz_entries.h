// The fuzz entries: one function per kind of input the program reads.
//
// Each takes any bytes, feeds them through the program's own entry point for that input,
// and checks the promises that hold for every input (well-formed documents, bounded forms,
// round trips). It returns "" or a one-line description of the promise broken; a crash or
// a sanitizer report is a finding too. The libFuzzer targets (fuzz/) and the replay of the
// kept inputs in `make test` (tests/reliability/) call the same functions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace eracuni::fuzz {

// Any bytes as a TopSpeed file: the reader's every table, row and index entry, and the
// store's opens and key-order walks of the three work-file layouts.
std::string FuzzTpsReader(std::string_view data);
// Any bytes as an INI file, with a section, key and value taken from the first bytes.
std::string FuzzIniText(std::string_view data);
// Any bytes through every value form.
std::string FuzzValueForms(std::string_view data);
// Any bytes as the JSON form of the work data.
std::string FuzzWorkDataJson(std::string_view data);
// Any bytes as work-data records (a header, its lines and attachments, and the switches):
// the invoice document and both envelopes, written to memory.
std::string FuzzDocuments(std::string_view data);
// Any bytes as a program and its arguments (NUL apart): quoted into one Windows command line
// and split back by the runtime's rules, each comes back unchanged.
std::string FuzzWindowsCommandLine(std::string_view data);
// Any bytes as work-data records with e-SLOG 2.0 chosen: a refusal whose reasons are one
// line each, or a well-formed, schema-valid document whose totals add up.
std::string FuzzEslog20Documents(std::string_view data);
// Any bytes as an e-SLOG 2.0 document read by the checker: a model or a one-line refusal;
// every model read goes through the rules.
std::string FuzzEslog20Reader(std::string_view data);

struct FuzzEntry {
  const char* name;  // the target's name and its corpus folder
  std::string (*run)(std::string_view data);
};
const std::vector<FuzzEntry>& FuzzEntries();

}  // namespace eracuni::fuzz

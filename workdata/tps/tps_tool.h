// Tool functions of the work-data tool for TopSpeed files: a JSON dump of any file, and a
// copy through our own reader and writer.
//
// Both load the whole input (they are meant for inspection, not for work data in use).
// Exit codes: 0 ok, 1 the output could not be written, 2 bad input (one line on `err`).
#pragma once

#include <ostream>
#include <string>

namespace eracuni::tps {

// Prints every table of the file: its number, name, stored definition (fields, memos,
// keys with their components), counters and rows (record number and field values by type:
// texts from windows-1250 to UTF-8 without trailing blanks, numbers as numbers, DECIMAL as
// decimal text, DATE and TIME as ISO-like texts, anything else as hex).
int DumpTps(const std::string& path, std::ostream& out, std::ostream& err);

// Rewrites `in` as a fresh compact file `out`: the same tables, definitions, record numbers
// and rows, the header's counters carried over, the index entries rebuilt from the rows
// (kept as stored for keys whose types have no known encoding), memo chunks and records of
// unknown types kept as they are.
int CopyTps(const std::string& in, const std::string& out, std::ostream& err);

}  // namespace eracuni::tps

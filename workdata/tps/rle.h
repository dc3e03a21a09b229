// The run-length packing of TopSpeed page bodies.
//
// A packed stream is a sequence of groups: a count n, n literal bytes, and (when input
// remains) a repeat count r that writes the last literal byte r more times. Counts take
// one byte below 0x80, else two bytes (7 low bits, then 8 high bits; at most 0x7FFF).
#pragma once

#include <string>
#include <string_view>

#include "framework/status.h"

namespace eracuni::tps {

// Unpacks `packed` into `*out`, which must come to exactly `expected` bytes. A stream that
// overruns, ends early or repeats before any byte was written is Corruption.
Status RleDecode(std::string_view packed, size_t expected, std::string* out);

// Packs the way the Clarion driver does, so that its bytes are reproduced: every run of
// four or more equal bytes becomes a repeat of its first byte, and a stream that ends in a
// repeat gets a closing empty group.
std::string RleEncode(std::string_view data);

}  // namespace eracuni::tps

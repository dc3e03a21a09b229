// Fuzzed bytes as the work data of one invoice, for the targets that write documents.
//
// The input is four switch bytes (channel, switches, line and attachment counts) and then
// the raw records: one header, its lines and its attachments, each cut or blank-padded to
// its size. The keys are set so that the records belong together, so the walks reach every
// record; everything else is as the fuzzer made it. The caller owns what is filled in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/settings.h"
#include "workdata/testing/memory_work_data.h"

namespace eracuni::fuzz {

// The next byte of `data`, 0 when none is left.
uint8_t TakeByte(std::string_view& data);
// The next `size` bytes of `data` as a record, blank-padded.
std::string TakeRecord(std::string_view& data, size_t size);
// The channel byte chooses the bank, each bit of `switches` one switch of the settings;
// the documents go to `out`.
void ApplySwitches(uint8_t channel, uint8_t switches, const char* out, settings::Settings& s);
// Invoice 1: its header and `line_count` lines from `data`.
void AddHeaderAndLines(std::string_view& data, int line_count, workdata::testing::MemoryWorkData& work);

}  // namespace eracuni::fuzz

// The framework's message table: title, text template and severity of every message id.
//
// The table ships as one packed block of bytes (PackedMessageTable): a 16-bit little-endian
// entry count, then per entry the id (u16 LE), the severity level (u8), the title (u8 length,
// bytes) and the text template (u8 length, bytes), windows-1250, no terminators. The
// ErrorManager unpacks it once into its message list; the decoder checks every length
// against the block, so a damaged block is refused rather than read past its end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/status.h"

namespace eracuni {

struct MessageEntry {
  uint16_t id = 0;
  uint8_t severity = 0;  // raw level; levels other than 0..5 are handled as fatal
  std::string title;
  std::string text;
};

// The built-in table, packed.
std::string_view PackedMessageTable();

// Decodes a packed block. Fails when the block ends inside an entry or holds bytes after
// the last entry.
Result<std::vector<MessageEntry>> UnpackMessageTable(std::string_view block);

}  // namespace eracuni

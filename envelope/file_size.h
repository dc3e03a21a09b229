// VuFileSize: the size of a file as decimal text, as the envelope reports attachment sizes.
//
// A missing or unreadable file has size 0: the envelope still lists the attachment, and the
// bank's import tells the user what is missing. The path is taken whole, however long.
#pragma once

#include <cstdint>
#include <string>

#include "framework/platform.h"

namespace eracuni::envelope {

// Size in bytes of the file at `path` (UTF-8), 0 when it cannot be had.
uint64_t FileSizeOrZero(FileSystem& fs, const std::string& path);
// The same as decimal text: "0" for a missing file.
std::string VuFileSize(FileSystem& fs, const std::string& path);

}  // namespace eracuni::envelope

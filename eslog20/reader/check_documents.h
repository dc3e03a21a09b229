// The checker of existing e-SLOG 2.0 documents (tools/eracuni-check): each file is read into
// the invoice model and judged by the same rules as the documents we write.
#pragma once

#include <ostream>
#include <span>
#include <string>

#include "eslog20/rules.h"
#include "framework/platform.h"

namespace eracuni::eslog20 {

inline constexpr int kCheckPassed = 0;      // no file has a fatal failure
inline constexpr int kCheckFatal = 1;       // at least one file has one
inline constexpr int kCheckUnreadable = 2;  // a file could not be read or is not e-SLOG 2.0

// Prints one UTF-8 line per failure, "FILE: RULE fatal|warning: text.", and one line per
// file it cannot judge; returns the exit code (an unreadable file outweighs a fatal failure).
int CheckDocuments(std::span<const std::string> paths, RuleOptions options, FileSystem& fs, std::ostream& out);

}  // namespace eracuni::eslog20

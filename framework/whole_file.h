// WriteWholeFile: replaces a file's contents so that its name never shows a part of them.
//
// The bytes go to a temporary file beside the target, which is closed with a wait for the
// disk and then renamed over the target: after a failure or a power cut the name shows the
// old contents or the new ones. The temporary name is about as long as the target's (the
// same for "NAME.html"), so a name that fits the file system does not fail because of it.
#pragma once

#include <string>
#include <string_view>

#include "framework/platform.h"
#include "framework/status.h"

namespace eracuni {

// ".STEM.tmp" in the target's folder, STEM the name up to its last "." ("" and "/" both
// separate folders).
std::string TemporaryNameBeside(std::string_view path);

// The temporary file is deleted when anything fails.
Status WriteWholeFile(FileSystem& files, const std::string& path, std::string_view bytes);

}  // namespace eracuni

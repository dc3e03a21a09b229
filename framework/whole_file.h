// WriteWholeFile: replaces a file's contents so that its name never shows a part of them.
//
// The bytes go, in the order a producer hands them to a sink, to a temporary file beside
// the target, which is closed with a wait for the disk and then renamed over the target:
// after a failure or a power cut the name shows the old contents or the new ones. The file
// keeps its mode and owner; where the path is a symbolic link, the link stays and the file
// it leads to is replaced. The temporary name is about as long as the target's (the same
// for "NAME.html"), so a name that fits the file system does not fail because of it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "framework/byte_sink.h"
#include "framework/platform.h"
#include "framework/status.h"

namespace eracuni {

// ".STEM.tmp" in the target's folder, STEM the name up to its last "." ("" and "/" both
// separate folders).
std::string TemporaryNameBeside(std::string_view path);

// ".NAME.<pid>-<n>.tmp" in the target's folder, a name no other file of this process or of
// another one takes. NAME is cut (between characters) where the whole would be longer than
// both the target's name and 128 bytes, so a name that fits the file system never fails
// because of its temporary one.
std::string UniqueTemporaryNameBeside(std::string_view path);

// Writes whatever `produce` hands its sink, buffered, so a large file is never whole in
// memory. The sink's first failure ends the writing: later bytes are dropped and it is
// returned, as is a failure `produce` returns. The temporary file is deleted when anything
// fails.
Status WriteWholeFile(FileSystem& files, const std::string& path,
                      const std::function<Status(ByteSink&)>& produce);
Status WriteWholeFile(FileSystem& files, const std::string& path, std::string_view bytes);

}  // namespace eracuni

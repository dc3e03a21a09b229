// Splitting a path into its folder and its file name.
//
// Both "/" and "\" separate folders, on every platform: Windows takes either, and settings
// and work data written on Windows hold "\". The folder part keeps its final separator, as
// this program's folder values do, so folder + name gives the path back.
#pragma once

#include <string_view>

namespace eracuni {

inline bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

// Where the file-name part starts: after the last separator, 0 when there is none.
inline size_t FileNameStart(std::string_view path) {
  size_t at = path.find_last_of("/\\");
  return at == std::string_view::npos ? 0 : at + 1;
}

// "C:\dir\a.xml" -> "C:\dir\"; "" when the path has no folder.
inline std::string_view FolderPart(std::string_view path) { return path.substr(0, FileNameStart(path)); }

// "C:\dir\a.xml" -> "a.xml".
inline std::string_view FileNamePart(std::string_view path) { return path.substr(FileNameStart(path)); }

}  // namespace eracuni

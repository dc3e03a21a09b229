// INI files with the semantics of the Windows profile functions.
//
// ReadProfileString and WriteProfileString behave like GetPrivateProfileString and
// WritePrivateProfileString on a file reached through a FileSystem: section and key names
// compare without regard to case, anything missing reads as the default, and a write
// creates the file, the section and the key as needed. A write changes only the line it
// must; every other byte of the file stays as it was. Values are windows-1250 bytes.
// Nothing is cached: every call reads the file afresh, as the Windows functions do.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/platform.h"
#include "framework/status.h"

namespace eracuni::settings {

// The text of an INI file as lines, looked up and edited in place. The first section of a
// name and the first key of a name in it win, as on Windows.
class IniText {
 public:
  explicit IniText(std::string_view bytes);

  // The value of the key with surrounding blanks and one pair of matching quotes removed,
  // cut at a NUL byte; nothing when the section or the key is missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  // Sets the key's value, adding the key at the end of its section and the section at the
  // end of the text when they are missing.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // The whole text, unchanged lines byte for byte.
  std::string Bytes() const;

 private:
  struct Line {
    std::string text;  // without its line ending
    std::string eol;   // "\r\n", "\n", or "" for a last line without one
  };
  // Index of the header of the first section named `section`, or nothing.
  std::optional<size_t> FindSection(std::string_view section) const;
  // Index of the first line of `key` in the section whose header is at `header`.
  std::optional<size_t> FindKey(size_t header, std::string_view key) const;
  // Index past the last line of the section at `header` that is neither blank nor a comment.
  size_t EndOfSectionContent(size_t header) const;
  void InsertLine(size_t at, std::string text);
  std::string NewLineEnding() const;

  std::vector<Line> lines_;
};

// The value of (section, key) in the file at `path`, or `default_value` (without trailing
// blanks) when the file, the section or the key is missing or the file cannot be read.
std::string ReadProfileString(FileSystem& files, const std::string& path, std::string_view section,
                              std::string_view key, std::string_view default_value);

// Writes (section, key) = value into the file at `path`. The new text goes to a temporary
// file beside it that then replaces the file, so a failed write leaves the old file whole;
// the file keeps its mode and owner, and a symbolic link stays and its target is written.
// A file that exists but cannot be read is left alone and the read's failure returned.
// Values with line breaks or NUL bytes, and names that could not be read back, are refused.
Status WriteProfileString(FileSystem& files, const std::string& path, std::string_view section,
                          std::string_view key, std::string_view value);

}  // namespace eracuni::settings

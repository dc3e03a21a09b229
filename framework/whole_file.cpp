#include "framework/whole_file.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "framework/cp1250.h"

namespace eracuni {
namespace {

// Names up to this long are taken by every file system the program meets.
constexpr size_t kShortName = 128;

std::atomic<unsigned> temp_serial{0};

size_t NameStart(std::string_view path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? 0 : slash + 1;
}

}  // namespace

std::string UniqueTemporaryNameBeside(std::string_view path) {
  const size_t name_at = NameStart(path);
  const std::string_view name = path.substr(name_at);
  const std::string tail =
      "." + std::to_string(::getpid()) + "-" + std::to_string(++temp_serial) + ".tmp";
  const size_t room = std::max(name.size(), kShortName);
  const size_t fits = room > tail.size() + 1 ? room - tail.size() - 1 : 0;
  size_t keep = 0;
  while (keep < name.size()) {
    size_t n = std::max<size_t>(1, Utf8SequenceLength(name, keep));
    if (keep + n > fits) break;
    keep += n;
  }
  return std::string(path.substr(0, name_at)) + "." + std::string(name.substr(0, keep)) + tail;
}

std::string TemporaryNameBeside(std::string_view path) {
  size_t name_at = NameStart(path);
  std::string_view name = path.substr(name_at);
  size_t dot = name.rfind('.');
  // "NAME.html" -> ".NAME.tmp": the same length.
  std::string_view stem = dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
  return std::string(path.substr(0, name_at)) + "." + std::string(stem) + ".tmp";
}

Status WriteWholeFile(FileSystem& files, const std::string& path, std::string_view bytes) {
  const std::string target = files.ResolveLinks(path);  // a link stays, its target is written
  const std::string temp = TemporaryNameBeside(target);
  auto out = files.NewWritableFile(temp);
  if (!out.ok()) return out.status();
  // Before the bytes go in, so a file only its owner may read is never readable by others.
  Status s = files.Exists(target) ? files.CopyModeAndOwner(target, temp) : Status::Ok();
  if (s.ok()) s = (*out)->Append(bytes);
  Status closed = (*out)->Close();
  if (s.ok()) s = closed;
  if (s.ok()) s = files.RenameFile(temp, target);
  if (!s.ok()) files.DeleteFile(temp);
  return s;
}

}  // namespace eracuni

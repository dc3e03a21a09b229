#include "framework/whole_file.h"

namespace eracuni {

std::string TemporaryNameBeside(std::string_view path) {
  size_t name_at = path.find_last_of("/\\");
  name_at = name_at == std::string_view::npos ? 0 : name_at + 1;
  std::string_view name = path.substr(name_at);
  size_t dot = name.rfind('.');
  // "NAME.html" -> ".NAME.tmp": the same length.
  std::string_view stem = dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
  return std::string(path.substr(0, name_at)) + "." + std::string(stem) + ".tmp";
}

Status WriteWholeFile(FileSystem& files, const std::string& path, std::string_view bytes) {
  const std::string temp = TemporaryNameBeside(path);
  auto out = files.NewWritableFile(temp);
  if (!out.ok()) return out.status();
  Status s = (*out)->Append(bytes);
  Status closed = (*out)->Close();
  if (s.ok()) s = closed;
  if (s.ok()) s = files.RenameFile(temp, path);
  if (!s.ok()) files.DeleteFile(temp);
  return s;
}

}  // namespace eracuni

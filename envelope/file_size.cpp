#include "envelope/file_size.h"

namespace eracuni::envelope {

uint64_t FileSizeOrZero(FileSystem& fs, const std::string& path) {
  if (fs.IsDirectory(path)) return 0;  // a blank file name leaves only the folder
  Result<uint64_t> size = fs.FileSize(path);
  return size.ok() ? *size : 0;
}

std::string VuFileSize(FileSystem& fs, const std::string& path) {
  return std::to_string(FileSizeOrZero(fs, path));
}

}  // namespace eracuni::envelope

// What the real platforms share: the defaults of FileSystem and the copy through a
// temporary name. No system call here; those live in posix_platform.cpp and
// windows_platform.cpp.
#include "framework/platform.h"

#include "framework/whole_file.h"

namespace eracuni {
namespace {

class StringRandomAccessFile : public RandomAccessFile {
 public:
  explicit StringRandomAccessFile(std::string data) : data_(std::move(data)) {}
  uint64_t Size() const override { return data_.size(); }
  Status Read(uint64_t offset, size_t n, std::string* out) override {
    if (offset >= data_.size()) {
      out->clear();
      return Status::Ok();
    }
    out->assign(data_, static_cast<size_t>(offset), n);
    return Status::Ok();
  }

 private:
  std::string data_;
};

}  // namespace

Result<std::unique_ptr<RandomAccessFile>> FileSystem::NewRandomAccessFile(const std::string& path) {
  auto data = ReadFile(path);
  if (!data.ok()) return data.status();
  return std::unique_ptr<RandomAccessFile>(new StringRandomAccessFile(std::move(*data)));
}

Status FileSystem::SyncFileSystem(const std::string&) { return Status::Ok(); }

// A file system without links or numbered files: the path is the file, and two 64-bit
// digests of it (FNV-1a from two starting values) stand for the numbers.
std::optional<RegularFileFacts> FileSystem::RegularFile(const std::string& path) {
  if (!IsRegularFile(path)) return std::nullopt;
  Result<uint64_t> size = FileSize(path);
  auto digest = [&path](uint64_t d) {
    for (unsigned char c : path) d = (d ^ c) * 1099511628211ull;
    return d;
  };
  return RegularFileFacts{
      size.ok() ? *size : 0,
      {path.size(), digest(14695981039346656037ull), digest(0x9e3779b97f4a7c15ull)}};
}

Status FileSystem::CopyModeAndOwner(const std::string&, const std::string&) { return Status::Ok(); }

Status CopyThroughTemporary(FileSystem& fs, const std::string& from, const std::string& to) {
  auto data = fs.ReadFile(from);
  if (!data.ok()) return data.status();
  const std::string temp = UniqueTemporaryNameBeside(to);
  auto out = fs.NewWritableFile(temp);
  if (!out.ok()) return out.status();
  Status s = (*out)->Append(*data);
  Status c = (*out)->Close();
  if (s.ok()) s = c;
  if (s.ok()) s = fs.RenameFile(temp, to);
  if (!s.ok()) (void)fs.DeleteFile(temp);
  return s;
}

// The real pieces of whichever system this is built for.
Platform& SystemPlatform() {
  static Platform p{ConsoleMessageBox(), SystemClock(), SystemFileSystem(), SystemProgramRunner(),
                    SystemRandom()};
  return p;
}

}  // namespace eracuni

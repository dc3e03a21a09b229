#include "framework/rendering_file_system.h"

#include <utility>

namespace eracuni {
namespace {

class MemoryFile : public WritableFile {
 public:
  explicit MemoryFile(RenderingFileSystem::File& file) : file_(file) {}
  Status Append(std::string_view bytes) override {
    file_.bytes += bytes;
    file_.piece_ends.push_back(file_.bytes.size());
    return Status::Ok();
  }
  Status Close() override { return Status::Ok(); }

 private:
  RenderingFileSystem::File& file_;
};

}  // namespace

Status RenderingFileSystem::Unavailable(const std::string& path) {
  return Status::Unsupported(path + ": not available while a document is rendered");
}

std::vector<RenderingFileSystem::Renamed> RenderingFileSystem::TakeRenamed() {
  open_.clear();
  return std::exchange(renamed_, {});
}

Result<std::unique_ptr<WritableFile>> RenderingFileSystem::NewWritableFile(const std::string& p) {
  File& file = open_[p] = File{};
  return std::unique_ptr<WritableFile>(new MemoryFile(file));
}

Status RenderingFileSystem::DeleteFile(const std::string& p) {
  return open_.erase(p) ? Status::Ok() : Status::NotFound(p + ": no such file", 2);
}

Status RenderingFileSystem::RenameFile(const std::string& from, const std::string& to) {
  auto it = open_.find(from);
  if (it == open_.end()) return Status::NotFound(from + ": no such file", 2);
  renamed_.push_back({to, std::move(it->second)});
  open_.erase(it);
  return Status::Ok();
}

}  // namespace eracuni

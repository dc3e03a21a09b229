#include "fuzz/entries/memory_file_system.h"

#include <algorithm>
#include <cerrno>

namespace eracuni::fuzz {
namespace {

std::string WithoutSlash(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

Status Missing(const std::string& path) {
  return Status::NotFound(path + ": No such file or directory", ENOENT);
}

class MemoryWritableFile : public WritableFile {
 public:
  explicit MemoryWritableFile(std::string* target) : target_(target) {}
  Status Append(std::string_view bytes) override {
    target_->append(bytes);
    return Status::Ok();
  }
  Status Close() override { return Status::Ok(); }

 private:
  std::string* target_;  // owned by the map, which never drops an entry while it is open
};

}  // namespace

void MemoryFileSystem::AddDirectory(const std::string& dir) { dirs_.push_back(WithoutSlash(dir)); }

bool MemoryFileSystem::Exists(const std::string& path) {
  return files_.count(path) > 0 || IsDirectory(path);
}

bool MemoryFileSystem::IsDirectory(const std::string& path) {
  return std::find(dirs_.begin(), dirs_.end(), WithoutSlash(path)) != dirs_.end();
}

Result<uint64_t> MemoryFileSystem::FileSize(const std::string& path) {
  auto it = files_.find(path);
  if (it == files_.end()) return Missing(path);
  return static_cast<uint64_t>(it->second.size());
}

Result<std::string> MemoryFileSystem::ReadFile(const std::string& path) {
  auto it = files_.find(path);
  if (it == files_.end()) return Missing(path);
  return it->second;
}

Result<std::unique_ptr<WritableFile>> MemoryFileSystem::NewWritableFile(const std::string& path) {
  changed_.push_back(path);
  std::string& target = files_[path];
  target.clear();
  return std::unique_ptr<WritableFile>(new MemoryWritableFile(&target));
}

Status MemoryFileSystem::DeleteFile(const std::string& path) {
  changed_.push_back(path);
  return files_.erase(path) ? Status::Ok() : Missing(path);
}

Status MemoryFileSystem::RenameFile(const std::string& from, const std::string& to) {
  changed_.push_back(from);
  changed_.push_back(to);
  auto it = files_.find(from);
  if (it == files_.end()) return Missing(from);
  std::string bytes = std::move(it->second);
  files_.erase(it);
  files_[to] = std::move(bytes);
  return Status::Ok();
}

Status MemoryFileSystem::CopyFile(const std::string& from, const std::string& to) {
  changed_.push_back(to);
  auto it = files_.find(from);
  if (it == files_.end()) return Missing(from);
  files_[to] = it->second;
  return Status::Ok();
}

Result<std::vector<std::string>> MemoryFileSystem::ListDirectory(const std::string& dir) {
  std::string prefix = WithoutSlash(dir) + "/";
  std::vector<std::string> names;
  for (const auto& [path, bytes] : files_)
    if (path.compare(0, prefix.size(), prefix) == 0 &&
        path.find('/', prefix.size()) == std::string::npos)
      names.push_back(path.substr(prefix.size()));
  return names;
}

}  // namespace eracuni::fuzz

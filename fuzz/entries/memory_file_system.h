// MemoryFileSystem: a FileSystem whose files live in a map, for the fuzz entries.
//
// Fuzzing runs every input thousands of times a second, so the documents are written to
// memory instead of a disk. It keeps a log of every path written, renamed or deleted, so
// an entry can check that nothing was touched outside the folders it allows.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "framework/platform.h"

namespace eracuni::fuzz {

class MemoryFileSystem : public FileSystem {
 public:
  std::map<std::string, std::string>& files() { return files_; }
  // Folders exist once added (with or without the trailing "/").
  void AddDirectory(const std::string& dir);
  // Every path a write, rename (both ends) or delete was asked for, in order.
  const std::vector<std::string>& changed() const { return changed_; }

  bool Exists(const std::string& path) override;
  bool IsDirectory(const std::string& path) override;
  Result<uint64_t> FileSize(const std::string& path) override;
  Result<std::string> ReadFile(const std::string& path) override;
  Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& path) override;
  Status DeleteFile(const std::string& path) override;
  Status RenameFile(const std::string& from, const std::string& to) override;
  Status CopyFile(const std::string& from, const std::string& to) override;
  Result<std::vector<std::string>> ListDirectory(const std::string& dir) override;
  std::string CurrentDirectory() override { return "/"; }
  Status SetCurrentDirectory(const std::string&) override { return Status::Ok(); }

 private:
  std::map<std::string, std::string> files_;
  std::vector<std::string> dirs_;  // without the trailing "/"
  std::vector<std::string> changed_;
};

}  // namespace eracuni::fuzz

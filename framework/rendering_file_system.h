// RenderingFileSystem: the file system a document writer is given when it runs away from the
// disk, on another thread: what it writes stays in memory and its renames are noted; nothing
// else is there (every other call fails, a question is answered "no").
//
// Afterwards the caller takes the files the writer renamed into place, each with the pieces
// it appended, in order, and writes them on the real file system itself, so that every call
// on the real one is made from the caller's thread and in the caller's order. A file written
// and deleted again leaves nothing. One writer at a time; the object is reused.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "framework/platform.h"

namespace eracuni {

class RenderingFileSystem : public FileSystem {
 public:
  struct File {
    std::string bytes;
    std::vector<size_t> piece_ends;  // where each Append ended
  };
  struct Renamed {
    std::string target;
    File file;
  };

  // The files renamed since the last call, in the order of their renames; forgets the rest.
  std::vector<Renamed> TakeRenamed();

  bool Exists(const std::string&) override { return false; }
  bool IsDirectory(const std::string&) override { return false; }
  Result<uint64_t> FileSize(const std::string& p) override { return Unavailable(p); }
  Result<std::string> ReadFile(const std::string& p) override { return Unavailable(p); }
  Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& p) override;
  Status DeleteFile(const std::string& p) override;
  Status RenameFile(const std::string& from, const std::string& to) override;
  Status CopyFile(const std::string& from, const std::string&) override { return Unavailable(from); }
  Result<std::vector<std::string>> ListDirectory(const std::string& d) override {
    return Unavailable(d);
  }
  std::string CurrentDirectory() override { return ""; }
  Status SetCurrentDirectory(const std::string& d) override { return Unavailable(d); }
  Status CopyModeAndOwner(const std::string& from, const std::string&) override {
    return Unavailable(from);
  }

 private:
  static Status Unavailable(const std::string& path);

  std::map<std::string, File> open_;  // written, not renamed yet
  std::vector<Renamed> renamed_;
};

}  // namespace eracuni

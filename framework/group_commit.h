// GroupCommitFileSystem: writes many small files that must each appear complete or not at
// all, with one wait for the disk for a whole group instead of one per file.
//
// A writer that replaces a file safely writes a temporary file, closes it with a sync and
// renames it into place. Through this file system the close does not wait for the disk
// and the rename of such a file is held back: Commit() waits once until everything written
// has reached the disk, then makes the held renames in order. A name therefore still never
// shows bytes that a power cut could lose. Until Commit the target names keep what they had
// (Exists and FileSize answer for them as before). Renames of files not written through
// this file system, and every other call, go straight to the base. The object refers to
// the base, which must outlive it; temporary files still held when it is destroyed are
// deleted (the group was never committed).
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "framework/platform.h"

namespace eracuni {

class GroupCommitFileSystem : public FileSystem {
 public:
  struct Outcome {
    std::string target;
    Status status;  // of the wait for the disk, or of the rename
  };
  // A rename held back: the closed temporary file, its target and its size.
  struct Held {
    std::string from, to;
    uint64_t bytes = 0;
  };

  explicit GroupCommitFileSystem(FileSystem& base) : base_(base) {}
  ~GroupCommitFileSystem() override;
  GroupCommitFileSystem(const GroupCommitFileSystem&) = delete;
  GroupCommitFileSystem& operator=(const GroupCommitFileSystem&) = delete;

  // One outcome for each held rename, in the order they were asked for. When the wait for
  // the disk fails, every held file fails with it and is deleted; so is a file whose
  // rename fails. Afterwards nothing is held.
  std::vector<Outcome> Commit();
  // Commit in two halves, so the caller can go on writing the next group while this one
  // waits for the disk: BeginCommit takes everything held into the commit, which runs on a
  // thread of its own where the base allows two threads (else at once); TakeCommitted waits
  // for it and gives its outcomes (none when no commit was begun). A commit begun while
  // another is running first waits for that one, whose outcomes are kept for TakeCommitted.
  void BeginCommit();
  std::vector<Outcome> TakeCommitted();
  bool committing() const { return committing_; }
  // Whether the commit begun last is still waiting for the disk or renaming, on its thread,
  // and how many renames and bytes it holds until TakeCommitted.
  bool CommitRunning() const { return commit_thread_.joinable() && !commit_finished_.load(); }
  size_t in_commit() const { return in_commit_; }
  uint64_t in_commit_bytes() const { return in_commit_bytes_; }
  // Hands the held renames over, in order, to be adopted by another GroupCommitFileSystem
  // over the same base (a worker thread's files join the run's group); afterwards this one
  // holds nothing and deletes nothing.
  std::vector<Held> TakeHeld();
  void Adopt(std::vector<Held> renames);
  size_t held() const { return held_.size(); }
  uint64_t held_bytes() const { return held_bytes_; }

  bool Exists(const std::string& p) override { return base_.Exists(p); }
  bool IsDirectory(const std::string& p) override { return base_.IsDirectory(p); }
  bool IsRegularFile(const std::string& p) override { return base_.IsRegularFile(p); }
  std::optional<RegularFileFacts> RegularFile(const std::string& p) override {
    return base_.RegularFile(p);
  }
  Result<uint64_t> FileSize(const std::string& p) override { return base_.FileSize(p); }
  Result<std::string> ReadFile(const std::string& p) override { return base_.ReadFile(p); }
  Result<std::unique_ptr<RandomAccessFile>> NewRandomAccessFile(const std::string& p) override {
    return base_.NewRandomAccessFile(p);
  }
  Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& p) override;
  Status DeleteFile(const std::string& p) override;
  Status RenameFile(const std::string& from, const std::string& to) override;
  Status CopyFile(const std::string& from, const std::string& to) override {
    return base_.CopyFile(from, to);
  }
  Result<std::vector<std::string>> ListDirectory(const std::string& d) override {
    return base_.ListDirectory(d);
  }
  std::string CurrentDirectory() override { return base_.CurrentDirectory(); }
  Status SetCurrentDirectory(const std::string& d) override { return base_.SetCurrentDirectory(d); }
  Status SyncFileSystem(const std::string& p) override { return base_.SyncFileSystem(p); }

  // Used by the files this file system hands out.
  void Closed(const std::string& path, uint64_t bytes);

 private:
  FileSystem& base_;
  std::map<std::string, uint64_t> unsynced_;  // closed without a sync, not renamed yet: size
  std::vector<Held> held_;
  uint64_t held_bytes_ = 0;

  static std::vector<Outcome> RunCommit(FileSystem& base, std::vector<Held> group);
  std::thread commit_thread_;
  std::vector<Outcome> committed_;  // of commits not taken yet, in order
  std::vector<Outcome> running_;    // the commit thread's own
  bool committing_ = false;
  std::atomic<bool> commit_finished_{false};  // set by the commit thread as its last step
  size_t in_commit_ = 0;
  uint64_t in_commit_bytes_ = 0;
};

}  // namespace eracuni

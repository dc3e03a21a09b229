// Test doubles for the Platform interfaces.
//
// Tests build a FakePlatform, script the answers of message boxes, fix the clock and the
// random digits, record program runs and fatal stops, and make chosen file operations fail.
// Files go to a real temporary folder (TempDir), since the code under test writes real
// files; faults are injected by FaultyFileSystem on top of the POSIX one.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "framework/error_manager.h"
#include "framework/platform.h"

namespace eracuni::testing {

class ScriptedMessageBox : public MessageBox {
 public:
  MessageButton Show(const MessageRequest& request) override;
  // Answers given in order; when none is left, the default button is pressed.
  void QueueAnswer(MessageButton b) { answers_.push_back(b); }
  const std::vector<MessageRequest>& shown() const { return shown_; }
  void Clear() { shown_.clear(); }

 private:
  std::deque<MessageButton> answers_;
  std::vector<MessageRequest> shown_;
};

class FixedClock : public Clock {
 public:
  explicit FixedClock(LocalDateTime t = {2026, 12, 8, 9, 30, 15, 42}) : now_(t) {}
  LocalDateTime Now() override {
    ++calls_;
    return now_;
  }
  void Set(LocalDateTime t) { now_ = t; }
  int calls() const { return calls_; }

 private:
  LocalDateTime now_;
  int calls_ = 0;
};

// Returns the queued values in turn (clamped into the asked range), then `fallback`.
class SequenceRandom : public Random {
 public:
  explicit SequenceRandom(int fallback = 5) : fallback_(fallback) {}
  int Between(int low, int high) override;
  void Queue(std::vector<int> values) {
    values_.insert(values_.end(), values.begin(), values.end());
  }

 private:
  std::deque<int> values_;
  int fallback_;
};

// The POSIX file system with faults on demand. A rule matches an operation name
// ("create", "append", "close", "delete", "rename", "copy", "read", "size", "sync") and a path
// substring; a matching operation fails with the given errno.
class FaultyFileSystem : public FileSystem {
 public:
  explicit FaultyFileSystem(FileSystem& base = SystemFileSystem()) : base_(base) {}
  void FailOn(std::string op, std::string path_part, int err) {
    rules_.push_back({std::move(op), std::move(path_part), err});
  }
  // Appends fail once more than `bytes` have been written to files whose path contains
  // `path_part` (a full disk); so does a copy to such a path of a larger file.
  void LimitWrites(std::string path_part, size_t bytes, int err = 28 /* ENOSPC */) {
    limit_part_ = std::move(path_part);
    limit_bytes_ = bytes;
    limit_err_ = err;
  }
  const std::vector<std::string>& log() const { return log_; }
  // Lets the run use it from several threads, as the system's own file system (the log's
  // order then follows the threads).
  void AllowTwoThreads() { two_threads_ = true; }
  bool AllowsTwoThreads() const override { return two_threads_; }

  bool Exists(const std::string& p) override { return base_.Exists(p); }
  bool IsDirectory(const std::string& p) override { return base_.IsDirectory(p); }
  bool IsRegularFile(const std::string& p) override { return base_.IsRegularFile(p); }
  // Fails like "size": the file is there, its size unknown (0).
  std::optional<RegularFileFacts> RegularFile(const std::string& p) override;
  Result<uint64_t> FileSize(const std::string& p) override;
  Result<std::string> ReadFile(const std::string& p) override;
  // Fails like "read".
  Result<std::unique_ptr<RandomAccessFile>> NewRandomAccessFile(const std::string& p) override;
  Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& p) override;
  Status DeleteFile(const std::string& p) override;
  Status RenameFile(const std::string& from, const std::string& to) override;
  Status CopyFile(const std::string& from, const std::string& to) override;
  Result<std::vector<std::string>> ListDirectory(const std::string& d) override {
    return base_.ListDirectory(d);
  }
  std::string CurrentDirectory() override { return base_.CurrentDirectory(); }
  Status SetCurrentDirectory(const std::string& d) override { return base_.SetCurrentDirectory(d); }
  Status SyncFileSystem(const std::string& p) override;
  std::string ResolveLinks(const std::string& p) override { return base_.ResolveLinks(p); }
  Status CopyModeAndOwner(const std::string& from, const std::string& to) override {
    return base_.CopyModeAndOwner(from, to);
  }

  // Used by the files this file system hands out.
  Status CheckFault(const std::string& op, const std::string& path);
  Status ChargeWrite(const std::string& path, size_t bytes);

 private:
  struct Rule {
    std::string op, part;
    int err;
  };
  FileSystem& base_;
  std::vector<Rule> rules_;
  std::vector<std::string> log_;
  std::string limit_part_;
  size_t limit_bytes_ = 0;
  int limit_err_ = 0;
  std::map<std::string, size_t> written_;
  bool two_threads_ = false;
  std::mutex mutex_;  // for the log and the write limits
};

struct ProgramCall {
  std::string program;
  std::vector<std::string> args;
};

// Records every run; programs are "found" when registered with AddProgram. The exit code
// of a run comes from `on_run` when set (it may also create files), else from `exit_code`.
class RecordingProgramRunner : public ProgramRunner {
 public:
  void AddProgram(const std::string& name, const std::string& full_path) {
    found_[name] = full_path;
  }
  std::string FindProgram(const std::string& name) override;
  Result<int> Run(const std::string& program, const std::vector<std::string>& args) override;
  const std::vector<ProgramCall>& calls() const { return calls_; }
  int exit_code = 0;
  std::function<Result<int>(const ProgramCall&)> on_run;

 private:
  std::map<std::string, std::string> found_;
  std::vector<ProgramCall> calls_;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder, ending with "/".
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// Records the fatal stops instead of ending the test process.
class RecordingTerminator : public Terminator {
 public:
  struct Stop {
    int exit_code;
    std::string reason;
  };
  void Terminate(int exit_code, const std::string& reason) override {
    stops_.push_back({exit_code, reason});
  }
  const std::vector<Stop>& stops() const { return stops_; }

 private:
  std::vector<Stop> stops_;
};

struct FakePlatform {
  ScriptedMessageBox messages;
  FixedClock clock;
  FaultyFileSystem files;
  RecordingProgramRunner programs;
  SequenceRandom random;
  Platform platform{messages, clock, files, programs, random};
};

// Small file helpers for test set-up and checks.
void WriteFileOrDie(const std::string& path, const std::string& bytes);
// Through `fs`, as a writer under test would, so the file system's faults reach the caller.
Status WriteSmallFile(FileSystem& fs, const std::string& path, const std::string& bytes);
std::string ReadFileOrEmpty(const std::string& path);

// The shared reference folder (schemas, sample files), or "" when it is absent; tests
// that need it call GTEST_SKIP() with a message naming the folder.
std::string SharedDir();

}  // namespace eracuni::testing

#include "framework/testing/fakes.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#ifndef ERACUNI_SHARED_DIR
#define ERACUNI_SHARED_DIR ""
#endif

namespace eracuni::testing {

MessageButton ScriptedMessageBox::Show(const MessageRequest& request) {
  shown_.push_back(request);
  if (answers_.empty()) return request.default_button;
  MessageButton b = answers_.front();
  answers_.pop_front();
  return b;
}

int SequenceRandom::Between(int low, int high) {
  int v = fallback_;
  if (!values_.empty()) {
    v = values_.front();
    values_.pop_front();
  }
  return std::clamp(v, low, high);
}

namespace {

Status Fault(const std::string& op, const std::string& path, int err) {
  std::string text = op + " " + path + ": " + std::strerror(err);
  if (err == 2) return Status::NotFound(text, err);
  if (err == 13) return Status::AccessDenied(text, err);
  return Status::IoError(text, err);
}

class FaultyWritableFile : public WritableFile {
 public:
  FaultyWritableFile(FaultyFileSystem& fs, std::string path, std::unique_ptr<WritableFile> base)
      : fs_(fs), path_(std::move(path)), base_(std::move(base)) {}
  Status Append(std::string_view bytes) override {
    Status s = fs_.CheckFault("append", path_);
    if (s.ok()) s = fs_.ChargeWrite(path_, bytes.size());
    if (!s.ok()) return s;
    return base_->Append(bytes);
  }
  Status Close() override {
    Status s = fs_.CheckFault("close", path_);
    Status c = base_->Close();
    return s.ok() ? c : s;
  }
  Status CloseWithoutSync() override {
    Status s = fs_.CheckFault("close", path_);
    Status c = base_->CloseWithoutSync();
    return s.ok() ? c : s;
  }

 private:
  FaultyFileSystem& fs_;
  std::string path_;
  std::unique_ptr<WritableFile> base_;
};

}  // namespace

Status FaultyFileSystem::CheckFault(const std::string& op, const std::string& path) {
  std::lock_guard lock(mutex_);
  log_.push_back(op + " " + path);
  for (const auto& r : rules_)
    if (r.op == op && path.find(r.part) != std::string::npos) return Fault(op, path, r.err);
  return Status::Ok();
}

Status FaultyFileSystem::ChargeWrite(const std::string& path, size_t bytes) {
  if (limit_part_.empty() || path.find(limit_part_) == std::string::npos) return Status::Ok();
  std::lock_guard lock(mutex_);
  size_t& used = written_[path];
  if (used + bytes > limit_bytes_) return Fault("append", path, limit_err_);
  used += bytes;
  return Status::Ok();
}

std::optional<RegularFileFacts> FaultyFileSystem::RegularFile(const std::string& p) {
  std::optional<RegularFileFacts> facts = base_.RegularFile(p);
  if (facts && !CheckFault("size", p).ok()) facts->size = 0;
  return facts;
}
Result<uint64_t> FaultyFileSystem::FileSize(const std::string& p) {
  if (Status s = CheckFault("size", p); !s.ok()) return s;
  return base_.FileSize(p);
}
Result<std::string> FaultyFileSystem::ReadFile(const std::string& p) {
  if (Status s = CheckFault("read", p); !s.ok()) return s;
  return base_.ReadFile(p);
}

Result<std::unique_ptr<RandomAccessFile>> FaultyFileSystem::NewRandomAccessFile(
    const std::string& p) {
  if (Status s = CheckFault("read", p); !s.ok()) return s;
  return base_.NewRandomAccessFile(p);
}
Result<std::unique_ptr<WritableFile>> FaultyFileSystem::NewWritableFile(const std::string& p) {
  if (Status s = CheckFault("create", p); !s.ok()) return s;
  auto base = base_.NewWritableFile(p);
  if (!base.ok()) return base.status();
  std::lock_guard lock(mutex_);
  written_[p] = 0;
  return std::unique_ptr<WritableFile>(new FaultyWritableFile(*this, p, std::move(base).value()));
}
Status FaultyFileSystem::DeleteFile(const std::string& p) {
  if (Status s = CheckFault("delete", p); !s.ok()) return s;
  return base_.DeleteFile(p);
}
Status FaultyFileSystem::RenameFile(const std::string& from, const std::string& to) {
  if (Status s = CheckFault("rename", from); !s.ok()) return s;
  return base_.RenameFile(from, to);
}
Status FaultyFileSystem::CopyFile(const std::string& from, const std::string& to) {
  if (Status s = CheckFault("copy", from); !s.ok()) return s;
  // A full disk fails the copy as a whole: the copy goes through a temporary name.
  if (!limit_part_.empty() && to.find(limit_part_) != std::string::npos) {
    auto size = base_.FileSize(from);
    if (size.ok() && *size > limit_bytes_) return Fault("copy", to, limit_err_);
  }
  return base_.CopyFile(from, to);
}

Status FaultyFileSystem::SyncFileSystem(const std::string& p) {
  if (Status s = CheckFault("sync", p); !s.ok()) return s;
  return base_.SyncFileSystem(p);
}

std::string RecordingProgramRunner::FindProgram(const std::string& name) {
  auto it = found_.find(name);
  return it == found_.end() ? std::string() : it->second;
}

Result<int> RecordingProgramRunner::Run(const std::string& program,
                                        const std::vector<std::string>& args) {
  calls_.push_back({program, args});
  if (on_run) return on_run(calls_.back());
  return exit_code;
}

namespace {

// Paths here are UTF-8 on every platform (std::filesystem would read a narrow string in the
// ANSI code page on Windows).
std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Path(const std::filesystem::path& p) {
  std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

}  // namespace

TempDir::TempDir() {
  static std::mt19937 draw{std::random_device{}()};
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int tries = 0; tries < 100; ++tries) {
    const auto dir = base / ("eracuni-test-" + std::to_string(draw()));
    std::error_code ec;
    if (std::filesystem::create_directory(dir, ec)) {
      path_ = Utf8Path(dir) + "/";
      return;
    }
  }
  std::abort();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(FsPath(path_), ec);
}

void WriteFileOrDie(const std::string& path, const std::string& bytes) {
  std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) std::abort();
}

Status WriteSmallFile(FileSystem& fs, const std::string& path, const std::string& bytes) {
  auto f = fs.NewWritableFile(path);
  if (!f.ok()) return f.status();
  Status s = (*f)->Append(bytes);
  Status c = (*f)->Close();
  return s.ok() ? c : s;
}

std::string ReadFileOrEmpty(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string SharedDir() {
  std::string dir = ERACUNI_SHARED_DIR;
  std::error_code ec;
  if (dir.empty() || !std::filesystem::is_directory(FsPath(dir), ec)) return {};
  return dir + "/";
}

}  // namespace eracuni::testing

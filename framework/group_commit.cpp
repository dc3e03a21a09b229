#include "framework/group_commit.h"

#include <utility>

#include "framework/file_names.h"

namespace eracuni {
namespace {

class UnsyncedFile : public WritableFile {
 public:
  UnsyncedFile(GroupCommitFileSystem& fs, std::string path, std::unique_ptr<WritableFile> base)
      : fs_(fs), path_(std::move(path)), base_(std::move(base)) {}
  Status Append(std::string_view bytes) override {
    bytes_ += bytes.size();
    return base_->Append(bytes);
  }
  Status Close() override {
    Status s = base_->CloseWithoutSync();
    if (s.ok()) fs_.Closed(path_, bytes_);
    return s;
  }
  Status CloseWithoutSync() override { return Close(); }

 private:
  GroupCommitFileSystem& fs_;
  std::string path_;
  std::unique_ptr<WritableFile> base_;
  uint64_t bytes_ = 0;
};

std::string FolderOf(const std::string& path) {
  std::string_view folder = FolderPart(path);
  return folder.empty() ? std::string(".") : std::string(folder);
}

}  // namespace

GroupCommitFileSystem::~GroupCommitFileSystem() {
  if (commit_thread_.joinable()) commit_thread_.join();
  for (const Held& h : held_) base_.DeleteFile(h.from);
}

Result<std::unique_ptr<WritableFile>> GroupCommitFileSystem::NewWritableFile(const std::string& p) {
  auto base = base_.NewWritableFile(p);
  if (!base.ok()) return base.status();
  unsynced_.erase(p);  // created afresh: an earlier close no longer counts
  return std::unique_ptr<WritableFile>(new UnsyncedFile(*this, p, std::move(base).value()));
}

void GroupCommitFileSystem::Closed(const std::string& path, uint64_t bytes) {
  unsynced_[path] = bytes;
}

Status GroupCommitFileSystem::DeleteFile(const std::string& p) {
  unsynced_.erase(p);
  return base_.DeleteFile(p);
}

Status GroupCommitFileSystem::RenameFile(const std::string& from, const std::string& to) {
  auto it = unsynced_.find(from);
  if (it == unsynced_.end()) return base_.RenameFile(from, to);
  held_bytes_ += it->second;
  held_.push_back({from, to, it->second});
  unsynced_.erase(it);
  return Status::Ok();
}

std::vector<GroupCommitFileSystem::Held> GroupCommitFileSystem::TakeHeld() {
  held_bytes_ = 0;
  return std::exchange(held_, {});
}

void GroupCommitFileSystem::Adopt(std::vector<Held> renames) {
  for (Held& h : renames) {
    held_bytes_ += h.bytes;
    held_.push_back(std::move(h));
  }
}

std::vector<GroupCommitFileSystem::Outcome> GroupCommitFileSystem::RunCommit(
    FileSystem& base, std::vector<Held> group) {
  std::vector<Outcome> outcomes;
  if (group.empty()) return outcomes;
  Status synced = base.SyncFileSystem(FolderOf(group.front().to));
  for (const Held& h : group) {
    Status s = synced.ok() ? base.RenameFile(h.from, h.to) : synced;
    if (!s.ok()) base.DeleteFile(h.from);
    outcomes.push_back({h.to, s});
  }
  return outcomes;
}

std::vector<GroupCommitFileSystem::Outcome> GroupCommitFileSystem::Commit() {
  BeginCommit();
  return TakeCommitted();
}

void GroupCommitFileSystem::BeginCommit() {
  committed_ = TakeCommitted();  // an earlier commit's outcomes stay first
  std::vector<Held> group = std::move(held_);
  held_.clear();
  in_commit_ = group.size();
  in_commit_bytes_ = std::exchange(held_bytes_, 0);
  committing_ = true;
  if (!base_.AllowsTwoThreads() || group.empty()) {
    std::vector<Outcome> outcomes = RunCommit(base_, std::move(group));
    committed_.insert(committed_.end(), outcomes.begin(), outcomes.end());
    return;
  }
  commit_finished_ = false;
  commit_thread_ = std::thread([this, group = std::move(group)]() mutable {
    running_ = RunCommit(base_, std::move(group));
    commit_finished_ = true;
  });
}

std::vector<GroupCommitFileSystem::Outcome> GroupCommitFileSystem::TakeCommitted() {
  if (commit_thread_.joinable()) {
    commit_thread_.join();
    committed_.insert(committed_.end(), running_.begin(), running_.end());
    running_.clear();
  }
  committing_ = false;
  in_commit_ = 0;
  in_commit_bytes_ = 0;
  return std::exchange(committed_, {});
}

}  // namespace eracuni

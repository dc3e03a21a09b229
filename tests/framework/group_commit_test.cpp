#include "framework/group_commit.h"

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "framework/testing/fakes.h"

namespace eracuni {
namespace {

using ::testing::ElementsAre;
using testing::FaultyFileSystem;
using testing::ReadFileOrEmpty;
using testing::TempDir;

Status WriteFile(const std::string& path, const std::string& bytes) {
  auto f = SystemFileSystem().NewWritableFile(path);
  if (!f.ok()) return f.status();
  Status s = (*f)->Append(bytes);
  return s.ok() ? (*f)->Close() : s;
}

class GroupCommitTest : public ::testing::Test {
 protected:
  // Writes `bytes` to ".NAME.tmp" and asks for its rename to NAME, as a safe replace does.
  Status Replace(const std::string& name, const std::string& bytes) {
    auto f = group_.NewWritableFile(dir_.File("." + name + ".tmp"));
    if (!f.ok()) return f.status();
    Status s = (*f)->Append(bytes);
    if (s.ok()) s = (*f)->Close();
    if (s.ok()) s = group_.RenameFile(dir_.File("." + name + ".tmp"), dir_.File(name));
    return s;
  }
  std::vector<std::string> Entries() { return *SystemFileSystem().ListDirectory(dir_.path()); }
  // The operations of the base in order, without their paths.
  std::vector<std::string> Operations() {
    std::vector<std::string> ops;
    for (const std::string& line : base_.log()) ops.push_back(line.substr(0, line.find(' ')));
    return ops;
  }

  TempDir dir_;
  FaultyFileSystem base_;
  GroupCommitFileSystem group_{base_};
};

TEST_F(GroupCommitTest, NamesAppearOnlyAfterOneWaitForTheDisk) {
  ASSERT_TRUE(Replace("A.XML", "new A").ok());
  ASSERT_TRUE(Replace("B.XML", "B").ok());
  EXPECT_EQ(group_.held(), 2u);
  EXPECT_EQ(group_.held_bytes(), 6u);
  EXPECT_THAT(Entries(), ElementsAre(".A.XML.tmp", ".B.XML.tmp"));  // nothing named yet

  auto outcomes = group_.Commit();
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_EQ(outcomes[0].target, dir_.File("A.XML"));
  EXPECT_TRUE(outcomes[0].status.ok() && outcomes[1].status.ok());
  EXPECT_THAT(Entries(), ElementsAre("A.XML", "B.XML"));
  EXPECT_EQ(ReadFileOrEmpty(dir_.File("A.XML")), "new A");
  // Files close without a sync each; one sync, then the renames.
  EXPECT_THAT(Operations(), ElementsAre("create", "append", "close", "create", "append", "close",
                                        "sync", "rename", "rename"));
  EXPECT_EQ(group_.held(), 0u);
  EXPECT_EQ(group_.held_bytes(), 0u);
  EXPECT_TRUE(group_.Commit().empty());
}

TEST_F(GroupCommitTest, RenamesOfOtherFilesAreNotHeld) {
  ASSERT_TRUE(WriteFile(dir_.File("old"), "x").ok());
  ASSERT_TRUE(group_.RenameFile(dir_.File("old"), dir_.File("new")).ok());
  EXPECT_THAT(Entries(), ElementsAre("new"));
  // A file deleted after its close is not held either.
  auto f = group_.NewWritableFile(dir_.File("t"));
  ASSERT_TRUE(f.ok() && (*f)->Close().ok());
  ASSERT_TRUE(group_.DeleteFile(dir_.File("t")).ok());
  EXPECT_EQ(group_.held(), 0u);
}

TEST_F(GroupCommitTest, AFailedWaitFailsEveryHeldFileAndKeepsTheOldOnes) {
  ASSERT_TRUE(WriteFile(dir_.File("A.XML"), "old A").ok());
  ASSERT_TRUE(Replace("A.XML", "new A").ok());
  ASSERT_TRUE(Replace("B.XML", "B").ok());
  base_.FailOn("sync", "", 5);
  auto outcomes = group_.Commit();
  ASSERT_EQ(outcomes.size(), 2u);
  for (const auto& o : outcomes) EXPECT_EQ(o.status.error_code(), 5) << o.target;
  EXPECT_THAT(Entries(), ElementsAre("A.XML"));
  EXPECT_EQ(ReadFileOrEmpty(dir_.File("A.XML")), "old A");
}

TEST_F(GroupCommitTest, AFailedRenameFailsOnlyItsFile) {
  ASSERT_TRUE(Replace("A.XML", "A").ok());
  ASSERT_TRUE(Replace("B.XML", "B").ok());
  base_.FailOn("rename", ".A.XML", 13);
  auto outcomes = group_.Commit();
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_TRUE(outcomes[0].status.Is(Status::Code::kAccessDenied));
  EXPECT_TRUE(outcomes[1].status.ok());
  EXPECT_THAT(Entries(), ElementsAre("B.XML"));
}

TEST_F(GroupCommitTest, AGroupNeverCommittedLeavesNoTemporaryFiles) {
  {
    GroupCommitFileSystem group(base_);
    auto f = group.NewWritableFile(dir_.File(".A.tmp"));
    ASSERT_TRUE(f.ok() && (*f)->Append("A").ok() && (*f)->Close().ok());
    ASSERT_TRUE(group.RenameFile(dir_.File(".A.tmp"), dir_.File("A")).ok());
  }
  EXPECT_TRUE(Entries().empty());
}

// On the system's file system a commit runs beside the writing of the next group; its
// outcomes, a failed rename among them, come back in order, and the next group stays held.
TEST(GroupCommitBeside, TheNextGroupIsWrittenWhileOneWaitsForTheDisk) {
  TempDir dir;
  GroupCommitFileSystem group(SystemFileSystem());
  auto replace = [&](const std::string& name) {
    auto f = group.NewWritableFile(dir.File("." + name + ".tmp"));
    ASSERT_TRUE(f.ok() && (*f)->Append(name).ok() && (*f)->Close().ok());
    ASSERT_TRUE(group.RenameFile(dir.File("." + name + ".tmp"), dir.File(name)).ok());
  };
  std::filesystem::create_directories(dir.File("B/inside"));  // a rename onto it fails
  replace("A");
  replace("B");
  group.BeginCommit();
  replace("C");
  std::vector<GroupCommitFileSystem::Outcome> first = group.TakeCommitted();
  ASSERT_EQ(first.size(), 2u);
  EXPECT_TRUE(first[0].status.ok());
  EXPECT_FALSE(first[1].status.ok());
  EXPECT_EQ(ReadFileOrEmpty(dir.File("A")), "A");
  EXPECT_FALSE(std::filesystem::exists(dir.File(".B.tmp")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("C")));
  EXPECT_EQ(group.held(), 1u);
  EXPECT_EQ(group.Commit().size(), 1u);
  EXPECT_EQ(ReadFileOrEmpty(dir.File("C")), "C");
}

// The system's file system, whose wait for the disk lasts until the test ends it.
class HeldSyncFileSystem : public FaultyFileSystem {
 public:
  HeldSyncFileSystem() { AllowTwoThreads(); }
  Status SyncFileSystem(const std::string& p) override {
    std::unique_lock lock(mutex_);
    ended_.wait(lock, [&] { return released_; });
    return FaultyFileSystem::SyncFileSystem(p);
  }
  void EndTheWait() {
    std::lock_guard lock(mutex_);
    released_ = true;
    ended_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable ended_;
  bool released_ = false;
};

TEST(GroupCommitBeside, TellsWhileACommitStillWaitsForTheDisk) {
  TempDir dir;
  HeldSyncFileSystem disk;
  GroupCommitFileSystem group(disk);
  auto f = group.NewWritableFile(dir.File(".A.tmp"));
  ASSERT_TRUE(f.ok() && (*f)->Append("A").ok() && (*f)->Close().ok());
  ASSERT_TRUE(group.RenameFile(dir.File(".A.tmp"), dir.File("A")).ok());
  EXPECT_FALSE(group.CommitRunning());
  group.BeginCommit();
  EXPECT_TRUE(group.CommitRunning());
  EXPECT_EQ(group.in_commit(), 1u);
  EXPECT_EQ(group.in_commit_bytes(), 1u);
  disk.EndTheWait();
  EXPECT_EQ(group.TakeCommitted().size(), 1u);
  EXPECT_FALSE(group.CommitRunning());
  EXPECT_EQ(group.in_commit(), 0u);
  EXPECT_EQ(ReadFileOrEmpty(dir.File("A")), "A");
}

TEST(SystemFileSystem, ClosesWithoutASyncAndSyncsAFileSystem) {
  TempDir dir;
  FileSystem& fs = SystemFileSystem();
  auto f = fs.NewWritableFile(dir.File("a"));
  ASSERT_TRUE(f.ok() && (*f)->Append("abc").ok());
  ASSERT_TRUE((*f)->CloseWithoutSync().ok());
  EXPECT_TRUE(fs.SyncFileSystem(dir.path()).ok());
  EXPECT_EQ(*fs.ReadFile(dir.File("a")), "abc");
  EXPECT_EQ(fs.SyncFileSystem(dir.File("missing/")).error_code(), 2);
}

}  // namespace
}  // namespace eracuni

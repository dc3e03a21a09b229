// Damaged work files: cut, overwritten or replaced by garbage, a folder in a file's place,
// and a file held open and locked by another process. The run ends (never a crash or a
// hang) with a message naming the file, or with the empty walk the open leaves; the work
// files stay as they were.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <random>

#include "tests/support/run_fixture.h"

namespace eracuni::reliability {
namespace {

using eracuni::testing::RunTest;

using ::testing::HasSubstr;

class CorruptWorkFiles : public RunTest {
 protected:
  void SetUp() override {
    for (uint32_t i = 1; i <= 3; ++i) AddInvoice(i, "2026-" + std::to_string(i), "LJBASI2X");
    WriteWorkFiles();
  }
  std::string Path(const std::string& file) { return work_.File(file); }
  std::string Bytes(const std::string& file) {
    return eracuni::testing::ReadFileOrEmpty(Path(file));
  }
  void Replace(const std::string& file, const std::string& bytes) {
    eracuni::testing::WriteFileOrDie(Path(file), bytes);
  }
  // Every message and fatal stop, one a line.
  // Every message and fatal stop since the last Fresh(), one a line.
  std::string Reports() {
    std::string all = AllTexts();
    for (size_t i = stops_seen_; i < terminator_.stops().size(); ++i)
      all += terminator_.stops()[i].reason + "\n";
    return all;
  }
  void Fresh() {
    messages_.Clear();
    stops_seen_ = terminator_.stops().size();
  }
  size_t stops_seen_ = 0;
  // A run on damaged data: it ends, leaves the file alone, and whatever it reports about a
  // file names that file.
  void RunDamaged(const std::string& file) {
    const std::string before = Bytes(file);
    Fresh();
    batch::WindowState w = Run();
    EXPECT_EQ(Bytes(file), before);
    const std::string label = file.substr(0, file.find('.'));
    if (terminator_.stops().size() > stops_seen_) {
      EXPECT_THAT(Reports(), HasSubstr(label));
    }
    // Damage shows as a report or as fewer documents, never as a crash.
    EXPECT_LE(w.STEVEC, 3);
  }
};

const char* const kFiles[] = {"eRACUNI.TPS", "eRACUNIP.TPS", "eRACPRIL.TPS"};

TEST_F(CorruptWorkFiles, CutFilesAreReportedByName) {
  for (const char* file : kFiles) {
    const std::string whole = Bytes(file);
    for (size_t keep : {size_t{0}, size_t{5}, size_t{0x200}, whole.size() / 2, whole.size() - 1}) {
      SCOPED_TRACE(std::string(file) + " cut to " + std::to_string(keep));
      Replace(file, whole.substr(0, keep));
      RunDamaged(file);
      EXPECT_THAT(Reports(), HasSubstr(std::string(file).substr(0, std::string(file).find('.'))));
    }
    Replace(file, whole);
  }
}

TEST_F(CorruptWorkFiles, OverwrittenBytesNeverCrashTheRun) {
  std::mt19937 random(20261208);
  for (const char* file : kFiles) {
    const std::string whole = Bytes(file);
    for (int round = 0; round < 40; ++round) {
      std::string damaged = whole;
      std::uniform_int_distribution<size_t> at(0, damaged.size() - 1);
      for (int k = 0; k < 1 + round % 8; ++k) damaged[at(random)] = static_cast<char>(random());
      SCOPED_TRACE(std::string(file) + " round " + std::to_string(round));
      Replace(file, damaged);
      RunDamaged(file);
    }
    Replace(file, whole);
  }
}

TEST_F(CorruptWorkFiles, GarbageAndFoldersAreReportedByName) {
  std::mt19937 random(7);
  std::string garbage(9000, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  Replace("eRACUNI.TPS", garbage);
  RunDamaged("eRACUNI.TPS");
  EXPECT_THAT(Reports(), HasSubstr("eRACUNI"));

  Fresh();
  ASSERT_TRUE(std::filesystem::remove(Path("eRACPRIL.TPS")));
  ASSERT_TRUE(std::filesystem::create_directory(Path("eRACPRIL.TPS")));
  Run();
  EXPECT_THAT(Reports(), HasSubstr("eRACPRIL"));
}

// FIFOs and fork are POSIX; scripts/windows-e2e holds the work files open on Windows.
#ifndef _WIN32
TEST_F(CorruptWorkFiles, AFifoInPlaceOfAWorkFileEndsWithTheOpenFailure) {
  ASSERT_EQ(unlink(Path("eRACUNIP.TPS").c_str()), 0);
  ASSERT_EQ(mkfifo(Path("eRACUNIP.TPS").c_str(), 0644), 0);  // no writer: an open would wait
  Run();
  EXPECT_THAT(Reports(), HasSubstr("File eRACUNIP could not be opened"));
}

// Another program may hold the work data open (and locked) while the converter runs.
TEST_F(CorruptWorkFiles, FilesHeldOpenByAnotherProcessAreStillRead) {
  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    for (const char* file : kFiles) {
      int fd = open(Path(file).c_str(), O_RDWR);
      if (fd < 0 || flock(fd, LOCK_EX) != 0) _exit(1);
      struct flock lock {};
      lock.l_type = F_WRLCK;
      lock.l_whence = SEEK_SET;
      if (fcntl(fd, F_SETLK, &lock) != 0) _exit(1);
    }
    char c = 'r';
    (void)!write(ready[1], &c, 1);
    (void)!read(release[0], &c, 1);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1) << "the holder could not lock the files";
  batch::WindowState w = Run();
  (void)!write(release[1], &c, 1);
  int status = 0;
  waitpid(holder, &status, 0);
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
  EXPECT_EQ(w.STEVEC, 3) << Reports();
  EXPECT_TRUE(messages_.shown().empty()) << Reports();
}
#endif

}  // namespace
}  // namespace eracuni::reliability

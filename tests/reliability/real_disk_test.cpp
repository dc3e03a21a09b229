// The real file system running out of room: a file-size limit (RLIMIT_FSIZE) makes every
// write past it fail with EFBIG, as a full disk would, without root rights or a small
// mount.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tests/support/run_fixture.h"

namespace eracuni::reliability {
namespace {

using eracuni::testing::RunTest;
using eracuni::testing::Snapshot;

using ::testing::HasSubstr;

// Limits the size of files this process writes while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    // Test output written to a file meanwhile would be cut as well.
    std::fflush(stdout);
    std::fflush(stderr);
    old_signal_ = signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, old_signal_);
  }
  bool ok() const { return ok_; }

 private:
  rlimit old_{};
  void (*old_signal_)(int) = nullptr;
  bool ok_ = false;
};

TEST(RealDisk, ACopyThatDoesNotFitLeavesNothingUnderEitherName) {
  eracuni::testing::TempDir dir;
  eracuni::testing::WriteFileOrDie(dir.File("a.xml"), std::string(4000, 'x'));
  Status s;
  {
    FileSizeLimit limit(1000);
    ASSERT_TRUE(limit.ok());
    s = PosixFileSystem().CopyFile(dir.File("a.xml"), dir.File("b.xml"));
  }
  EXPECT_EQ(s.error_code(), EFBIG) << s.ToString();
  EXPECT_EQ(Snapshot(dir.path()).size(), 1u);
}

class RealDiskRun : public RunTest {};

TEST_F(RealDiskRun, FullDiskShowsEveryFileAndLeavesNoDocument) {
  settings_.DSVIMENURACUNA = 1;
  AddInvoice(1, "2026-1", "LJBASI2X");
  WriteWorkFiles();
  {
    FileSizeLimit limit(256);
    ASSERT_TRUE(limit.ok());
    Run();
  }
  EXPECT_THAT(AllTexts(), HasSubstr(out_.File("2026-1.XML")));
  EXPECT_THAT(AllTexts(), HasSubstr("Noben e-ra\xC4\x8Dun ni bil izdelan"));
  EXPECT_THAT(AllTexts(), HasSubstr(std::strerror(EFBIG)));
  EXPECT_TRUE(Snapshot(out_.path()).empty());
}

}  // namespace
}  // namespace eracuni::reliability

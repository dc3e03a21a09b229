#include "framework/platform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "framework/testing/fakes.h"

namespace eracuni {
namespace {

using testing::TempDir;

TEST(PosixFileSystem, WritesRenamesCopiesAndReportsErrno) {
  TempDir dir;
  FileSystem& fs = PosixFileSystem();
  auto f = fs.NewWritableFile(dir.File("a.txt"));
  ASSERT_TRUE(f.ok());
  ASSERT_TRUE((*f)->Append("hello").ok());
  ASSERT_TRUE((*f)->Close().ok());
  EXPECT_EQ(*fs.FileSize(dir.File("a.txt")), 5u);
  ASSERT_TRUE(fs.CopyFile(dir.File("a.txt"), dir.File("b.txt")).ok());
  ASSERT_TRUE(fs.RenameFile(dir.File("b.txt"), dir.File("c.txt")).ok());
  EXPECT_EQ(*fs.ReadFile(dir.File("c.txt")), "hello");
  EXPECT_EQ(*fs.ListDirectory(dir.path()), (std::vector<std::string>{"a.txt", "c.txt"}));

  const std::string longest(255, 'c');  // its temporary name must fit too
  ASSERT_TRUE(fs.CopyFile(dir.File("a.txt"), dir.File(longest)).ok());
  EXPECT_EQ(*fs.ReadFile(dir.File(longest)), "hello");
  ASSERT_TRUE(fs.DeleteFile(dir.File(longest)).ok());

  Status missing = fs.DeleteFile(dir.File("nothing"));
  EXPECT_TRUE(missing.Is(Status::Code::kNotFound));
  EXPECT_EQ(missing.error_code(), 2);
}

TEST(PosixProgramRunner, RunsWithoutAShellAndReturnsTheExitCode) {
  ProgramRunner& r = PosixProgramRunner();
  std::string sh = r.FindProgram("sh");
  ASSERT_FALSE(sh.empty());
  // The argument reaches the program as one word: no shell splits or expands it.
  auto rc = r.Run(sh, {"-c", "test \"$0\" = 'a b;$(x)' && exit 7", "a b;$(x)"});
  ASSERT_TRUE(rc.ok());
  EXPECT_EQ(*rc, 7);
  EXPECT_TRUE(r.FindProgram("no-such-program-here").empty());
  EXPECT_FALSE(r.Run("/no/such/program", {}).ok());
}

// A folder that merely carries the program's name is passed over, on PATH and by path.
TEST(PosixProgramRunner, FindsProgramsNotFoldersOfTheirName) {
  TempDir folders, programs;
  ASSERT_EQ(mkdir(folders.File("signer").c_str(), 0755), 0);
  testing::WriteFileOrDie(programs.File("signer"), "#!/bin/sh\n");
  ASSERT_EQ(chmod(programs.File("signer").c_str(), 0755), 0);
  const char* path = std::getenv("PATH");
  const std::string old_path = path ? path : "";
  const std::string programs_dir = programs.path().substr(0, programs.path().size() - 1);
  setenv("PATH", (folders.File("") + ":" + programs_dir).c_str(), 1);
  EXPECT_EQ(PosixProgramRunner().FindProgram("signer"), programs_dir + "/signer");
  setenv("PATH", old_path.c_str(), 1);
  EXPECT_EQ(PosixProgramRunner().FindProgram(folders.File("signer")), "");
}

TEST(FaultyFileSystem, InjectsFaultsAndAFullDisk) {
  TempDir dir;
  testing::FaultyFileSystem fs;
  fs.FailOn("rename", "x.xml", 13);
  fs.LimitWrites("big", 4);
  auto f = fs.NewWritableFile(dir.File("big.bin"));
  ASSERT_TRUE(f.ok());
  EXPECT_TRUE((*f)->Append("1234").ok());
  Status full = (*f)->Append("5");
  EXPECT_EQ(full.error_code(), 28);
  EXPECT_TRUE(fs.RenameFile(dir.File("x.xml"), dir.File("y.xml")).Is(Status::Code::kAccessDenied));
}

}  // namespace
}  // namespace eracuni

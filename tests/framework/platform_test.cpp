#include "framework/platform.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#endif

#include "framework/file_names.h"
#include "framework/testing/fakes.h"

namespace eracuni {
namespace {

using testing::TempDir;

TEST(SystemFileSystem, WritesRenamesCopiesAndReportsTheSystemsCode) {
  TempDir dir;
  FileSystem& fs = SystemFileSystem();
  auto f = fs.NewWritableFile(dir.File("a.txt"));
  ASSERT_TRUE(f.ok());
  ASSERT_TRUE((*f)->Append("hello").ok());
  ASSERT_TRUE((*f)->Close().ok());
  EXPECT_EQ(*fs.FileSize(dir.File("a.txt")), 5u);
  EXPECT_EQ(fs.RegularFile(dir.File("a.txt")).value().size, 5u);
  EXPECT_EQ(fs.RegularFile(dir.path()), std::nullopt);  // a folder is none
  EXPECT_EQ(fs.RegularFile(dir.File("nothing")), std::nullopt);
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

// Every path of one file names the same file; a copy is another file, and a rename keeps it.
TEST(SystemFileSystem, KnowsOneFileByAnyOfItsPaths) {
  TempDir dir;
  FileSystem& fs = SystemFileSystem();
  testing::WriteFileOrDie(dir.File("a b.pdf"), "pdf");
  ASSERT_TRUE(fs.CopyFile(dir.File("a b.pdf"), dir.File("copy.pdf")).ok());
  const FileId id = fs.RegularFile(dir.File("a b.pdf")).value().id;
  std::vector<std::string> same = {dir.path() + "./a b.pdf", dir.File("x/../a b.pdf")};
#ifdef _WIN32
  same.push_back(dir.File("A B.PDF"));
#else
  ASSERT_EQ(::mkdir(dir.File("x").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("a b.pdf", dir.File("link").c_str()), 0);
  ASSERT_EQ(::link(dir.File("a b.pdf").c_str(), dir.File("hard").c_str()), 0);
  same.insert(same.end(), {dir.File("link"), dir.File("hard")});
#endif
  for (const std::string& p : same) EXPECT_EQ(fs.RegularFile(p).value().id, id) << p;
  EXPECT_NE(fs.RegularFile(dir.File("copy.pdf")).value().id, id);
  ASSERT_TRUE(fs.RenameFile(dir.File("a b.pdf"), dir.File("moved.pdf")).ok());
  EXPECT_EQ(fs.RegularFile(dir.File("moved.pdf")).value().id, id);
}

#ifdef _WIN32
// "2:26-3.XML" past the drive is the stream "26-3.XML" of a file "2": nothing goes there.
TEST(SystemFileSystem, NeverWritesIntoAStreamOfAnotherFile) {
  TempDir dir;
  FileSystem& fs = SystemFileSystem();
  EXPECT_EQ(fs.NewWritableFile(dir.File("2:26-3.XML")).status().error_code(), 123);
  testing::WriteFileOrDie(dir.File("a.xml"), "x");
  EXPECT_EQ(fs.RenameFile(dir.File("a.xml"), dir.File("2:a.xml")).error_code(), 123);
  EXPECT_EQ(*fs.ListDirectory(dir.path()), std::vector<std::string>{"a.xml"});
}

TEST(SystemProgramRunner, FindsProgramsTheWindowsWayAndReturnsTheExitCode) {
  ProgramRunner& r = SystemProgramRunner();
  std::string cmd = r.FindProgram("cmd");  // ".exe" added, found in the system folder
  ASSERT_FALSE(cmd.empty());
  auto rc = r.Run(cmd, {"/c", "exit 7"});
  ASSERT_TRUE(rc.ok());
  EXPECT_EQ(*rc, 7);
  EXPECT_EQ(r.FindProgram(cmd), cmd);
  EXPECT_TRUE(r.FindProgram("no-such-program-here").empty());
  EXPECT_EQ(r.Run("C:\\no\\such\\program.exe", {}).status().error_code(), 3);
}
#else
TEST(SystemProgramRunner, RunsWithoutAShellAndReturnsTheExitCode) {
  ProgramRunner& r = SystemProgramRunner();
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
#endif

TEST(SystemProgramRunner, EachArgumentArrivesIntact) {
  const std::string recorder = ERACUNI_ARG_RECORDER;
  const std::string record = recorder + ".args";
  (void)SystemFileSystem().DeleteFile(record);
  const std::vector<std::string> args = {
      "a b", "", "say \"hi\"", "Z:\\dir with blank\\", "end\\\\", "\\\"", "tab\there",
      "\xC4\x8C\xC5\xA1\xC5\xBE \xC4\x91 \xC5\xA0", "&|<>^%!*?", "--", "@list"};
  auto rc = SystemProgramRunner().Run(recorder, args);
  ASSERT_TRUE(rc.ok()) << rc.status().ToString();
  EXPECT_EQ(*rc, 0);
  std::string expected = "call " + std::string(FileNamePart(recorder)) + "\n";
  for (const auto& a : args) expected += a + "\n";
  EXPECT_EQ(*SystemFileSystem().ReadFile(record), expected);
  (void)SystemFileSystem().DeleteFile(record);
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

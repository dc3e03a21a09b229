#include "settings/ini_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "framework/testing/fakes.h"
#include "framework/whole_file.h"

namespace eracuni::settings {
namespace {

using eracuni::testing::FaultyFileSystem;
using eracuni::testing::ReadFileOrEmpty;
using eracuni::testing::TempDir;
using eracuni::testing::WriteFileOrDie;

using namespace std::string_literals;

const std::string kMixed =
    "\xEF\xBB\xBF; made by hand\r\n"
    "[Other]\n"
    "PotDoEracunov=not this one\r\n"
    "\r\n"
    "[ Global ]\r\n"
    "  potdoeracunov =  \"C:\\Ra\xE8uni\\\"  \r\n"
    "Unknown=x\n"
    "PotDoEracunov=second wins never\r\n"
    "a line without equals\r\n"
    "Quoted='half\"\r\n"
    "Tabbed=\t'q v'\t\r\n"
    "Nul=ab\0cd\r\n"
    "\r\n"
    "; about the next section\r\n"
    "[GLOBAL]\r\n"
    "Later=duplicate section\r\n"
    "[Last]\r\n"
    "k=v"s;

TEST(IniTextTest, FindsLikeTheProfileFunctions) {
  IniText text(kMixed);
  EXPECT_EQ(text.Find("GLOBAL", "PotDoEracunov"), "C:\\Ra\xE8uni\\");
  EXPECT_EQ(text.Find("other", "POTDOERACUNOV"), "not this one");
  EXPECT_EQ(text.Find("Global", "Quoted"), "'half\"");  // quotes must match to go
  EXPECT_EQ(text.Find("Global", "Tabbed"), "q v");
  EXPECT_EQ(text.Find("Global", "Nul"), "ab");
  EXPECT_EQ(text.Find("Global", "Later"), std::nullopt);  // only the first section counts
  EXPECT_EQ(text.Find("Global", "a line without equals"), std::nullopt);
  EXPECT_EQ(text.Find("Last", "k"), "v");
  EXPECT_EQ(text.Find("Missing", "k"), std::nullopt);
  EXPECT_EQ(text.Bytes(), kMixed);
}

TEST(IniTextTest, NamesCompareWithoutCaseInWindows1250) {
  IniText text("[\xC8RKE]\r\n\x8Atevilka=1\r\n");
  EXPECT_EQ(text.Find("\xE8rke", "\x9ATEVILKA"), "1");
}

TEST(IniTextTest, SetChangesOnlyTheLineItMust) {
  IniText text(kMixed);
  text.Set("GLOBAL", "PotDoEracunov", "/new/");
  text.Set("global", "Added", "1");
  text.Set("Last", "k2", "w");
  text.Set("Fresh", "x", "y");
  std::string expected = kMixed;
  expected.replace(expected.find("=  \"C:"), std::string("=  \"C:\\Ra\xE8uni\\\"  ").size(),
                   "=/new/");
  // After the section's last key line, before its trailing blank and the next one's comment.
  expected.insert(expected.find("\r\n\r\n; about") + 2, "Added=1\r\n");
  expected += "\r\nk2=w\r\n\r\n[Fresh]\r\nx=y\r\n";
  EXPECT_EQ(text.Bytes(), expected);
}

TEST(IniTextTest, NewLinesFollowTheFile) {
  IniText lf("[A]\nk=1");
  lf.Set("A", "j", "2");
  EXPECT_EQ(lf.Bytes(), "[A]\nk=1\nj=2\n");
  IniText empty("");
  empty.Set("GLOBAL", "Banka", "O");
  EXPECT_EQ(empty.Bytes(), "[GLOBAL]\r\nBanka=O\r\n");
}

class IniFileTest : public ::testing::Test {
 protected:
  TempDir dir_;
  FaultyFileSystem files_;
  std::string path_ = dir_.File("RUZeZUD.INI");
};

TEST_F(IniFileTest, MissingFileReadsDefaultAndWriteCreatesIt) {
  EXPECT_EQ(ReadProfileString(files_, path_, "GLOBAL", "Banka", "O  "), "O");
  ASSERT_TRUE(WriteProfileString(files_, path_, "GLOBAL", "Banka", "K").ok());
  EXPECT_EQ(ReadFileOrEmpty(path_), "[GLOBAL]\r\nBanka=K\r\n");
  EXPECT_EQ(ReadProfileString(files_, path_, "Global", "BANKA", "O"), "K");
  EXPECT_FALSE(files_.Exists(TemporaryNameBeside(path_)));
}

TEST_F(IniFileTest, SameValueIsNotRewritten) {
  WriteFileOrDie(path_, "[GLOBAL]\nBanka = K \n");
  ASSERT_TRUE(WriteProfileString(files_, path_, "GLOBAL", "Banka", "K").ok());
  for (const std::string& op : files_.log()) EXPECT_NE(op.rfind("create", 0), 0u) << op;
}

TEST_F(IniFileTest, FailedWritesLeaveTheFileWhole) {
  const std::string original = "; keep\r\n[GLOBAL]\r\nBanka=K\r\n";
  struct Case {
    const char* op;
    int err;
  } cases[] = {{"read", 5}, {"create", 13}, {"append", 28}, {"close", 5}, {"rename", 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.op);
    WriteFileOrDie(path_, original);
    FaultyFileSystem files;
    files.FailOn(c.op, "RUZeZUD", c.err);
    Status s = WriteProfileString(files, path_, "GLOBAL", "Banka", "M");
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(s.error_code(), c.err);
    EXPECT_EQ(ReadFileOrEmpty(path_), original);
    EXPECT_FALSE(files.Exists(TemporaryNameBeside(path_)));
  }
}

TEST_F(IniFileTest, WritesKeepTheModeOwnerAndLinkOfTheFile) {
  const std::string shared = dir_.File("shared.ini");
  WriteFileOrDie(shared, "[GLOBAL]\r\nBanka=K\r\n");
  ASSERT_EQ(::chmod(shared.c_str(), 0660), 0);
  ASSERT_EQ(::symlink("shared.ini", path_.c_str()), 0);
  struct stat before {};
  ASSERT_EQ(::stat(shared.c_str(), &before), 0);

  ASSERT_TRUE(WriteProfileString(files_, path_, "GLOBAL", "Banka", "M").ok());
  struct stat link {}, after {};
  ASSERT_EQ(::lstat(path_.c_str(), &link), 0);
  EXPECT_TRUE(S_ISLNK(link.st_mode));
  EXPECT_EQ(ReadFileOrEmpty(shared), "[GLOBAL]\r\nBanka=M\r\n");
  ASSERT_EQ(::stat(shared.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, 0660u);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  EXPECT_EQ(*files_.ListDirectory(dir_.path()),
            (std::vector<std::string>{"RUZeZUD.INI", "shared.ini"}));  // no temporary file
}

TEST_F(IniFileTest, RefusesWhatCouldNotBeReadBack) {
  const std::pair<const char*, const char*> bad[] = {
      {"Banka", "K\r\n[Evil]"}, {"Ba=nka", "K"}, {";Banka", "K"}, {" Banka", "K"}, {"", "K"}};
  for (const auto& [key, value] : bad) {
    EXPECT_TRUE(
        WriteProfileString(files_, path_, "GLOBAL", key, value).Is(Status::Code::kInvalidArgument))
        << key;
  }
  EXPECT_TRUE(WriteProfileString(files_, path_, "GLO]BAL", "Banka", "K")
                  .Is(Status::Code::kInvalidArgument));
  EXPECT_FALSE(files_.Exists(path_));
}

}  // namespace
}  // namespace eracuni::settings

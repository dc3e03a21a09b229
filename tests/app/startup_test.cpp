#include "app/startup.h"

#include <gtest/gtest.h>

#include "framework/testing/fakes.h"
#include "settings/ini_settings.h"

namespace eracuni::app {
namespace {

using eracuni::testing::FakePlatform;
using eracuni::testing::ReadFileOrEmpty;
using eracuni::testing::RecordingTerminator;
using eracuni::testing::TempDir;
using eracuni::testing::WriteFileOrDie;

class StartupTest : public ::testing::Test {
 protected:
  FakePlatform fake_;
  UpgradeManager upgrades_;
  RecordingTerminator terminator_;
};

TEST_F(StartupTest, RegistersTheWorkFilesOncePerProcess) {
  const std::vector<UpgradeCall> expected = {
      {"ds_PassHandleForUpgrading", {}},
      {"ds_SetOption", {"inifilename", "./fm3.ini"}},
      {"ds_SetOption", {"BadFile", "0"}},
      {"ds_AddDriver", {"Tps", "TOPSPEED", "1", "TOPSPEED record"}},
      {"ds_IgnoreDriver", {"AllFiles", "1"}},
      {"ds_SetOption", {"SPCreate", "1"}},
      {"ds_UsingFileEx", {"eRACPRIL", "eRACPRIL", "eRACPRIL", "1", "0"}},
      {"ds_UsingFileEx", {"eRACUNI", "eRACUNI", "eRACUNI", "1", "0"}},
      {"ds_UsingFileEx", {"eRACUNIP", "eRACUNIP", "eRACUNIP", "2", "0"}},
  };
  Application first(fake_.platform, upgrades_, terminator_);
  first.Run([](Application&) { return 0; });
  EXPECT_EQ(upgrades_.calls(), expected);

  Application second(fake_.platform, upgrades_, terminator_);
  second.Run([](Application&) { return 0; });
  std::vector<UpgradeCall> twice = expected;
  twice.push_back({"ds_PassHandleForUpgrading", {}});
  EXPECT_EQ(upgrades_.calls(), twice);
  EXPECT_EQ(upgrades_.RegisteredVersion("eRACUNIP"), 2);
}

TEST_F(StartupTest, TearsDownInReverseOrder) {
  std::vector<std::string> events;
  Application app(fake_.platform, upgrades_, terminator_);
  app.set_observer([&](std::string_view e) { events.emplace_back(e); });
  int code = app.Run([&](Application& a) {
    events.push_back("main window");
    EXPECT_EQ(a.short_name(), "TQ42");
    EXPECT_EQ(a.icon(), "VEVo.ICO");
    a.errors().ReportError(msg::kInvalidFile);  // the manager is up and shows through the platform
    return 7;
  });
  EXPECT_EQ(code, 7);
  EXPECT_FALSE(fake_.messages.shown().empty());
  EXPECT_FALSE(app.started());
  const std::vector<std::string> expected = {"start settings",
                                             "start error manager",
                                             "start application object",
                                             "start upgrade manager",
                                             "start settings file name",
                                             "main window",
                                             "stop settings file name",
                                             "stop upgrade manager",
                                             "stop application object",
                                             "stop error manager",
                                             "stop settings"};
  EXPECT_EQ(events, expected);
}

TEST_F(StartupTest, UsesTheFilesOfTheCurrentDirectory) {
  TempDir dir;
  const std::string home = fake_.files.CurrentDirectory();
  ASSERT_TRUE(fake_.files.SetCurrentDirectory(dir.path()).ok());
  struct GoHome {
    FileSystem& files;
    const std::string& home;
    ~GoHome() { files.SetCurrentDirectory(home); }
  } go_home{fake_.files, home};
  WriteFileOrDie(dir.File("RUZeZUD.INI"), "[GLOBAL]\r\nPotDo7zG=/opt/7za\r\n");

  Application app(fake_.platform, upgrades_, terminator_);
  app.Run([](Application& a) {
    settings::Settings& s = a.settings();
    EXPECT_EQ(s.INIDATOTEKA, "./RUZeZUD.INI");
    EXPECT_EQ(s.POTDO7ZG, "");  // nothing reads the file before the main window
    EXPECT_EQ(s.KATERABANKA, ' ');
    EXPECT_EQ(s.ENRACENZIP, ' ');
    settings::BeriNastavitve(s, a.platform().files);
    EXPECT_EQ(s.POTDO7ZG, "/opt/7za");
    return 0;
  });
  EXPECT_EQ(upgrades_.Option("inifilename"), "./fm3.ini");
  EXPECT_NE(ReadFileOrEmpty(dir.File("RUZeZUD.INI")).find("Banka=O"), std::string::npos);
  EXPECT_FALSE(fake_.files.Exists(home + "/RUZeZUD.INI"));
}

}  // namespace
}  // namespace eracuni::app

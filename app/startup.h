// Application: start-up and teardown of the program, without a display.
//
// Start() brings up, in this order, what the rest of the program uses: the blank settings,
// the error manager (created and initialised for the calling thread), the application's
// short name and icon, the work files' registration with the upgrade manager, and the name
// of the settings file. Run() starts, calls the main window, and tears down in the reverse
// order once it returns. Nothing here reads the settings file; the main window does. The
// Application owns the settings, the error manager and the placeholder file; the platform,
// the upgrade manager and the terminator belong to the caller and outlive it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/upgrade_manager.h"
#include "framework/error_manager.h"
#include "framework/platform.h"
#include "settings/settings.h"

namespace eracuni::app {

// Relative to the current directory, not to the program's folder.
inline constexpr std::string_view kSettingsFileName = "./RUZeZUD.INI";
inline constexpr std::string_view kShortName = "TQ42";
inline constexpr std::string_view kIconFile = "VEVo.ICO";  // for windows without an icon

class Application {
 public:
  // The main window: returns when it has closed, with the program's exit code.
  using MainWindow = std::function<int(Application&)>;
  // Told "start <stage>" and "stop <stage>" as each stage of the life cycle passes.
  using StageObserver = std::function<void(std::string_view event)>;

  explicit Application(Platform& platform, UpgradeManager& upgrades = ProcessUpgradeManager(),
                       Terminator& terminator = ProcessTerminator());
  ~Application();  // stops what is still started
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  void set_observer(StageObserver observer) { observer_ = std::move(observer); }

  void Start();
  void Stop();
  int Run(const MainWindow& main_window);

  bool started() const { return !stages_.empty(); }
  Platform& platform() { return platform_; }
  settings::Settings& settings() { return settings_; }
  ErrorManager& errors() { return *errors_; }  // while started
  UpgradeManager& upgrades() { return upgrades_; }
  uint32_t upgrade_handle() const { return upgrade_handle_; }
  const std::string& short_name() const { return short_name_; }
  const std::string& icon() const { return icon_; }

 private:
  struct Stage {
    std::string name;
    std::function<void()> stop;
  };
  void Begin(std::string name, const std::function<void()>& start, std::function<void()> stop);
  void Tell(std::string_view verb, const std::string& stage);

  Platform& platform_;
  UpgradeManager& upgrades_;
  Terminator& terminator_;
  StageObserver observer_;
  std::vector<Stage> stages_;  // started stages, oldest first

  settings::Settings settings_;
  std::unique_ptr<ErrorManager> errors_;
  std::string short_name_;
  std::string icon_;
  std::unique_ptr<PlaceholderFile> placeholder_;
  uint32_t upgrade_handle_ = 0;
};

}  // namespace eracuni::app

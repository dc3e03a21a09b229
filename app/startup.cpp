#include "app/startup.h"

namespace eracuni::app {

Application::Application(Platform& platform, UpgradeManager& upgrades, Terminator& terminator)
    : platform_(platform), upgrades_(upgrades), terminator_(terminator) {}

Application::~Application() { Stop(); }

void Application::Tell(std::string_view verb, const std::string& stage) {
  if (observer_) observer_(std::string(verb) + " " + stage);
}

void Application::Begin(std::string name, const std::function<void()>& start,
                        std::function<void()> stop) {
  Tell("start", name);
  start();
  stages_.push_back({std::move(name), std::move(stop)});
}

void Application::Start() {
  if (started()) return;
  Begin(
      "settings", [this] { settings_ = settings::Settings{}; }, [] {});
  Begin(
      "error manager",
      [this] {
        errors_ = std::make_unique<ErrorManager>(platform_.messages, terminator_);
        errors_->Init();
      },
      [this] { errors_.reset(); });
  Begin(
      "application object",
      [this] {
        short_name_ = kShortName;
        icon_ = kIconFile;
      },
      [this] {
        short_name_.clear();
        icon_.clear();
      });
  Begin(
      "upgrade manager",
      [this] {
        placeholder_ = std::make_unique<PlaceholderFile>();
        upgrade_handle_ = RegisterWorkFiles(upgrades_, *placeholder_);
      },
      [this] { placeholder_.reset(); });
  Begin(
      "settings file name", [this] { settings_.INIDATOTEKA = kSettingsFileName; }, [] {});
}

void Application::Stop() {
  while (!stages_.empty()) {
    Stage stage = std::move(stages_.back());
    stages_.pop_back();
    Tell("stop", stage.name);
    stage.stop();
  }
}

int Application::Run(const MainWindow& main_window) {
  Start();
  int code = main_window ? main_window(*this) : 0;
  Stop();
  return code;
}

}  // namespace eracuni::app

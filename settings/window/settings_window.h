// NastavitvePrograma: the window in which the user edits the settings.
//
// Every control is bound to its Settings member and writes it as soon as the user changes
// it, so a change is in force for the rest of the run whether or not it is saved; "&SHRANI"
// also writes the settings file. The window opens beside the main window (modeless, on the
// GUI thread) and owns its own work files, which it closes and reopens from the new folder
// after the work-data folder picker. The caller owns everything in the context and keeps it
// alive while the window exists. Controls carry their names (objectName) as the layout gives
// them: "?GUMBPOTDOERACUNOV", "?GLO:PREDPONASI", "?OK", ...
#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "framework/error_manager.h"
#include "framework/platform.h"
#include "settings/settings.h"
#include "settings/window/pickers.h"
#include "workdata/table_driver.h"
#include "workdata/work_files.h"

class QStatusBar;

namespace eracuni::settings {

struct SettingsWindowContext {
  Settings& settings;
  Platform& platform;  // the settings file, the current directory, the message boxes
  ErrorManager& errors;
  workdata::TableDriver& driver;  // this window's own work files open through it
  qt::Pickers& pickers;
};

class NastavitvePrograma : public QDialog {
  Q_OBJECT

 public:
  explicit NastavitvePrograma(SettingsWindowContext context, QWidget* parent = nullptr);
  ~NastavitvePrograma() override;

  // This window's own instances of the work files.
  workdata::WorkFiles& work_files() { return *files_; }

 signals:
  // A bound variable was changed by this window.
  void changed();

 protected:
  bool event(QEvent* e) override;
  void done(int result) override;

 private:
  struct Controls;
  void Build();
  void BuildEntries();
  void BuildSwitches();
  void BuildEslog20();
  void BuildButtons();
  void ChooseWorkFolder();
  void ChooseOutputFolder();
  void ChooseArchiver();
  // Steps 1 to 4 of every picker; true when a value was chosen and stored.
  bool Pick(std::string& variable, size_t capacity, bool folder, const std::string& title);
  void ShowInfo(const char* caption, const char* text);
  void Save();
  void WarnSaveFailed(const Status& s);
  void FocusAfter(QWidget* button);
  void Leave();

  SettingsWindowContext ctx_;
  std::unique_ptr<workdata::WorkFiles> files_;
  std::unique_ptr<Controls> controls_;
  QStatusBar* status_ = nullptr;
  bool left_ = false;
};

}  // namespace eracuni::settings

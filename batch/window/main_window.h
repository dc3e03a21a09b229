// MainWindow: the program's working window IzdelavaXMLRacunOvoj, in Qt.
//
// The window binds the window-free batch run (batch_run.h): it shows the run's WindowState
// (the LOC: variables, which buttons are shown and how they are labelled, the pictures, the
// focus, the default button) and forwards the user's presses to it. Entries, the channel
// radios and the check box write their variables as soon as they change, so a run takes
// the values as shown. Invisible mode's queued Enter presses are posted events that wait
// while any modal box is open. During a run the window shows which invoice is being written
// and keeps repainting, without taking input. The settings window opens beside it,
// modeless. After a run, "POROČILO" shows the run report in a window of its own. The
// caller owns everything the context refers to and keeps it alive.
#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>

#include "batch/batch_run.h"
#include "batch/window/report_window.h"
#include "settings/window/pickers.h"
#include "settings/window/settings_window.h"
#include "workdata/table_driver.h"

class QLabel;
class QVBoxLayout;

namespace eracuni::batch {

struct MainWindowContext {
  settings::Settings& settings;
  workdata::WorkFiles& files;  // the main window's own work files
  Platform& platform;
  ErrorManager& errors;
  // Loads the settings when the window opens (BeriNastavitve).
  std::function<void(settings::Settings&)> read_settings;
  workdata::TableDriver& driver;  // the settings window opens its own work files through it
  qt::Pickers& pickers;
  DocumentWriters writers = StandardWriters();
  // The platform's message box when it records (batch_run.h); nullptr otherwise.
  RecordingMessageBox* recorder = nullptr;
};

class MainWindow : public QDialog {
  Q_OBJECT

 public:
  explicit MainWindow(MainWindowContext context, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The window's opening; call it once the window is shown.
  void Open();
  // Reads the settings and opens the work files; call it before the window is first shown.
  void Prepare();
  // What the program answers the one that started it: in invisible mode the headless
  // runner's code (0 done, 1 done with messages, 2 not run); 0 in interactive mode.
  int ExitCode() const;

  BatchRun& run() { return *run_; }
  // The settings window while it is open.
  settings::NastavitvePrograma* settings_window() const { return settings_window_; }
  // The report window while it is open.
  RunReportWindow* report_window() const { return report_window_; }

 signals:
  // The window has closed (the run's Closed state).
  void closed();

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

 private:
  class ProgressRunner;
  struct Controls;

  void Build();
  void BuildData(QVBoxLayout* column);
  void BuildChannel(QVBoxLayout* column);
  DocumentWriters WithProgress(DocumentWriters writers);
  void ShowProgress(const std::string& cp1250);
  void Sync();
  void SyncSettings();
  void ApplyFocus();
  void Make();
  void OpenSettings();
  void ShowReport();
  void PostQueuedKeys();
  void PressQueuedEnter();

  MainWindowContext ctx_;
  std::unique_ptr<ProgressRunner> runner_;
  Platform platform_;  // ctx_.platform with the progress-showing program runner
  std::unique_ptr<BatchRun> run_;
  std::unique_ptr<Controls> controls_;
  QPointer<settings::NastavitvePrograma> settings_window_;
  QPointer<RunReportWindow> report_window_;
  bool running_ = false;
  bool checking_ = false;   // the make button's checks are running
  bool invisible_ = false;  // invisible mode, as read when the window opened
  bool completed_ = false;  // a run reached its end
  bool syncing_ = false;
  int posted_enters_ = 0;
  int invoices_started_ = 0;
  Control focus_applied_ = Control::kNone;
  bool font_applied_ = false;
};

// The window procedure: reads the settings and opens the work files, shows the main window,
// opens it, and returns its ExitCode() once it has closed.
int IzdelavaXMLRacunOvoj(MainWindowContext context);

}  // namespace eracuni::batch

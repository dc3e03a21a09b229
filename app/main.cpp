// eracuni: the windowed program.
//
// Starts up (app/startup.h), opens the main window IzdelavaXMLRacunOvoj in the current
// directory, and tears down once that window has closed. It takes no options of its own;
// the settings file ./RUZeZUD.INI decides what it does.
#include <QApplication>
#include <memory>

#include "framework/pictures/pictures.h"
#include "app/startup.h"
#include "batch/messages.h"
#include "batch/window/main_window.h"
#include "framework/platform.h"
#include "settings/ini_settings.h"
#include "settings/window/pickers.h"
#include "settings/window/qt_message_box.h"
#include "workdata/tps/tps_store.h"
#include "workdata/work_files.h"

namespace eracuni {
namespace {

int MainWindow(app::Application& a, batch::RecordingMessageBox& recorder) {
  // Every window and message box without an icon of its own shows the program's.
  QApplication::setWindowIcon(pictures::Icon(a.icon()));
  Platform& p = a.platform();
  std::unique_ptr<workdata::TableDriver> driver = tps::NewTopSpeedDriver(p.files);
  workdata::WorkFiles files(a.settings(), *driver, a.errors());
  return batch::IzdelavaXMLRacunOvoj(
      {a.settings(), files, p, a.errors(),
       [&p](settings::Settings& s) { (void)settings::BeriNastavitve(s, p.files); }, *driver,
       qt::QtPickers(), batch::StandardWriters(), &recorder});
}

}  // namespace
}  // namespace eracuni

int main(int argc, char** argv) {
  using namespace eracuni;
  QApplication qt_application(argc, argv);
  qt::QtMessageBox boxes;
  batch::RecordingMessageBox recorder(boxes);  // the run report lists every message of a run
  Platform platform{recorder, SystemClock(), PosixFileSystem(), PosixProgramRunner(),
                    SystemRandom()};
  app::Application application(platform);
  return application.Run([&](app::Application& a) { return MainWindow(a, recorder); });
}

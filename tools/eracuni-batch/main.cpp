// eracuni-batch: one batch run without a display.
//
//   eracuni-batch [-v] [FOLDER]
//
// Run in a folder with RUZeZUD.INI (or name the folder), it does what opening the main
// window, pressing "&IZDELAJ" once and closing would do. Messages go to standard error as
// "CAPTION: text"; the result (output folder and package or envelope name, only when it was
// made; then the path of the run report) to standard output. -v also prints each outside
// program's command line. Exit codes: 0 done, 1 done with warnings or errors (among them a
// package not made), 2 not run (a folder blank, no invoices), 3 fatal error.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/startup.h"
#include "batch/batch_run.h"
#include "batch/headless.h"
#include "framework/cp1250.h"
#include "framework/platform.h"
#include "settings/ini_settings.h"
#include "workdata/tps/tps_store.h"
#include "workdata/work_files.h"

namespace eracuni::batch {
namespace {

constexpr char kUsage[] =
    "usage: eracuni-batch [-v] [FOLDER]\n"
    "Converts the work data named by FOLDER/RUZeZUD.INI (default: the current folder) into\n"
    "e-invoices, the bank envelope and the package. -v prints the programs' command lines.\n"
    "Exit codes: 0 done, 1 done with messages, 2 not run, 3 fatal error.\n";

struct Options {
  bool verbose = false;
  std::string folder;
};

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-v")
      o.verbose = true;
    else if (!a.empty() && a[0] != '-' && o.folder.empty())
      o.folder = a;
    else
      return false;
  }
  return true;
}

int RunWindow(app::Application& a, LineMessageBox& box, RecordingMessageBox& recorder,
              const Options& o) {
  Platform& p = a.platform();
  auto driver = tps::NewTopSpeedDriver(p.files);
  workdata::WorkFiles files(a.settings(), *driver, a.errors());
  BatchRun run({a.settings(), files, p, a.errors(),
                [&p](settings::Settings& s) { (void)settings::BeriNastavitve(s, p.files); },
                StandardWriters(), &recorder});
  bool completed = RunHeadless(run);
  if (o.verbose)
    for (const std::string& line : run.command_log()) std::fprintf(stderr, "> %s\n", line.c_str());
  // A package (or envelope) that was not made is never named as the result.
  if (completed && ResultMade(run.window())) std::fputs(ResultText(run.window()).c_str(), stdout);
  const std::string& report = run.window().journal.report_path;
  if (completed && !report.empty()) std::printf("%s\n", Cp1250ToUtf8(report).c_str());
  return HeadlessExitCode(completed, box.shown());
}

int Main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fputs(kUsage, stderr);
    return kExitNotRun;
  }
  FileSystem& fs = PosixFileSystem();
  if (!o.folder.empty()) {
    Status s = fs.SetCurrentDirectory(o.folder);
    if (!s.ok()) {
      std::fprintf(stderr, "eracuni-batch: %s\n", s.message().c_str());
      return kExitNotRun;
    }
  }
  LineMessageBox box(stderr);
  RecordingMessageBox recorder(box);  // the run report lists the error manager's messages too
  Platform platform{recorder, SystemClock(), fs, PosixProgramRunner(), SystemRandom()};
  HeadlessTerminator terminator;
  app::Application application(platform, app::ProcessUpgradeManager(), terminator);
  return application.Run([&](app::Application& a) { return RunWindow(a, box, recorder, o); });
}

}  // namespace
}  // namespace eracuni::batch

int main(int argc, char** argv) { return eracuni::batch::Main(argc, argv); }

// The one QApplication of a window test binary, made on first use. Without a display the
// tests run on the offscreen platform (ctest sets it; a direct run gets it here too).
// The application lives until the process ends.
#pragma once

#include <QApplication>

namespace eracuni::testing {

inline QApplication& QtApplication() {
  static int argc = 1;
  static char name[] = "window_tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace eracuni::testing

// fontconfig keeps a cache it never frees; LeakSanitizer should not fail the test binary for
// it. Include this header in one source file per test binary.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

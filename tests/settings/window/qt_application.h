// The one QApplication of a window test binary, made on first use. Without a display the
// tests run on the offscreen platform (ctest sets it; a direct run gets it here too).
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

// eracuni-screenshots: pictures of both windows for the documentation.
//
//   eracuni-screenshots OUTPUT_FOLDER      (run in a folder with RUZeZUD.INI and work data)
//
// Opens the main window over the work data, grabs it, makes the run, grabs it again, opens
// the settings window and grabs that. Messages go to standard error instead of boxes, so
// nothing waits for a click. Each picture carries a title bar with the window's title.
// scripts/screenshots runs it under Xvfb.
#include <QApplication>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <cstdio>

#include "framework/pictures/pictures.h"
#include "app/startup.h"
#include "batch/headless.h"
#include "batch/window/main_window.h"
#include "settings/ini_settings.h"
#include "workdata/tps/tps_store.h"

namespace eracuni::batch {
namespace {

bool Save(QWidget* window, const QString& path) {
  QTest::qWait(100);
  QPixmap body = window->grab();
  QFont font = QApplication::font();
  int bar = QFontMetrics(font).height() + 10;
  QImage image(body.width() + 2, body.height() + bar + 1, QImage::Format_RGB32);
  image.setDevicePixelRatio(body.devicePixelRatio());
  image.fill(QColor(60, 90, 140));
  QPainter p(&image);
  double dpr = body.devicePixelRatio();
  QRectF title(1, 0, body.width() / dpr, bar);
  p.drawPixmap(QPointF(1, bar), body);
  p.drawPixmap(QRectF(6, (bar - 16) / 2.0, 16, 16), window->windowIcon().pixmap(16, 16),
               QRectF());
  p.setPen(Qt::white);
  p.setFont(font);
  p.drawText(title.adjusted(28, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, window->windowTitle());
  p.end();
  bool ok = image.save(path);
  std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
  return ok;
}

class NoPickers : public qt::Pickers {
 public:
  std::optional<std::string> ChooseFolder(QWidget*, const QString&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> ChooseFile(QWidget*, const QString&, const std::string&,
                                        const QString&) override {
    return std::nullopt;
  }
};

int Shoot(app::Application& a, const QString& out) {
  QApplication::setWindowIcon(pictures::Icon(a.icon()));
  Platform& p = a.platform();
  auto driver = tps::NewTopSpeedDriver(p.files);
  workdata::WorkFiles files(a.settings(), *driver, a.errors());
  NoPickers pickers;
  MainWindow window({a.settings(), files, p, a.errors(),
                     [&p](settings::Settings& s) { (void)settings::BeriNastavitve(s, p.files); },
                     *driver, pickers});
  window.show();
  window.Open();
  bool ok = Save(&window, out + "/main-window.png");
  window.findChild<QPushButton*>("?GUMBNASTAVITVE")->click();
  ok &= Save(window.settings_window(), out + "/settings-window.png");
  window.settings_window()->close();
  window.findChild<QPushButton*>("?OKBUTTON")->click();
  ok &= Save(&window, out + "/main-window-done.png");
  window.close();
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace eracuni::batch

int main(int argc, char** argv) {
  using namespace eracuni;
  QApplication qt_application(argc, argv);
  if (argc != 2) {
    std::fputs("usage: eracuni-screenshots OUTPUT_FOLDER\n", stderr);
    return 2;
  }
  QString out = QString::fromLocal8Bit(argv[1]);
  batch::LineMessageBox boxes(stderr);
  Platform platform{boxes, SystemClock(), PosixFileSystem(), PosixProgramRunner(), SystemRandom()};
  batch::HeadlessTerminator terminator;
  app::Application application(platform, app::ProcessUpgradeManager(), terminator);
  return application.Run([&](app::Application& a) { return batch::Shoot(a, out); });
}

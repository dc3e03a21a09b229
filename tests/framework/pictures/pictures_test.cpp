#include "framework/pictures/pictures.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

namespace eracuni::pictures {
namespace {

// Every picture a window names travels inside the program and can be drawn.
TEST(Pictures, EveryNamedPictureIsCarried) {
  int argc = 1;
  char name[] = "pictures_tests";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  for (const char* picture :
       {"Izhod.GIF", "Nastavi.png", "Nastavi1.png", "Ovojnica.png", "PREKLICI.ICO", "PdfRacun.PNG",
        "VEVo.ICO", "VREDU.ICO", "Vse.GIF", "VseBrezZip.GIF", "info.gif", "xml_naredi.gif"}) {
    EXPECT_FALSE(Pixmap(picture).isNull()) << picture;
    EXPECT_FALSE(Icon(picture).isNull()) << picture;
  }
  EXPECT_TRUE(Pixmap("Manjka.png").isNull());
}

}  // namespace
}  // namespace eracuni::pictures

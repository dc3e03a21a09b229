// The program's pictures and icons, carried inside it as Qt resources.
//
// Every picture the windows name ("Vse.GIF", "PREKLICI.ICO", ...) is a resource under that
// exact name at the resource root, so a window looks a picture up by the name its layout
// gives. The images are drawn by scripts/draw-pictures and committed beside this file.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <string_view>

namespace eracuni::pictures {

// ":/" followed by the name.
QString ResourcePath(std::string_view name);
// The picture of that name; a null pixmap (and an empty icon) for a name the program lacks.
QPixmap Pixmap(std::string_view name);
QIcon Icon(std::string_view name);

}  // namespace eracuni::pictures

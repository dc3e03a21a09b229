#include "framework/pictures/pictures.h"

namespace eracuni::pictures {

QString ResourcePath(std::string_view name) {
  return QStringLiteral(":/") + QString::fromUtf8(name.data(), qsizetype(name.size()));
}

QPixmap Pixmap(std::string_view name) {
  if (name.empty()) return {};
  return QPixmap(ResourcePath(name));
}

QIcon Icon(std::string_view name) {
  if (name.empty()) return {};
  return QIcon(ResourcePath(name));
}

}  // namespace eracuni::pictures

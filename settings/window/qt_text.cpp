#include "settings/window/qt_text.h"

#include "framework/cp1250.h"

namespace eracuni::qt {

QString ToQt(std::string_view cp1250) { return QString::fromStdString(Cp1250ToUtf8(cp1250)); }

std::string FromQt(const QString& text) {
  std::string out;
  for (char32_t cp : text.toUcs4()) {
    std::optional<unsigned char> b = CodePointToCp1250(cp);
    out += b ? char(*b) : '?';
  }
  return out;
}

std::optional<std::string> FromQtExactly(const QString& text) {
  return Utf8ToCp1250(text.toStdString());
}

QString MessageText(std::string_view cp1250) { return ToQt(cp1250).replace(u'|', u'\n'); }

QValidator::State Cp1250Validator::validate(QString& input, int&) const {
  return FromQtExactly(input) ? Acceptable : Invalid;
}

}  // namespace eracuni::qt

// Windows-1250 texts at the Qt edge.
//
// Inside the program texts are windows-1250 bytes; Qt wants QString. These convert at the
// widget boundary only. A character the code page lacks cannot be stored, so entries that
// feed windows-1250 variables use Cp1250Validator to refuse it as it is typed.
#pragma once

#include <QString>
#include <QValidator>
#include <optional>
#include <string>
#include <string_view>

namespace eracuni::qt {

QString ToQt(std::string_view cp1250);
// Characters windows-1250 lacks become "?".
std::string FromQt(const QString& text);
// Nothing when a character cannot be held in windows-1250.
std::optional<std::string> FromQtExactly(const QString& text);

// A message text for a box: every "|" starts a new line.
QString MessageText(std::string_view cp1250);

// Accepts only texts that windows-1250 can hold.
class Cp1250Validator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

}  // namespace eracuni::qt

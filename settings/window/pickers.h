// Pickers: the folder and program choosers of the settings window.
//
// An interface so that the window's rules (remembering the current directory, the trailing
// separator, what a cancelled picker does) are tested without a dialog. Paths are UTF-8;
// a picker answers nothing when the user cancelled. QtPickers() gives Qt's dialogs.
#pragma once

#include <QString>
#include <QWidget>
#include <optional>
#include <string>

namespace eracuni::qt {

class Pickers {
 public:
  virtual ~Pickers() = default;
  // A folder, starting at `initial` (may be empty).
  virtual std::optional<std::string> ChooseFolder(QWidget* parent, const QString& title,
                                                  const std::string& initial) = 0;
  // An existing file to open; `filter` is "description|pattern".
  virtual std::optional<std::string> ChooseFile(QWidget* parent, const QString& title,
                                                const std::string& initial,
                                                const QString& filter) = 0;
};

Pickers& QtPickers();

// "description|pattern" as Qt writes a name filter: "description (pattern)".
QString QtNameFilter(const QString& filter);

}  // namespace eracuni::qt

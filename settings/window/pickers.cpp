#include "settings/window/pickers.h"

#include <QFileDialog>

namespace eracuni::qt {
namespace {

class DialogPickers : public Pickers {
 public:
  std::optional<std::string> ChooseFolder(QWidget* parent, const QString& title,
                                          const std::string& initial) override {
    QString dir = QFileDialog::getExistingDirectory(parent, title, QString::fromStdString(initial));
    if (dir.isEmpty()) return std::nullopt;
    return dir.toStdString();
  }

  std::optional<std::string> ChooseFile(QWidget* parent, const QString& title,
                                        const std::string& initial,
                                        const QString& filter) override {
    QString file = QFileDialog::getOpenFileName(parent, title, QString::fromStdString(initial),
                                                QtNameFilter(filter));
    if (file.isEmpty()) return std::nullopt;
    return file.toStdString();
  }
};

}  // namespace

Pickers& QtPickers() {
  static DialogPickers pickers;
  return pickers;
}

QString QtNameFilter(const QString& filter) {
  qsizetype bar = filter.indexOf(u'|');
  if (bar < 0) return filter;
  return filter.left(bar) + QStringLiteral(" (") + filter.mid(bar + 1) + QStringLiteral(")");
}

}  // namespace eracuni::qt

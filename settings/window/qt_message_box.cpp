#include "settings/window/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "settings/window/qt_text.h"

namespace eracuni::qt {
namespace {

QMessageBox::Icon IconOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
    case MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

MessageButton QtMessageBox::Show(const MessageRequest& request) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(ToQt(request.caption));
  box.setTextFormat(Qt::PlainText);
  box.setText(MessageText(request.text));
  box.setIcon(IconOf(request.icon));
  if (request.buttons == MessageButtons::kYesNo) {
    QPushButton* yes = box.addButton(QMessageBox::Yes);
    QPushButton* no = box.addButton(QMessageBox::No);
    box.setDefaultButton(request.default_button == MessageButton::kNo ? no : yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? MessageButton::kYes : MessageButton::kNo;
  }
  QPushButton* ok = request.button_text.empty()
                        ? box.addButton(QMessageBox::Ok)
                        : box.addButton(ToQt(request.button_text), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
  return MessageButton::kOk;
}

}  // namespace eracuni::qt

// QtMessageBox: the platform's message boxes as QMessageBox dialogs.
//
// Shows the caption, icon and buttons a request asks for, over the active window, and waits
// for the user. A single button carries the request's own label ("V redu") when it has one;
// questions have Yes and No. Texts are windows-1250, "|" starts a new line, and a text is
// always shown as plain text, never as markup. Must be used on the GUI thread.
#pragma once

#include "framework/platform.h"

namespace eracuni::qt {

class QtMessageBox : public MessageBox {
 public:
  MessageButton Show(const MessageRequest& request) override;
};

}  // namespace eracuni::qt

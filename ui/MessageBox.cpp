#include "ui/MessageBox.h"

#include <QMessageBox>
#include <utility>

namespace orbek {

namespace {

MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}

int ShowBox(const QString& text, const QString& caption, MessageButtons buttons) {
  const bool yesNo = buttons == MessageButtons::YesNo;
  QMessageBox box(QMessageBox::NoIcon, caption, text,
                  yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
  const int answer = box.exec();
  if (!yesNo) return IDOK;
  return answer == QMessageBox::Yes ? IDYES : IDNO;
}

}  // namespace

int MessageBoxExW(const QString& text, const QString& caption, MessageButtons buttons) {
  if (Handler()) return Handler()(text, caption, buttons);
  return ShowBox(text, caption, buttons);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  return std::exchange(Handler(), std::move(handler));
}

}  // namespace orbek

#pragma once

#include <QString>
#include <functional>

namespace orbek {

enum class MessageButtons { Ok, YesNo };

// The answers, numbered as the buttons are everywhere else.
inline constexpr int IDOK = 1;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Shows every box of the program: text, caption, OK or Yes and No, no owner
// window and no icon. It runs a nested event loop, so serial events go on
// being handled while it is up. Returns the answer.
int MessageBoxExW(const QString& text, const QString& caption,
                  MessageButtons buttons = MessageButtons::Ok);

// Replaces the box, for tests that record and answer boxes; an empty handler
// puts the real box back. Returns the handler it replaced.
using MessageBoxHandler =
    std::function<int(const QString& text, const QString& caption, MessageButtons buttons)>;
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace orbek

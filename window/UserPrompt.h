// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Message-box flags and answers, with the values the tool has always used.
namespace mb {
constexpr unsigned OK = 0x00;
constexpr unsigned YESNO = 0x04;
constexpr unsigned ICONERROR = 0x10;
constexpr unsigned ICONQUESTION = 0x20;
constexpr unsigned ICONWARNING = 0x30;
constexpr unsigned ICONINFORMATION = 0x40;
constexpr unsigned ButtonMask = 0x0F;
constexpr unsigned IconMask = 0xF0;
}  // namespace mb

enum TDialogResult : int { idOK = 1, idCancel = 2, idYes = 6, idNo = 7 };

// The one way the job reaches its user: a modal message with text, caption
// and flags, answered with the button pressed. Texts are UTF-8. The window
// shows message boxes, the command line asks on the terminal, tests script it.
class IUserPrompt {
 public:
  virtual ~IUserPrompt() = default;
  virtual int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) = 0;
};

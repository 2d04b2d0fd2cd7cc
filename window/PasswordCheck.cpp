// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/PasswordCheck.h"

#include <utility>

#include "job/Windows1252.h"
#include "window/Messages.h"
#include "window/UserPrompt.h"

TPasswordCheck CheckTypedPassword(const TSecret& typed, const TSecret* repeated,
                                  IUserPrompt& prompt) {
  TPasswordCheck check;
  if (repeated != nullptr && typed != *repeated) {
    prompt.ShowMessage(msg::PasswordsDiffer, msg::CaptionError, mb::ICONERROR);
    check.ClearFields = true;
    return check;
  }
  // Files from Windows were keyed with the password's Windows-1252 bytes; a
  // character outside it has no such bytes, and dropping it would key the
  // file with a weaker password than the one typed.
  TWindows1252Result converted = Utf8ToWindows1252(typed.view());
  if (!converted.Ok) {
    prompt.ShowMessage(msg::PasswordNotWindows1252, msg::CaptionError, mb::ICONERROR);
    check.ClearFields = true;
    return check;
  }
  if (converted.Bytes.empty() &&
      prompt.ShowMessage(msg::NoPassword, msg::CaptionWarning, mb::YESNO | mb::ICONWARNING) == idNo)
    return check;
  check.Bytes = std::move(converted.Bytes);
  return check;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32app/ReplaceQuestion.h"

#include "window/BatchTexts.h"
#include "window/JobMessages.h"
#include "window/Messages.h"

namespace {

// Button ids of the two answers a message box has no id for.
enum : int { idAll = 100, idNone = 101 };

}  // namespace

TReplaceAnswer AskReplaceWithTaskDialog(HWND owner, const std::string& question) {
  const std::wstring text = WideText(question);
  const std::wstring caption = WideText(JobText::OverwriteCaption);
  const std::wstring yes = WideText(msg::ButtonYes);
  const std::wstring no = WideText(msg::ButtonNo);
  const std::wstring all = WideText(BatchText::AnswerAll);
  const std::wstring none = WideText(BatchText::AnswerNone);
  const TASKDIALOG_BUTTON buttons[] = {
      {IDYES, yes.c_str()}, {IDNO, no.c_str()}, {idAll, all.c_str()}, {idNone, none.c_str()}};

  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof(config);
  config.hwndParent = owner;
  config.hInstance = ::GetModuleHandleW(nullptr);
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_USE_HICON_MAIN |
                   (owner ? TDF_POSITION_RELATIVE_TO_WINDOW : 0);
  config.hMainIcon = ::LoadIconW(nullptr, IDI_QUESTION);
  config.pszWindowTitle = caption.c_str();
  config.pszContent = text.c_str();
  config.pButtons = buttons;
  config.cButtons = 4;
  // A stray Return keeps the file.
  config.nDefaultButton = IDNO;

  int pressed = 0;
  if (FAILED(::TaskDialogIndirect(&config, &pressed, nullptr, nullptr)))
    return TReplaceAnswer::Cancel;
  switch (pressed) {
    case IDYES: return TReplaceAnswer::Yes;
    case IDNO: return TReplaceAnswer::No;
    case idAll: return TReplaceAnswer::All;
    case idNone: return TReplaceAnswer::None;
    default: return TReplaceAnswer::Cancel;
  }
}

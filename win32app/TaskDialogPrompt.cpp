// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32app/TaskDialogPrompt.h"

#include <algorithm>
#include <string>

#include "window/Messages.h"

int UnansweredResult(unsigned flags) noexcept {
  return (flags & mb::ButtonMask) == mb::YESNO ? idNo : idOK;
}

namespace {

// The question mark has no TD_ icon of its own.
void SetIcon(TASKDIALOGCONFIG& config, unsigned flags) {
  switch (flags & mb::IconMask) {
    case mb::ICONERROR: config.pszMainIcon = TD_ERROR_ICON; break;
    case mb::ICONWARNING: config.pszMainIcon = TD_WARNING_ICON; break;
    case mb::ICONINFORMATION: config.pszMainIcon = TD_INFORMATION_ICON; break;
    case mb::ICONQUESTION:
      config.dwFlags |= TDF_USE_HICON_MAIN;
      config.hMainIcon = ::LoadIconW(nullptr, IDI_QUESTION);
      break;
    default: break;
  }
}

}  // namespace

int TTaskDialogPrompt::ShowMessage(const std::string& text, const std::string& caption,
                                   unsigned flags) {
  const std::wstring shownText = WideText(text);
  const std::wstring shownCaption = WideText(caption);
  const std::wstring yes = WideText(msg::ButtonYes);
  const std::wstring no = WideText(msg::ButtonNo);
  const std::wstring ok = WideText(msg::ButtonOK);
  const bool question = (flags & mb::ButtonMask) == mb::YESNO;
  const TASKDIALOG_BUTTON questionButtons[] = {{idYes, yes.c_str()}, {idNo, no.c_str()}};
  const TASKDIALOG_BUTTON okButtons[] = {{idOK, ok.c_str()}};

  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof(config);
  config.hwndParent = FOwner;
  config.hInstance = ::GetModuleHandleW(nullptr);
  // Escape and the close box answer as nobody answering: No, or OK.
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | (FOwner ? TDF_POSITION_RELATIVE_TO_WINDOW : 0);
  config.pszWindowTitle = shownCaption.c_str();
  config.pszContent = shownText.c_str();
  config.pButtons = question ? questionButtons : okButtons;
  config.cButtons = question ? 2U : 1U;
  config.nDefaultButton = question ? idYes : idOK;
  config.pfCallback = Callback;
  config.lpCallbackData = reinterpret_cast<LONG_PTR>(this);
  SetIcon(config, flags);

  int pressed = 0;
  if (FAILED(::TaskDialogIndirect(&config, &pressed, nullptr, nullptr)))
    return UnansweredResult(flags);
  if (question && (pressed == idYes || pressed == idNo)) return pressed;
  return UnansweredResult(flags);
}

HRESULT CALLBACK TTaskDialogPrompt::Callback(HWND dialog, UINT notification, WPARAM, LPARAM,
                                             LONG_PTR self) {
  auto* prompt = reinterpret_cast<TTaskDialogPrompt*>(self);
  if (notification == TDN_CREATED) prompt->FOpen.push_back(dialog);
  if (notification == TDN_DESTROYED)
    prompt->FOpen.erase(std::remove(prompt->FOpen.begin(), prompt->FOpen.end(), dialog),
                        prompt->FOpen.end());
  return S_OK;
}

void TTaskDialogPrompt::CloseOpen() {
  // Cancelling is what Escape does: the dialog answers as unanswered.
  for (const HWND dialog : std::vector<HWND>(FOpen))
    ::PostMessageW(dialog, TDM_CLICK_BUTTON, IDCANCEL, 0);
}

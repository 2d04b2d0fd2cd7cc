// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32app/Controls.h"

#include <vector>

#include "platform/win32/WideText.h"
#include "util/SecureWipe.h"
#include "window/KeyRule.h"

std::wstring WideText(const std::string& utf8) {
  // Names travel as WTF-8, so that one with a lone surrogate shows and comes
  // back as the same name.
  if (std::optional<std::wstring> wide = WideFromUtf8(utf8)) return *wide;
  const int size = static_cast<int>(utf8.size());
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

namespace {

// The control's text, read into a buffer of its exact size.
std::vector<wchar_t> WindowText(HWND handle) {
  const int length = ::GetWindowTextLengthW(handle);
  std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1, L'\0');
  const int read = ::GetWindowTextW(handle, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(read));
  return text;
}

bool KeyDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

// The edits see characters only as KeyTypesText lets them through. Control
// characters (Ctrl+C, Ctrl+V, Backspace) are the edit's own commands and
// pass; Ctrl+Backspace's DEL would show as a box and is no text either.
LRESULT CALLBACK EditKeys(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR) {
  if (message == WM_CHAR && wParam >= 0x20) {
    const bool printable = wParam != 0x7F && !(wParam >= 0x80 && wParam < 0xA0);
    if (!KeyTypesText({KeyDown(VK_CONTROL), KeyDown(VK_MENU), printable})) return 0;
  }
  return ::DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace

void TControlBase::Create(HWND parent, int id, const wchar_t* className, DWORD style,
                          const std::string& text, DWORD exStyle) {
  FId = id;
  FHandle = ::CreateWindowExW(
      exStyle, className, WideText(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
}

std::string TControlBase::Text() const {
  std::vector<wchar_t> text = WindowText(FHandle);
  return Utf8FromWide(std::wstring_view(text.data(), text.size()));
}

void TControlBase::SetText(const std::string& text) {
  ::SetWindowTextW(FHandle, WideText(text).c_str());
}

bool TControlBase::Enabled() const { return ::IsWindowEnabled(FHandle) != 0; }

void TControlBase::SetEnabled(bool enabled) { ::EnableWindow(FHandle, enabled ? TRUE : FALSE); }

void TControlBase::SetVisible(bool visible) { ::ShowWindow(FHandle, visible ? SW_SHOW : SW_HIDE); }

void TControlBase::SetFont(HFONT font) {
  ::SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void TControlBase::Place(const TBounds& bounds, UINT dpi) {
  const int scale = static_cast<int>(dpi);
  ::SetWindowPos(FHandle, nullptr, ::MulDiv(bounds.Left, scale, 96),
                 ::MulDiv(bounds.Top, scale, 96), ::MulDiv(bounds.Width, scale, 96),
                 ::MulDiv(bounds.Height, scale, 96), SWP_NOZORDER | SWP_NOACTIVATE);
}

void TEdit::Create(HWND parent, int id, bool masked) {
  TControlBase::Create(parent, id, WC_EDITW,
                       WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL | (masked ? ES_PASSWORD : 0), "",
                       WS_EX_CLIENTEDGE);
  if (masked) ::SendMessageW(Handle(), EM_SETPASSWORDCHAR, L'*', 0);
  ::SetWindowSubclass(Handle(), EditKeys, 1, 0);
}

TSecret TEdit::Secret() const {
  std::vector<wchar_t> text = WindowText(Handle());
  std::string utf8 = Utf8FromWide(std::wstring_view(text.data(), text.size()));
  TSecret secret = TSecret::Take(utf8);
  SecureWipe(text.data(), text.size() * sizeof(wchar_t));
  return secret;
}

void TEdit::Notified(WORD code) {
  if (code == EN_KILLFOCUS && FOnLeave) FOnLeave();
}

void TButton::Create(HWND parent, int id, const std::string& caption, bool isDefault) {
  TControlBase::Create(parent, id, WC_BUTTONW,
                       WS_TABSTOP | WS_GROUP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                       caption);
}

void TButton::Click() { ::SendMessageW(Handle(), BM_CLICK, 0, 0); }

void TButton::Notified(WORD code) {
  if (code == BN_CLICKED && FOnClick) FOnClick();
}

void TCheckBox::Create(HWND parent, int id, const std::string& caption, TKind kind,
                       bool groupStart) {
  const DWORD style = kind == TKind::Radio ? BS_AUTORADIOBUTTON : BS_AUTOCHECKBOX;
  TControlBase::Create(parent, id, WC_BUTTONW, style | (groupStart ? WS_GROUP | WS_TABSTOP : 0),
                       caption);
}

bool TCheckBox::Checked() const {
  return ::SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TCheckBox::SetChecked(bool checked) {
  ::SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  // Only a click unchecks the rest of a radio group by itself.
  if (checked && FPartner) FPartner->SetChecked(false);
}

void TCheckBox::Notified(WORD code) {
  if (code == BN_CLICKED && FOnClick) FOnClick();
}

void TGroupBox::Create(HWND parent, int id, const std::string& caption) {
  TControlBase::Create(parent, id, WC_BUTTONW, BS_GROUPBOX, caption);
}

void TLabel::Create(HWND parent, int id, const std::string& caption, bool centred) {
  // A label too narrow for its text cuts it rather than wrapping it into a
  // second line that its height hides.
  TControlBase::Create(parent, id, WC_STATICW,
                       SS_NOPREFIX | (centred ? SS_CENTER : SS_LEFTNOWORDWRAP), caption);
}

void TProgressBar::Create(HWND parent, int id) {
  TControlBase::Create(parent, id, PROGRESS_CLASSW, 0);
  ::SendMessageW(Handle(), PBM_SETRANGE32, 0, 100);
  SetVisible(false);
}

void TProgressBar::SetPosition(int percent) {
  ::SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

int TProgressBar::Position() const {
  return static_cast<int>(::SendMessageW(Handle(), PBM_GETPOS, 0, 0));
}

void TTooltip::Create(HWND owner) {
  FOwner = owner;
  FHandle = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                              WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
}

void TTooltip::SetTimes(int pauseMs, int showMs) {
  ::SendMessageW(FHandle, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(pauseMs, 0));
  ::SendMessageW(FHandle, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(showMs, 0));
}

void TTooltip::SetMaxWidth(int pixels) { ::SendMessageW(FHandle, TTM_SETMAXTIPWIDTH, 0, pixels); }

void TTooltip::Add(const TControlBase& control, const std::string& hint) {
  std::wstring text = WideText(hint);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = FOwner;
  tool.uId = reinterpret_cast<UINT_PTR>(control.Handle());
  tool.lpszText = text.data();
  ::SendMessageW(FHandle, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TTooltip::AddArea(UINT_PTR id, const RECT& area, const std::string& hint) {
  std::wstring text = WideText(hint);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = FOwner;
  tool.uId = id;
  tool.rect = area;
  tool.lpszText = text.data();
  ::SendMessageW(FHandle, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TTooltip::MoveArea(UINT_PTR id, const RECT& area) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = FOwner;
  tool.uId = id;
  tool.rect = area;
  ::SendMessageW(FHandle, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}

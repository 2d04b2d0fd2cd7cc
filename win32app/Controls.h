// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

#include "util/Secret.h"
#include "win32app/Win32Gui.h"

// Pixel bounds at 96 dpi within the window's client area.
struct TBounds {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

// One native child control, so that the window reads "set the text, enable,
// on click" rather than messages with numbers. Texts are UTF-8. The control
// is destroyed with its parent window.
class TControlBase {
 public:
  TControlBase() = default;
  TControlBase(const TControlBase&) = delete;
  TControlBase& operator=(const TControlBase&) = delete;
  virtual ~TControlBase() = default;

  HWND Handle() const { return FHandle; }
  int Id() const { return FId; }
  std::string Text() const;
  void SetText(const std::string& text);
  bool Enabled() const;
  void SetEnabled(bool enabled);
  void SetVisible(bool visible);
  void SetFont(HFONT font);
  // Places the control at bounds, scaled from 96 dpi to dpi.
  void Place(const TBounds& bounds, UINT dpi);
  // A notification (WM_COMMAND) from the control.
  virtual void Notified(WORD /*code*/) {}

 protected:
  void Create(HWND parent, int id, const wchar_t* className, DWORD style,
              const std::string& text = "", DWORD exStyle = 0);

 private:
  HWND FHandle = nullptr;
  int FId = 0;
};

// A single-line edit. Alt and Ctrl combinations type nothing but AltGr's
// characters (KeyTypesText); a masked edit shows "*" for every character.
class TEdit final : public TControlBase {
 public:
  void Create(HWND parent, int id, bool masked);
  // The text in a copy that wipes itself; the UTF-16 buffer read from the
  // control is wiped as well.
  TSecret Secret() const;
  // The focus left the edit: what was typed is done.
  void OnLeave(std::function<void()> handler) { FOnLeave = std::move(handler); }
  void Notified(WORD code) override;

 private:
  std::function<void()> FOnLeave;
};

// A push button; the default one is pressed by Return.
class TButton final : public TControlBase {
 public:
  void Create(HWND parent, int id, const std::string& caption, bool isDefault = false);
  void OnClick(std::function<void()> handler) { FOnClick = std::move(handler); }
  void Click();
  void Notified(WORD code) override;

 private:
  std::function<void()> FOnClick;
};

// A check box, or a radio button of a pair. A pair is one tab stop: its
// first button starts the group, and the system moves the tab stop to the
// checked one.
class TCheckBox final : public TControlBase {
 public:
  enum class TKind { Check, Radio };
  // groupStart: the control begins a new group (a tab stop of its own).
  void Create(HWND parent, int id, const std::string& caption, TKind kind, bool groupStart);
  // The radio button unchecked when this one is checked by code.
  void Pair(TCheckBox& partner) { FPartner = &partner; }
  bool Checked() const;
  void SetChecked(bool checked);
  void OnClick(std::function<void()> handler) { FOnClick = std::move(handler); }
  void Notified(WORD code) override;

 private:
  TCheckBox* FPartner = nullptr;
  std::function<void()> FOnClick;
};

class TGroupBox final : public TControlBase {
 public:
  void Create(HWND parent, int id, const std::string& caption);
};

class TLabel final : public TControlBase {
 public:
  void Create(HWND parent, int id, const std::string& caption, bool centred = false);
};

// A bar from 0 to 100.
class TProgressBar final : public TControlBase {
 public:
  void Create(HWND parent, int id);
  void SetPosition(int percent);
  int Position() const;
};

// The hints of the window's controls, with one delay and display time.
class TTooltip {
 public:
  TTooltip() = default;
  TTooltip(const TTooltip&) = delete;
  TTooltip& operator=(const TTooltip&) = delete;

  void Create(HWND owner);
  void SetTimes(int pauseMs, int showMs);
  // Widest hint line in pixels; longer hints wrap.
  void SetMaxWidth(int pixels);
  void Add(const TControlBase& control, const std::string& hint);
  // A hint for an area of the owner's client area that no control covers
  // (id: any number unique among these areas).
  void AddArea(UINT_PTR id, const RECT& area, const std::string& hint);
  void MoveArea(UINT_PTR id, const RECT& area);
  HWND Handle() const { return FHandle; }

 private:
  HWND FHandle = nullptr;
  HWND FOwner = nullptr;
};

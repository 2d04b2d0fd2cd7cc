// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32app/uMain.h"

#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/win32/WideText.h"
#include "win32app/WindowMetrics.h"
#include "win32app/WorkerPrompt.h"
#include "window/Messages.h"

namespace {

constexpr wchar_t WindowClass[] = L"TfrmMain";
constexpr int ClientWidth = 297;
constexpr int ClientHeight = 405;
// The panel that holds the mode pair has no native control; its hint covers
// its area of the window.
constexpr UINT_PTR CipherPanelHint = 1;
constexpr TBounds CipherPanel = {16, 208, 257, 17};

// Control ids; none may be IDOK or IDCANCEL, which the dialog manager sends
// for Return and Escape.
enum : int {
  idCaption = 100,
  idCopyright,
  idSource,
  idSourceBox,
  idBrowseSource,
  idTarget,
  idTargetBox,
  idBrowseTarget,
  idSettingsBox,
  idEnCrypt,
  idDeCrypt,
  idCBC,
  idECB,
  idOverwrite,
  idSearchName,
  idPasswordBox,
  idEnterPassword,
  idRepeatPassword,
  idPassword1,
  idPassword2,
  idUseHashes,
  idProgress,
  idStart,
  idAbout,
  idQuit,
};

}  // namespace

TfrmMain::TfrmMain(IUserPrompt* prompt)
    : FPrompt(prompt ? *prompt : FOwnPrompt),
      FRunner([this] { FOwnPrompt.CloseOpen(); }),
      FModel(*this, FPrompt, FRunner) {
  static const ATOM windowClass = RegisterFormClass(WindowClass, WindowProc);
  (void)windowClass;

  FHandle = ::CreateWindowExW(WS_EX_ACCEPTFILES, WindowClass, WideText(msg::AppTitle).c_str(),
                              DialogWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr,
                              nullptr, ::GetModuleHandleW(nullptr), this);
  SetProgramIcon(FHandle);
  FOwnPrompt.SetOwner(FHandle);
  FRunner.SetWindow(FHandle);
  CreateControls();
  ConnectHandlers();
  AddHints();
  ApplyDpi(DpiOf(FHandle));
  FLastFocus = edSource.Handle();
}

TfrmMain::~TfrmMain() {
  // A run still going on is stopped and waited for by FRunner's destructor;
  // its late messages find no window.
  if (FHandle) ::DestroyWindow(FHandle);
  if (FFont) ::DeleteObject(FFont);
  if (FCaptionFont) ::DeleteObject(FCaptionFont);
}

void TfrmMain::CreateControls() {
  using TKind = TCheckBox::TKind;
  const HWND w = FHandle;
  // Created in the tab order: the z-order is the order Tab visits. Group
  // boxes come before what they frame.
  lbCaption.Create(w, idCaption, msg::AppTitle, true);
  lbCopyright.Create(w, idCopyright, msg::Copyright, true);
  gbSource.Create(w, idSourceBox, "Quelldatei");
  edSource.Create(w, idSource, false);
  btnBrowseSource.Create(w, idBrowseSource, "...");
  gbTarget.Create(w, idTargetBox, "Zieldatei");
  edTarget.Create(w, idTarget, false);
  btnBrowseTarget.Create(w, idBrowseTarget, "...");
  gbSettings.Create(w, idSettingsBox, "Einstellungen");
  rbEnCrypt.Create(w, idEnCrypt, "Verschlüsseln", TKind::Radio, true);
  rbDeCrypt.Create(w, idDeCrypt, "Entschlüsseln", TKind::Radio, false);
  rbCBCCipher.Create(w, idCBC, "CBC Cipher Modus", TKind::Radio, true);
  rbECBCipher.Create(w, idECB, "ECB Cipher Modus", TKind::Radio, false);
  cbOverwriteTarget.Create(w, idOverwrite, "Datei ohne Nachfrage überschreiben", TKind::Check,
                           true);
  cbSearchNewFileName.Create(w, idSearchName, "Automatisch neuen Zieldateinamen suchen",
                             TKind::Check, true);
  gbPassword.Create(w, idPasswordBox, "Datei-Passwort");
  lbEnterPassword.Create(w, idEnterPassword, "Passwort eingeben:");
  lbRepeatPassword.Create(w, idRepeatPassword, "Passwort wiederholen:");
  edPassword1.Create(w, idPassword1, true);
  edPassword2.Create(w, idPassword2, true);
  cbUseHashes.Create(w, idUseHashes, "Passwörter mit SHA-1 hashen", TKind::Check, true);
  FProgress.Create(w, idProgress);
  btnStart.Create(w, idStart, "Verschlüsseln", true);
  btnAbout.Create(w, idAbout, "Über...");
  btnQuit.Create(w, idQuit, "Beenden");

  rbEnCrypt.Pair(rbDeCrypt);
  rbDeCrypt.Pair(rbEnCrypt);
  rbCBCCipher.Pair(rbECBCipher);
  rbECBCipher.Pair(rbCBCCipher);
  rbEnCrypt.SetChecked(true);
  rbCBCCipher.SetChecked(true);
  cbSearchNewFileName.SetChecked(true);
  cbUseHashes.SetChecked(true);
}

void TfrmMain::ApplyDpi(UINT dpi) {
  FDpi = dpi;
  struct TPlace {
    TControlBase& Control;
    TBounds Bounds;  // within the window, the group boxes' offsets added
  };
  const TPlace places[] = {
      {lbCaption, {8, 8, 281, 25}},
      {lbCopyright, {8, 32, 281, 14}},
      {gbSource, {8, 48, 281, 57}},
      {edSource, {16, 72, 233, 22}},
      {btnBrowseSource, {256, 72, 27, 21}},
      {gbTarget, {8, 112, 281, 57}},
      {edTarget, {16, 136, 233, 22}},
      {btnBrowseTarget, {256, 136, 27, 21}},
      {gbSettings, {8, 176, 281, 105}},
      {rbEnCrypt, {16, 192, 113, 17}},
      {rbDeCrypt, {160, 192, 113, 17}},
      {rbCBCCipher, {16, 208, 113, 17}},
      {rbECBCipher, {160, 208, 113, 17}},
      {cbOverwriteTarget, {16, 232, 265, 17}},
      {cbSearchNewFileName, {16, 256, 265, 17}},
      {gbPassword, {8, 288, 281, 81}},
      {lbEnterPassword, {16, 304, 97, 14}},
      {lbRepeatPassword, {152, 304, 113, 14}},
      {edPassword1, {16, 320, 129, 22}},
      {edPassword2, {152, 320, 129, 22}},
      {cbUseHashes, {16, 344, 265, 17}},
      {FProgress, {8, 371, 281, 4}},
      {btnStart, {8, 376, 89, 25}},
      {btnAbout, {104, 376, 89, 25}},
      {btnQuit, {200, 376, 89, 25}},
  };
  const HFONT oldFont = FFont;
  const HFONT oldCaptionFont = FCaptionFont;
  FFont = ArialFont(8, false, dpi);
  FCaptionFont = ArialFont(12, true, dpi);
  for (const TPlace& place : places) {
    place.Control.Place(place.Bounds, dpi);
    place.Control.SetFont(&place.Control == &lbCaption ? FCaptionFont : FFont);
  }
  if (oldFont) ::DeleteObject(oldFont);
  if (oldCaptionFont) ::DeleteObject(oldCaptionFont);
  FHints.MoveArea(CipherPanelHint, Scaled(CipherPanel, dpi));
  FHints.SetMaxWidth(::MulDiv(300, static_cast<int>(dpi), 96));
}

void TfrmMain::ConnectHandlers() {
  btnStart.OnClick([this] { FModel.btnStartClick(); });
  for (TCheckBox* direction : {&rbEnCrypt, &rbDeCrypt})
    direction->OnClick([this] { FModel.DirectionChanged(); });
  btnBrowseSource.OnClick([this] { btnBrowseSourceClick(); });
  btnBrowseTarget.OnClick([this] { btnBrowseTargetClick(); });
  btnAbout.OnClick([this] { FModel.btnAboutClick(); });
  // Through WM_CLOSE, as every other close request.
  btnQuit.OnClick([this] { ::PostMessageW(FHandle, WM_CLOSE, 0, 0); });
}

void TfrmMain::AddHints() {
  FHints.Create(FHandle);
  FHints.SetTimes(TWindowModel::HintPauseMs, TWindowModel::HintHideMs);
  const std::pair<const TControlBase*, const char*> hints[] = {
      {&edSource, "Geben Sie hier den Namen der Quelldatei ein."},
      {&btnBrowseSource, "Den Computer nach Dateien durchsuchen."},
      {&edTarget, "Geben Sie hier den Namen der Zieldatei ein."},
      {&btnBrowseTarget, "Den Computer nach Dateien durchsuchen."},
      {&rbEnCrypt, "Die Datei wird verschlüsselt, sodass sie für unbefugte nicht lesbar ist."},
      {&rbDeCrypt,
       "Eine verschlüsselte Datei wird entschlüsselt, sodass der Inhalt sichtbar wird."},
      {&rbCBCCipher,
       "Der CBC Cipher Modus ist sicherer als der ECB, jedoch nicht ganz so schnell."},
      {&rbECBCipher,
       "Der ECB wird von allen älteren Tolvane Crypter Versionen verwendet und sollte bei der "
       "Entschlüsselung dieser aktiviert sein."},
      {&cbOverwriteTarget, "Sollen bestehende Dateien ohne Nachfrage überschrieben werden?"},
      {&cbSearchNewFileName, "Soll automatisch ein neuer Name für die Zieldatei gesucht werden?"},
      {&edPassword1, "Geben Sie das Passwort für die Datei ein."},
      {&edPassword2, "Geben Sie das Passwort aus Sicherheitsgründen erneut ein."},
      {&cbUseHashes,
       "Passwörter werden standardmäßig mit SHA-1 gehasht, um die Sicherheit zu erhöhen. Sie "
       "können Sie Option deaktivieren, falls Probleme beim Entschlüsseln auftreten."},
      {&btnStart, "Den Vorgang starten."},
      {&btnAbout, "Über den Tolvane Crypter."},
      {&btnQuit, "Das Programm beenden."},
  };
  for (const auto& [control, hint] : hints) FHints.Add(*control, hint);
  FHints.AddArea(CipherPanelHint, Scaled(CipherPanel, 96), "Wählen Sie den CipherModus.");
}

void TfrmMain::Show() {
  ShowCentred(FHandle, OuterSize(ClientWidth, ClientHeight, FDpi));
  ::SetFocus(edSource.Handle());
}

bool TfrmMain::PreTranslate(MSG& msg) {
  return FHandle && PreTranslateFormKeys(FHandle, msg, btnStart, FModel.Running());
}

LRESULT CALLBACK TfrmMain::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<TfrmMain*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->FHandle = window;
  }
  auto* self = reinterpret_cast<TfrmMain*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT TfrmMain::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const HWND from = reinterpret_cast<HWND>(lParam);
      for (TControlBase* control :
           std::initializer_list<TControlBase*>{&btnStart, &btnAbout, &btnQuit, &btnBrowseSource,
                                                &btnBrowseTarget, &rbEnCrypt, &rbDeCrypt})
        if (from && control->Handle() == from) control->Notified(HIWORD(wParam));
      return 0;
    }
    case WM_CLOSE:
      if (FModel.FormCloseQuery()) ::DestroyWindow(FHandle);
      return 0;
    case WM_DESTROY:
      ::SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
      FHandle = nullptr;
      if (FQuitOnDestroy) ::PostQuitMessage(0);
      return 0;
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_QUERYENDSESSION: OnSessionEnd(false); return TRUE;
    case WM_ENDSESSION:
      if (wParam) OnSessionEnd(true);
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
      break;
    case WM_ACTIVATE:
      if (KeepFocusAcrossActivation(FHandle, wParam, FLastFocus)) return 0;
      break;
    case WM_DPICHANGED:
      ApplyDpi(HIWORD(wParam));
      MoveToSuggestedRect(FHandle, lParam);
      return 0;
    case TWorkerPrompt::Message: TWorkerPrompt::ShowPosted(lParam, FPrompt); return 0;
    case TThreadJobRunner::ProgressMessage:
      if (FRunner.IsCurrent(wParam)) FProgress.SetPosition(static_cast<int>(lParam));
      return 0;
    case TThreadJobRunner::EndedMessage:
      if (FRunner.Ended(wParam)) FModel.JobFinished();
      return 0;
    default: break;
  }
  return ::DefWindowProcW(FHandle, message, wParam, lParam);
}

void TfrmMain::OnDropFiles(HDROP drop) {
  // Only the first name counts; during a run the names are the run's.
  if (FModel.AcceptsDrops() && ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
    const UINT length = ::DragQueryFileW(drop, 0, nullptr, 0);
    std::vector<wchar_t> name(length + 1, L'\0');
    ::DragQueryFileW(drop, 0, name.data(), length + 1);
    const std::string utf8 = Utf8FromWide(std::wstring_view(name.data(), length));
    if (!utf8.empty()) FModel.TakeSourceFile(utf8, TSourceOrigin::Drop);
  }
  ::DragFinish(drop);
}

bool TfrmMain::OnSetCursor(HWND over) {
  // Busy over the window and its group boxes only, as in the Qt window: the
  // edits keep their I-beam and the buttons and check boxes their arrow,
  // the start button above all, which cancels.
  if (!FBusy) return false;
  const bool busyThere = over == FHandle || over == gbSource.Handle() ||
                         over == gbTarget.Handle() || over == gbSettings.Handle() ||
                         over == gbPassword.Handle();
  if (!busyThere) return false;
  ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

void TfrmMain::OnSessionEnd(bool ending) {
  // Windows ends the session: nobody is left to answer a question, and the
  // process may be gone the moment this returns. A run stops at once as by
  // "Abbrechen"; the job decides whether its target stays as it was or, past
  // its point of no return, is complete.
  if (FModel.Running()) FModel.btnStartClick();
  if (ending) FRunner.WaitForStopped();
}

void TfrmMain::btnBrowseSourceClick() {
  if (const std::optional<std::string> chosen = FOpenDialog.Choose(FHandle))
    FModel.TakeSourceFile(*chosen, TSourceOrigin::Pick);
}

void TfrmMain::btnBrowseTargetClick() {
  if (const std::optional<std::string> chosen = FOpenDialog.Choose(FHandle))
    FModel.TakeTargetFile(*chosen);
}

TControlBase& TfrmMain::Control(TControl control) const {
  auto& self = const_cast<TfrmMain&>(*this);
  switch (control) {
    case TControl::btnQuit: return self.btnQuit;
    case TControl::btnAbout: return self.btnAbout;
    case TControl::edSource: return self.edSource;
    case TControl::edTarget: return self.edTarget;
    case TControl::edPassword1: return self.edPassword1;
    case TControl::edPassword2: return self.edPassword2;
    case TControl::rbEnCrypt: return self.rbEnCrypt;
    case TControl::rbDeCrypt: return self.rbDeCrypt;
    case TControl::rbECBCipher: return self.rbECBCipher;
    case TControl::rbCBCCipher: return self.rbCBCCipher;
    case TControl::cbOverwriteTarget: return self.cbOverwriteTarget;
    case TControl::cbSearchNewFileName: return self.cbSearchNewFileName;
    case TControl::btnBrowseSource: return self.btnBrowseSource;
    case TControl::btnBrowseTarget: return self.btnBrowseTarget;
    case TControl::lbEnterPassword: return self.lbEnterPassword;
    case TControl::lbRepeatPassword: return self.lbRepeatPassword;
    case TControl::cbUseHashes: return self.cbUseHashes;
    case TControl::btnStart: return self.btnStart;
  }
  return self.btnStart;
}

TCheckBox& TfrmMain::Box(TControl control) const {
  return static_cast<TCheckBox&>(Control(control));
}

HWND TfrmMain::ControlHandle(TControl control) const { return Control(control).Handle(); }

std::string TfrmMain::Text(TControl control) const { return Control(control).Text(); }

void TfrmMain::SetText(TControl control, const std::string& text) {
  Control(control).SetText(text);
}

TSecret TfrmMain::Password(TControl edit) const {
  return (edit == TControl::edPassword2 ? edPassword2 : edPassword1).Secret();
}

bool TfrmMain::Checked(TControl control) const { return Box(control).Checked(); }

void TfrmMain::SetChecked(TControl control, bool checked) { Box(control).SetChecked(checked); }

void TfrmMain::SetEnabled(TControl control, bool enabled) { Control(control).SetEnabled(enabled); }

void TfrmMain::SetBusyCursor(bool busy) {
  FBusy = busy;
  // Shown at once where the pointer rests, not at its next move.
  POINT at{};
  ::GetCursorPos(&at);
  const HWND over = ::WindowFromPoint(at);
  if (over && (over == FHandle || ::IsChild(FHandle, over)))
    ::SendMessageW(FHandle, WM_SETCURSOR, reinterpret_cast<WPARAM>(over),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

void TfrmMain::SetProgressVisible(bool visible) {
  FProgress.SetPosition(0);
  FProgress.SetVisible(visible);
}

void TfrmMain::Repaint() {
  ::RedrawWindow(FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TfrmMain::CloseWindow() { ::PostMessageW(FHandle, WM_CLOSE, 0, 0); }

// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32app/uBatch.h"

#include <initializer_list>
#include <utility>

#include "platform/win32/WideText.h"
#include "win32app/ReplaceQuestion.h"
#include "win32app/WindowMetrics.h"
#include "window/Messages.h"

namespace {

constexpr wchar_t WindowClass[] = L"TfrmBatch";
constexpr int ClientWidth = 520;
constexpr int ClientHeight = 465;
// How often a running batch is looked at: often enough for a smooth bar,
// rarely enough to cost nothing.
constexpr UINT PollMs = 100;
constexpr UINT_PTR PollTimer = 1;

// Control ids; none may be IDOK or IDCANCEL, which the dialog manager sends
// for Return and Escape.
enum : int {
  idFilesBox = 100,
  idFiles,
  idAdd,
  idSettingsBox,
  idEnCrypt,
  idDeCrypt,
  idCBC,
  idECB,
  idBesideSource,
  idIntoFolder,
  idFolder,
  idBrowseFolder,
  idOverwrite,
  idPasswordBox,
  idEnterPassword,
  idRepeatPassword,
  idPassword1,
  idPassword2,
  idUseHashes,
  idProgressText,
  idProgress,
  idStart,
  idQuit,
};

}  // namespace

TfrmBatch::TfrmBatch(IBatchRunner& runner, IUserPrompt* prompt)
    : FPrompt(prompt ? *prompt : FOwnPrompt), FRunner(runner) {
  static const ATOM windowClass = RegisterFormClass(WindowClass, WindowProc);
  (void)windowClass;

  FHandle = ::CreateWindowExW(WS_EX_ACCEPTFILES, WindowClass, WideText(msg::AppTitle).c_str(),
                              DialogWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr,
                              nullptr, ::GetModuleHandleW(nullptr), this);
  SetProgramIcon(FHandle);
  FOwnPrompt.SetOwner(FHandle);
  CreateControls();
  ConnectHandlers();
  AddHints();
  ApplyDpi(DpiOf(FHandle));
  FLastFocus = edPassword1.Handle();
  FModel = std::make_unique<TBatchModel>(*this, FPrompt, FRunner);
}

TfrmBatch::~TfrmBatch() {
  // The runner's workers must not outlive what they were given.
  if (FModel && FModel->Running()) {
    FRunner.Cancel();
    FRunner.WaitForStopped();
  }
  if (FHandle) ::DestroyWindow(FHandle);
  if (FFont) ::DeleteObject(FFont);
}

void TfrmBatch::CreateControls() {
  using TKind = TCheckBox::TKind;
  const HWND w = FHandle;
  // Created in the tab order: the z-order is the order Tab visits. Group
  // boxes come before what they frame.
  gbFiles.Create(w, idFilesBox, "Dateien");
  twFiles.Create(w, idFiles,
                 {{"Quelldatei", 140}, {"Zieldatei", 140}, {"Größe", 60, true}, {"Status", 120}});
  btnAdd.Create(w, idAdd, "Hinzufügen...");
  gbSettings.Create(w, idSettingsBox, "Einstellungen");
  rbEnCrypt.Create(w, idEnCrypt, "Verschlüsseln", TKind::Radio, true);
  rbDeCrypt.Create(w, idDeCrypt, "Entschlüsseln", TKind::Radio, false);
  rbCBCCipher.Create(w, idCBC, "CBC Cipher Modus", TKind::Radio, true);
  rbECBCipher.Create(w, idECB, "ECB Cipher Modus", TKind::Radio, false);
  rbBesideSource.Create(w, idBesideSource, "Neben der Quelldatei", TKind::Radio, true);
  rbIntoFolder.Create(w, idIntoFolder, "In Ordner:", TKind::Radio, false);
  edFolder.Create(w, idFolder, false);
  btnBrowseFolder.Create(w, idBrowseFolder, "...");
  cbOverwriteTarget.Create(w, idOverwrite, "Vorhandene Dateien ohne Nachfrage überschreiben",
                           TKind::Check, true);
  gbPassword.Create(w, idPasswordBox, "Datei-Passwort");
  lbEnterPassword.Create(w, idEnterPassword, "Passwort eingeben:");
  lbRepeatPassword.Create(w, idRepeatPassword, "Passwort wiederholen:");
  edPassword1.Create(w, idPassword1, true);
  edPassword2.Create(w, idPassword2, true);
  cbUseHashes.Create(w, idUseHashes, "Passwörter mit SHA-1 hashen", TKind::Check, true);
  lbProgress.Create(w, idProgressText, "");
  FProgress.Create(w, idProgress);
  btnStart.Create(w, idStart, "Verschlüsseln", true);
  btnQuit.Create(w, idQuit, "Beenden");

  for (auto [one, other] : {std::pair{&rbEnCrypt, &rbDeCrypt},
                            {&rbCBCCipher, &rbECBCipher},
                            {&rbBesideSource, &rbIntoFolder}}) {
    one->Pair(*other);
    other->Pair(*one);
    one->SetChecked(true);
  }
  cbUseHashes.SetChecked(true);
}

void TfrmBatch::ApplyDpi(UINT dpi) {
  FDpi = dpi;
  struct TPlace {
    TControlBase& Control;
    TBounds Bounds;  // within the window, the group boxes' offsets added
  };
  const TPlace places[] = {
      {gbFiles, {8, 8, 504, 185}},
      {twFiles, {16, 28, 488, 128}},
      {btnAdd, {16, 160, 89, 25}},
      {gbSettings, {8, 200, 504, 105}},
      {rbEnCrypt, {16, 216, 113, 17}},
      {rbDeCrypt, {160, 216, 113, 17}},
      {rbCBCCipher, {16, 232, 113, 17}},
      {rbECBCipher, {160, 232, 113, 17}},
      {rbBesideSource, {16, 256, 137, 17}},
      {rbIntoFolder, {160, 256, 73, 17}},
      {edFolder, {236, 254, 233, 22}},
      {btnBrowseFolder, {476, 254, 27, 21}},
      {cbOverwriteTarget, {16, 280, 400, 17}},
      {gbPassword, {8, 312, 504, 81}},
      {lbEnterPassword, {16, 328, 160, 14}},
      {lbRepeatPassword, {264, 328, 160, 14}},
      {edPassword1, {16, 344, 240, 22}},
      {edPassword2, {264, 344, 240, 22}},
      {cbUseHashes, {16, 368, 265, 17}},
      {lbProgress, {8, 398, 504, 14}},
      {FProgress, {8, 416, 504, 4}},
      {btnStart, {8, 432, 89, 25}},
      {btnQuit, {423, 432, 89, 25}},
  };
  const HFONT oldFont = FFont;
  FFont = ArialFont(8, false, dpi);
  for (const TPlace& place : places) {
    place.Control.Place(place.Bounds, dpi);
    place.Control.SetFont(FFont);
  }
  twFiles.ScaleColumns(dpi);
  if (oldFont) ::DeleteObject(oldFont);
  FHints.SetMaxWidth(::MulDiv(300, static_cast<int>(dpi), 96));
}

void TfrmBatch::ConnectHandlers() {
  btnStart.OnClick([this] { btnStartClick(); });
  btnAdd.OnClick([this] { btnAddClick(); });
  btnBrowseFolder.OnClick([this] { btnBrowseFolderClick(); });
  // Through WM_CLOSE, as every other close request.
  btnQuit.OnClick([this] { ::PostMessageW(FHandle, WM_CLOSE, 0, 0); });
  // The arrows move a pair's choice with a click too.
  for (TCheckBox* setting : {&rbEnCrypt, &rbDeCrypt, &rbBesideSource, &rbIntoFolder})
    setting->OnClick([this] { FModel->SettingsChanged(); });
  edFolder.OnLeave([this] { FModel->SettingsChanged(); });
}

void TfrmBatch::AddHints() {
  FHints.Create(FHandle);
  FHints.SetTimes(400, 6000);
  const std::pair<const TControlBase*, const char*> hints[] = {
      {&twFiles, "Die Dateien, die verarbeitet werden. Entf entfernt die markierten Dateien."},
      {&btnAdd,
       "Dateien zur Liste hinzufügen. Dateien und Ordner lassen sich auch auf das Fenster "
       "ziehen."},
      {&rbEnCrypt, "Die Dateien werden verschlüsselt, sodass sie für unbefugte nicht lesbar sind."},
      {&rbDeCrypt, "Verschlüsselte Dateien werden entschlüsselt, sodass der Inhalt sichtbar wird."},
      {&rbCBCCipher,
       "Der CBC Cipher Modus ist sicherer als der ECB, jedoch nicht ganz so schnell."},
      {&rbECBCipher,
       "Der ECB wird von allen älteren Tolvane Crypter Versionen verwendet und sollte bei der "
       "Entschlüsselung dieser aktiviert sein."},
      {&rbBesideSource, "Jede Zieldatei wird im Ordner ihrer Quelldatei angelegt."},
      {&rbIntoFolder,
       "Die Zieldateien werden in einem Ordner angelegt; Dateien aus Ordnern behalten ihre "
       "Unterordner."},
      {&edFolder, "Der Ordner, in den die Zieldateien geschrieben werden."},
      {&btnBrowseFolder, "Einen Ordner für die Zieldateien wählen."},
      {&cbOverwriteTarget, "Sollen bestehende Dateien ohne Nachfrage überschrieben werden?"},
      {&edPassword1, "Geben Sie das Passwort für die Dateien ein."},
      {&edPassword2, "Geben Sie das Passwort aus Sicherheitsgründen erneut ein."},
      {&cbUseHashes,
       "Passwörter werden standardmäßig mit SHA-1 gehasht, um die Sicherheit zu erhöhen. Sie "
       "können Sie Option deaktivieren, falls Probleme beim Entschlüsseln auftreten."},
      {&btnStart, "Den Vorgang starten."},
      {&btnQuit, "Das Programm beenden."},
  };
  for (const auto& [control, hint] : hints) FHints.Add(*control, hint);
}

void TfrmBatch::StartWithFiles(const std::vector<std::string>& names,
                               std::optional<TDirection> direction) {
  if (direction) FModel->FixDirection(*direction);
  FModel->AddPaths(names);
}

void TfrmBatch::Show() {
  ShowCentred(FHandle, OuterSize(ClientWidth, ClientHeight, FDpi));
  // A selection from the file manager then needs only the password.
  ::SetFocus(edPassword1.Handle());
}

bool TfrmBatch::PreTranslate(MSG& msg) {
  return FHandle && PreTranslateFormKeys(FHandle, msg, btnStart, FModel->Running());
}

LRESULT CALLBACK TfrmBatch::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<TfrmBatch*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->FHandle = window;
  }
  auto* self = reinterpret_cast<TfrmBatch*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT TfrmBatch::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const HWND from = reinterpret_cast<HWND>(lParam);
      for (TControlBase* control : std::initializer_list<TControlBase*>{
               &btnStart, &btnAdd, &btnBrowseFolder, &btnQuit, &rbEnCrypt, &rbDeCrypt,
               &rbBesideSource, &rbIntoFolder, &edFolder})
        if (from && control->Handle() == from) control->Notified(HIWORD(wParam));
      return 0;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == twFiles.Handle() && header->code == LVN_KEYDOWN &&
          reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey == VK_DELETE)
        RemoveSelectedRows();
      return 0;
    }
    case WM_TIMER:
      if (wParam == PollTimer && FModel) FModel->Poll();
      return 0;
    case WM_CLOSE:
      if (FModel->FormCloseQuery()) ::DestroyWindow(FHandle);
      return 0;
    case WM_DESTROY:
      ::KillTimer(FHandle, PollTimer);
      ::SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
      FHandle = nullptr;
      if (FQuitOnDestroy) ::PostQuitMessage(0);
      return 0;
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_QUERYENDSESSION:
      // Windows ends the session: nobody is left to answer a question or
      // read a summary, and the process may be gone the moment the session
      // ends. The running files stop; finished ones stay.
      if (FModel->Running()) FRunner.Cancel();
      return TRUE;
    case WM_ENDSESSION:
      if (wParam && FModel->Running()) {
        FRunner.Cancel();
        FRunner.WaitForStopped();
      }
      return 0;
    case WM_SETCURSOR: {
      // Busy over the window and its group boxes only, as in the main
      // window: the list, the edits and the buttons keep their pointers, the
      // start button above all, which cancels.
      const HWND over = reinterpret_cast<HWND>(wParam);
      if (FBusy && (over == FHandle || over == gbFiles.Handle() || over == gbSettings.Handle() ||
                    over == gbPassword.Handle())) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    }
    case WM_ACTIVATE:
      if (KeepFocusAcrossActivation(FHandle, wParam, FLastFocus)) return 0;
      break;
    case WM_DPICHANGED:
      ApplyDpi(HIWORD(wParam));
      MoveToSuggestedRect(FHandle, lParam);
      return 0;
    default: break;
  }
  return ::DefWindowProcW(FHandle, message, wParam, lParam);
}

void TfrmBatch::OnDropFiles(HDROP drop) {
  // Every name, files and folders alike; during a run the list is the run's.
  if (FModel->AcceptsDrops()) {
    std::vector<std::string> names;
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
      std::vector<wchar_t> name(length + 1, L'\0');
      ::DragQueryFileW(drop, i, name.data(), length + 1);
      names.push_back(Utf8FromWide(std::wstring_view(name.data(), length)));
    }
    FModel->AddPaths(names);
  }
  ::DragFinish(drop);
}

void TfrmBatch::btnStartClick() {
  FModel->btnStartClick();
  if (FModel->Running()) ::SetTimer(FHandle, PollTimer, PollMs, nullptr);
}

void TfrmBatch::btnAddClick() {
  IBatchChooser& chooser = FChooser ? *FChooser : FDialogs;
  const std::vector<std::string> chosen = chooser.ChooseFiles(FHandle);
  if (!chosen.empty()) FModel->AddPaths(chosen);
}

void TfrmBatch::btnBrowseFolderClick() {
  IBatchChooser& chooser = FChooser ? *FChooser : FDialogs;
  if (const std::optional<std::string> folder = chooser.ChooseFolder(FHandle))
    FModel->TakeOutputFolder(*folder);
}

void TfrmBatch::RemoveSelectedRows() { FModel->RemoveRows(twFiles.SelectedRows()); }

TControlBase& TfrmBatch::Control(TBatchControl control) const {
  auto& self = const_cast<TfrmBatch&>(*this);
  switch (control) {
    case TBatchControl::btnAdd: return self.btnAdd;
    case TBatchControl::rbEnCrypt: return self.rbEnCrypt;
    case TBatchControl::rbDeCrypt: return self.rbDeCrypt;
    case TBatchControl::rbCBCCipher: return self.rbCBCCipher;
    case TBatchControl::rbECBCipher: return self.rbECBCipher;
    case TBatchControl::rbBesideSource: return self.rbBesideSource;
    case TBatchControl::rbIntoFolder: return self.rbIntoFolder;
    case TBatchControl::edFolder: return self.edFolder;
    case TBatchControl::btnBrowseFolder: return self.btnBrowseFolder;
    case TBatchControl::cbOverwriteTarget: return self.cbOverwriteTarget;
    case TBatchControl::lbEnterPassword: return self.lbEnterPassword;
    case TBatchControl::lbRepeatPassword: return self.lbRepeatPassword;
    case TBatchControl::edPassword1: return self.edPassword1;
    case TBatchControl::edPassword2: return self.edPassword2;
    case TBatchControl::cbUseHashes: return self.cbUseHashes;
    case TBatchControl::btnQuit: return self.btnQuit;
    case TBatchControl::btnStart: return self.btnStart;
    case TBatchControl::lbProgress: return self.lbProgress;
  }
  return self.btnStart;
}

HWND TfrmBatch::ControlHandle(TBatchControl control) const { return Control(control).Handle(); }

std::string TfrmBatch::Text(TBatchControl control) const { return Control(control).Text(); }

void TfrmBatch::SetText(TBatchControl control, const std::string& text) {
  Control(control).SetText(text);
}

TSecret TfrmBatch::Password(TBatchControl edit) const {
  return (edit == TBatchControl::edPassword2 ? edPassword2 : edPassword1).Secret();
}

bool TfrmBatch::Checked(TBatchControl control) const {
  auto* box = dynamic_cast<TCheckBox*>(&Control(control));
  return box != nullptr && box->Checked();
}

void TfrmBatch::SetChecked(TBatchControl control, bool checked) {
  if (auto* box = dynamic_cast<TCheckBox*>(&Control(control))) box->SetChecked(checked);
}

void TfrmBatch::SetEnabled(TBatchControl control, bool enabled) {
  Control(control).SetEnabled(enabled);
}

void TfrmBatch::SetCaption(const std::string& caption) {
  ::SetWindowTextW(FHandle, WideText(caption).c_str());
}

void TfrmBatch::SetRows(const std::vector<TBatchRowText>& rows) {
  std::vector<std::vector<std::string>> cells;
  cells.reserve(rows.size());
  for (const TBatchRowText& row : rows)
    cells.push_back({row.Source, row.Target, row.Size, row.Status});
  twFiles.SetRows(cells);
}

void TfrmBatch::SetRowStatus(std::size_t row, const std::string& status) {
  twFiles.SetCell(row, 3, status);
}

void TfrmBatch::SetProgress(int percent) { FProgress.SetPosition(percent); }

void TfrmBatch::SetProgressVisible(bool visible) {
  FProgress.SetPosition(0);
  FProgress.SetVisible(visible);
  FBusy = visible;
}

TReplaceAnswer TfrmBatch::AskReplace(const std::string& question) {
  return FReplaceAsker ? FReplaceAsker(question) : AskReplaceWithTaskDialog(FHandle, question);
}

void TfrmBatch::RunEnded() {
  if (FHandle) ::KillTimer(FHandle, PollTimer);
}

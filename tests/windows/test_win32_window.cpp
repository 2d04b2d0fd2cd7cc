// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 window driven in-process through window messages, as a user
// would: texts set, buttons clicked, files dropped, keys pressed, runs
// pumped to their end. Its rules are the model's and tested there; these
// tests show the wiring: the native controls, the worker and its questions
// on the GUI thread, the dialog manager's keys, the German task dialogs and
// the DPI scaling.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/FileBytes.h"
#include "tests/support/ScriptedPrompt.h"
#include "tests/support/TempDir.h"
#include "tests/windows/WindowPicture.h"
#include "win32app/uMain.h"
// DROPFILES, after windows.h.
#include <shlobj.h>

#include "window/JobMessages.h"
#include "window/Messages.h"

namespace {

#define WIDEN2(text) L##text
#define WIDEN(text) WIDEN2(text)

using C = TControl;

// The plain text and what the job makes of it on Linux with the password
// "Geheimnis", SHA-1 hashing and CBC (tolvane encrypt --password-file).
constexpr char Plain[] = "Zwei Fenster, ein Modell.\n";
constexpr char CipherHex[] = "df161b83487188d93df3448803997de391ae0aa03aa8e233b789a3d93535cd64";

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, 256);
  return text;
}

class Win32Window : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
  }
  void SetUp() override { Open(&Prompt); }
  void TearDown() override {
    Form.reset();
    ClearKeys();
  }

  void Open(IUserPrompt* prompt) {
    Form = std::make_unique<TfrmMain>(prompt);
    Form->Show();
    Pump();
  }

  HWND H(C control) const { return Form->ControlHandle(control); }
  void SetText(C control, const std::string& text) {
    ::SendMessageW(H(control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(WideText(text).c_str()));
  }
  std::string Text(C control) const { return Form->Text(control); }
  void Click(C control) { ::SendMessageW(H(control), BM_CLICK, 0, 0); }
  bool Running() const { return Form->Model().Running(); }

  // The message loop of the program, for as long as it takes.
  void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (Form && Form->Handle() && Form->PreTranslate(msg)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  template <typename TDone>
  bool PumpUntil(TDone done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      Pump();
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
  }

  void Key(UINT key) {
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, key, 1);
    ::PostMessageW(::GetFocus(), WM_KEYUP, key, 0xC0000001);
    Pump();
  }
  void HoldKeys(std::initializer_list<int> keys) {
    BYTE state[256] = {};
    for (const int key : keys) state[key] = 0x80;
    ::SetKeyboardState(state);
  }
  void ClearKeys() { HoldKeys({}); }

  // Fills in a run and starts it.
  void Start(TDirection direction, const std::string& source, const std::string& target,
             const std::string& password) {
    Click(direction == TDirection::Encrypt ? C::rbEnCrypt : C::rbDeCrypt);
    SetText(C::edSource, source);
    SetText(C::edTarget, target);
    SetText(C::edPassword1, password);
    SetText(C::edPassword2, password);
    Click(C::btnStart);
  }

  std::vector<std::string> Captions() const { return Prompt.Captions(); }

  TTempDir Dir;
  TScriptedPrompt Prompt;
  std::unique_ptr<TfrmMain> Form;
};

TEST_F(Win32Window, RunGivesTheBytesTheJobGivesOnLinux) {
  const std::string source = Dir.File("brief.txt");
  const std::string target = Dir.File("brief.tvn");
  WriteFileBytes(source, Plain);
  DWORD shownOn = 0;
  Prompt.OnShow = [&](const TShown&) { shownOn = ::GetCurrentThreadId(); };
  Start(TDirection::Encrypt, source, target, "Geheimnis");
  EXPECT_EQ(Text(C::btnStart), msg::Cancel);
  EXPECT_TRUE(::IsWindowVisible(Form->ProgressHandle()));
  ASSERT_TRUE(PumpUntil([&] { return !Running(); }));

  EXPECT_EQ(ReadFileBytes(target), FromHex(CipherHex));
  EXPECT_EQ(Captions(), std::vector<std::string>{JobText::SuccessCaption});
  // The worker's message was shown on the GUI thread.
  EXPECT_EQ(shownOn, ::GetCurrentThreadId());
  EXPECT_FALSE(::IsWindowVisible(Form->ProgressHandle()));
  for (const C cleared : {C::edSource, C::edTarget, C::edPassword1, C::edPassword2})
    EXPECT_EQ(Text(cleared), "");
  EXPECT_EQ(Text(C::btnStart), "Verschlüsseln");
  EXPECT_TRUE(::IsWindowEnabled(H(C::edSource)));
}

TEST_F(Win32Window, WrongPasswordFailsAndWritesNothing) {
  const std::string source = Dir.File("brief.tvn");
  const std::string target = Dir.File("brief.txt");
  WriteFileBytes(source, FromHex(CipherHex));
  Start(TDirection::Decrypt, source, target, "Falsch");
  ASSERT_TRUE(PumpUntil([&] { return !Running(); }));
  EXPECT_EQ(Captions(), std::vector<std::string>{JobText::FailureCaption});
  EXPECT_EQ(::GetFileAttributesW(WideText(target).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Win32Window, OverwriteQuestionIsAnsweredBothWays) {
  for (const int answer : {idYes, idNo}) {
    SCOPED_TRACE(answer == idYes ? "Ja" : "Nein");
    const std::string source = Dir.File("brief.txt");
    const std::string target = Dir.File("vorhanden.tvn");
    WriteFileBytes(source, Plain);
    WriteFileBytes(target, "alt");
    Prompt.ClearShown();
    Prompt.Script({answer});
    Start(TDirection::Encrypt, source, target, "Geheimnis");
    ASSERT_TRUE(PumpUntil([&] { return !Running(); }));
    const std::vector<std::string> expected =
        answer == idYes
            ? std::vector<std::string>{JobText::OverwriteCaption, JobText::SuccessCaption}
            : std::vector<std::string>{JobText::OverwriteCaption};
    EXPECT_EQ(Captions(), expected);
    EXPECT_EQ(ReadFileBytes(target), answer == idYes ? FromHex(CipherHex) : "alt");
  }
}

// Cancelling, and closing the window, while the worker waits for the answer
// to its question: the window is Idle (or gone) at once, the worker wakes,
// and the target keeps what it held.
TEST_F(Win32Window, CancelAndCloseStopTheWaitingWorker) {
  for (const bool close : {false, true}) {
    SCOPED_TRACE(close ? "close" : "cancel");
    if (!Form) Open(&Prompt);
    const std::string source = Dir.File("brief.txt");
    const std::string target = Dir.File("vorhanden.tvn");
    WriteFileBytes(source, Plain);
    WriteFileBytes(target, "alt");
    Prompt.ClearShown();
    Prompt.OnShow = [&](const TShown& shown) {
      if (shown.Caption != JobText::OverwriteCaption) return;
      if (close)
        ::SendMessageW(Form->Handle(), WM_CLOSE, 0, 0);  // the close question: Yes
      else
        Click(C::btnStart);
    };
    Start(TDirection::Encrypt, source, target, "Geheimnis");
    ASSERT_TRUE(PumpUntil([&] { return Prompt.Shown().size() >= (close ? 2U : 1U); }));
    Pump();
    if (close) {
      EXPECT_EQ(Form->Handle(), nullptr);
      // The close question opened over the worker's and was answered first.
      EXPECT_EQ(Captions(),
                (std::vector<std::string>{msg::CaptionWarning, JobText::OverwriteCaption}));
    } else {
      EXPECT_FALSE(Running());
      EXPECT_EQ(Text(C::edSource), "");
    }
    Prompt.OnShow = nullptr;
    Form.reset();  // joins the worker
    EXPECT_EQ(ReadFileBytes(target), "alt");
    EXPECT_EQ(Captions().size(), close ? 2U : 1U);  // nothing after the stop
  }
}

TEST_F(Win32Window, SessionEndStopsARunWithoutAsking) {
  const std::string source = Dir.File("brief.txt");
  const std::string target = Dir.File("vorhanden.tvn");
  WriteFileBytes(source, Plain);
  WriteFileBytes(target, "alt");
  LRESULT mayEnd = FALSE;
  bool stoppedAtOnce = false;
  // The worker waits at its question while Windows ends the session.
  Prompt.OnShow = [&](const TShown& shown) {
    if (shown.Caption != JobText::OverwriteCaption) return;
    mayEnd = ::SendMessageW(Form->Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP);
    stoppedAtOnce = !Running();
    ::SendMessageW(Form->Handle(), WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
  };
  Start(TDirection::Encrypt, source, target, "Geheimnis");
  ASSERT_TRUE(PumpUntil([&] { return !Prompt.Shown().empty(); }));
  Pump();
  Prompt.OnShow = nullptr;
  EXPECT_EQ(mayEnd, TRUE);
  EXPECT_TRUE(stoppedAtOnce);
  EXPECT_EQ(Captions(), std::vector<std::string>{JobText::OverwriteCaption});  // no close question
  Form.reset();
  EXPECT_EQ(ReadFileBytes(target), "alt");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Path()), {}), 2);
}

TEST_F(Win32Window, BusyCursorOnlyOverTheWindowAndItsGroupBoxes) {
  std::vector<HWND> groups;
  ::EnumChildWindows(
      Form->Handle(),
      [](HWND child, LPARAM found) {
        if ((::GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX)
          reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&groups));
  ASSERT_EQ(groups.size(), 4U);
  const HCURSOR wait = ::LoadCursorW(nullptr, IDC_WAIT);
  // What the pointer shows over a window, asked as Windows asks.
  const auto busyOver = [&](HWND over) {
    ::SetCursor(nullptr);
    ::SendMessageW(over, WM_SETCURSOR, reinterpret_cast<WPARAM>(over),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return ::GetCursor() == wait;
  };
  std::vector<HWND> busy = groups;
  busy.push_back(Form->Handle());
  const HWND kept[] = {H(C::edSource),  H(C::edPassword1), H(C::cbOverwriteTarget),
                       H(C::rbEnCrypt), H(C::btnStart),    H(C::btnQuit)};
  for (const bool running : {true, false}) {
    SCOPED_TRACE(running ? "running" : "idle");
    Form->SetBusyCursor(running);
    for (const HWND window : busy) EXPECT_EQ(busyOver(window), running);
    for (const HWND window : kept) EXPECT_FALSE(busyOver(window));
  }
}

TEST_F(Win32Window, DropTakesTheFirstFileWhileIdle) {
  const auto drop = [&](const std::vector<std::string>& names) {
    std::wstring list;
    for (const std::string& name : names) list += WideText(name) + L'\0';
    list += L'\0';
    const HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* files = static_cast<DROPFILES*>(::GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    std::copy(list.begin(), list.end(), reinterpret_cast<wchar_t*>(files + 1));
    ::GlobalUnlock(memory);
    // The window releases the drop, as Explorer expects.
    ::SendMessageW(Form->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  };
  const std::string first = Dir.File("Grüße 日本.txt");
  drop({first, Dir.File("zweite.txt")});
  EXPECT_EQ(Text(C::edSource), first);
  EXPECT_EQ(Text(C::edTarget), Dir.File("Grüße 日本.tvn"));
  // A name Windows allows but UTF-8 cannot hold (a lone surrogate, WTF-8
  // here) comes through as the same name, so that it still opens.
  const std::string lone = Dir.File("alt\xED\xA0\x80.txt");
  drop({lone});
  EXPECT_EQ(Text(C::edSource), lone);
  drop({first});

  // While a run holds the names, a drop changes nothing.
  SetText(C::btnStart, msg::Cancel);
  drop({Dir.File("spät.txt")});
  EXPECT_EQ(Text(C::edSource), first);
}

TEST_F(Win32Window, TabVisitsOneStopPerRadioPair) {
  const auto walk = [&](C from, int steps) {
    ::SetFocus(H(from));
    std::vector<HWND> seen;
    for (int i = 0; i < steps; ++i) {
      Key(VK_TAB);
      seen.push_back(::GetFocus());
    }
    return seen;
  };
  const auto handles = [&](std::initializer_list<C> controls) {
    std::vector<HWND> out;
    for (const C control : controls) out.push_back(H(control));
    return out;
  };
  EXPECT_EQ(walk(C::edSource, 15),
            handles({C::btnBrowseSource, C::edTarget, C::btnBrowseTarget, C::rbEnCrypt,
                     C::rbCBCCipher, C::cbOverwriteTarget, C::cbSearchNewFileName, C::edPassword1,
                     C::edPassword2, C::cbUseHashes, C::btnStart, C::btnAbout, C::btnQuit,
                     C::edSource, C::btnBrowseSource}));

  // The arrows move the choice within a pair, and the pair is then entered
  // at the checked button.
  ::SetFocus(H(C::rbEnCrypt));
  Key(VK_RIGHT);
  EXPECT_EQ(::GetFocus(), H(C::rbDeCrypt));
  EXPECT_TRUE(Form->Checked(C::rbDeCrypt));
  EXPECT_FALSE(Form->Checked(C::rbEnCrypt));
  EXPECT_EQ(Text(C::btnStart), "Entschlüsseln");
  Click(C::rbECBCipher);
  EXPECT_EQ(walk(C::btnBrowseTarget, 3),
            handles({C::rbDeCrypt, C::rbECBCipher, C::cbOverwriteTarget}));
}

TEST_F(Win32Window, ReturnStartsButNeverCancels) {
  // A start refused by the model's checks shows its message.
  SetText(C::edPassword1, "a");
  SetText(C::edPassword2, "a");
  ::SetFocus(H(C::edPassword2));
  Key(VK_RETURN);
  EXPECT_EQ(Captions(), std::vector<std::string>{msg::CaptionError});
  EXPECT_EQ(Prompt.Shown().at(0).Text, msg::InvalidFileName);

  // A focused button is pressed instead.
  Prompt.ClearShown();
  ::SetFocus(H(C::btnAbout));
  Key(VK_RETURN);
  EXPECT_EQ(Captions(), std::vector<std::string>{msg::CaptionAbout});

  Prompt.ClearShown();
  SetText(C::btnStart, msg::Cancel);
  ::SetFocus(H(C::edPassword2));
  Key(VK_RETURN);
  EXPECT_TRUE(Prompt.Shown().empty());
  EXPECT_TRUE(Running());
  SetText(C::btnStart, "Verschlüsseln");
}

TEST_F(Win32Window, AltGrTypesIntoPasswordsButAltAndCtrlDoNot) {
  struct TCase {
    std::initializer_list<int> Held;
    wchar_t Character;
  };
  // Windows reports AltGr as Ctrl+Alt (AltGr+Q gives @ on a German keyboard).
  const TCase cases[] = {
      {{VK_CONTROL, VK_LCONTROL, VK_MENU, VK_RMENU}, L'@'},
      {{VK_CONTROL, VK_LCONTROL}, L'x'},
      {{VK_MENU, VK_LMENU}, L'y'},
      {{}, L'z'},
  };
  ::SetFocus(H(C::edPassword1));
  for (const TCase& c : cases) {
    HoldKeys(c.Held);
    ::SendMessageW(H(C::edPassword1), WM_CHAR, c.Character, 1);
  }
  ClearKeys();
  EXPECT_EQ(Form->Password(C::edPassword1).view(), "@z");
}

// The visible dialog titled title among the windows of thread, waited for
// up to tries times 10 ms.
HWND WaitForDialog(DWORD thread, const std::wstring& title, int tries = 1000) {
  struct TFind {
    const std::wstring& Title;
    HWND Found = nullptr;
  } find{title};
  for (int i = 0; i < tries && !find.Found; ++i) {
    ::Sleep(10);
    ::EnumThreadWindows(
        thread,
        [](HWND window, LPARAM data) {
          auto* f = reinterpret_cast<TFind*>(data);
          if (!::IsWindowVisible(window) || WindowText(window) != f->Title) return TRUE;
          f->Found = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&find));
  }
  return find.Found;
}

// The dialog's buttons, by their texts.
std::vector<std::pair<std::wstring, HWND>> Buttons(HWND dialog) {
  std::vector<std::pair<std::wstring, HWND>> buttons;
  ::EnumChildWindows(
      dialog,
      [](HWND child, LPARAM list) {
        wchar_t className[32] = {};
        ::GetClassNameW(child, className, 32);
        if (::lstrcmpiW(className, L"Button") == 0)
          reinterpret_cast<std::vector<std::pair<std::wstring, HWND>>*>(list)->emplace_back(
              WindowText(child), child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&buttons));
  return buttons;
}

void Press(HWND dialog, const std::wstring& text) {
  for (const auto& [caption, button] : Buttons(dialog))
    if (caption == text) ::PostMessageW(button, BM_CLICK, 0, 0);
}

TEST_F(Win32Window, MessageBoxesSayJaAndNein) {
  Form.reset();
  Open(nullptr);  // real task dialogs
  const DWORD gui = ::GetCurrentThreadId();
  std::vector<std::wstring> texts;
  std::thread reader([&] {
    // The empty-password question opens on the GUI thread, which waits in it.
    const HWND dialog = WaitForDialog(gui, L"Warnung");
    if (!dialog) return;
    for (const auto& [text, button] : Buttons(dialog)) texts.push_back(text);
    Press(dialog, L"Nein");  // the start stops there
  });
  Click(C::btnStart);
  reader.join();
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"Ja", L"Nein"}));
  EXPECT_FALSE(Running());
}

// The worker's question open as a real dialog when the window is closed:
// after the close question, the worker's dialog closes with the window and
// the worker ends without having written.
TEST_F(Win32Window, CloseWhileTheWorkersDialogIsOpen) {
  Form.reset();
  Open(nullptr);
  const std::string source = Dir.File("brief.txt");
  const std::string target = Dir.File("vorhanden.tvn");
  WriteFileBytes(source, Plain);
  WriteFileBytes(target, "alt");
  const DWORD gui = ::GetCurrentThreadId();
  const HWND window = Form->Handle();
  bool asked = false;
  std::thread user([&] {
    const HWND question = WaitForDialog(gui, L"Bestätigen");
    if (!question) return;
    ::PostMessageW(window, WM_CLOSE, 0, 0);  // from the task bar
    const HWND closing = WaitForDialog(gui, L"Warnung");
    asked = closing != nullptr;
    if (closing) Press(closing, L"Ja");
  });
  Start(TDirection::Encrypt, source, target, "Geheimnis");
  const bool closed = PumpUntil([&] { return Form->Handle() == nullptr; });
  user.join();
  ASSERT_TRUE(closed);
  EXPECT_TRUE(asked);
  EXPECT_EQ(WaitForDialog(gui, L"Bestätigen", 1), nullptr);
  Form.reset();
  EXPECT_EQ(ReadFileBytes(target), "alt");
}

// Run in a Wine prefix of its own whose screen has 144 dpi
// (TOLVANE_TEST_DPI=144); skipped elsewhere.
TEST_F(Win32Window, ScalesToTheMonitorDpi) {
  const char* expected = std::getenv("TOLVANE_TEST_DPI");
  if (!expected) GTEST_SKIP() << "TOLVANE_TEST_DPI not set";
  const int dpi = std::atoi(expected);
  ASSERT_EQ(static_cast<int>(Form->Dpi()), dpi);
  RECT client{};
  ::GetClientRect(Form->Handle(), &client);
  EXPECT_EQ(client.right, ::MulDiv(297, dpi, 96));
  EXPECT_EQ(client.bottom, ::MulDiv(405, dpi, 96));
  RECT quit{};
  ::GetWindowRect(H(C::btnQuit), &quit);
  ::MapWindowPoints(nullptr, Form->Handle(), reinterpret_cast<POINT*>(&quit), 2);
  EXPECT_EQ(quit.left, ::MulDiv(200, dpi, 96));
  EXPECT_EQ(quit.top, ::MulDiv(376, dpi, 96));
  EXPECT_EQ(quit.right - quit.left, ::MulDiv(89, dpi, 96));
  EXPECT_EQ(quit.bottom - quit.top, ::MulDiv(25, dpi, 96));
}

}  // namespace

namespace {

// A picture of the window for the documentation, when TOLVANE_WINDOW_SHOT
// names a .bmp file to write; skipped otherwise.
TEST_F(Win32Window, Picture) {
  const char* file = std::getenv("TOLVANE_WINDOW_SHOT");
  if (!file) GTEST_SKIP() << "TOLVANE_WINDOW_SHOT not set";
  SetText(C::edSource, "C:\\Users\\Anna\\Dokumente\\brief.txt");
  SetText(C::edTarget, "C:\\Users\\Anna\\Dokumente\\brief.tvn");
  SetText(C::edPassword1, "Geheimnis");
  SetText(C::edPassword2, "Geheimnis");
  Pump();
  EXPECT_TRUE(wintest::SaveWindowPicture(Form->Handle(), file));
}

}  // namespace

namespace {

// tolvane-crypter.exe itself: its icon, its window for a start with a file,
// a refused command line shown in a box and answered with exit code 2.
TEST(Win32Program, StartsOrRefusesItsCommandLine) {
  struct TCase {
    std::wstring Arguments;
    std::wstring Title;
    DWORD ExitCode;
  };
  const TCase cases[] = {
      {L"--encrypt brief.txt", L"Tolvane Crypter", 0},
      {L"--unbekannt", L"Fehler", 2},
  };
  // Explorer shows the first icon of the file, and the window shows it too
  // (this program carries the same resources).
  EXPECT_NE(::ExtractIconW(::GetModuleHandleW(nullptr), WIDEN(TOLVANE_WINDOW_EXE), 0), nullptr);
  {
    TfrmMain form;
    EXPECT_NE(::SendMessageW(form.Handle(), WM_GETICON, ICON_BIG, 0), 0);
  }
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Arguments.begin(), c.Arguments.end()));
    std::wstring command = L"\"" WIDEN(TOLVANE_WINDOW_EXE) L"\" " + c.Arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &process));
    struct TFind {
      DWORD Process;
      HWND Found = nullptr;
    } find{process.dwProcessId};
    for (int i = 0; i < 1000 && !find.Found; ++i) {
      ::Sleep(10);
      ::EnumWindows(
          [](HWND window, LPARAM data) {
            auto* f = reinterpret_cast<TFind*>(data);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner != f->Process || !::IsWindowVisible(window)) return TRUE;
            f->Found = window;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&find));
    }
    ASSERT_NE(find.Found, nullptr);
    EXPECT_EQ(WindowText(find.Found), c.Title);
    // The window closes; the box takes Escape's answer.
    ::PostMessageW(find.Found, c.ExitCode == 0 ? WM_CLOSE : TDM_CLICK_BUTTON, IDCANCEL, 0);
    EXPECT_EQ(::WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, c.ExitCode);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 window for many files, driven through window messages as a user
// would: its rules are the model's and tested there; these tests show the
// wiring: the list, the first focus, password, Tab, password and Return,
// the timer that follows the run, drops of several names, Entf, and six
// starts of the program as Explorer issues them that open one window.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "job/TargetName.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScriptedPrompt.h"
#include "tests/support/TempDir.h"
#include "tests/windows/WindowPicture.h"
#include "win32app/uBatch.h"
#include "window/BatchTexts.h"
#include "window/JobMessages.h"
// DROPFILES, after the project's headers.
#include <shlobj.h>

namespace {

#define WIDEN2(text) L##text
#define WIDEN(text) WIDEN2(text)

using C = TBatchControl;

// Plans each path as one file beside itself and runs nothing: a launch is
// recorded, and every item reported done at the first look once Hold is
// off.
class TRecordingRunner final : public IBatchRunner {
 public:
  TBatchListing Plan(const TBatchListOrder& order) override {
    TBatchListing listing;
    for (const std::string& path : order.Paths)
      listing.Items.push_back({path, ReplaceExtension(path), 2048, false});
    return listing;
  }
  void Launch(std::vector<TBatchRunItem> items, const TBatchSettings& settings,
              TSecret password) override {
    Items = std::move(items);
    Settings = settings;
    Password = std::move(password);
    News = {};
    for (std::size_t i = 0; i < Items.size(); ++i) {
      News.Started.push_back(i);
      TBatchItemEnd end;
      end.Index = i;
      News.Ended.push_back(end);
    }
    News.DoneBytes = News.TotalBytes = 2048 * Items.size();
    News.Finished = true;
  }
  TBatchNews TakeNews() override { return Hold ? TBatchNews{} : std::exchange(News, {}); }
  void Cancel() override {}
  void WaitForStopped() override {}

  bool Hold = false;
  std::vector<TBatchRunItem> Items;
  TBatchSettings Settings;
  TSecret Password;
  TBatchNews News;
};

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

// Characters, Tab and Return as the keyboard sends them to the focus of
// thread, which may be another process's.
HWND FocusOf(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return ::GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}
void Type(DWORD thread, const std::wstring& text) {
  for (const wchar_t c : text) ::PostMessageW(FocusOf(thread), WM_CHAR, c, 1);
}
void Key(DWORD thread, UINT key) {
  const HWND focus = FocusOf(thread);
  ::PostMessageW(focus, WM_KEYDOWN, key, 1);
  ::PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
}

class Win32BatchWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                                        ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
  }
  void SetUp() override {
    Form.StartWithFiles(Files, TDirection::Encrypt);
    Form.Show();
    Pump();
  }

  HWND H(C control) const { return Form.ControlHandle(control); }
  void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (Form.Handle() && Form.PreTranslate(msg)) continue;
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
  std::vector<std::string> Column(int column) const {
    std::vector<std::string> cells;
    for (std::size_t row = 0; row < Form.List().Count(); ++row)
      cells.push_back(Form.List().Cell(row, column));
    return cells;
  }

  TTempDir Dir;
  std::vector<std::string> Files = {Dir.File("a.txt"), Dir.File("Grüße 日本.txt"),
                                    Dir.File("a.txt")};
  TScriptedPrompt Prompt;
  TRecordingRunner Runner;
  TfrmBatch Form{Runner, &Prompt};
};

TEST_F(Win32BatchWindow, PasswordTabPasswordReturnRunsEveryFile) {
  EXPECT_EQ(WindowText(Form.Handle()), L"Tolvane Crypter – 2 Dateien");
  EXPECT_EQ(Column(0), (std::vector<std::string>{Files[0], Files[1]}));
  EXPECT_EQ(Column(1), (std::vector<std::string>{Dir.File("a.tvn"), Dir.File("Grüße 日本.tvn")}));
  EXPECT_EQ(Column(2), (std::vector<std::string>{"2,0 KB", "2,0 KB"}));
  EXPECT_EQ(Column(3), (std::vector<std::string>{"bereit", "bereit"}));
  ASSERT_EQ(::GetFocus(), H(C::edPassword1));

  const DWORD gui = ::GetCurrentThreadId();
  Runner.Hold = true;
  Type(gui, L"Geheimnis");
  Key(gui, VK_TAB);
  Pump();
  EXPECT_EQ(::GetFocus(), H(C::edPassword2));
  Type(gui, L"Geheimnis");
  Key(gui, VK_RETURN);
  Pump();
  ASSERT_EQ(Runner.Items.size(), 2U);
  EXPECT_EQ(Runner.Password.view(), "Geheimnis");
  EXPECT_EQ(Runner.Settings.Direction, TDirection::Encrypt);
  EXPECT_EQ(Form.Text(C::btnStart), "Abbrechen");
  EXPECT_TRUE(::IsWindowVisible(Form.ProgressHandle()));
  EXPECT_FALSE(::IsWindowEnabled(H(C::edPassword1)));

  // The timer takes the news and ends the run with its summary.
  Runner.Hold = false;
  ASSERT_TRUE(PumpUntil([&] { return !Form.Model().Running(); }));
  EXPECT_EQ(Column(3), (std::vector<std::string>{"fertig", "fertig"}));
  ASSERT_EQ(Prompt.Shown().size(), 1U);
  EXPECT_EQ(Prompt.Shown()[0].Caption, JobText::SuccessCaption);
  EXPECT_EQ(Prompt.Shown()[0].Text, BatchSummary(2, 0, 0));
  EXPECT_EQ(Form.Text(C::edPassword1), "");
  EXPECT_FALSE(::IsWindowVisible(Form.ProgressHandle()));
}

TEST_F(Win32BatchWindow, DropAddsEveryNameAndEntfRemovesTheSelected) {
  std::wstring list;
  for (const char* name : {"b.txt", "c.txt", "Ordner"}) list += WideText(Dir.File(name)) + L'\0';
  list += L'\0';
  const HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::copy(list.begin(), list.end(), reinterpret_cast<wchar_t*>(drop + 1));
  ::GlobalUnlock(memory);
  ::SendMessageW(Form.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  EXPECT_EQ(Column(0), (std::vector<std::string>{Files[0], Files[1], Dir.File("b.txt"),
                                                 Dir.File("c.txt"), Dir.File("Ordner")}));

  const TListView& rows = Form.List();
  const_cast<TListView&>(rows).Select(0, true);
  const_cast<TListView&>(rows).Select(3, true);
  ::SetFocus(rows.Handle());
  Key(::GetCurrentThreadId(), VK_DELETE);
  Pump();
  EXPECT_EQ(Column(0), (std::vector<std::string>{Files[1], Dir.File("b.txt"), Dir.File("Ordner")}));
  EXPECT_EQ(WindowText(Form.Handle()), L"Tolvane Crypter – 3 Dateien");
}

// Run in a Wine prefix of its own whose screen has 144 dpi
// (TOLVANE_TEST_DPI=144); skipped elsewhere.
TEST_F(Win32BatchWindow, ScalesToTheMonitorDpi) {
  const char* expected = std::getenv("TOLVANE_TEST_DPI");
  if (!expected) GTEST_SKIP() << "TOLVANE_TEST_DPI not set";
  const int dpi = std::atoi(expected);
  RECT client{};
  ::GetClientRect(Form.Handle(), &client);
  EXPECT_EQ(client.right, ::MulDiv(520, dpi, 96));
  EXPECT_EQ(client.bottom, ::MulDiv(465, dpi, 96));
  RECT quit{};
  ::GetWindowRect(Form.ControlHandle(C::btnQuit), &quit);
  ::MapWindowPoints(nullptr, Form.Handle(), reinterpret_cast<POINT*>(&quit), 2);
  EXPECT_EQ(quit.left, ::MulDiv(423, dpi, 96));
  EXPECT_EQ(quit.top, ::MulDiv(432, dpi, 96));
  EXPECT_EQ(::SendMessageW(Form.List().Handle(), LVM_GETCOLUMNWIDTH, 0, 0), ::MulDiv(140, dpi, 96));
}

// A picture of the window for the documentation, when
// TOLVANE_BATCH_WINDOW_SHOT names a .bmp file to write; skipped otherwise.
TEST(Win32BatchWindowPicture, Picture) {
  const char* file = std::getenv("TOLVANE_BATCH_WINDOW_SHOT");
  if (!file) GTEST_SKIP() << "TOLVANE_BATCH_WINDOW_SHOT not set";
  TScriptedPrompt prompt;
  TRecordingRunner runner;
  TfrmBatch form(runner, &prompt);
  std::vector<std::string> names;
  for (const char* name : {"IMG_0412.jpg", "IMG_0413.jpg", "IMG_0415.jpg", "Steuer 2025.pdf",
                           "Vertrag Wohnung.docx", "Zugangsdaten.txt"})
    names.push_back(std::string("C:\\Anna\\") + name);
  form.StartWithFiles(names, TDirection::Encrypt);
  form.Show();
  // Away from the pointer in the screen's middle, whose hint would show.
  ::SetWindowPos(form.Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  form.SetText(C::edPassword1, "Geheimnis");
  form.SetText(C::edPassword2, "Geheimnis");
  MSG msg;
  for (int i = 0; i < 50; ++i) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::Sleep(10);
  }
  EXPECT_TRUE(wintest::SaveWindowPicture(form.Handle(), file));
}

TEST(Win32BatchDialogs, SelectionOfSeveralFilesGivesWholeNames) {
  struct TCase {
    std::wstring Buffer;
    std::vector<std::wstring> Names;
  };
  const TCase cases[] = {
      {std::wstring(L"C:\\Briefe\0a.txt\0Grüße.txt\0\0", 27),
       {L"C:\\Briefe\\a.txt", L"C:\\Briefe\\Grüße.txt"}},
      {std::wstring(L"C:\\\0a.txt\0b\0\0", 13), {L"C:\\a.txt", L"C:\\b"}},
      {std::wstring(L"C:\\Briefe\\eine.txt\0\0", 20), {L"C:\\Briefe\\eine.txt"}},
  };
  for (const TCase& c : cases) EXPECT_EQ(SelectedNames(c.Buffer.c_str()), c.Names);
}

// The visible top-level windows of the processes, their hints left out.
std::vector<HWND> VisibleWindows(const std::vector<DWORD>& processes) {
  struct TFind {
    const std::vector<DWORD>& Processes;
    std::vector<HWND> Found;
  } find{processes, {}};
  ::EnumWindows(
      [](HWND window, LPARAM data) {
        auto* f = reinterpret_cast<TFind*>(data);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        wchar_t className[32] = {};
        ::GetClassNameW(window, className, 32);
        if (::IsWindowVisible(window) && ::lstrcmpiW(className, TOOLTIPS_CLASSW) != 0 &&
            std::find(f->Processes.begin(), f->Processes.end(), owner) != f->Processes.end())
          f->Found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.Found;
}

// Explorer's way with six selected files and "Mit Tolvane Crypter
// verschlüsseln": six starts of the program within a second, one file each.
// One window opens, for all six; the other starts hand over and end. A start
// meanwhile with the other direction opens its own window.
TEST(Win32Program, SixStartsOpenOneBatchWindow) {
  TTempDir dir;
  std::vector<PROCESS_INFORMATION> starts;
  std::vector<DWORD> ids;
  // What a failed check leaves running ends with the test.
  struct TEnd {
    std::vector<PROCESS_INFORMATION>& Starts;
    ~TEnd() {
      for (const PROCESS_INFORMATION& p : Starts) {
        if (::WaitForSingleObject(p.hProcess, 0) != WAIT_OBJECT_0)
          ::TerminateProcess(p.hProcess, 1);
        ::CloseHandle(p.hThread);
        ::CloseHandle(p.hProcess);
      }
    }
  } end{starts};
  const auto start = [&](const std::wstring& arguments) {
    std::wstring command = L"\"" WIDEN(TOLVANE_WINDOW_EXE) L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                                 nullptr, nullptr, &startup, &process));
    starts.push_back(process);
    ids.push_back(process.dwProcessId);
  };
  for (int i = 1; i <= 6; ++i) {
    const std::string file = dir.File("brief" + std::to_string(i) + ".txt");
    WriteFileBytes(file, "Zwei Fenster, ein Modell.\n");
    start(L"--encrypt \"" + WideText(file) + L"\"");
    if (i == 3) start(L"--decrypt \"" + WideText(dir.File("alt.tvn")) + L"\"");
  }
  // Explorer's starts follow each other within milliseconds; under Wine on
  // a loaded machine creating a process can take longer than the half
  // second the first start waits. Created first, they start together.
  for (const PROCESS_INFORMATION& p : starts) ::ResumeThread(p.hThread);
  HWND window = nullptr;
  HWND other = nullptr;
  for (int i = 0; i < 3000 && !(window && other); ++i) {
    ::Sleep(10);
    for (const HWND shown : VisibleWindows(ids)) {
      if (WindowText(shown) == L"Tolvane Crypter – 6 Dateien") window = shown;
      if (WindowText(shown) == L"Tolvane Crypter") other = shown;
    }
  }
  ASSERT_NE(window, nullptr);
  ASSERT_NE(other, nullptr);
  ::PostMessageW(other, WM_CLOSE, 0, 0);
  EXPECT_EQ(::WaitForSingleObject(starts[3].hProcess, 10000), WAIT_OBJECT_0);
  // The five that handed over have ended, and no further window is open.
  int ended = 0;
  for (const PROCESS_INFORMATION& p : starts) {
    if (::WaitForSingleObject(p.hProcess, 0) != WAIT_OBJECT_0) continue;
    DWORD exitCode = 99;
    ::GetExitCodeProcess(p.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0U);
    ++ended;
  }
  EXPECT_EQ(ended, 6);
  EXPECT_EQ(VisibleWindows(ids), std::vector<HWND>{window});
  const HWND list = ::FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
  EXPECT_EQ(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 6);

  // Password, Tab, password, Return.
  const DWORD gui = ::GetWindowThreadProcessId(window, nullptr);
  const HWND first = FocusOf(gui);
  wchar_t className[32] = {};
  ::GetClassNameW(first, className, 32);
  EXPECT_EQ(::lstrcmpiW(className, L"Edit"), 0);
  Type(gui, L"Geheimnis");
  Key(gui, VK_TAB);
  for (int i = 0; i < 100 && FocusOf(gui) == first; ++i) ::Sleep(10);
  EXPECT_NE(FocusOf(gui), first);
  Type(gui, L"Geheimnis");
  Key(gui, VK_RETURN);
  // The run ends with its summary; every result is what the Linux tolvane
  // makes of the text with this password, SHA-1 hashing and CBC
  // (tolvane encrypt --password-file).
  HWND box = nullptr;
  for (int i = 0; i < 3000 && !box; ++i) {
    ::Sleep(10);
    for (const HWND shown : VisibleWindows(ids))
      if (WindowText(shown) == L"Information") box = shown;
  }
  ASSERT_NE(box, nullptr);
  ::PostMessageW(box, TDM_CLICK_BUTTON, IDCANCEL, 0);
  for (int i = 0; i < 500 && ::IsWindowVisible(box); ++i) ::Sleep(10);
  for (int i = 1; i <= 6; ++i)
    EXPECT_EQ(ReadFileBytes(dir.File("brief" + std::to_string(i) + ".tvn")),
              FromHex("df161b83487188d93df3448803997de391ae0aa03aa8e233b789a3d93535cd64"))
        << i;
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  for (const PROCESS_INFORMATION& p : starts)
    EXPECT_EQ(::WaitForSingleObject(p.hProcess, 10000), WAIT_OBJECT_0);
}

}  // namespace

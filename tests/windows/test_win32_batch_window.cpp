// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 window for many files, driven through window messages as a user
// would: its rules are the model's and tested there; these tests show the
// wiring: the list, the first focus, password, Tab, password and Return,
// the timer that follows the run, drops of several names and Entf.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "job/TargetName.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScriptedPrompt.h"
#include "tests/support/TempDir.h"
#include "win32app/uBatch.h"
#include "window/BatchTexts.h"
#include "window/JobMessages.h"
// DROPFILES, after the project's headers.
#include <shlobj.h>

namespace {

using C = TBatchControl;

// Plans each path as one file beside itself and runs nothing: a launch is
// recorded and every item reported done at the next look.
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
  TBatchNews TakeNews() override { return std::exchange(News, {}); }
  void Cancel() override {}
  void WaitForStopped() override {}

  std::vector<TBatchRunItem> Items;
  TBatchSettings Settings;
  TSecret Password;
  TBatchNews News;
};

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

}  // namespace

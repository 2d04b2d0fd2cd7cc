// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32app/WindowStart.h"

#include "win32app/Win32Gui.h"
#include "win32app/uBatch.h"
#include "win32app/uMain.h"
#include "window/EngineBatchRunner.h"
#include "window/StartArguments.h"

namespace {

template <typename TForm>
int RunMessageLoop(TForm& form) {
  form.QuitOnDestroy();
  form.Show();
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (form.PreTranslate(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace

int RunWindow(const TStartArguments& start) {
  if (start.Window == TStartWindow::Batch) {
    // Its workers divide the cores as tolvane's do.
    TEngineBatchRunner runner(0);
    TfrmBatch frmBatch(runner);
    frmBatch.StartWithFiles(start.Files, start.Direction);
    return RunMessageLoop(frmBatch);
  }
  TfrmMain frmMain;
  if (!start.File.empty())
    frmMain.Model().TakeSourceFile(start.File, TSourceOrigin::StartUp, start.Direction);
  return RunMessageLoop(frmMain);
}

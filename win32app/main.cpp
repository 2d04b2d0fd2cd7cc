// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "job/CipherPath.h"
#include "platform/StandardStreams.h"
#include "platform/win32/WideText.h"
#include "win32app/HandOverChannel.h"
#include "win32app/TaskDialogPrompt.h"
#include "win32app/Win32Gui.h"
#include "win32app/WindowStart.h"
#include "window/Messages.h"
#include "window/StartArguments.h"

namespace {

// The arguments from the wide command line, so that names outside the ANSI
// code page arrive intact.
std::vector<std::string> Arguments() {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide && i < count; ++i) arguments.push_back(Utf8FromWide(wide[i]));
  if (wide) ::LocalFree(wide);
  return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  SecureStandardStreams();
  // TOLVANE_CIPHER is for tests and comparisons, run from a console.
  if (const std::optional<std::string> problem = CipherChoiceProblem()) {
    std::fprintf(stderr, "tolvane-crypter: %s\n", problem->c_str());
    return 2;
  }
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                                      ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);

  // A program without a console shows its usage and refusals in a box.
  const TStartArguments start = ParseStartArguments(Arguments());
  if (start.Action != TStartArguments::TAction::Run) {
    TTaskDialogPrompt prompt(nullptr);
    if (start.Action == TStartArguments::TAction::Help) {
      prompt.ShowMessage(StartUsageText(), "Information", mb::ICONINFORMATION);
      return 0;
    }
    prompt.ShowMessage("tolvane-crypter: " + start.Problem + "\r\n\r\n" + StartUsageText(),
                       msg::CaptionError, mb::ICONERROR);
    return 2;
  }

  // Explorer starts one process per selected file: they meet here, and one
  // window opens for all of them.
  const std::optional<TStartArguments> collected = CollectOrHandOver(start);
  if (!collected) return 0;
  return RunWindow(*collected);
}

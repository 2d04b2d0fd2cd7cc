// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/WindowModel.h"

#include <initializer_list>
#include <optional>
#include <utility>

#include "job/CryptRequest.h"
#include "job/TargetName.h"
#include "platform/FileSystem.h"
#include "window/JobRunner.h"
#include "window/Messages.h"
#include "window/PasswordCheck.h"
#include "window/UserPrompt.h"

namespace {

// The controls EnableControls switches, in its order. btnStart stays usable:
// it is the cancel button while a run goes on.
constexpr TControl SwitchedControls[] = {
    TControl::btnQuit,          TControl::btnAbout,          TControl::edSource,
    TControl::edTarget,         TControl::edPassword1,       TControl::edPassword2,
    TControl::rbEnCrypt,        TControl::rbDeCrypt,         TControl::rbECBCipher,
    TControl::rbCBCCipher,      TControl::cbOverwriteTarget, TControl::cbSearchNewFileName,
    TControl::btnBrowseSource,  TControl::btnBrowseTarget,   TControl::lbEnterPassword,
    TControl::lbRepeatPassword,
};

}  // namespace

bool TWindowModel::Running() const { return FView.Text(TControl::btnStart) == msg::Cancel; }

int TWindowModel::Tell(const char* text, const char* caption, unsigned flags) {
  return FPrompt.ShowMessage(text, caption, flags);
}

void TWindowModel::btnStartClick() {
  if (Running())
    CancelJob();
  else
    StartJob();
}

void TWindowModel::StartJob() {
  const TSecret repeated = FView.Password(TControl::edPassword2);
  TPasswordCheck password =
      CheckTypedPassword(FView.Password(TControl::edPassword1), &repeated, FPrompt);
  if (!password.Bytes) {
    if (password.ClearFields) ClearPasswords();
    return;
  }
  const std::string source = FView.Text(TControl::edSource);
  const std::string target = FView.Text(TControl::edTarget);
  if (source.empty() || target.empty()) {
    Tell(msg::InvalidFileName, msg::CaptionError, mb::ICONERROR);
    return;
  }
  switch (KindOf(source)) {
    case TFileKind::Regular: break;
    case TFileKind::Missing: Tell(msg::SourceNotFound, msg::CaptionError, mb::ICONERROR); return;
    case TFileKind::Directory:
    case TFileKind::Other:
      // A folder, a pipe or a device: present, but nothing to process.
      Tell(msg::SourceNotRegular, msg::CaptionError, mb::ICONERROR);
      return;
  }

  TCryptRequest request;
  request.Direction =
      FView.Checked(TControl::rbEnCrypt) ? TDirection::Encrypt : TDirection::Decrypt;
  request.Replace =
      FView.Checked(TControl::cbOverwriteTarget) ? TReplacePolicy::Replace : TReplacePolicy::Ask;
  request.Mode = FView.Checked(TControl::rbECBCipher) ? TChainMode::ECB : TChainMode::CBC;
  request.SourceName = source;
  request.TargetName = target;
  request.Password = std::move(*password.Bytes);
  request.Hashing =
      FView.Checked(TControl::cbUseHashes) ? TPasswordHashing::UseHashes : TPasswordHashing::Plain;

  // A cancelled run may still be closing its files and removing its
  // unfinished result.
  FRunner.WaitForStopped();
  EnableControls(false);
  FView.SetText(TControl::btnStart, msg::Cancel);
  FView.SetProgressVisible(true);
  FView.Repaint();
  FRunner.Launch(std::move(request));
}

// False when the run was past its point of no return: it goes on to its
// end and its own message, and the window stays Running until then.
bool TWindowModel::CancelJob() {
  // The stopped run removes its unfinished result; the target's name never
  // held any of it, so there is nothing to ask.
  if (!FRunner.Cancel()) return false;
  JobFinished();
  return true;
}

void TWindowModel::JobFinished() {
  EnableControls(true);
  ClearPasswords();
  FView.SetText(TControl::edSource, "");
  FView.SetText(TControl::edTarget, "");
  FProposedTarget.clear();
  FView.SetText(TControl::btnStart, DirectionCaption());
  FView.SetProgressVisible(false);
  FView.RunEnded();
  if (FCloseAfterRun) {
    FCloseAfterRun = false;
    FView.CloseWindow();
  }
}

void TWindowModel::EnableControls(bool enable) {
  FView.SetBusyCursor(!enable);
  for (const TControl control : SwitchedControls) FView.SetEnabled(control, enable);
}

void TWindowModel::ClearPasswords() {
  FView.SetText(TControl::edPassword1, "");
  FView.SetText(TControl::edPassword2, "");
}

std::string TWindowModel::DirectionCaption() const {
  return FView.Text(FView.Checked(TControl::rbEnCrypt) ? TControl::rbEnCrypt : TControl::rbDeCrypt);
}

void TWindowModel::DirectionChanged() {
  // While a run goes on the caption is the cancel button's.
  if (Running()) return;
  FView.SetText(TControl::btnStart, DirectionCaption());
  const std::string target = FView.Text(TControl::edTarget);
  if (FView.Checked(TControl::cbSearchNewFileName) && !FProposedTarget.empty() &&
      target == FProposedTarget)
    ProposeTarget();
}

void TWindowModel::ProposeTarget() {
  const std::string source = FView.Text(TControl::edSource);
  std::optional<std::string> proposal;
  // NAME.tvn decrypts beside itself to NAME, never over itself.
  if (FView.Checked(TControl::rbDeCrypt)) {
    proposal = DecryptedTargetName(source);
    // Nor over itself through a link named NAME: the user chooses then.
    if (proposal && SameFile(*proposal, source)) proposal = std::string();
  }
  if (!proposal) proposal = ProposeTargetName(source, FileExists);
  FView.SetText(TControl::edTarget, *proposal);
  FProposedTarget = std::move(*proposal);
}

void TWindowModel::SelectDirection(TDirection direction) {
  FView.SetChecked(direction == TDirection::Encrypt ? TControl::rbEnCrypt : TControl::rbDeCrypt,
                   true);
  FView.SetText(TControl::btnStart, DirectionCaption());
}

void TWindowModel::TakeSourceFile(const std::string& name, TSourceOrigin origin,
                                  std::optional<TDirection> direction) {
  FView.SetText(TControl::edSource, name);
  if (!direction && HasEncryptedExtension(name)) direction = TDirection::Decrypt;
  if (direction) SelectDirection(*direction);
  if (FView.Checked(TControl::cbSearchNewFileName)) {
    ProposeTarget();
  } else if (origin == TSourceOrigin::Drop) {
    // A target left from an earlier source would be overwritten with this
    // one's result: without automatic naming the user names it afresh.
    FView.SetText(TControl::edTarget, "");
    FProposedTarget.clear();
  }
}

void TWindowModel::TakeTargetFile(const std::string& name) {
  FView.SetText(TControl::edTarget, name);
  FProposedTarget.clear();
}

void TWindowModel::btnAboutClick() { Tell(msg::AboutText, msg::CaptionAbout, mb::ICONINFORMATION); }

bool TWindowModel::FormCloseQuery() {
  if (!Running()) return true;
  // Closing stops the run; the target keeps what it held. Asked first, so
  // that a long run is not lost to a stray click.
  if (Tell(msg::StopAndQuit, msg::CaptionWarning, mb::YESNO | mb::ICONWARNING) != idYes)
    return false;
  // The run may have ended while the question was open: then there is
  // nothing left to stop, and the window still closes as the user asked.
  // A run past its point of no return ends first and says so; the window
  // closes after that.
  if (Running() && !CancelJob()) {
    FCloseAfterRun = true;
    return false;
  }
  // The worker stops at its next chunk and removes its unfinished result
  // before the process ends.
  FRunner.WaitForStopped();
  return true;
}

std::string WithDefaultExtension(const std::string& chosen) {
  if (KindOf(chosen) != TFileKind::Missing || FileNamePart(chosen).find('.') != std::string::npos)
    return chosen;
  return chosen + "." + msg::OpenDialogSuffix;
}

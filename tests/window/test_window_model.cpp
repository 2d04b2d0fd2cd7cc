// SPDX-License-Identifier: GPL-3.0-or-later
// The window's rules on the model alone, without a display: the checks
// before a run, the request a run is given, Idle and Running, cancelling,
// closing during a run, and the target proposed for a source.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "job/CryptJob.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScriptedPrompt.h"
#include "tests/support/TempDir.h"
#include "tests/window/FakeWindowView.h"
#include "window/JobMessageBoxes.h"
#include "window/Messages.h"
#include "window/WindowModel.h"

namespace {

class WindowModel : public ::testing::Test {
 protected:
  WindowModel() {
    WriteFileBytes(Dir.File("file"), "data");
    std::filesystem::create_directory(PathOf(Dir.File("dir")));
  }

  // Fills the window as a user would and clicks start.
  void Start(const std::string& source, const std::string& target, const std::string& password1,
             const std::string& password2) {
    View.Texts[TControl::edSource] = source;
    View.Texts[TControl::edTarget] = target;
    View.Texts[TControl::edPassword1] = password1;
    View.Texts[TControl::edPassword2] = password2;
    Model.btnStartClick();
  }
  std::vector<std::string> Shown() const {
    std::vector<std::string> texts;
    for (const TShown& s : Prompt.Shown()) texts.push_back(s.Text);
    return texts;
  }

  TTempDir Dir;
  TFakeWindowView View;
  TScriptedPrompt Prompt;
  TFakeRunner Runner;
  TWindowModel Model{View, Prompt, Runner};
};

// Each check in its order, with its message; a refused start keeps the names
// as typed and empties the passwords only when they were the problem.
TEST_F(WindowModel, StartChecksInOrder) {
  struct TCase {
    const char* Name;
    std::string Password1, Password2, Source, Target;
    int WarningAnswer;
    std::vector<std::string> Messages;
    bool Started, PasswordsKept;
  };
  const std::string file = Dir.File("file"), t = Dir.File("t");
  const TCase cases[] = {
      {"passwords differ, before all else", "a", "b", "", "", idYes, {msg::PasswordsDiffer}, false, false},
      {"differ in case only", "Geheim", "geheim", file, t, idYes, {msg::PasswordsDiffer}, false, false},
      {"not Windows-1252", "пароль", "пароль", file, t, idYes, {msg::PasswordNotWindows1252}, false, false},
      {"C1 control without a byte", "a\u0080", "a\u0080", file, t, idYes, {msg::PasswordNotWindows1252}, false, false},
      {"C1 control Windows keeps as its byte", "a\u0090", "a\u0090", file, t, idYes, {}, true, true},
      {"euro sign", "5€", "5€", file, t, idYes, {}, true, true},
      {"no password, No", "", "", file, t, idNo, {msg::NoPassword}, false, true},
      {"no password, Yes, no source", "", "", "", t, idYes, {msg::NoPassword, msg::InvalidFileName}, false, true},
      {"no password, Yes", "", "", file, t, idYes, {msg::NoPassword}, true, true},
      {"no target", "x", "x", file, "", idYes, {msg::InvalidFileName}, false, true},
      {"source missing", "x", "x", Dir.File("missing"), t, idYes, {msg::SourceNotFound}, false, true},
      {"source is a folder", "x", "x", Dir.File("dir"), t, idYes, {msg::SourceNotRegular}, false, true},
      // Names are used as typed: a trailing blank makes another name.
      {"trailing blank", "x", "x", file + " ", t, idYes, {msg::SourceNotFound}, false, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TFakeWindowView view;
    TScriptedPrompt prompt;
    TFakeRunner runner;
    TWindowModel model(view, prompt, runner);
    prompt.Script({c.WarningAnswer});
    view.Texts[TControl::edSource] = c.Source;
    view.Texts[TControl::edTarget] = c.Target;
    view.Texts[TControl::edPassword1] = c.Password1;
    view.Texts[TControl::edPassword2] = c.Password2;
    model.btnStartClick();

    std::vector<std::string> shown;
    for (const TShown& s : prompt.Shown()) {
      shown.push_back(s.Text);
      const bool question = s.Text == msg::NoPassword;
      EXPECT_EQ(s.Flags, question ? mb::YESNO | mb::ICONWARNING : mb::ICONERROR);
      EXPECT_EQ(s.Caption, question ? "Warnung" : "Fehler");
    }
    EXPECT_EQ(shown, c.Messages);
    EXPECT_EQ(model.Running(), c.Started);
    EXPECT_EQ(runner.Launched.size(), c.Started ? 1U : 0U);
    if (c.Started) continue;
    EXPECT_EQ(view.Text(TControl::edSource), c.Source);
    EXPECT_EQ(view.Text(TControl::edTarget), c.Target);
    EXPECT_EQ(view.Text(TControl::edPassword1), c.PasswordsKept ? c.Password1 : "");
    EXPECT_EQ(view.Text(TControl::edPassword2), c.PasswordsKept ? c.Password2 : "");
  }
}

// The request carries the controls' settings and the password's
// Windows-1252 bytes; the key texts are the job's to derive.
TEST_F(WindowModel, RequestTakesTheControls) {
  struct TCase {
    std::string Password;
    std::string Bytes;
    bool Decrypt, Ecb, Overwrite, UseHashes;
  };
  const TCase cases[] = {
      {"geheim", "geheim", false, false, false, true},
      {"Käse", "K\xE4se", true, true, true, false},
      {"a\u0081\u008D\u008F\u0090\u009Dz", "a\x81\x8D\x8F\x90\x9Dz", false, true, false, true},
      {"", "", true, false, true, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Password);
    TFakeWindowView view;
    TFakeRunner runner;
    TWindowModel model(view, Prompt, runner);
    view.SetChecked(c.Decrypt ? TControl::rbDeCrypt : TControl::rbEnCrypt, true);
    view.SetChecked(c.Ecb ? TControl::rbECBCipher : TControl::rbCBCCipher, true);
    view.SetChecked(TControl::cbOverwriteTarget, c.Overwrite);
    view.SetChecked(TControl::cbUseHashes, c.UseHashes);
    view.Texts[TControl::edSource] = Dir.File("file");
    view.Texts[TControl::edTarget] = Dir.File("ziel ");
    view.Texts[TControl::edPassword1] = view.Texts[TControl::edPassword2] = c.Password;
    model.btnStartClick();
    ASSERT_EQ(runner.Launched.size(), 1U);
    const TCryptRequest& r = runner.Launched[0];
    EXPECT_EQ(r.Direction, c.Decrypt ? TDirection::Decrypt : TDirection::Encrypt);
    EXPECT_EQ(r.Mode, c.Ecb ? TChainMode::ECB : TChainMode::CBC);
    EXPECT_EQ(r.Replace, c.Overwrite ? TReplacePolicy::Replace : TReplacePolicy::Ask);
    EXPECT_EQ(r.Hashing, c.UseHashes ? TPasswordHashing::UseHashes : TPasswordHashing::Plain);
    EXPECT_EQ(r.SourceName, Dir.File("file"));
    EXPECT_EQ(r.TargetName, Dir.File("ziel "));
    EXPECT_EQ(r.Password.view(), c.Bytes);
  }
}

// Running: every input control off in its order, the hourglass, the cancel
// caption and the bar. The end of a run turns them back, empties the four
// edits in their order, and the caption follows the direction again.
TEST_F(WindowModel, RunningAndItsEnd) {
  const std::vector<TControl> order = {
      TControl::btnQuit,         TControl::btnAbout,           TControl::edSource,
      TControl::edTarget,        TControl::edPassword1,        TControl::edPassword2,
      TControl::rbEnCrypt,       TControl::rbDeCrypt,          TControl::rbECBCipher,
      TControl::rbCBCCipher,     TControl::cbOverwriteTarget,  TControl::cbSearchNewFileName,
      TControl::btnBrowseSource, TControl::btnBrowseTarget,    TControl::lbEnterPassword,
      TControl::lbRepeatPassword};
  View.SetChecked(TControl::rbDeCrypt, true);
  Start(Dir.File("file"), Dir.File("t"), "pw", "pw");
  EXPECT_TRUE(Model.Running());
  EXPECT_EQ(View.Text(TControl::btnStart), "Abbrechen");
  EXPECT_EQ(View.EnabledOrder, order);
  for (TControl c : order) EXPECT_FALSE(View.Enabled[c]);
  EXPECT_TRUE(View.Busy);
  EXPECT_TRUE(View.ProgressVisible);
  EXPECT_FALSE(Model.AcceptsDrops());
  EXPECT_EQ(Runner.Waits, 1);  // for a run cancelled before

  View.EnabledOrder.clear();
  View.Cleared.clear();
  Model.JobFinished();
  EXPECT_FALSE(Model.Running());
  EXPECT_EQ(View.EnabledOrder, order);
  for (TControl c : order) EXPECT_TRUE(View.Enabled[c]);
  EXPECT_FALSE(View.Busy);
  EXPECT_FALSE(View.ProgressVisible);
  const std::vector<TControl> emptied = {TControl::edPassword1, TControl::edPassword2,
                                         TControl::edSource, TControl::edTarget,
                                         TControl::btnStart};
  EXPECT_EQ(View.Cleared, emptied);
  EXPECT_EQ(View.Text(TControl::btnStart), "Entschlüsseln");
  EXPECT_TRUE(View.Checked(TControl::rbDeCrypt));  // checks stay as they were
  EXPECT_TRUE(Prompt.Shown().empty());
}

// The cancel button stops the run and ends it at once, without a question.
TEST_F(WindowModel, CancelEndsTheRun) {
  Start(Dir.File("file"), Dir.File("t"), "pw", "pw");
  Model.btnStartClick();
  EXPECT_EQ(Runner.Cancels, 1);
  EXPECT_FALSE(Model.Running());
  EXPECT_EQ(View.Text(TControl::edSource), "");
  EXPECT_TRUE(Prompt.Shown().empty());
}

// Closing during a run asks; Yes stops the run and closes, No keeps both.
// A run that ends while the question is open still lets Yes close.
TEST_F(WindowModel, CloseDuringARun) {
  struct TCase {
    const char* Name;
    bool Running;
    int Answer;
    bool EndsMeanwhile;
    bool Closes;
    int Cancels;
  };
  const TCase cases[] = {
      {"idle", false, idYes, false, true, 0},
      {"running, No", true, idNo, false, false, 0},
      {"running, Yes", true, idYes, false, true, 1},
      {"ended while asking, Yes", true, idYes, true, true, 0},
      {"ended while asking, No", true, idNo, true, false, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TFakeWindowView view;
    TScriptedPrompt prompt;
    TFakeRunner runner;
    TWindowModel model(view, prompt, runner);
    if (c.Running) {
      view.Texts[TControl::edSource] = Dir.File("file");
      view.Texts[TControl::edTarget] = Dir.File("t");
      view.Texts[TControl::edPassword1] = view.Texts[TControl::edPassword2] = "pw";
      model.btnStartClick();
    }
    prompt.Script({c.Answer});
    if (c.EndsMeanwhile) prompt.OnShow = [&](const TShown&) { model.JobFinished(); };
    EXPECT_EQ(model.FormCloseQuery(), c.Closes);
    EXPECT_EQ(runner.Cancels, c.Cancels);
    EXPECT_EQ(prompt.Shown().size(), c.Running ? 1U : 0U);
    if (c.Running) {
      EXPECT_EQ(prompt.Shown()[0].Text, msg::StopAndQuit);
    }
    EXPECT_EQ(model.Running(), c.Running && !c.Closes && !c.EndsMeanwhile);
  }
}

// The target proposed for a source chosen with "...", dropped, or named at
// start-up. A ".tvn" file is set up for decryption beside itself.
TEST_F(WindowModel, TargetProposal) {
  struct TCase {
    std::string Source;
    TSourceOrigin Origin;
    bool Automatic;
    std::string Target;  // "kept": what was there before
    bool Decrypt;
    std::optional<TDirection> Given = std::nullopt;  // --encrypt or --decrypt
  };
  const TCase cases[] = {
      {"brief.txt", TSourceOrigin::Pick, true, "brief.tvn", false},
      {"brief", TSourceOrigin::Drop, true, "brief.tvn", false},
      {".bashrc", TSourceOrigin::StartUp, true, ".bashrc.tvn", false},
      {"a.b/brief", TSourceOrigin::Pick, true, "a.b/brief.tvn", false},
      // old.tvn exists: never replaced behind the user's back.
      {"old.txt", TSourceOrigin::Pick, true, "old.txt", false},
      {"brief.tvn", TSourceOrigin::Pick, true, "brief", true},
      {"ALT.TVN", TSourceOrigin::StartUp, true, "ALT", true},
      // The decrypted name exists: the replace question decides at the start.
      {"old.tvn", TSourceOrigin::Drop, true, "old", true},
      {"brief.txt", TSourceOrigin::Pick, false, "kept", false},
      {"brief.txt", TSourceOrigin::StartUp, false, "kept", false},
      {"brief.tvn", TSourceOrigin::StartUp, false, "kept", true},
      // A dropped file with automatic naming off must not take over the
      // target of the file before it.
      {"brief.txt", TSourceOrigin::Drop, false, "", false},
      // A direction named at start-up is taken as given.
      {"brief.tvn", TSourceOrigin::StartUp, true, "brief.tvn", false, TDirection::Encrypt},
      {"brief.txt", TSourceOrigin::StartUp, true, "brief.tvn", true, TDirection::Decrypt},
  };
  WriteFileBytes(Dir.File("old.tvn"), "x");
  WriteFileBytes(Dir.File("old"), "x");
  std::filesystem::create_directory(PathOf(Dir.File("a.b")));
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Source);
    TFakeWindowView view;
    TWindowModel model(view, Prompt, Runner);
    view.SetChecked(TControl::cbSearchNewFileName, c.Automatic);
    view.Texts[TControl::edTarget] = Dir.File("kept");
    model.TakeSourceFile(Dir.File(c.Source), c.Origin, c.Given);
    EXPECT_EQ(view.Text(TControl::edSource), Dir.File(c.Source));
    EXPECT_EQ(view.Text(TControl::edTarget), c.Target.empty() ? "" : Dir.File(c.Target));
    EXPECT_EQ(view.Checked(TControl::rbDeCrypt), c.Decrypt);
    EXPECT_EQ(view.Text(TControl::btnStart), c.Decrypt ? "Entschlüsseln" : "Verschlüsseln");
  }
}

// A proposed target follows a change of direction; one the user chose does
// not, and typing the source's own name still decrypts in place.
TEST_F(WindowModel, ProposalFollowsTheDirection) {
  const std::string source = Dir.File("brief.tvn");
  Model.TakeSourceFile(source, TSourceOrigin::Pick);
  EXPECT_EQ(View.Text(TControl::edTarget), Dir.File("brief"));
  View.SetChecked(TControl::rbEnCrypt, true);
  Model.DirectionChanged();
  EXPECT_EQ(View.Text(TControl::btnStart), "Verschlüsseln");
  EXPECT_EQ(View.Text(TControl::edTarget), Dir.File("brief.tvn"));
  View.SetChecked(TControl::rbDeCrypt, true);
  Model.DirectionChanged();
  EXPECT_EQ(View.Text(TControl::edTarget), Dir.File("brief"));

  Model.TakeTargetFile(source);
  View.SetChecked(TControl::rbEnCrypt, true);
  Model.DirectionChanged();
  View.SetChecked(TControl::rbDeCrypt, true);
  Model.DirectionChanged();
  EXPECT_EQ(View.Text(TControl::edTarget), source);
}

// NAME.tvn is not proposed to decrypt into a NAME that leads back to it:
// the target stays empty, for the user to choose.
TEST_F(WindowModel, NoProposalThatReachesTheSource) {
  WriteFileBytes(Dir.File("x.tvn"), "data");
  std::error_code error;
  std::filesystem::create_symlink("x.tvn", PathOf(Dir.File("x")), error);
  if (error) GTEST_SKIP() << "no symbolic links here";
  View.SetChecked(TControl::cbSearchNewFileName, true);
  View.Texts[TControl::edTarget] = Dir.File("kept");
  Model.TakeSourceFile(Dir.File("x.tvn"), TSourceOrigin::Pick);
  EXPECT_TRUE(View.Checked(TControl::rbDeCrypt));
  EXPECT_EQ(View.Text(TControl::edTarget), "");
}

TEST_F(WindowModel, AboutBox) {
  Model.btnAboutClick();
  ASSERT_EQ(Prompt.Shown().size(), 1U);
  EXPECT_EQ(Prompt.Shown()[0].Caption, "Über Tolvane Crypter...");
  EXPECT_EQ(Prompt.Shown()[0].Flags, mb::ICONINFORMATION);
}

// The file dialog's "txt" goes only onto a name that names nothing as it is
// and has no dot in its file-name part.
TEST_F(WindowModel, DefaultExtension) {
  WriteFileBytes(Dir.File("brief"), "x");
  std::filesystem::create_directory(PathOf(Dir.File("a.b")));
  const std::pair<std::string, std::string> cases[] = {
      {"neu", "neu.txt"},           {"brief", "brief"},  // exists as typed
      {"neu.dat", "neu.dat"},       {".profil", ".profil"},
      {"a.b/neu", "a.b/neu.txt"},  // a dot in the folder does not count
  };
  for (const auto& [chosen, expected] : cases) {
    EXPECT_EQ(WithDefaultExtension(Dir.File(chosen)), Dir.File(expected)) << chosen;
  }
}

// Runs the window's job on a thread of its own, as the views do, and holds
// it at one step near its end until the test lets it go on.
class TSteppedRunner final : public IJobRunner {
 public:
  TSteppedRunner(IUserPrompt& prompt, TJobStep holdAt) : FMessages(prompt), FHoldAt(holdAt) {}
  ~TSteppedRunner() override {
    if (FThread.joinable()) Finish();
  }

  void Launch(TCryptRequest request) override {
    FJob = std::make_unique<TCryptJob>(FMessages, std::move(request));
    FJob->SetStepHook([this](TJobStep step) {
      if (step != FHoldAt) return;
      FHeld.set_value();
      FGo.get_future().wait();
    });
    FThread = std::thread([this] { FJob->RunJob(); });
  }
  bool Cancel() override {
    if (!FJob->RequestStop()) return false;
    FCancelled = true;
    return true;
  }
  void WaitForStopped() override {}

  // False when the job never got there.
  bool WaitUntilHeld() {
    return FHeld.get_future().wait_for(std::chrono::seconds(60)) == std::future_status::ready;
  }
  // Lets the job go on to its end; true when the window hears of that end.
  bool Finish() {
    FGo.set_value();
    FThread.join();
    return !FCancelled;
  }

 private:
  TJobMessageBoxes FMessages;
  TJobStep FHoldAt;
  std::unique_ptr<TCryptJob> FJob;
  std::promise<void> FHeld;
  std::promise<void> FGo;
  std::thread FThread;
  bool FCancelled = false;
};

// "Abbrechen", or Yes to the close question, during the last step of a run:
// before the point of no return the target stays as it was and nothing is
// said; after it the run ends as a success, says so, and a window asked to
// close closes then.
TEST_F(WindowModel, ACancelDuringTheLastStepIsToldTruthfully) {
  struct TCase {
    TJobStep HoldAt;
    bool ByClosing;
    bool StopWins;
  };
  const TCase cases[] = {{TJobStep::Synced, false, true},
                         {TJobStep::Committed, false, false},
                         {TJobStep::Synced, true, true},
                         {TJobStep::Committed, true, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.ByClosing) + std::to_string(c.StopWins));
    WriteFileBytes(Dir.File("ziel"), "altes Ziel");
    TFakeWindowView view;
    TScriptedPrompt prompt;
    TSteppedRunner runner(prompt, c.HoldAt);
    TWindowModel model(view, prompt, runner);
    view.SetChecked(TControl::cbOverwriteTarget, true);
    view.Texts[TControl::edSource] = Dir.File("file");
    view.Texts[TControl::edTarget] = Dir.File("ziel");
    view.Texts[TControl::edPassword1] = view.Texts[TControl::edPassword2] = "pw";
    model.btnStartClick();
    ASSERT_TRUE(runner.WaitUntilHeld());

    if (c.ByClosing) {
      EXPECT_EQ(model.FormCloseQuery(), c.StopWins);
    } else {
      model.btnStartClick();
    }
    EXPECT_EQ(model.Running(), !c.StopWins);
    if (runner.Finish()) model.JobFinished();

    EXPECT_FALSE(model.Running());
    const std::string target = ReadFileBytes(Dir.File("ziel"));
    std::vector<std::string> captions = prompt.Captions();
    if (c.ByClosing) captions.erase(captions.begin());  // the close question
    if (c.StopWins) {
      EXPECT_EQ(target, "altes Ziel");
      EXPECT_TRUE(captions.empty());
    } else {
      EXPECT_EQ(target.size(), 16u);
      EXPECT_EQ(captions, std::vector<std::string>{"Information"});
    }
    EXPECT_EQ(view.Closes, c.ByClosing && !c.StopWins ? 1 : 0);
  }
}

}  // namespace

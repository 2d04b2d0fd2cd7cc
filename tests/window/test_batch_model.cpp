// SPDX-License-Identifier: GPL-3.0-or-later
// The batch window's rules on the model alone: the list, the direction
// preset, the checks before a run, the question about existing targets, the
// run's progress and statuses, the summary, stopping and closing.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/ScriptedPrompt.h"
#include "tests/window/FakeBatchView.h"
#include "window/BatchModel.h"
#include "window/BatchTexts.h"
#include "window/Messages.h"

namespace {

using namespace std::chrono_literals;
using C = TBatchControl;

TBatchItemEnd End(std::size_t index, TBatchOutcome outcome, TBatchCause cause = TBatchCause::None) {
  TBatchItemEnd end;
  end.Index = index;
  end.Outcome = outcome;
  end.Cause = cause;
  return end;
}

class BatchModel : public ::testing::Test {
 protected:
  std::vector<std::string> Sources() const {
    std::vector<std::string> sources;
    for (const TBatchRowText& row : View.Rows) sources.push_back(row.Source);
    return sources;
  }
  std::vector<std::string> Shown() const {
    std::vector<std::string> texts;
    for (const TShown& s : Prompt.Shown()) texts.push_back(s.Text);
    return texts;
  }
  void Start(const std::string& password1, const std::string& password2) {
    View.Texts[C::edPassword1] = password1;
    View.Texts[C::edPassword2] = password2;
    Model.btnStartClick();
  }
  std::vector<std::string> LaunchedSources() const {
    std::vector<std::string> sources;
    for (const TBatchRunItem& item : Runner.Launched.back().Items) sources.push_back(item.Source);
    return sources;
  }

  TFakeBatchView View;
  TScriptedPrompt Prompt;
  TFakeBatchRunner Runner;
  std::chrono::steady_clock::time_point Now{};
  TBatchModel Model{View, Prompt, Runner, [this] { return Now; }};
};

// Every spelling of a listed path is that path; a removed file of a listed
// folder comes back when it is added again; the caption counts the files.
TEST_F(BatchModel, ListTakesEachPathOnce) {
  EXPECT_EQ(View.Caption, "Tolvane Crypter – 0 Dateien");
  Model.AddPaths({"/d/a.txt"});
  EXPECT_EQ(View.Caption, "Tolvane Crypter – 1 Datei");
  Model.AddPaths({"/d/./a.txt", "/d/x/../a.txt", "//d/a.txt", "/d/b.txt", "/d/b.txt"});
  EXPECT_EQ(Sources(), (std::vector<std::string>{"/d/a.txt", "/d/b.txt"}));
  EXPECT_EQ(View.Rows[0].Target, "/d/a.tvn");
  EXPECT_EQ(View.Rows[0].Status, "bereit");
  EXPECT_EQ(View.Rows[0].Size, "1000 Bytes");

  Runner.Folders["/f"] = {"x", "y"};
  Model.AddPaths({"/f", "/f/y"});
  EXPECT_EQ(Sources(), (std::vector<std::string>{"/d/a.txt", "/d/b.txt", "/f/x", "/f/y"}));
  Model.RemoveRows({0, 3});
  EXPECT_EQ(Sources(), (std::vector<std::string>{"/d/b.txt", "/f/x"}));
  EXPECT_EQ(View.Caption, "Tolvane Crypter – 2 Dateien");
  Model.AddPaths({"/f/y", "/d/a.txt"});
  EXPECT_EQ(Sources(), (std::vector<std::string>{"/d/b.txt", "/f/x", "/f/y", "/d/a.txt"}));

  // Not while a run holds the list.
  Start("pw", "pw");
  Model.RemoveRows({0});
  Model.AddPaths({"/d/c.txt"});
  EXPECT_EQ(View.Rows.size(), 4U);
}

// Decryption when every file is a .tvn file, in any case; encryption
// otherwise; the start-up's direction stands. Decrypting asks once.
TEST_F(BatchModel, DirectionFollowsTheFiles) {
  struct TCase {
    std::vector<std::string> Paths;
    std::optional<TDirection> Fixed;
    TDirection Expected;
  };
  const TCase cases[] = {
      {{"/a.txt"}, std::nullopt, TDirection::Encrypt},
      {{"/a.tvn", "/b.TVN"}, std::nullopt, TDirection::Decrypt},
      {{"/a.tvn", "/b.txt"}, std::nullopt, TDirection::Encrypt},
      {{"/tvns"}, std::nullopt, TDirection::Decrypt},
      {{"/a.tvn"}, TDirection::Encrypt, TDirection::Encrypt},
      {{"/a.txt"}, TDirection::Decrypt, TDirection::Decrypt},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Paths.front());
    TFakeBatchView view;
    TScriptedPrompt prompt;
    TFakeBatchRunner runner;
    runner.Folders["/tvns"] = {"1.tvn", "2.Tvn"};
    TBatchModel model(view, prompt, runner);
    if (c.Fixed) model.FixDirection(*c.Fixed);
    model.AddPaths(c.Paths);
    const bool encrypt = c.Expected == TDirection::Encrypt;
    EXPECT_EQ(view.Checked(C::rbEnCrypt), encrypt);
    EXPECT_EQ(view.Text(C::btnStart), encrypt ? "Verschlüsseln" : "Entschlüsseln");
    EXPECT_EQ(view.Enabled[C::edPassword2], encrypt);
    // The files the direction leaves out say why.
    if (c.Fixed == TDirection::Encrypt) {
      EXPECT_EQ(view.Rows[0].Status, "übersprungen: hat bereits die Endung .tvn");
    }
  }
}

// Each check in its order, with its message; nothing starts after one fails.
TEST_F(BatchModel, StartChecksInOrder) {
  struct TCase {
    const char* Name;
    bool Decrypt;
    std::string Password1, Password2;
    int WarningAnswer;
    std::vector<std::string> Messages;
    bool Started, PasswordsKept;
  };
  const std::string conflict = std::string(BatchText::ConflictsIntro) +
                               "\r\n/a.txt und /b.txt ergäben beide /t.tvn\r\n/own.txt wäre ihre "
                               "eigene Zieldatei";
  const TCase cases[] = {
      {"passwords differ", false, "a", "b", idYes, {msg::PasswordsDiffer}, false, false},
      {"decrypting asks once", true, "a", "", idYes, {}, true, true},
      {"not Windows-1252",
       false,
       "пароль",
       "пароль",
       idYes,
       {msg::PasswordNotWindows1252},
       false,
       false},
      {"no password, No", false, "", "", idNo, {msg::NoPassword}, false, true},
      {"no password, Yes", false, "", "", idYes, {msg::NoPassword}, true, true},
      {"empty list", false, "x", "x", idYes, {BatchText::NothingToDo}, false, true},
      {"conflicts", false, "x", "x", idYes, {conflict}, false, true},
      {"no output folder", false, "x", "x", idYes, {BatchText::NoOutputFolder}, false, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TFakeBatchView view;
    TScriptedPrompt prompt;
    TFakeBatchRunner runner;
    TBatchModel model(view, prompt, runner);
    prompt.Script({c.WarningAnswer});
    const std::string name = c.Name;
    if (name != "empty list") model.AddPaths({c.Decrypt ? "/a.tvn" : "/a.txt"});
    if (name == "conflicts") {
      runner.Conflicts = {{TBatchCause::OneTarget, "/b.txt", "/t.tvn", "/a.txt", ""}};
      runner.OwnTargets = {"/own.txt"};
      model.AddPaths({"/own.txt"});
    }
    if (name == "no output folder") view.SetChecked(C::rbIntoFolder, true);
    view.Texts[C::edPassword1] = c.Password1;
    view.Texts[C::edPassword2] = c.Password2;
    model.btnStartClick();

    std::vector<std::string> shown;
    for (const TShown& s : prompt.Shown()) shown.push_back(s.Text);
    EXPECT_EQ(shown, c.Messages);
    EXPECT_EQ(model.Running(), c.Started);
    ASSERT_EQ(runner.Launched.size(), c.Started ? 1U : 0U);
    if (c.Started) {
      EXPECT_EQ(runner.Launched[0].Settings.Direction,
                c.Decrypt ? TDirection::Decrypt : TDirection::Encrypt);
    }
    EXPECT_EQ(view.Text(C::edPassword1), c.PasswordsKept ? c.Password1 : "");
  }
}

// Existing targets are asked about one by one before anything runs; "Alle"
// and "Keine" answer for the rest, closing the question starts nothing.
TEST_F(BatchModel, ExistingTargetsAskedFirst) {
  struct TCase {
    std::vector<TReplaceAnswer> Answers;
    bool OverwriteAll;
    std::size_t Questions;
    std::vector<std::string> Launched;  // "R" marks a replaced target
  };
  using A = TReplaceAnswer;
  const TCase cases[] = {
      {{A::Yes, A::No, A::All}, false, 3, {"/1.txt R", "/2.txt", "/4.txt R", "/5.txt R"}},
      {{A::No, A::None}, false, 2, {"/2.txt"}},
      {{A::Cancel}, false, 1, {}},
      {{}, true, 0, {"/1.txt R", "/2.txt R", "/3.txt R", "/4.txt R", "/5.txt R"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Questions);
    TFakeBatchView view;
    TScriptedPrompt prompt;
    TFakeBatchRunner runner;
    TBatchModel model(view, prompt, runner);
    runner.Existing = {"/1.tvn", "/3.tvn", "/4.tvn", "/5.tvn"};
    model.AddPaths({"/1.txt", "/2.txt", "/3.txt", "/4.txt", "/5.txt"});
    view.SetChecked(C::cbOverwriteTarget, c.OverwriteAll);
    view.Answers.assign(c.Answers.begin(), c.Answers.end());
    view.Texts[C::edPassword1] = view.Texts[C::edPassword2] = "pw";
    model.btnStartClick();

    ASSERT_EQ(view.Questions.size(), c.Questions);
    if (c.Questions > 0) {
      EXPECT_EQ(view.Questions[0], "Die Datei /1.tvn existiert bereits. Überschreiben?");
    }
    std::vector<std::string> launched;
    for (const auto& run : runner.Launched)
      for (const TBatchRunItem& item : run.Items)
        launched.push_back(item.Source + (item.Replace ? " R" : ""));
    EXPECT_EQ(launched, c.Launched);
    if (c.Answers == std::vector<A>{A::Yes, A::No, A::All}) {
      EXPECT_EQ(view.Rows[2].Status,
                "übersprungen: die Zieldatei existiert bereits und bleibt erhalten");
    }
  }
}

// A run: the window switched off but for the cancel button, one progress
// for the batch with file k of n, rate and time left, a status per row, the
// summary with the error icon when a file failed, the passwords emptied. A
// new start runs only what is not done.
TEST_F(BatchModel, RunShowsProgressStatusesAndSummary) {
  Model.AddPaths({"/a.txt", "/b.txt", "/c.txt"});
  View.SetChecked(C::rbECBCipher, true);
  Start("Käse", "Käse");
  ASSERT_EQ(Runner.Launched.size(), 1U);
  const auto& launch = Runner.Launched[0];
  EXPECT_EQ(launch.Password.view(), "K\xE4se");
  EXPECT_EQ(launch.Settings.Mode, TChainMode::ECB);
  EXPECT_EQ(launch.Settings.Hashing, TPasswordHashing::UseHashes);
  EXPECT_EQ(launch.Items[1].Target, "/b.tvn");
  EXPECT_TRUE(Model.Running());
  EXPECT_EQ(View.Text(C::btnStart), msg::Cancel);
  EXPECT_TRUE(View.ProgressVisible);
  for (const C control : {C::btnAdd, C::rbDeCrypt, C::edPassword1, C::cbUseHashes, C::btnQuit})
    EXPECT_FALSE(View.Enabled[control]);
  EXPECT_EQ(View.Enabled.count(C::btnStart), 0U);

  Now += 2s;
  Runner.News = {{0, 1}, {}, 10u << 20, 30u << 20, false};
  Model.Poll();
  EXPECT_EQ(View.Statuses(), (std::vector<std::string>{"läuft", "läuft", "bereit"}));
  EXPECT_EQ(View.Progress, 33);
  EXPECT_EQ(View.Text(C::lbProgress), "Datei 2 von 3 – 5,0 MB/s – noch 0:04");

  TBatchItemEnd failed = End(1, TBatchOutcome::Failed, TBatchCause::JobFailed);
  failed.Failure.Kind = TFailureKind::InvalidPadding;
  Runner.News = {{2},
                 {End(0, TBatchOutcome::Done), failed,
                  End(2, TBatchOutcome::Skipped, TBatchCause::TargetAppeared)},
                 30u << 20,
                 30u << 20,
                 true};
  Model.Poll();
  EXPECT_EQ(View.Statuses(),
            (std::vector<std::string>{
                "fertig", "Fehler: Falsches Passwort, falscher Modus oder beschädigte Datei.",
                "übersprungen: die Zieldatei ist während der Verarbeitung entstanden und bleibt "
                "erhalten"}));
  ASSERT_EQ(Prompt.Shown().size(), 1U);
  EXPECT_EQ(Prompt.Shown()[0].Text, "1 fertig, 1 übersprungen, 1 fehlgeschlagen");
  EXPECT_EQ(Prompt.Shown()[0].Flags, mb::ICONERROR);
  EXPECT_FALSE(Model.Running());
  EXPECT_EQ(View.Text(C::btnStart), "Verschlüsseln");
  EXPECT_EQ(View.Text(C::edPassword1), "");
  EXPECT_EQ(View.Text(C::edPassword2), "");
  EXPECT_FALSE(View.ProgressVisible);
  EXPECT_TRUE(View.Enabled[C::btnAdd]);
  EXPECT_EQ(View.RunsEnded, 1);
  // The list keeps every reason when it changes.
  Model.AddPaths({"/d.txt"});
  EXPECT_EQ(View.Statuses()[1],
            "Fehler: Falsches Passwort, falscher Modus oder beschädigte Datei.");
  Model.RemoveRows({3});

  Start("pw", "pw");
  EXPECT_EQ(LaunchedSources(), (std::vector<std::string>{"/b.txt", "/c.txt"}));
  EXPECT_EQ(View.Statuses()[0], "fertig");
  // Empty files: the bar counts files instead of bytes.
  Runner.News = {{0, 1}, {End(0, TBatchOutcome::Done), End(1, TBatchOutcome::Done)}, 0, 0, true};
  Model.Poll();
  EXPECT_EQ(View.Progress, 100);
  EXPECT_EQ(Prompt.Shown().back().Text, "3 fertig, 0 übersprungen, 0 fehlgeschlagen");
  EXPECT_EQ(Prompt.Shown().back().Flags, mb::ICONINFORMATION);
}

// Cancel stops the run and waits for it; the stopped file is not done. A
// close asks first and then stops without a summary.
TEST_F(BatchModel, CancelAndClose) {
  Model.AddPaths({"/a.txt", "/b.txt"});
  Start("pw", "pw");
  Runner.News = {{0}, {}, 0, 2000, false};
  Model.Poll();
  Runner.News = {{}, {End(0, TBatchOutcome::Cancelled)}, 0, 2000, true};
  Model.btnStartClick();
  EXPECT_EQ(Runner.Cancels, 1);
  EXPECT_GE(Runner.Waits, 1);
  EXPECT_FALSE(Model.Running());
  EXPECT_EQ(View.Statuses(), (std::vector<std::string>{"bereit", "bereit"}));
  EXPECT_EQ(Shown(), (std::vector<std::string>{std::string(BatchText::Stopped) +
                                               "\r\n0 fertig, 0 übersprungen, 0 fehlgeschlagen"}));

  EXPECT_TRUE(Model.FormCloseQuery());
  Start("pw", "pw");
  Prompt.ClearShown();
  Prompt.Script({idNo, idYes});
  EXPECT_FALSE(Model.FormCloseQuery());
  EXPECT_TRUE(Model.Running());
  EXPECT_TRUE(Model.FormCloseQuery());
  EXPECT_EQ(Runner.Cancels, 2);
  EXPECT_EQ(Shown(), (std::vector<std::string>{BatchText::StopAndQuit, BatchText::StopAndQuit}));
}

TEST(BatchTexts, Numbers) {
  EXPECT_EQ(SizeText(0), "0 Bytes");
  EXPECT_EQ(SizeText(1), "1 Byte");
  EXPECT_EQ(SizeText(1023), "1023 Bytes");
  EXPECT_EQ(SizeText(1536), "1,5 KB");
  EXPECT_EQ(SizeText(4u << 20), "4,0 MB");
  EXPECT_EQ(SizeText(std::uint64_t{5} << 40), "5,0 TB");
  EXPECT_EQ(ProgressText(1, 1, 0, 100), "Datei 1 von 1");
  EXPECT_EQ(ProgressText(3, 9, 1 << 20, std::uint64_t{3725} << 20),
            "Datei 3 von 9 – 1,0 MB/s – noch 1:02:05");
}

}  // namespace

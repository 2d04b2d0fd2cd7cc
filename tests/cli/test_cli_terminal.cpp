// SPDX-License-Identifier: GPL-3.0-or-later
// The command on a terminal: hidden password entry, its questions, the
// progress line and Ctrl-C at a prompt.
#include <signal.h>
#include <termios.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "CliFixture.h"

namespace {

// Answers both hidden password prompts; false when one does not come.
bool EnterPasswords(TTerminalChild& tolvane, const std::string& first, const std::string& second) {
  if (!tolvane.Expect("Password: ")) return false;
  tolvane.Send(first + "\n");
  if (!tolvane.Expect("Repeat password: ")) return false;
  tolvane.Send(second + "\n");
  return true;
}

TEST_F(CliTest, TerminalPasswordIsAskedTwiceAndNotEchoed) {
  WriteFileBytes(Path("a.txt"), SampleBytes(777));
  TTerminalChild tolvane({"encrypt", Path("a.txt"), Path("a.tvn")});
  ASSERT_TRUE(EnterPasswords(tolvane, "Grüße", "Grüße"));
  EXPECT_EQ(tolvane.Wait().Code, 0) << tolvane.Output();
  EXPECT_EQ(tolvane.Output().find("Grüße"), std::string::npos) << tolvane.Output();

  ProcessLikeTheWindow(true, Path("a.txt"), Path("window.tvn"), "Grüße", TChainMode::CBC, true);
  EXPECT_EQ(ReadFileBytes(Path("a.tvn")), ReadFileBytes(Path("window.tvn")));
}

TEST_F(CliTest, TerminalRefusesDifferentPasswords) {
  WriteFileBytes(Path("a.txt"), "data");
  TTerminalChild tolvane({"encrypt", Path("a.txt")});
  ASSERT_TRUE(EnterPasswords(tolvane, "one", "two"));
  EXPECT_EQ(tolvane.Wait().Code, 1);
  EXPECT_NE(tolvane.Output().find("passwords differ"), std::string::npos) << tolvane.Output();
  EXPECT_FALSE(std::filesystem::exists(Path("a.tvn")));
}

TEST_F(CliTest, TerminalAsksBeforeReplacingATarget) {
  WriteFileBytes(Path("a.txt"), "data");
  WriteFileBytes(Path("a.tvn"), "keep me");
  for (const char* answer : {"n\n", "y\n"}) {
    SCOPED_TRACE(answer);
    TTerminalChild tolvane({"encrypt", Path("a.txt"), Path("a.tvn")});
    ASSERT_TRUE(EnterPasswords(tolvane, "pw", "pw"));
    ASSERT_TRUE(tolvane.Expect(Path("a.tvn") + " exists. Replace it? [y/N] "));
    tolvane.Send(answer);
    const bool yes = answer[0] == 'y';
    EXPECT_EQ(tolvane.Wait().Code, yes ? 0 : 1) << tolvane.Output();
    EXPECT_EQ(ReadFileBytes(Path("a.tvn")) == "keep me", !yes);
  }
}

TEST_F(CliTest, CtrlCAtTheOverwriteQuestionChangesNothing) {
  WriteFileBytes(Path("a.txt"), "data");
  WriteFileBytes(Path("a.tvn"), "keep me");
  TTerminalChild tolvane({"encrypt", "--password-file", PasswordFile("pw\n"), Path("a.txt"),
                          Path("a.tvn")});
  ASSERT_TRUE(tolvane.Expect("Replace it? [y/N] "));
  tolvane.Send("\x03");
  EXPECT_EQ(tolvane.Wait().Signal, SIGINT) << tolvane.Output();
  EXPECT_EQ(ReadFileBytes(Path("a.tvn")), "keep me");
  EXPECT_EQ(ReadFileBytes(Path("a.txt")), "data");
}

// A terminal as the data's source waits for its user; Ctrl-C ends the run
// there at once, not at the next line or Ctrl-D, and leaves no target.
TEST_F(CliTest, CtrlCWhileReadingDataFromTheTerminalEndsTheRun) {
  TTerminalChild tolvane(
      {"encrypt", "--password-file", PasswordFile("pw\n"), "-", Path("typed.tvn")});
  tolvane.Send("a first line\n");
  // Its result file exists once the run reads the terminal.
  const auto pending = [&] {
    for (const auto& entry : std::filesystem::directory_iterator(Dir)) {
      if (entry.path().filename().string().rfind(".typed.tvn.", 0) == 0) return true;
    }
    return false;
  };
  const auto started = std::chrono::steady_clock::now();
  while (!pending() && std::chrono::steady_clock::now() - started < std::chrono::seconds(20)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  tolvane.Send("\x03");
  // The text never comes: Expect returns when the command ends, or after
  // the time allowed.
  const auto sent = std::chrono::steady_clock::now();
  tolvane.Expect("\x01", std::chrono::milliseconds(2500));
  const bool inTime = std::chrono::steady_clock::now() - sent < std::chrono::milliseconds(2500);
  // A run that still waits would hold the test: it ends now, failing it.
  if (!inTime) kill(tolvane.Pid(), SIGKILL);
  EXPECT_EQ(tolvane.Wait().Signal, SIGINT) << tolvane.Output();
  EXPECT_TRUE(inTime);
  EXPECT_FALSE(std::filesystem::exists(Path("typed.tvn")));
}

TEST_F(CliTest, TerminalAsksBeforeReplacingTheProposedTarget) {
  const std::string original = SampleBytes(3000);
  WriteFileBytes(Path("brief.txt"), original);
  WriteFileBytes(Path("brief.tvn"), "taken");
  {
    TTerminalChild tolvane({"encrypt", Path("brief.txt")});
    ASSERT_TRUE(EnterPasswords(tolvane, "pw", "pw"));
    ASSERT_TRUE(tolvane.Expect(Path("brief.tvn") + " exists. Replace it? [y/N] "));
    tolvane.Send("\n");
    EXPECT_EQ(tolvane.Wait().Code, 1);
    EXPECT_EQ(ReadFileBytes(Path("brief.tvn")), "taken");
  }
  TTerminalChild tolvane({"encrypt", Path("brief.txt"), Path("brief.txt")});
  ASSERT_TRUE(EnterPasswords(tolvane, "pw", "pw"));
  ASSERT_TRUE(tolvane.Expect("is the source itself. Replace it by the result? [y/N] "));
  tolvane.Send("yes\n");
  EXPECT_EQ(tolvane.Wait().Code, 0) << tolvane.Output();
  EXPECT_EQ(ReadFileBytes(Path("brief.txt")).size(), 3008u);
  EXPECT_EQ(ReadFileBytes(Path("brief.tvn")), "taken");
}

TEST_F(CliTest, TerminalWarnsAboutAnEmptyPassword) {
  WriteFileBytes(Path("a.txt"), "data");
  TTerminalChild tolvane({"decrypt", Path("a.txt"), Path("b.txt")});
  ASSERT_TRUE(tolvane.Expect("Password: "));
  tolvane.Send("\n");
  ASSERT_TRUE(tolvane.Expect("Do you really want to use no password? [y/N] "));
  tolvane.Send("n\n");
  EXPECT_EQ(tolvane.Wait().Code, 1);
  EXPECT_FALSE(std::filesystem::exists(Path("b.txt")));

  // An empty line in a password file is the empty password when allowed,
  // and it is said on a terminal too.
  TTerminalChild given({"encrypt", "--allow-empty-password", "--password-file",
                        PasswordFile("\n"), Path("a.txt")});
  EXPECT_EQ(given.Wait().Code, 0) << given.Output();
  EXPECT_NE(given.Output().find("empty password"), std::string::npos) << given.Output();
}

TEST_F(CliTest, CtrlCAtThePasswordPromptRestoresEcho) {
  WriteFileBytes(Path("a.txt"), "data");
  TTerminalChild tolvane({"encrypt", Path("a.txt")});
  ASSERT_TRUE(tolvane.Expect("Password: "));
  tolvane.Send("half a pass");
  tolvane.Send("\x03");  // the terminal turns Ctrl-C into SIGINT
  EXPECT_EQ(tolvane.Wait().Signal, SIGINT);
  termios settings{};
  ASSERT_EQ(tcgetattr(tolvane.Master(), &settings), 0);
  EXPECT_NE(settings.c_lflag & ECHO, 0u);
  EXPECT_FALSE(std::filesystem::exists(Path("a.tvn")));
}

TEST_F(CliTest, TerminalShowsProgressForLargeFiles) {
  WriteFileBytes(Path("big.bin"), "");
  std::filesystem::resize_file(Path("big.bin"), 64u << 20);
  TTerminalChild shown({"encrypt", "--password-file", PasswordFile("pw\n"), Path("big.bin")});
  EXPECT_EQ(shown.Wait().Code, 0) << shown.Output();
  EXPECT_NE(shown.Output().find("MiB/s"), std::string::npos) << shown.Output();
  EXPECT_NE(shown.Output().find(" left"), std::string::npos) << shown.Output();

  TTerminalChild quiet({"encrypt", "-q", "--force", "--password-file", Path("pw"), Path("big.bin")});
  EXPECT_EQ(quiet.Wait().Code, 0) << quiet.Output();
  EXPECT_EQ(quiet.Output().find("MiB/s"), std::string::npos) << quiet.Output();
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The command on Windows without a console: passwords from files and pipes
// read through handles (never the runtime's text mode), the whole command
// run in process with names outside the ANSI code page, and its exit
// statuses.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>

#include <string>

#include "Win32TestSupport.h"
#include "cli/CommandLine.h"
#include "cli/PasswordInput.h"
#include "cli/PasswordSource.h"
#include "cli/Terminal.h"
#include "cli/Tolvane.h"
#include "platform/FileSystem.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempDir.h"

namespace {

using namespace wintest;

TEST(Win32Cli, PasswordFromAPipeEndsAtTheLineAndLeavesTheRest) {
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, nullptr, 0));
  const std::string data =
      "Gr\xC3\xBC\xC3\x9F"
      "e\x1A\r\nRest";
  DWORD put = 0;
  ASSERT_TRUE(::WriteFile(writeEnd, data.data(), static_cast<DWORD>(data.size()), &put, nullptr));
  ::CloseHandle(writeEnd);
  const int fd = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(readEnd), _O_RDONLY | _O_BINARY);
  ASSERT_GE(fd, 0);

  TSecret line;
  EXPECT_EQ(ReadPasswordLine(fd, line), 0);
  EXPECT_EQ(line.view(),
            "Gr\xC3\xBC\xC3\x9F"
            "e\x1A");
  EXPECT_EQ(ReadFirstLine(fd, line), 0);
  EXPECT_EQ(line.view(), "Rest");
  EXPECT_EQ(ReadFirstLine(fd, line), 0);
  EXPECT_EQ(line.view(), "");
  ::_close(fd);
}

TEST(Win32Cli, PasswordFileUnderAForeignNameIsConvertedToWindows1252) {
  TTempDir dir;
  const std::string name = dir.File("Passwort Ωμέγα.txt");
  WriteFileBytes(name, "Grüße €5\r\nzweite Zeile\r\n");
  TCliOptions options;
  options.Command = TCliCommand::Decrypt;
  options.PasswordFile = name;
  const TPasswordResult result = ObtainPassword(options, nullptr);
  ASSERT_EQ(result.Status, TPasswordStatus::Ok) << result.Message;
  EXPECT_EQ(result.Password.view(),
            "Gr\xFC\xDF"
            "e \x80"
            "5");

  options.PasswordFile = dir.File("fehlt.txt");
  const TPasswordResult missing = ObtainPassword(options, nullptr);
  EXPECT_EQ(missing.Status, TPasswordStatus::Usage);
  EXPECT_EQ(missing.Message.rfind("cannot open the password file ", 0), 0u) << missing.Message;
  int fd = -1;
  EXPECT_EQ(OpenPasswordFile(dir.File("fehlt.txt"), fd), ERROR_FILE_NOT_FOUND);
}

TEST(Win32Cli, TheCommandRoundTripsForeignNamesAndKeepsItsExitStatuses) {
  TTempDir dir;
  const std::string plain = std::string("\x1A\r\n", 3) + std::string(100000, 'q');
  const std::string source = dir.File("Bericht Ωμέγα.txt");
  const std::string password = dir.File("pw.txt");
  WriteFileBytes(source, plain);
  WriteFileBytes(password, "geheim\r\n");

  EXPECT_EQ(RunTolvane({"encrypt", "-q", "--password-file", password, source}), ExitSuccess);
  const std::string encrypted = dir.File("Bericht Ωμέγα.tvn");
  EXPECT_EQ(FileSize(encrypted), 16u * (plain.size() / 16 + 1));
  const std::string back = dir.File("zurück.txt");
  EXPECT_EQ(RunTolvane({"decrypt", "-q", "--password-file", password, encrypted, back}),
            ExitSuccess);
  EXPECT_EQ(ReadFileBytes(back), plain);

  // An existing target off a console is kept unless --force.
  EXPECT_EQ(RunTolvane({"decrypt", "-q", "--password-file", password, encrypted, back}),
            ExitNotDone);
  WriteFileBytes(password, "falsch\r\n");
  EXPECT_EQ(RunTolvane({"decrypt", "--force", "--password-file", password, encrypted, back}),
            ExitNotDone);
  EXPECT_EQ(RunTolvane({"encrypt", "--password-file", password, dir.File("fehlt.txt")}),
            ExitNotDone);
  EXPECT_EQ(RunTolvane({"encrypt", "--mode", "xts", source}), ExitUsage);
  EXPECT_EQ(RunTolvane({"encrypt", source, dir.File("x.tvn")}), ExitUsage);  // no password source
}

// The standard handles replaced by files for one scope, as a redirection
// in cmd.exe would.
class TStdHandles {
 public:
  TStdHandles(const std::string& input, const std::string& output)
      : FIn(::GetStdHandle(STD_INPUT_HANDLE)), FOut(::GetStdHandle(STD_OUTPUT_HANDLE)) {
    FNewIn = ::CreateFileW(Wide(input).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    FNewOut =
        ::CreateFileW(Wide(output).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ::SetStdHandle(STD_INPUT_HANDLE, FNewIn);
    ::SetStdHandle(STD_OUTPUT_HANDLE, FNewOut);
  }
  ~TStdHandles() {
    ::SetStdHandle(STD_INPUT_HANDLE, FIn);
    ::SetStdHandle(STD_OUTPUT_HANDLE, FOut);
    ::CloseHandle(FNewIn);
    ::CloseHandle(FNewOut);
  }
  bool Ok() const { return FNewIn != INVALID_HANDLE_VALUE && FNewOut != INVALID_HANDLE_VALUE; }

 private:
  HANDLE FIn;
  HANDLE FOut;
  HANDLE FNewIn;
  HANDLE FNewOut;
};

TEST(Win32Cli, DashReadsAndWritesTheStandardHandlesInBinary) {
  TTempDir dir;
  // Bytes a text-mode runtime would turn around or end the input at.
  const std::string plain = std::string("\r\n\x1A\n\r", 5) + std::string(5000, '\x1A') + "\r\n";
  const std::string password = dir.File("pw.txt");
  WriteFileBytes(dir.File("plain.bin"), plain);
  WriteFileBytes(password, "geheim\r\n");
  ASSERT_EQ(RunTolvane({"encrypt", "-q", "--password-file", password, dir.File("plain.bin"),
                        dir.File("file.tvn")}),
            ExitSuccess);
  {
    TStdHandles redirected(dir.File("plain.bin"), dir.File("piped.tvn"));
    ASSERT_TRUE(redirected.Ok());
    EXPECT_EQ(RunTolvane({"encrypt", "-q", "--password-file", password, "-", "-"}), ExitSuccess);
  }
  EXPECT_EQ(ReadFileBytes(dir.File("piped.tvn")), ReadFileBytes(dir.File("file.tvn")));
  {
    TStdHandles redirected(dir.File("file.tvn"), dir.File("back.bin"));
    ASSERT_TRUE(redirected.Ok());
    EXPECT_EQ(RunTolvane({"decrypt", "-q", "--password-file", password, "-", "-"}), ExitSuccess);
  }
  EXPECT_EQ(ReadFileBytes(dir.File("back.bin")), plain);
}

TEST(Win32Cli, WithoutAConsoleTheProgressLineHasADefaultWidth) {
  if (TTerminal::StderrIsTerminal()) GTEST_SKIP() << "standard error is a console here";
  EXPECT_EQ(StderrColumns(), 80);
  EXPECT_FALSE(StderrTakesEscapes());
}

}  // namespace

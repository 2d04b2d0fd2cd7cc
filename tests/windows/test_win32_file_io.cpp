// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 file layer under the transform: bytes pass unchanged whatever
// they are (the C runtime's text mode stopped at 0x1A and turned line
// breaks around), every UTF-8 name works, devices and pipes work. The rules
// every system shares are in tests/twofish/test_file_io.cpp.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "Win32TestSupport.h"
#include "platform/FileError.h"
#include "platform/FileIO.h"
#include "platform/FileSystem.h"
#include "platform/WaitBreaker.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempDir.h"

namespace {

using namespace wintest;

std::string AllByteValues(std::size_t repeat) {
  std::string bytes;
  for (std::size_t r = 0; r < repeat; ++r) {
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  }
  return bytes;
}

// Writes through TOutputFile and reads back through TInputFile.
std::string ThroughTheLayer(const std::string& name, const std::string& content,
                            std::size_t stage) {
  TOutputFile output(stage);
  EXPECT_FALSE(output.Create(name));
  EXPECT_TRUE(output.Write(content.data(), content.size()).Ok());
  EXPECT_TRUE(output.Close().Ok());

  TInputFile input(stage);
  EXPECT_FALSE(input.Open(name));
  EXPECT_EQ(input.Size(), content.size());
  std::string seen(content.size() + 10, '\0');
  const TIoResult got = input.Read(seen.data(), seen.size());
  EXPECT_FALSE(got.Error);
  seen.resize(got.Bytes);
  EXPECT_TRUE(input.AtEnd().AtEnd);
  EXPECT_FALSE(input.Close());
  return seen;
}

TEST(Win32FileIO, EveryByteValuePassesUnchanged) {
  TTempDir dir;
  // 0x1A first: a text-mode read ends there. CR LF and lone LF: text mode
  // turns them into each other.
  const std::string content = "\x1A\r\n\n\r" + AllByteValues(300) + "\x1A";
  for (const std::size_t stage :
       {std::size_t{1}, std::size_t{4096}, TInputFile::DefaultStageSize}) {
    const std::string name = dir.File("bytes.bin");
    EXPECT_EQ(ThroughTheLayer(name, content, stage), content) << "stage " << stage;
    EXPECT_EQ(std::filesystem::file_size(PathOf(name)), content.size());
  }
}

TEST(Win32FileIO, NamesOutsideTheAnsiCodePageWork) {
  TTempDir dir;
  const std::string leaves[] = {"Grüße.txt", "Ωμέγα 日本語.bin", "emoji 😀.tvn",
                                "Ärger \xE2\x80\x93 neu"};
  for (const std::string& leaf : leaves) {
    const std::string name = dir.File(leaf);
    const std::string content = "Inhalt von " + leaf;
    EXPECT_EQ(ThroughTheLayer(name, content, 4096), content) << leaf;
    EXPECT_TRUE(FileExists(name)) << leaf;
    EXPECT_EQ(FileSize(name), content.size());
    EXPECT_EQ(ReadFileBytes(name), content);
    EXPECT_TRUE(DeleteFile(name)) << leaf;
    EXPECT_FALSE(FileExists(name)) << leaf;
  }
}

TEST(Win32FileIO, NamesLongerThanTheClassicLimitWork) {
  TTempDir dir;
  std::string folder = dir.Path();
  for (int i = 0; i < 6; ++i) {
    folder += "\\" + std::string(50, static_cast<char>('a' + i));
    std::filesystem::create_directory(PathOf(folder));
  }
  const std::string name = folder + "\\" + std::string(40, 'z') + ".bin";
  ASSERT_GT(name.size(), 300u);
  EXPECT_EQ(ThroughTheLayer(name, "lang", 4096), "lang");
  EXPECT_TRUE(FileExists(name));
  EXPECT_TRUE(DeleteFile(name));
}

TEST(Win32FileIO, AnExistingOutputIsEmptiedInPlace) {
  TTempDir dir;
  const std::string name = dir.File("ziel.txt");
  WriteFileBytes(name, std::string(100000, 'x'));
  // A hidden file refuses CREATE_ALWAYS; emptied in place it keeps its
  // attributes and stays the same file.
  ASSERT_TRUE(::SetFileAttributesW(Wide(name).c_str(), FILE_ATTRIBUTE_HIDDEN));
  const auto before = Identity(name);
  ASSERT_TRUE(before);

  TOutputFile output;
  ASSERT_FALSE(output.Create(name));
  ASSERT_TRUE(output.Write("neu", 3).Ok());
  ASSERT_TRUE(output.Close().Ok());
  EXPECT_EQ(ReadFileBytes(name), "neu");
  EXPECT_EQ(Identity(name), before);
  EXPECT_NE(Attributes(name) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST(Win32FileIO, DevicesAndPipesHaveNoSize) {
  TOutputFile output;
  ASSERT_FALSE(output.Create("NUL"));
  ASSERT_TRUE(output.Write("weg", 3).Ok());
  EXPECT_TRUE(output.Close().Ok());
  EXPECT_FALSE(FileExists("NUL"));

  // A named pipe as the input: read to its end, no size.
  const std::wstring pipeName =
      L"\\\\.\\pipe\\tolvane-test-" + std::to_wstring(::GetCurrentProcessId());
  const HANDLE server = ::CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_OUTBOUND,
                                           PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  const std::string content = AllByteValues(1000);
  std::thread writer([&] {
    ::ConnectNamedPipe(server, nullptr);
    DWORD put = 0;
    ::WriteFile(server, content.data(), static_cast<DWORD>(content.size()), &put, nullptr);
    // Closed after all was read: the reader then sees the end.
    ::FlushFileBuffers(server);
    ::CloseHandle(server);
  });
  TInputFile input(4096);
  ASSERT_FALSE(input.Open(Utf8FromWide(pipeName)));
  EXPECT_FALSE(input.HasSize());
  std::string seen;
  char chunk[5000];
  while (!input.AtEnd().AtEnd) {
    const TIoResult got = input.Read(chunk, sizeof chunk);
    ASSERT_FALSE(got.Error);
    seen.append(chunk, got.Bytes);
  }
  EXPECT_FALSE(input.Close());
  writer.join();
  EXPECT_EQ(seen, content);
}

// A read that waits for a pipe's writer ends when a stop breaks the wait,
// though the writer never writes.
TEST(Win32FileIO, ABrokenWaitEndsAStalledPipeRead) {
  const std::wstring pipeName =
      L"\\\\.\\pipe\\tolvane-stall-" + std::to_wstring(::GetCurrentProcessId());
  const HANDLE server = ::CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_OUTBOUND,
                                           PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  std::thread connect([&] { ::ConnectNamedPipe(server, nullptr); });
  TInputFile input(4096);
  ASSERT_FALSE(input.Open(Utf8FromWide(pipeName)));
  connect.join();
  TWaitBreaker breaker;
  input.BreakWaitsBy(breaker);
  std::atomic<bool> ended{false};
  TIoResult got;
  std::thread reader([&] {
    char chunk[16];
    got = input.Read(chunk, sizeof chunk);
    ended = true;
  });
  // Broken again at every look, as the command line does, until the read
  // ends; only a break that failed leaves the writer to end the stall.
  for (int look = 0; look < 100 && !ended; ++look) {
    breaker.Break();
    ::Sleep(50);
  }
  const bool brokenInTime = ended;
  if (!brokenInTime) {
    DWORD put = 0;
    ::WriteFile(server, "x", 1, &put, nullptr);
  }
  reader.join();
  EXPECT_TRUE(brokenInTime);
  EXPECT_EQ(got.Error, make_error_code(TFileError::Stopped));
  input.Close();
  ::CloseHandle(server);
}

}  // namespace

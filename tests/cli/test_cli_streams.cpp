// SPDX-License-Identifier: GPL-3.0-or-later
// Standard streams as scripts and services leave them: closed at start, or
// pipes that stall. Nothing of a message lands in a result, "-" on a closed
// stream is refused, and a stop ends a run that waits for a pipe at once.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

#include "CliFixture.h"

namespace {

using namespace std::chrono_literals;

TEST_F(CliTest, AClosedStandardErrorNeverLandsInAResult) {
  const std::string pw = PasswordFile("pw\n");
  // Large enough that the small files finish, and say so, while the large
  // one is still being written.
  const std::vector<std::pair<std::string, std::string>> files = {
      {"big.bin", SampleBytes(24u << 20, 3)},
      {"s1.bin", SampleBytes(1000, 4)},
      {"s2.bin", SampleBytes(2000, 5)},
  };
  std::vector<std::string> args = {"encrypt", "-v", "-j2", "--password-file", pw};
  for (const auto& [name, bytes] : files) {
    WriteFileBytes(Path(name), bytes);
    args.push_back(Path(name));
  }
  TRunOptions closed;
  closed.Closed = {STDERR_FILENO};
  ASSERT_EQ(Run(args, closed).Exit.Code, 0);

  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    const std::string stem = name.substr(0, name.size() - 4);
    const TRunResult back =
        Run({"decrypt", "-f", "--password-file", pw, Path(stem + ".tvn"), Path(stem + ".back")});
    ASSERT_EQ(back.Exit.Code, 0) << back.Err;
    EXPECT_TRUE(ReadFileBytes(Path(stem + ".back")) == bytes);
  }
}

TEST_F(CliTest, DashOnAStreamClosedAtStartIsRefused) {
  const std::string pw = PasswordFile("pw\n");
  WriteFileBytes(Path("a.bin"), SampleBytes(100));
  struct TCase {
    int Closed;
    std::vector<std::string> Args;
    const char* Said;
  };
  const TCase cases[] = {
      {STDIN_FILENO, {"encrypt", "--password-file", pw, "-", Path("out")}, "standard input"},
      {STDOUT_FILENO, {"encrypt", "--password-file", pw, Path("a.bin"), "-"}, "standard output"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Said);
    TRunOptions closed;
    closed.Closed = {c.Closed};
    const TRunResult run = Run(c.Args, closed);
    EXPECT_EQ(run.Exit.Code, 1);
    EXPECT_NE(run.Err.find(std::string(c.Said) + " was closed when tolvane started"),
              std::string::npos)
        << run.Err;
    EXPECT_EQ(Listing(Dir), (std::set<std::string>{"a.bin", "pw"}));
  }
}

// A FIFO that the test holds open at both ends: whatever it does not write
// never comes, and what it does not read stays in the pipe.
class TStalledFifo {
 public:
  explicit TStalledFifo(std::string name) : Name(std::move(name)) {
    if (mkfifo(Name.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
    FHandle = open(Name.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  }
  ~TStalledFifo() { Release(); }
  // Ends the stall: readers see the end, writers a broken pipe.
  void Release() {
    if (FHandle >= 0) close(FHandle);
    FHandle = -1;
  }
  // As far as the reader takes it, within the time a test may wait.
  void Write(const std::string& bytes) const {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    for (std::size_t put = 0; put < bytes.size();) {
      const ssize_t n = write(FHandle, bytes.data() + put, bytes.size() - put);
      if (n > 0) {
        put += static_cast<std::size_t>(n);
      } else if (std::chrono::steady_clock::now() > deadline) {
        return;
      } else {
        std::this_thread::sleep_for(1ms);
      }
    }
  }
  // Until the reader stopped taking more, or the time is up.
  void WaitUntilQueued(int bytes) const {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (Queued() < bytes && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(1ms);
    }
  }
  int Queued() const {
    int queued = 0;
    ioctl(FHandle, FIONREAD, &queued);
    return queued;
  }

  const std::string Name;

 private:
  int FHandle = -1;
};

// The command waits for a pipe that stalls; each stop signal ends it within
// the allowed time, by that signal, never with success.
TEST_F(CliTest, AStopEndsARunThatWaitsForAStalledPipe) {
  const std::string pw = PasswordFile("pw\n");
  WriteFileBytes(Path("m.bin"), SampleBytes(3u << 20, 6));
  ASSERT_EQ(Run({"encrypt", "--password-file", pw, Path("m.bin"), Path("m.tvn")}).Exit.Code, 0);
  const std::string cipher = ReadFileBytes(Path("m.tvn"));

  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    for (const bool stalledReader : {false, true}) {
      SCOPED_TRACE(std::to_string(signal) + (stalledReader ? " reader" : " writer"));
      TStalledFifo fifo(Path("fifo"));
      TRunOptions options;
      std::vector<std::string> args;
      if (stalledReader) {
        options.StdoutPath = fifo.Name;
        args = {"encrypt", "--password-file", pw, Path("m.bin"), "-"};
      } else {
        options.StdinPath = fifo.Name;
        args = {"decrypt", "--password-file", pw, "-", "-"};
      }
      TChild child(Dir, args, options);
      if (stalledReader) {
        // Full: the command waits to write more.
        fifo.WaitUntilQueued(60000);
      } else {
        // Taken in all but what fits the pipe: the command waits for more.
        fifo.Write(cipher.substr(0, 300000));
      }
      kill(child.Pid(), signal);
      auto ended = std::async(std::launch::async, [&] { return child.Wait(); });
      const bool inTime = ended.wait_for(2500ms) == std::future_status::ready;
      fifo.Release();  // a run that still waits ends now
      const TRunResult run = ended.get();
      EXPECT_TRUE(inTime);
      EXPECT_EQ(run.Exit.Signal, signal) << run.Err;
      unlink(fifo.Name.c_str());
    }
  }
}

}  // namespace

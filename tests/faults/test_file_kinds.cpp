// Sources and targets that are no regular files (FIFO, device, directory,
// a link to a FIFO) are refused by their kind before anything is opened:
// nothing waits on a FIFO, nothing reads /dev/zero forever, nothing is
// created beside /dev/null.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "tests/faults/FaultFixture.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TestSeed.h"

namespace {

using namespace std::chrono_literals;

using FileKinds = FaultTest;

TEST_F(FileKinds, NonRegularSourcesAndTargetsAreRefusedAtOnce) {
  WriteFileBytes(Path("plain.txt"), SampleBytes(20000));
  Encrypt(Path("plain.txt"), Path("plain.tvn"));
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  std::filesystem::create_symlink("fifo", Path("to-fifo"));
  std::filesystem::create_directory(Path("folder"));
  const std::set<std::string> names = Names(Work());

  const std::vector<std::string> odd{Path("fifo"), Path("to-fifo"), Path("folder"), "/dev/null",
                                     "/dev/zero"};
  for (const char* command : {"encrypt", "decrypt"}) {
    const std::string regular = Path(command == std::string("encrypt") ? "plain.txt" : "plain.tvn");
    for (const std::string& name : odd) {
      for (const bool asSource : {true, false}) {
        SCOPED_TRACE(std::string(command) + " with " + name + (asSource ? " as source" : " as target"));
        const std::vector<std::string> args{command, "--force", "--password-file", Pw,
                                            asSource ? name : regular,
                                            asSource ? Path("out") : name};

        const TFaultRun run = Run(args, {}, 20s);

        EXPECT_FALSE(run.TimedOut) << "waited on " << name;
        EXPECT_TRUE(run.Exited(1)) << run.Err;
        EXPECT_TRUE(Contains(run.Err, "is not a regular file")) << run.Err;
        EXPECT_EQ(Names(Work()), names);
      }
      // Both at once: in place on something that is not a file.
      SCOPED_TRACE(std::string(command) + " in place on " + name);
      const TFaultRun run = Run({command, "--force", "--password-file", Pw, name, name}, {}, 20s);
      EXPECT_FALSE(run.TimedOut) << "waited on " << name;
      EXPECT_TRUE(run.Exited(1)) << run.Err;
      EXPECT_TRUE(Contains(run.Err, "is not a regular file")) << run.Err;
    }
  }
  EXPECT_EQ(Names(Work()), names);
  EXPECT_EQ(Leftovers("/dev"), std::vector<std::string>{});
  EXPECT_TRUE(std::filesystem::is_fifo(Path("fifo")));
  EXPECT_TRUE(std::filesystem::is_empty(Path("folder")));
}

}  // namespace

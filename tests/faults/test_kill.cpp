// SPDX-License-Identifier: GPL-3.0-or-later
// SIGKILL at random points of a run: whatever moment the process dies, the
// target's name holds what it held before (nothing, the old target, the
// source in place) or the complete result, never a part of it; and the next
// run on that name clears what the dead one left.
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <thread>

#include "tests/faults/FaultFixture.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TestSeed.h"

namespace {

using namespace std::chrono_literals;

enum class TKillCase { NewTarget, OverTarget, InPlace };

const char* NameOf(TKillCase which) {
  switch (which) {
    case TKillCase::NewTarget: return "new target";
    case TKillCase::OverTarget: return "over a target";
    case TKillCase::InPlace: return "in place";
  }
  return "";
}

// Made once per size: a random source, its ciphertext (checked by
// decrypting it), an old target, and how long one complete run takes.
struct TKillMaterial {
  TTempDir Dir;
  std::string Plain = Dir.File("plain.bin");
  std::string Cipher = Dir.File("plain.tvn");
  std::string Old = Dir.File("old.tvn");
  std::string Tiny = Dir.File("tiny.bin");
  std::string Pw = Dir.File("pw");
  std::chrono::milliseconds RunTime{0};
};

template <std::uint64_t Size, int Kills>
class TKillSuite : public FaultTest {
 protected:
  void SetUp() override {
    if (!Material) {
      ASSERT_NO_FATAL_FAILURE(MakeMaterial());
    }
  }
  static void TearDownTestSuite() { Material.reset(); }

  void KillRepeatedly(TKillCase which);

 private:
  static void MakeMaterial();
  inline static std::unique_ptr<TKillMaterial> Material;
};

template <std::uint64_t Size, int Kills>
void TKillSuite<Size, Kills>::MakeMaterial() {
  auto made = std::make_unique<TKillMaterial>();
  TKillMaterial& m = *made;
  std::mt19937_64 random = SeededRandom(Size);
  WriteRandomFile(m.Plain, Size, random);
  WriteRandomFile(m.Old, Size / 3 + 5, random);
  WriteRandomFile(m.Tiny, 100, random);
  WriteFileBytes(m.Pw, RightPasswordLine);

  const auto start = std::chrono::steady_clock::now();
  const TFaultRun encrypted =
      RunTolvaneIn(m.Dir.Path(), {"encrypt", "--password-file", m.Pw, m.Plain, m.Cipher});
  m.RunTime = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  ASSERT_TRUE(encrypted.Exited(0)) << encrypted.Err;
  const std::string check = m.Dir.File("check.bin");
  const TFaultRun decrypted =
      RunTolvaneIn(m.Dir.Path(), {"decrypt", "--password-file", m.Pw, m.Cipher, check});
  ASSERT_TRUE(decrypted.Exited(0)) << decrypted.Err;
  ASSERT_TRUE(SameContent(check, m.Plain));
  std::remove(check.c_str());
  Material = std::move(made);
}

// What each name in a folder reaches, to tell which files a run writes.
std::map<std::string, std::pair<ino_t, std::int64_t>> Stamps(const std::string& folder) {
  std::map<std::string, std::pair<ino_t, std::int64_t>> stamps;
  for (const std::string& name : Names(folder)) {
    struct stat info {};
    if (::lstat((folder + "/" + name).c_str(), &info) != 0) continue;
    stamps[name] = {info.st_ino, info.st_mtim.tv_sec * 1000000000 + info.st_mtim.tv_nsec};
  }
  return stamps;
}

// Until a file of the folder that the run creates or writes holds at least
// the given number of bytes, or the run has ended. Wherever the run puts
// its result in the folder, this follows it.
void WaitForResultPart(TTolvaneProcess& child, const std::string& folder, std::uint64_t bytes) {
  const auto before = Stamps(folder);
  const auto deadline = std::chrono::steady_clock::now() + 120s;
  while (!child.Ended() && std::chrono::steady_clock::now() < deadline) {
    for (const auto& [name, stamp] : Stamps(folder)) {
      const auto old = before.find(name);
      if ((old == before.end() || old->second != stamp) &&
          StatusOf(folder + "/" + name).Size >= bytes) {
        return;
      }
    }
    std::this_thread::sleep_for(1ms);
  }
}

template <std::uint64_t Size, int Kills>
void TKillSuite<Size, Kills>::KillRepeatedly(TKillCase which) {
  const TKillMaterial& m = *Material;
  const bool inPlace = which == TKillCase::InPlace;
  const std::string target = Path(inPlace ? "data.bin" : "data.tvn");
  const std::string& before = inPlace ? m.Plain : m.Old;
  std::vector<std::string> args{"encrypt", "--force", "--password-file", Pw};
  args.push_back(inPlace ? target : m.Plain);
  args.push_back(target);

  std::mt19937_64 random = SeededRandom(Size * 4 + static_cast<std::uint64_t>(which));
  const std::uint64_t resultSize = StatusOf(m.Cipher).Size;
  int heldOld = 0, heldNew = 0, leftBehind = 0;
  for (int kill = 0; kill < Kills; ++kill) {
    std::remove(target.c_str());
    if (which != TKillCase::NewTarget) CopyContent(before, target);
    // The first kill falls into the first 20 ms, as the run starts; the
    // others each into a slice of the run, measured by the share of the
    // result written: below 1 inside the transform, above 1 in the sync and
    // the rename at its end.
    const double point =
        (kill - 1 + std::uniform_real_distribution<double>(0, 1)(random)) / (Kills - 1) * 1.3;
    SCOPED_TRACE(std::string(NameOf(which)) + ", SIGKILL " +
                 (kill == 0 ? std::string("at the start")
                            : "at " + std::to_string(point) + " of the result"));

    TTolvaneProcess child(AsideDir(), args);
    if (kill == 0) {
      std::this_thread::sleep_for(std::chrono::microseconds(RandomInt(random, 0, 20000)));
    } else if (point < 1) {
      const double part = point * static_cast<double>(resultSize);
      WaitForResultPart(child, Work(), static_cast<std::uint64_t>(part));
    } else {
      WaitForResultPart(child, Work(), resultSize);
      std::this_thread::sleep_for(m.RunTime * (point - 1) / 0.3 / 2);
    }
    child.Kill(SIGKILL);
    // A run that ended before the signal came ended well.
    const TFaultRun run = child.Wait();
    const bool finished = run.Signal == 0;
    if (finished) {
      ASSERT_TRUE(run.Exited(0)) << run.Err;
    } else {
      EXPECT_EQ(run.Signal, SIGKILL) << run.Err;
    }

    const bool isOld = which == TKillCase::NewTarget ? !StatusOf(target).Exists
                                                     : SameContent(target, before);
    const bool isNew = SameContent(target, m.Cipher);
    EXPECT_TRUE(isOld || isNew) << "the target's name holds a mix or a part";
    if (finished) {
      EXPECT_TRUE(isNew);
    }
    heldOld += isOld;
    heldNew += isNew;

    // Nothing else appears beside the target but the dead run's temporary
    // file; the next run on the name removes it.
    const std::vector<std::string> left = Leftovers(Work());
    leftBehind += !left.empty();
    EXPECT_LE(left.size(), 1u);
    EXPECT_EQ(Names(Work()).size(), left.size() + (isOld && which == TKillCase::NewTarget ? 0 : 1));
    const TFaultRun next = Run({"encrypt", "--force", "--password-file", Pw, m.Tiny, target});
    EXPECT_TRUE(next.Exited(0)) << next.Err;
    EXPECT_EQ(Leftovers(Work()), std::vector<std::string>{});
  }
  std::printf("%s: %d kills left the old content, %d the complete result, %d a temporary file\n",
              NameOf(which), heldOld, heldNew, leftBehind);
}

// A few MiB: quick enough for every run of the suite.
using KillDuringRun = TKillSuite<std::uint64_t{24} << 20, 4>;
TEST_F(KillDuringRun, NewTarget) { KillRepeatedly(TKillCase::NewTarget); }
TEST_F(KillDuringRun, OverAnExistingTarget) { KillRepeatedly(TKillCase::OverTarget); }
TEST_F(KillDuringRun, InPlace) { KillRepeatedly(TKillCase::InPlace); }

// Hundreds of MiB, where a run lasts seconds and the kills land deep inside
// the transform and inside the sync of a large file.
using KillDuringRunLarge = TKillSuite<std::uint64_t{256} << 20, 6>;
TEST_F(KillDuringRunLarge, NewTarget) { KillRepeatedly(TKillCase::NewTarget); }
TEST_F(KillDuringRunLarge, OverAnExistingTarget) { KillRepeatedly(TKillCase::OverTarget); }
TEST_F(KillDuringRunLarge, InPlace) { KillRepeatedly(TKillCase::InPlace); }

}  // namespace

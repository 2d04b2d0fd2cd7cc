// SPDX-License-Identifier: GPL-3.0-or-later
// A leak test in the manner of dudect (Reparaz, Balasch, Verbauwhede 2017)
// for each block path this CPU runs: two classes of inputs, one fixed and
// one random, drawn at random for every measurement; the cycles of each
// call; Welch's t between the classes on every measurement, on the
// measurements below each cropping threshold and on the centred squares. A
// large |t| says that the time depends on the secret; a small one says only
// that this many measurements found nothing on this machine.
//
//   tolvane_dudect [--measurements N]
//
// TOLVANE_CIPHER=portable|avx2|avx512 tests that path alone.

#include <x86intrin.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "WelchTest.h"
#include "twofish/BlockPath.h"
#include "twofish/CipherChoice.h"
#include "twofish/Twofish.h"

namespace {

// Two groups of 32 blocks: the vector path's unit of work.
constexpr std::size_t kBlocks = 64;
constexpr std::size_t kBytes = kBlocks * 16;
constexpr std::size_t kKeyBytes = 32;
constexpr std::size_t kBatch = 10000;
// |t| above this rejects "no leak" with high confidence (the original's bar).
constexpr double kLeakThreshold = 4.5;

// lfence keeps the timed call from starting before the first read of the
// counter or finishing after the second; rdtscp waits for the call's
// instructions to complete.
inline std::uint64_t CyclesBefore() {
  _mm_lfence();
  const std::uint64_t t = __rdtsc();
  _mm_lfence();
  return t;
}
inline std::uint64_t CyclesAfter() {
  unsigned aux = 0;
  const std::uint64_t t = __rdtscp(&aux);
  _mm_lfence();
  return t;
}

inline void KeepResult(const void* p) { asm volatile("" : : "r"(p) : "memory"); }

std::mt19937_64& Random() {
  static std::mt19937_64 random{std::random_device{}()};
  return random;
}

void Fill(std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<std::uint8_t>(Random()());
}

// One measurement: prepare (untimed) what the class asks for, then time the
// call. Both classes do the same untimed work, so that the caches differ
// only by what the secret makes them.
struct TLeakCase {
  const char* Name;
  bool RandomKey;  // else random data under a fixed key
  std::function<void(TTwofish&, std::uint8_t* data)> Call;
  bool TimesKeySetup = false;
};

alignas(64) std::uint8_t gData[kBytes];
alignas(64) std::uint8_t gOut[kBytes];
alignas(64) std::uint8_t gIV[16];

// The harness itself: a call whose time cannot depend on the data. A large
// |t| here means the measurement, not the cipher, tells the classes apart.
TLeakCase Control() {
  return {"control: XOR of the data, fixed vs random", false, [](TTwofish&, std::uint8_t* d) {
            for (std::size_t i = 0; i < kBytes; ++i)
              gOut[i] = static_cast<std::uint8_t>(d[i] ^ gIV[i % 16]);
          }};
}

std::vector<TLeakCase> Cases() {
  return {
      {"ECB encryption, fixed vs random data", false,
       [](TTwofish& t, std::uint8_t* d) { t.EncryptBlocks(d, gOut, kBlocks); }},
      {"ECB decryption, fixed vs random data", false,
       [](TTwofish& t, std::uint8_t* d) { t.DecryptBlocks(d, gOut, kBlocks); }},
      {"CBC decryption, fixed vs random data", false,
       [](TTwofish& t, std::uint8_t* d) { t.DecryptBlocksCbc(d, kBlocks, gIV); }},
      {"CBC encryption, fixed vs random data", false,
       [](TTwofish& t, std::uint8_t* d) { t.EncryptBlocksCbc(d, kBlocks, gIV); }},
      {"ECB encryption, fixed vs random key", true,
       [](TTwofish& t, std::uint8_t* d) { t.EncryptBlocks(d, gOut, kBlocks); }},
      {"key setup, fixed vs random key", true, nullptr, true},
  };
}

dudect::TLeakTest::TWorst RunCase(const TLeakCase& c, std::size_t measurements) {
  static TTwofish t;  // 8 KiB of state: off the stack, like the product
  t.SetKeySize(TKeySize::Large256);
  const std::string fixedKey(kKeyBytes, '\0');
  const std::vector<std::uint8_t> fixedData(kBytes, 0);
  t.SetKey(fixedKey);

  std::vector<int> classes(kBatch);
  std::vector<std::uint8_t> data(kBatch * kBytes);
  std::vector<std::string> keys(kBatch, std::string(kKeyBytes, '\0'));
  std::vector<std::uint64_t> cycles(kBatch);
  std::optional<dudect::TLeakTest> test;

  // The first batch only sets the cropping thresholds and warms up.
  for (std::size_t done = 0; done < measurements + kBatch; done += kBatch) {
    for (std::size_t i = 0; i < kBatch; ++i) {
      classes[i] = static_cast<int>(Random()() & 1);
      std::uint8_t* d = &data[i * kBytes];
      if (!c.RandomKey && classes[i] == 1)
        Fill(d, kBytes);
      else
        std::memcpy(d, fixedData.data(), kBytes);
      if (c.RandomKey && classes[i] == 1)
        Fill(reinterpret_cast<std::uint8_t*>(keys[i].data()), kKeyBytes);
      else
        keys[i] = fixedKey;
    }
    for (std::size_t i = 0; i < kBatch; ++i) {
      std::memcpy(gData, &data[i * kBytes], kBytes);
      std::memset(gIV, 0, sizeof gIV);
      if (c.TimesKeySetup) {
        const std::uint64_t start = CyclesBefore();
        t.SetKey(keys[i]);
        cycles[i] = CyclesAfter() - start;
        continue;
      }
      if (c.RandomKey) t.SetKey(keys[i]);
      const std::uint64_t start = CyclesBefore();
      c.Call(t, gData);
      cycles[i] = CyclesAfter() - start;
      KeepResult(gOut);
      KeepResult(gData);
    }
    if (!test) {
      test.emplace(cycles);
      continue;
    }
    for (std::size_t i = 0; i < kBatch; ++i) test->Push(cycles[i], classes[i]);
  }
  t.Wipe();
  return test->Worst();
}

std::string CpuName() {
  std::ifstream info("/proc/cpuinfo");
  std::string line;
  while (std::getline(info, line))
    if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
  return "unknown";
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t measurements = 500000;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--measurements") == 0 && i + 1 < argc) {
      measurements = std::strtoull(argv[++i], nullptr, 10);
    } else {
      std::fprintf(stderr, "usage: tolvane_dudect [--measurements N]\n");
      return 2;
    }
  }
  if (measurements < kBatch) measurements = kBatch;

  std::vector<TBlockPath> paths;
  const TCipherChoice choice = CipherChoiceFromEnvironment();
  switch (choice.Status) {
    case TCipherChoice::TStatus::Unset:
      for (const TBlockPath path : {TBlockPath::Portable, TBlockPath::Avx2, TBlockPath::Avx512})
        if (BlockPathAvailable(path)) paths.push_back(path);
      break;
    case TCipherChoice::TStatus::Chosen: paths.push_back(choice.Path); break;
    case TCipherChoice::TStatus::Unknown:
    case TCipherChoice::TStatus::Unavailable:
      std::fprintf(stderr, "tolvane_dudect: TOLVANE_CIPHER=%s is no cipher path this CPU runs\n",
                   choice.Value.c_str());
      return 2;
  }

  std::printf("cpu: %s\n", CpuName().c_str());
  std::printf("%zu measurements per test, %zu blocks per call; |t| > %.1f suggests a leak\n\n",
              measurements, kBlocks, kLeakThreshold);
  std::printf("%-12s %-42s %8s  %-13s %s\n", "path", "test", "max |t|", "found in", "verdict");
  const auto report = [&](const char* path, const TLeakCase& c) {
    const dudect::TLeakTest::TWorst worst = RunCase(c, measurements);
    std::printf("%-12s %-42s %8.2f  %-13s %s\n", path, c.Name, worst.T, worst.Where,
                worst.T > kLeakThreshold ? "LEAK SUGGESTED" : "no leak found");
    std::fflush(stdout);
  };
  report("-", Control());
  for (const TBlockPath path : paths) {
    SelectBlockPath(path);
    for (const TLeakCase& c : Cases()) report(BlockPathName(path), c);
  }
  SelectBlockPath(DefaultBlockPath());
  return 0;
}

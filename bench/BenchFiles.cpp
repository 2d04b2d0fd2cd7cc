// SPDX-License-Identifier: GPL-3.0-or-later
// The file figures, ours only: the transform over a 256 MiB file straight
// into its target and through the job's real output path (temporary file,
// sync, rename), the same copy through that path with no transform (the
// floor the files set), the sync alone, the same data encrypted and
// decrypted in memory, and a wrong password refused on a 1 GiB file against
// decrypting that file. Then the transforms that run on several threads: in
// memory on 1 and 2 threads, and decrypting the file on 1 thread and on
// every core.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchCommon.h"
#include "job/CryptJob.h"
#include "platform/FileIO.h"
#include "platform/FileSystem.h"
#include "platform/PendingFile.h"
#include "twofish/CipherPool.h"
#include "twofish/Padding.h"
#include "twofish/ParallelBlocks.h"
#include "twofish/Twofish.h"

using namespace bench;

namespace {

constexpr std::uint64_t kFileBytes = 256ull << 20;
constexpr std::uint64_t kLargeBytes = 1ull << 30;
constexpr std::size_t kParallelBytes = 64u << 20;

int Cores() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

const std::string kKeyText(reinterpret_cast<const char*>(kKey), sizeof kKey);
const std::string kIVText(reinterpret_cast<const char*>(kIV), sizeof kIV);

void Keyed(TTwofish& t, const std::string& keyText = kKeyText) {
  t.SetKeySize(TKeySize::Large256);
  t.SetCipherMode(TCipherMode::CBC);
  t.SetKey(keyText);
  t.SetIV(kIVText);
}

[[noreturn]] void Die(const char* what) {
  std::perror(what);
  std::exit(1);
}

void WriteAll(int fd, const void* data, std::size_t size) {
  if (::write(fd, data, size) != static_cast<ssize_t>(size)) Die("write");
}

// Answers as the command line with --force does and notes the outcome.
class TQuietListener final : public IJobListener {
 public:
  bool MayReplace(const std::string&, bool) override { return true; }
  void Succeeded(const std::string&) override {}
  void Failed(const TJobFailure& failure) override { Failure = failure.Kind; }
  TFailureKind Failure = TFailureKind::None;
};

// The password keys the cipher as it is (no digest): IV and key are both the
// key text, which the wrong-password figure relies on only for the key. One
// thread: the figures set against the floor and the in-memory transform
// compare like with like.
TJobOutcome RunJob(TDirection direction, const std::string& source, const std::string& target,
                   const std::string& keyText, TFailureKind* failure = nullptr) {
  TCryptRequest request;
  request.Threads = 1;
  request.Direction = direction;
  request.Replace = TReplacePolicy::Replace;
  request.Mode = TChainMode::CBC;
  request.Hashing = TPasswordHashing::Plain;
  request.SourceName = source;
  request.TargetName = target;
  request.Password = TSecret(keyText);
  TQuietListener listener;
  TCryptJob job(listener, std::move(request));
  job.RunJob();
  if (failure) *failure = listener.Failure;
  return job.Outcome();
}

// A temporary directory holding the inputs, made on first use and removed at
// exit: the 256 MiB plaintext and its ciphertext, and, once a figure needs
// it, a 1 GiB ciphertext. After the first pass the inputs sit in the page
// cache, so the figures measure the transform and the writing, not reading
// the disk.
class TFileSet {
 public:
  static TFileSet& Get() {
    static TFileSet set;
    return set;
  }
  std::string Plain, Cipher, Output, Large, LargeOutput;
  // A key that the 1 GiB file's padding check refuses.
  std::string WrongKeyText;

  const std::string& LargeCipher() {
    if (!FLargeMade) MakeLarge();
    return Large;
  }

 private:
  std::string FDir;
  bool FLargeMade = false;

  TFileSet() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tolvane_bench_XXXXXX";
    if (!mkdtemp(pattern.data())) Die("mkdtemp");
    FDir = pattern;
    Plain = FDir + "/plain.bin";
    Cipher = FDir + "/cipher.tvn";
    Output = FDir + "/output.bin";
    Large = FDir + "/large.tvn";
    LargeOutput = FDir + "/large.bin";
    WriteRandom(Plain, kFileBytes, 7);
    TTwofish t;
    Keyed(t);
    t.EncryptFile(Plain, Cipher);
    t.Wipe();
  }
  ~TFileSet() {
    for (const std::string* name : {&Plain, &Cipher, &Output, &Large, &LargeOutput}) {
      std::remove(name->c_str());
    }
    rmdir(FDir.c_str());
  }

  // Returns the last 16 bytes written.
  static std::vector<std::uint8_t> WriteRandom(const std::string& name, std::uint64_t size,
                                               std::uint64_t seed) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) Die("open");
    std::mt19937_64 rng(seed);
    std::vector<std::uint64_t> block(8192);
    for (std::uint64_t written = 0; written < size; written += block.size() * 8) {
      for (auto& w : block) w = rng();
      const std::uint64_t count = std::min<std::uint64_t>(size - written, block.size() * 8);
      WriteAll(fd, block.data(), static_cast<std::size_t>(count));
    }
    ::close(fd);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(block.data());
    const std::size_t end = static_cast<std::size_t>((size - 1) % (block.size() * 8)) + 1;
    return std::vector<std::uint8_t>(bytes + end - 16, bytes + end);
  }

  // Random blocks with a last block made so that it decrypts to a whole
  // padding block: decrypting the file costs what any 1 GiB ciphertext
  // costs, and the right key passes the padding check. Far cheaper to make
  // than encrypting 1 GiB.
  void MakeLarge() {
    const std::vector<std::uint8_t> previous = WriteRandom(Large, kLargeBytes - 16, 11);
    TTwofish t;
    Keyed(t);
    std::uint8_t block[16];
    for (int i = 0; i < 16; ++i) block[i] = static_cast<std::uint8_t>(16 ^ previous[i]);
    std::uint8_t last[16];
    t.EncryptBlock(block, last);
    const int fd = ::open(Large.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) Die("open");
    WriteAll(fd, last, sizeof last);
    ::close(fd);
    t.CheckLastBlock(Large);  // throws if the construction is wrong
    // About one wrong key in 256 passes the check by chance: take one that
    // does not.
    for (char variant = 'a';; ++variant) {
      WrongKeyText = kKeyText;
      WrongKeyText[0] = variant;
      TTwofish w;
      Keyed(w, WrongKeyText);
      try {
        w.CheckLastBlock(Large);
      } catch (const EFileError&) {
        break;
      }
    }
    t.Wipe();
    FLargeMade = true;
  }
};

// A fresh target in every figure: replacing a large file makes the system
// free its blocks first, which is not the transform's cost.
void RemoveOutput(benchmark::State& state, const std::string& name) {
  state.PauseTiming();
  std::remove(name.c_str());
  state.ResumeTiming();
}

void SetFileBytes(benchmark::State& state, std::uint64_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// The transform alone, straight into the target: no temporary file, no sync.
void FileFigure(benchmark::State& state, bool encrypt, int threads = 1) {
  TFileSet& files = TFileSet::Get();
  static TTwofish t;
  t.SetThreads(threads);
  for (auto _ : state) {
    RemoveOutput(state, files.Output);
    Keyed(t);
    if (encrypt)
      t.EncryptFile(files.Plain, files.Output);
    else
      t.DecryptFile(files.Cipher, files.Output);
  }
  SetFileBytes(state, kFileBytes);
  t.Wipe();
}

void EncryptFile(benchmark::State& s) { FileFigure(s, true); }
void DecryptFile(benchmark::State& s) { FileFigure(s, false); }
void DecryptFileAllCores(benchmark::State& s) { FileFigure(s, false, Cores()); }

// 64 MiB in memory, transformed in place in chunks over a pool of the given
// threads (1: the caller alone, through the same code).
void ParallelMemoryFigure(benchmark::State& state, TBlockWork work, int threads) {
  static TTwofish t;
  Keyed(t);
  std::vector<std::uint8_t> data(kParallelBytes);
  for (std::size_t at = 0; at < data.size(); at += kChunk) {
    std::memcpy(&data[at], SampleChunk(), kChunk);
  }
  TCipherPool pool(threads);
  std::uint8_t iv[16];
  std::memcpy(iv, kIV, sizeof iv);
  for (auto _ : state) {
    TransformBlocksParallel(t, work, data.data(), data.size() / 16, iv, pool);
    benchmark::DoNotOptimize(data.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kParallelBytes));
  t.Wipe();
}

void CbcDecrypt1T(benchmark::State& s) { ParallelMemoryFigure(s, TBlockWork::DecryptCbc, 1); }
void CbcDecrypt2T(benchmark::State& s) { ParallelMemoryFigure(s, TBlockWork::DecryptCbc, 2); }
void EcbEncrypt1T(benchmark::State& s) { ParallelMemoryFigure(s, TBlockWork::EncryptEcb, 1); }
void EcbEncrypt2T(benchmark::State& s) { ParallelMemoryFigure(s, TBlockWork::EncryptEcb, 2); }
void EcbDecrypt1T(benchmark::State& s) { ParallelMemoryFigure(s, TBlockWork::DecryptEcb, 1); }
void EcbDecrypt2T(benchmark::State& s) { ParallelMemoryFigure(s, TBlockWork::DecryptEcb, 2); }

const bool kCoresNoted = [] {
  benchmark::AddCustomContext("tolvane_cores", std::to_string(Cores()));
  return true;
}();

// The job as the window and the command line run it: the result goes into a
// temporary file beside the target, is synced, renamed over the target's
// name, and the folder synced.
void EncryptFileJob(benchmark::State& state) {
  TFileSet& files = TFileSet::Get();
  for (auto _ : state) {
    RemoveOutput(state, files.Output);
    if (RunJob(TDirection::Encrypt, files.Plain, files.Output, kKeyText) != TJobOutcome::Succeeded) {
      state.SkipWithError("the job failed");
      break;
    }
  }
  SetFileBytes(state, kFileBytes);
}

void DecryptFileJob(benchmark::State& state) {
  TFileSet& files = TFileSet::Get();
  for (auto _ : state) {
    RemoveOutput(state, files.Output);
    if (RunJob(TDirection::Decrypt, files.Cipher, files.Output, kKeyText) != TJobOutcome::Succeeded) {
      state.SkipWithError("the job failed");
      break;
    }
  }
  SetFileBytes(state, kFileBytes);
}

// The floor under the job: the 256 MiB plaintext copied through the job's
// own output path with no cipher at all. The same platform layer reads it
// (staged, read ahead) and writes a temporary file beside the target
// (staged, written behind with its writeback started), which is synced,
// renamed over the target, and the folder synced. How fast the system takes
// new pages varies from run to run on a virtual machine; this figure, taken
// in the same run, says what any transform through that path costs at least.
void CopyFloor(benchmark::State& state) {
  TFileSet& files = TFileSet::Get();
  constexpr std::size_t Piece = 256 * 1024;
  std::vector<std::uint8_t> piece(Piece);
  const TFileAttributes attributes = AttributesOf(files.Plain);
  for (auto _ : state) {
    RemoveOutput(state, files.Output);
    TPendingFile pending;
    TInputFile input;
    TOutputFile output;
    if (pending.Create(files.Output) || pending.OpenOutput(output) || input.Open(files.Plain)) {
      state.SkipWithError("the files did not open");
      break;
    }
    for (;;) {
      const TIoResult read = input.Read(piece.data(), piece.size());
      if (!read.Ok()) Die("read");
      if (read.Bytes == 0) break;
      if (!output.Write(piece.data(), read.Bytes).Ok()) Die("write");
    }
    if (input.Close() || !output.Close().Ok() ||
        pending.Commit(attributes, TReplaceMode::Replace)) {
      state.SkipWithError("the copy did not reach its name");
      break;
    }
  }
  SetFileBytes(state, kFileBytes);
}

// What the job's sync of the 256 MiB result costs by itself: the result is
// written (not timed), then synced (timed).
void SyncResult(benchmark::State& state) {
  TFileSet& files = TFileSet::Get();
  static TTwofish t;
  for (auto _ : state) {
    state.PauseTiming();
    std::remove(files.Output.c_str());
    Keyed(t);
    t.EncryptFile(files.Plain, files.Output);
    const int fd = ::open(files.Output.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Die("open");
    state.ResumeTiming();
    if (::fsync(fd) != 0) Die("fsync");
    state.PauseTiming();
    ::close(fd);
    state.ResumeTiming();
  }
  t.Wipe();
}

// The same 256 MiB, held in memory, through the component as the file
// transform drives it: 4 KiB into the chunk buffer, encrypted there, copied
// out, the padding in the last chunk. What the file figures add to this is
// the cost of files.
void CbcEncryptMemory(benchmark::State& state) {
  static TTwofish t;
  std::vector<std::uint8_t> plain(kFileBytes);
  std::mt19937_64 rng(7);
  for (std::size_t i = 0; i < plain.size(); i += 8) {
    const std::uint64_t w = rng();
    std::memcpy(&plain[i], &w, 8);
  }
  std::vector<std::uint8_t> cipher(kFileBytes + 16);
  for (auto _ : state) {
    Keyed(t);
    std::uint8_t* buffer = t.Buffer();
    for (std::size_t at = 0; at < plain.size(); at += kChunk) {
      std::memcpy(buffer, &plain[at], kChunk);
      int n = static_cast<int>(kChunk);
      if (at + kChunk == plain.size()) n = AppendPadding(buffer, n);
      t.EncryptBuffer(n);
      std::memcpy(&cipher[at], buffer, static_cast<std::size_t>(n));
    }
    benchmark::DoNotOptimize(cipher.data());
    benchmark::ClobberMemory();
  }
  SetFileBytes(state, kFileBytes);
  t.Wipe();
}

// The same 256 MiB of ciphertext, in memory, decrypted as the serial file
// transform drives it: into the chunk buffer, decrypted there, copied out,
// the padding dropped from the last chunk.
void CbcDecryptMemory(benchmark::State& state) {
  static TTwofish t;
  std::vector<std::uint8_t> cipher(kFileBytes + 16);
  std::mt19937_64 rng(7);
  for (std::size_t i = 0; i < kFileBytes; i += 8) {
    const std::uint64_t w = rng();
    std::memcpy(&cipher[i], &w, 8);
  }
  // Encrypted in place chunk by chunk, the padding block last, so that the
  // figure ends on a valid padding as the file does.
  Keyed(t);
  for (std::size_t at = 0; at < kFileBytes; at += kChunk) {
    std::uint8_t* buffer = t.Buffer();
    std::memcpy(buffer, &cipher[at], kChunk);
    int n = static_cast<int>(kChunk);
    if (at + kChunk == kFileBytes) n = AppendPadding(buffer, n);
    t.EncryptBuffer(n);
    std::memcpy(&cipher[at], buffer, static_cast<std::size_t>(n));
  }
  std::vector<std::uint8_t> plain(kFileBytes + 16);
  for (auto _ : state) {
    Keyed(t);
    std::uint8_t* buffer = t.Buffer();
    std::size_t out = 0;
    for (std::size_t at = 0; at < cipher.size(); at += kChunk) {
      int n = static_cast<int>(std::min<std::size_t>(kChunk, cipher.size() - at));
      std::memcpy(buffer, &cipher[at], static_cast<std::size_t>(n));
      t.DecryptBuffer(n);
      if (at + static_cast<std::size_t>(n) == cipher.size()) n = UnpaddedLength(buffer, n);
      if (n < 0) {
        state.SkipWithError("bad padding");
        break;
      }
      std::memcpy(&plain[out], buffer, static_cast<std::size_t>(n));
      out += static_cast<std::size_t>(n);
    }
    benchmark::DoNotOptimize(plain.data());
    benchmark::ClobberMemory();
  }
  SetFileBytes(state, kFileBytes);
  t.Wipe();
}

// Decrypting the whole 1 GiB file, straight into its target (no sync): the
// cost a wrong password would have without the check up front.
void DecryptLargeFile(benchmark::State& state) {
  TFileSet& files = TFileSet::Get();
  const std::string& large = files.LargeCipher();
  static TTwofish t;
  for (auto _ : state) {
    RemoveOutput(state, files.LargeOutput);
    Keyed(t);
    t.DecryptFile(large, files.LargeOutput);
  }
  std::remove(files.LargeOutput.c_str());
  SetFileBytes(state, kLargeBytes);
  t.Wipe();
}

// A whole decrypting job with a wrong password on the 1 GiB file: refused
// from the last block before anything is written.
void RefuseWrongPasswordJob(benchmark::State& state) {
  TFileSet& files = TFileSet::Get();
  const std::string& large = files.LargeCipher();
  for (auto _ : state) {
    TFailureKind failure = TFailureKind::None;
    if (RunJob(TDirection::Decrypt, large, files.LargeOutput, files.WrongKeyText, &failure) !=
            TJobOutcome::Failed ||
        failure != TFailureKind::InvalidPadding) {
      state.SkipWithError("the wrong password was not refused as such");
      break;
    }
  }
}

// The component's check alone, the key already set.
void CheckLastBlockWrong(benchmark::State& state) {
  TFileSet& files = TFileSet::Get();
  const std::string& large = files.LargeCipher();
  static TTwofish t;
  Keyed(t, files.WrongKeyText);
  for (auto _ : state) {
    try {
      t.CheckLastBlock(large);
      state.SkipWithError("the wrong key passed the check");
      break;
    } catch (const EFileError&) {
    }
  }
  t.Wipe();
}

}  // namespace

TOLVANE_BENCH(Tolvane, CbcEncrypt256M, CbcEncryptMemory)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
TOLVANE_BENCH(Tolvane, EncryptFile256M, EncryptFile)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
TOLVANE_BENCH(Tolvane, EncryptFileJob256M, EncryptFileJob)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
TOLVANE_BENCH(Tolvane, CbcDecrypt256M, CbcDecryptMemory)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
TOLVANE_BENCH(Tolvane, DecryptFileJob256M, DecryptFileJob)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
TOLVANE_BENCH(Tolvane, CopyFloor256M, CopyFloor)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
TOLVANE_BENCH(Tolvane, SyncResult256M, SyncResult)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
TOLVANE_BENCH(Tolvane, DecryptFile256M, DecryptFile)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
TOLVANE_BENCH(Tolvane, DecryptFile256MAllCores, DecryptFileAllCores)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
TOLVANE_BENCH(Tolvane, CbcDecrypt64M1T, CbcDecrypt1T)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
TOLVANE_BENCH(Tolvane, CbcDecrypt64M2T, CbcDecrypt2T)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
TOLVANE_BENCH(Tolvane, EcbEncrypt64M1T, EcbEncrypt1T)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
TOLVANE_BENCH(Tolvane, EcbEncrypt64M2T, EcbEncrypt2T)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
TOLVANE_BENCH(Tolvane, EcbDecrypt64M1T, EcbDecrypt1T)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
TOLVANE_BENCH(Tolvane, EcbDecrypt64M2T, EcbDecrypt2T)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
TOLVANE_BENCH(Tolvane, DecryptFile1G, DecryptLargeFile)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
TOLVANE_BENCH(Tolvane, RefuseWrongPassword1G, RefuseWrongPasswordJob)
    ->Unit(benchmark::kMicrosecond)->UseRealTime();
TOLVANE_BENCH(Tolvane, CheckLastBlock1G, CheckLastBlockWrong)
    ->Unit(benchmark::kMicrosecond)->UseRealTime();

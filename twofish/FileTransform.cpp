// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "platform/FileError.h"
#include "platform/FileIO.h"
#include "platform/SystemError.h"
#include "twofish/CipherPool.h"
#include "twofish/Padding.h"
#include "twofish/ParallelBlocks.h"
#include "twofish/Twofish.h"
#include "util/SecureWipe.h"

// Whole-file encryption and decryption: the input streams through the
// component's chunk buffer in 4096-byte reads, one chain from the IV, with
// the padding inside the last chunk. With more than one thread, ECB and CBC
// decryption read several larger chunks at a time instead, transform them
// side by side and write them in order: the output is the same.

namespace {

constexpr std::size_t BlockBytes = 16;

[[noreturn]] void RaiseOsError(const std::error_code& code) {
  throw EInOutError(code, SystemErrorText(code));
}

void OpenInput(TInputFile& input, const std::string& name) {
  if (const std::error_code error = input.Open(name)) {
    throw EFileError(TFileErrorCause::InputNotFound, error);
  }
}

void CreateOutput(TOutputFile& output, const std::string& name) {
  if (const std::error_code error = output.Create(name)) {
    throw EFileError(TFileErrorCause::OutputNotCreated, error);
  }
}

void CheckWritten(const TIoResult& result) {
  if (result.Error == TFileError::ShortWrite) throw EFileError(TFileErrorCause::ShortWrite);
  if (result.Error) RaiseOsError(result.Error);
}

// Reads the next chunk; returns its size and whether the input is now at its
// end. The end is found by looking ahead, so an input whose size is a
// multiple of the chunk size ends with a full chunk, not an empty one.
std::size_t ReadChunk(TInputFile& input, std::uint8_t* buffer, std::size_t size, bool& atEnd) {
  const TIoResult read = input.Read(buffer, size);
  if (read.Error) RaiseOsError(read.Error);
  const TEndResult end = input.AtEnd();
  if (end.Error) RaiseOsError(end.Error);
  atEnd = end.AtEnd;
  return read.Bytes;
}

void WriteChunk(TOutputFile& output, const std::uint8_t* buffer, std::size_t n) {
  CheckWritten(output.Write(buffer, n));
}

void CloseFiles(TInputFile& input, TOutputFile& output) {
  if (const std::error_code error = input.Close()) RaiseOsError(error);
  CheckWritten(output.Close());
}

// Tells the hook about a finished chunk that ends done bytes into the input;
// false when it asks to stop.
bool ReportChunk(const TProgressHook& hook, const TInputFile& input, std::uint64_t done) {
  if (!hook) return true;
  return hook(done, std::max(done, input.Size()));
}

// Ciphertext of this format is whole blocks, at least one.
bool IsCiphertextSize(std::uint64_t size) { return size != 0 && size % BlockBytes == 0; }

[[noreturn]] void RaiseInvalidSize() { throw EFileError(TFileErrorCause::InvalidSize); }

// The older rule counts in 4096-byte chunks from the file's start, which
// the parallel chunks must not straddle.
static_assert(ParallelChunkBytes % TTwofish::ChunkSize == 0);

// The length of the decrypted last chunk once its padding is removed.
int KeptLength(const TTwofish& cipher, const std::uint8_t* chunk, int n) {
  if (cipher.LegacyPadding()) return LegacyUnpaddedLength(chunk, n);
  const int kept = UnpaddedLength(chunk, n);
  if (kept < 0) throw EFileError(TFileErrorCause::InvalidPadding);
  return kept;
}

// Opens the input and refuses what cannot be ciphertext, before any output
// is created or written.
void OpenChecked(TInputFile& input, const std::string& name, bool ciphertextInput) {
  OpenInput(input, name);
  if (ciphertextInput && input.HasSize() && !IsCiphertextSize(input.Size())) RaiseInvalidSize();
}

// What both directions share, once both files are open: each chunk is read
// into the buffer, transformed there by chunkStep(n, last), which returns the
// number of bytes to write, and written; the hook hears of it. The input is
// closed before the output.
template <typename ChunkStep>
void StreamFile(TInputFile& input, TOutputFile& output, const TProgressHook& hook,
                std::uint8_t* buffer, ChunkStep chunkStep) {
  for (;;) {
    bool atEnd = false;
    const auto read = static_cast<int>(ReadChunk(input, buffer, TTwofish::ChunkSize, atEnd));
    const int n = chunkStep(read, atEnd);
    WriteChunk(output, buffer, static_cast<std::size_t>(n));
    // A stop asked for with the last chunk comes too late to matter: the
    // output is complete.
    const bool goOn = ReportChunk(hook, input, input.Position());
    if (atEnd) break;
    if (!goOn) {
      CloseFiles(input, output);
      throw ETransformStopped();
    }
  }
  CloseFiles(input, output);
}

// By name: the input is opened before the output is created (an existing
// file emptied), and the output created before anything is read.
template <typename Stream>
void WithNamedFiles(const std::string& inputName, const std::string& outputName,
                    bool ciphertextInput, Stream stream) {
  TInputFile input;
  OpenChecked(input, inputName, ciphertextInput);
  TOutputFile output;
  CreateOutput(output, outputName);
  stream(input, output);
}

template <typename Stream>
void WithInputFile(const std::string& inputName, TOutputFile& output, bool ciphertextInput,
                   Stream stream) {
  TInputFile input;
  OpenChecked(input, inputName, ciphertextInput);
  stream(input, output);
}

// The chunk steps of the two directions, shared by both forms.
auto EncryptStep(TTwofish& cipher) {
  return [&cipher](int n, bool last) {
    if (last) n = AppendPadding(cipher.Buffer(), n);
    cipher.EncryptBuffer(n);
    return n;
  };
}

auto DecryptStep(TTwofish& cipher) {
  return [&cipher](int n, bool last) {
    // The size checked at opening may have changed since.
    if (!IsCiphertextSize(static_cast<std::uint64_t>(n))) RaiseInvalidSize();
    cipher.DecryptBuffer(n);
    return last ? KeptLength(cipher, cipher.Buffer(), n) : n;
  };
}

// Plaintext lives in these chunks: wiped however the transform ends.
class TChunkMemory {
 public:
  explicit TChunkMemory(std::size_t bytes) : FBytes(bytes) {}
  TChunkMemory(const TChunkMemory&) = delete;
  TChunkMemory& operator=(const TChunkMemory&) = delete;
  ~TChunkMemory() { SecureWipe(FBytes.data(), FBytes.size()); }
  std::uint8_t* Data() { return FBytes.data(); }

 private:
  std::vector<std::uint8_t> FBytes;
};

// One round of chunks: their memory, what each holds, and the input
// position after each.
struct TRound {
  std::uint8_t* Memory = nullptr;
  std::vector<TChunkWork> Chunks;
  std::vector<std::uint64_t> Done;
  std::size_t Count = 0;
  bool AtEnd = false;

  std::span<TChunkWork> Read() { return {Chunks.data(), Count}; }
};

constexpr std::size_t SlotBytes = ParallelChunkBytes + BlockBytes;

// Reads up to one chunk per slot, stopping at the input's end; fills in
// each chunk's data and blocks (padded, when encrypting the last one) and
// the input position after it.
void ReadRound(TInputFile& input, TRound& round, bool decrypt) {
  round.Count = 0;
  round.AtEnd = false;
  while (round.Count < round.Chunks.size() && !round.AtEnd) {
    TChunkWork& chunk = round.Chunks[round.Count];
    chunk.Data = round.Memory + round.Count * SlotBytes;
    std::size_t n = ReadChunk(input, chunk.Data, ParallelChunkBytes, round.AtEnd);
    if (decrypt && !IsCiphertextSize(n)) RaiseInvalidSize();
    if (!decrypt && round.AtEnd) {
      n = static_cast<std::size_t>(AppendPadding(chunk.Data, static_cast<int>(n)));
    }
    chunk.Blocks = n / BlockBytes;
    round.Done[round.Count] = input.Position();
    ++round.Count;
  }
}

// Each chunk of a round chains from the ciphertext block before it; chain
// enters as the block before the round and leaves as its last one. Taken
// before any chunk is decrypted in place.
void ChainRound(std::span<TChunkWork> chunks, std::uint8_t chain[16]) {
  for (TChunkWork& chunk : chunks) {
    std::memcpy(chunk.Chain, chain, BlockBytes);
    std::memcpy(chain, chunk.Data + (chunk.Blocks - 1) * BlockBytes, BlockBytes);
  }
}

// Rounds of a few chunks per thread: enough that a helper the system holds
// back for a moment costs the others one chunk's wait, not the round's; few
// enough that two rounds stay a few MiB on a machine of many cores.
constexpr std::size_t ChunksPerThread = 4;
constexpr std::size_t MaxRoundChunks = 64;

// The parallel form of StreamFile. Two rounds are in flight: while the
// pool's helpers transform one, this thread writes the round before it and
// reads the next, then joins the transform; so the reading and writing
// overlap with the cipher instead of leaving the helpers idle. Chunks are
// written in order, the hook hearing of each as it is written, on this
// thread. chain is the CBC register; lastOut receives the last block
// transformed.
void StreamInRounds(TInputFile& input, TOutputFile& output, const TProgressHook& hook,
                    const TTwofish& cipher, TBlockWork work, int threads, std::uint8_t chain[16],
                    std::uint8_t lastOut[16]) {
  const auto slots = std::min(static_cast<std::size_t>(threads) * ChunksPerThread, MaxRoundChunks);
  // Declared before the pool: a round still running when an error unwinds
  // is finished by the pool's end while its memory is still there.
  TChunkMemory memory(2 * slots * SlotBytes);
  TRound rounds[2];
  for (int r = 0; r < 2; ++r) {
    rounds[r].Memory = memory.Data() + static_cast<std::size_t>(r) * slots * SlotBytes;
    rounds[r].Chunks.resize(slots);
    rounds[r].Done.resize(slots);
  }
  TCipherPool pool(threads);
  const bool decrypt = work != TBlockWork::EncryptEcb;
  const auto readNext = [&](TRound& round) {
    ReadRound(input, round, decrypt);
    if (work == TBlockWork::DecryptCbc) ChainRound(round.Read(), chain);
  };
  readNext(rounds[0]);
  StartChunks(cipher, work, rounds[0].Read(), pool);
  for (int current = 0;; current ^= 1) {
    TRound& round = rounds[current];
    TRound& next = rounds[current ^ 1];
    if (!round.AtEnd) readNext(next);
    pool.Finish();
    if (!round.AtEnd) StartChunks(cipher, work, next.Read(), pool);
    for (std::size_t i = 0; i < round.Count; ++i) {
      TChunkWork& chunk = round.Chunks[i];
      const bool last = round.AtEnd && i + 1 == round.Count;
      std::size_t n = chunk.Blocks * BlockBytes;
      if (last) {
        std::memcpy(lastOut, chunk.Data + n - BlockBytes, BlockBytes);
        if (decrypt) {
          n = static_cast<std::size_t>(KeptLength(cipher, chunk.Data, static_cast<int>(n)));
        }
      }
      WriteChunk(output, chunk.Data, n);
      const bool goOn = ReportChunk(hook, input, round.Done[i]);
      if (!last && !goOn) {
        pool.Finish();
        CloseFiles(input, output);
        throw ETransformStopped();
      }
    }
    if (round.AtEnd) break;
  }
  CloseFiles(input, output);
}

}  // namespace

void TTwofish::TransformFile(TInputFile& input, TOutputFile& output, const TProgressHook& hook,
                             bool encrypt) {
  const bool independentBlocks =
      FCipherMode == TCipherMode::ECB || (FCipherMode == TCipherMode::CBC && !encrypt);
  if (FThreads <= 1 || !independentBlocks) {
    if (encrypt) {
      StreamFile(input, output, hook, FBuffer, EncryptStep(*this));
    } else {
      StreamFile(input, output, hook, FBuffer, DecryptStep(*this));
    }
    return;
  }
  const TBlockWork work = FCipherMode == TCipherMode::CBC ? TBlockWork::DecryptCbc
                          : encrypt                       ? TBlockWork::EncryptEcb
                                                          : TBlockWork::DecryptEcb;
  // The fields end as the serial transform leaves them.
  std::uint8_t lastOut[BlockBytes] = {};
  try {
    StreamInRounds(input, output, hook, *this, work, FThreads, K.FIV, lastOut);
  } catch (...) {
    SecureWipe(lastOut, sizeof lastOut);
    throw;
  }
  if (work == TBlockWork::DecryptCbc) std::memcpy(K.FSavedBlock, K.FIV, BlockBytes);
  std::memcpy(K.FWorkBlock, lastOut, BlockBytes);
  SecureWipe(lastOut, sizeof lastOut);
}

void TTwofish::EncryptFile(const std::string& inputName, const std::string& outputName,
                           const TProgressHook& hook) {
  CheckReady();
  WithNamedFiles(inputName, outputName, false, [&](TInputFile& input, TOutputFile& output) {
    TransformFile(input, output, hook, true);
  });
}

void TTwofish::EncryptFile(const std::string& inputName, TOutputFile& output,
                           const TProgressHook& hook) {
  CheckReady();
  WithInputFile(inputName, output, false, [&](TInputFile& input, TOutputFile& out) {
    TransformFile(input, out, hook, true);
  });
}

void TTwofish::DecryptFile(const std::string& inputName, const std::string& outputName,
                           const TProgressHook& hook) {
  CheckReady();
  WithNamedFiles(inputName, outputName, true, [&](TInputFile& input, TOutputFile& output) {
    TransformFile(input, output, hook, false);
  });
}

void TTwofish::DecryptFile(const std::string& inputName, TOutputFile& output,
                           const TProgressHook& hook) {
  CheckReady();
  WithInputFile(inputName, output, true, [&](TInputFile& input, TOutputFile& out) {
    TransformFile(input, out, hook, false);
  });
}

void TTwofish::EncryptFile(TInputFile& input, TOutputFile& output, const TProgressHook& hook) {
  CheckReady();
  StreamFile(input, output, hook, FBuffer, EncryptStep(*this));
}

void TTwofish::DecryptFile(TInputFile& input, TOutputFile& output, const TProgressHook& hook) {
  CheckReady();
  if (input.HasSize() && !IsCiphertextSize(input.Size())) RaiseInvalidSize();
  StreamFile(input, output, hook, FBuffer, DecryptStep(*this));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstdint>

#include "platform/FileError.h"
#include "platform/FileIO.h"
#include "platform/SystemError.h"
#include "twofish/Padding.h"
#include "twofish/Twofish.h"

// Whole-file encryption and decryption: the input streams through the
// component's chunk buffer in 4096-byte reads, one chain from the IV, with
// the padding inside the last chunk.

namespace {

constexpr int BlockBytes = 16;

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
int ReadChunk(TInputFile& input, std::uint8_t* buffer, bool& atEnd) {
  const TIoResult read = input.Read(buffer, TTwofish::ChunkSize);
  if (read.Error) RaiseOsError(read.Error);
  const TEndResult end = input.AtEnd();
  if (end.Error) RaiseOsError(end.Error);
  atEnd = end.AtEnd;
  return static_cast<int>(read.Bytes);
}

void WriteChunk(TOutputFile& output, const std::uint8_t* buffer, int n) {
  CheckWritten(output.Write(buffer, static_cast<std::size_t>(n)));
}

void CloseFiles(TInputFile& input, TOutputFile& output) {
  if (const std::error_code error = input.Close()) RaiseOsError(error);
  CheckWritten(output.Close());
}

// Tells the hook about a finished chunk; false when it asks to stop.
bool ReportChunk(const TProgressHook& hook, const TInputFile& input) {
  if (!hook) return true;
  const std::uint64_t done = input.Position();
  return hook(done, std::max(done, input.Size()));
}

// Ciphertext of this format is whole blocks, at least one.
bool IsCiphertextSize(std::uint64_t size) { return size != 0 && size % BlockBytes == 0; }

[[noreturn]] void RaiseInvalidSize() { throw EFileError(TFileErrorCause::InvalidSize); }

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
    const int read = ReadChunk(input, buffer, atEnd);
    const int n = chunkStep(read, atEnd);
    WriteChunk(output, buffer, n);
    // A stop asked for with the last chunk comes too late to matter: the
    // output is complete.
    const bool goOn = ReportChunk(hook, input);
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
template <typename ChunkStep>
void StreamNamedFiles(const std::string& inputName, const std::string& outputName,
                      const TProgressHook& hook, std::uint8_t* buffer, bool ciphertextInput,
                      ChunkStep chunkStep) {
  TInputFile input;
  OpenChecked(input, inputName, ciphertextInput);
  TOutputFile output;
  CreateOutput(output, outputName);
  StreamFile(input, output, hook, buffer, chunkStep);
}

template <typename ChunkStep>
void StreamIntoOutput(const std::string& inputName, TOutputFile& output, const TProgressHook& hook,
                      std::uint8_t* buffer, bool ciphertextInput, ChunkStep chunkStep) {
  TInputFile input;
  OpenChecked(input, inputName, ciphertextInput);
  StreamFile(input, output, hook, buffer, chunkStep);
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
    if (!last) return n;
    const int kept = UnpaddedLength(cipher.Buffer(), n);
    if (kept < 0) throw EFileError(TFileErrorCause::InvalidPadding);
    return kept;
  };
}

}  // namespace

void TTwofish::EncryptFile(const std::string& inputName, const std::string& outputName,
                           const TProgressHook& hook) {
  CheckReady();
  StreamNamedFiles(inputName, outputName, hook, FBuffer, false, EncryptStep(*this));
}

void TTwofish::EncryptFile(const std::string& inputName, TOutputFile& output,
                           const TProgressHook& hook) {
  CheckReady();
  StreamIntoOutput(inputName, output, hook, FBuffer, false, EncryptStep(*this));
}

void TTwofish::DecryptFile(const std::string& inputName, const std::string& outputName,
                           const TProgressHook& hook) {
  CheckReady();
  StreamNamedFiles(inputName, outputName, hook, FBuffer, true, DecryptStep(*this));
}

void TTwofish::DecryptFile(const std::string& inputName, TOutputFile& output,
                           const TProgressHook& hook) {
  CheckReady();
  StreamIntoOutput(inputName, output, hook, FBuffer, true, DecryptStep(*this));
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

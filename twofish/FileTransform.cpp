#include <algorithm>
#include <cstdint>

#include "platform/FileIO.h"
#include "platform/SystemError.h"
#include "twofish/Padding.h"
#include "twofish/Twofish.h"

// Whole-file encryption and decryption: the input streams through the
// component's chunk buffer in 4096-byte reads, one chain from the IV, with
// the padding inside the last chunk.

namespace {

constexpr int BlockBytes = 16;

[[noreturn]] void RaiseOsError(int code) {
  throw EInOutError(code, SystemErrorText(code));
}

void OpenInput(TInputFile& input, const std::string& name) {
  if (const int error = input.Open(name)) {
    throw EFileError("Twofish: Input file not found", error);
  }
}

void CreateOutput(TOutputFile& output, const std::string& name) {
  if (const int error = output.Create(name)) {
    throw EFileError("Twofish: Could not open output file", error);
  }
}

void CheckWritten(const TIoResult& result) {
  if (result.Error != 0) RaiseOsError(result.Error);
  if (result.Short) throw EFileError("Twofish: Error writing output file");
}

// Reads the next chunk; returns its size and whether the input is now at its
// end. The end is found by looking ahead, so an input whose size is a
// multiple of the chunk size ends with a full chunk, not an empty one.
int ReadChunk(TInputFile& input, std::uint8_t* buffer, bool& atEnd) {
  const TIoResult read = input.Read(buffer, TTwofish::ChunkSize);
  if (read.Error != 0) RaiseOsError(read.Error);
  const TEndResult end = input.AtEnd();
  if (end.Error != 0) RaiseOsError(end.Error);
  atEnd = end.AtEnd;
  return static_cast<int>(read.Bytes);
}

void WriteChunk(TOutputFile& output, const std::uint8_t* buffer, int n) {
  CheckWritten(output.Write(buffer, static_cast<std::size_t>(n)));
}

void CloseFiles(TInputFile& input, TOutputFile& output) {
  if (const int error = input.Close()) RaiseOsError(error);
  CheckWritten(output.Close());
}

// Tells the hook about a finished chunk; false when it asks to stop.
bool ReportChunk(const TProgressHook& hook, const TInputFile& input) {
  if (!hook) return true;
  const std::uint64_t done = input.Position();
  return hook(done, std::max(done, input.Size()));
}

void RaiseInvalidSize() {
  throw EFileError("Twofish: Invalid encrypted file size");
}

}  // namespace

void TTwofish::EncryptFile(const std::string& inputName, const std::string& outputName,
                           const TProgressHook& hook) {
  CheckReady();
  TInputFile input;
  OpenInput(input, inputName);
  TOutputFile output;
  CreateOutput(output, outputName);

  for (;;) {
    bool atEnd = false;
    int n = ReadChunk(input, FBuffer, atEnd);
    if (atEnd) n = AppendPadding(FBuffer, n);
    EncryptBuffer(n);
    WriteChunk(output, FBuffer, n);
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

void TTwofish::DecryptFile(const std::string& inputName, const std::string& outputName,
                           const TProgressHook& hook) {
  CheckReady();
  TInputFile input;
  OpenInput(input, inputName);
  // Only whole blocks, at least one, can be ciphertext of this format. Refuse
  // anything else before the output is emptied.
  if (input.HasSize() && (input.Size() == 0 || input.Size() % BlockBytes != 0)) {
    RaiseInvalidSize();
  }
  TOutputFile output;
  CreateOutput(output, outputName);

  for (;;) {
    bool atEnd = false;
    int n = ReadChunk(input, FBuffer, atEnd);
    // The size checked above may have changed since.
    if (n == 0 || n % BlockBytes != 0) RaiseInvalidSize();
    DecryptBuffer(n);
    if (atEnd) {
      n = UnpaddedLength(FBuffer, n);
      if (n < 0) throw EFileError("Twofish: Invalid padding");
    }
    WriteChunk(output, FBuffer, n);
    const bool goOn = ReportChunk(hook, input);
    if (atEnd) break;
    if (!goOn) {
      CloseFiles(input, output);
      throw ETransformStopped();
    }
  }
  CloseFiles(input, output);
}

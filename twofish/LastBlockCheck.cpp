// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdint>

#include "platform/FileIO.h"
#include "platform/SystemError.h"
#include "twofish/Padding.h"
#include "twofish/Twofish.h"
#include "util/SecureWipe.h"

// A wrong password, mode or hashing choice shows in the padding of the last
// block, and that block needs only itself and the one before it: so a file of
// any size is judged from its last 32 bytes before anything is written.

void TTwofish::CheckLastBlock(const std::string& inputName) const {
  CheckReady();
  std::uint8_t tail[2 * LastBlockBytes] = {};
  JudgeTail(ReadFileTail(inputName, tail, sizeof tail), tail);
}

void TTwofish::CheckLastBlock(const TInputFile& input) const {
  CheckReady();
  std::uint8_t tail[2 * LastBlockBytes] = {};
  JudgeTail(input.ReadTail(tail, sizeof tail), tail);
}

void TTwofish::JudgeTail(const TTailResult& read, const std::uint8_t* tail) const {
  constexpr std::size_t BlockBytes = LastBlockBytes;
  if (read.OpenError) throw EFileError(TFileErrorCause::InputNotFound, read.OpenError);
  if (read.Size == 0 || read.Size % BlockBytes != 0) throw EFileError(TFileErrorCause::InvalidSize);
  if (read.ReadError) throw EInOutError(read.ReadError, SystemErrorText(read.ReadError));
  // Any last byte is padding to the older versions.
  if (FLegacyPadding) return;

  const std::uint8_t* last = tail + read.Count - BlockBytes;
  // The chain value before the last block: the block before it, or the IV
  // register for a file of one block.
  const std::uint8_t* previous = read.Count == 2 * BlockBytes ? tail : K.FIV;
  std::uint8_t plain[BlockBytes];
  // Through the batch call, which takes the table-free path where there is
  // one, like the rest of the decryption.
  switch (FCipherMode) {
    case TCipherMode::ECB: DecryptBlocks(last, plain, 1); break;
    case TCipherMode::CBC:
      DecryptBlocks(last, plain, 1);
      for (std::size_t i = 0; i < BlockBytes; ++i) plain[i] ^= previous[i];
      break;
    case TCipherMode::CFB:
      EncryptBlock(previous, plain);
      for (std::size_t i = 0; i < BlockBytes; ++i) plain[i] ^= last[i];
      break;
    case TCipherMode::OFB:
      // The keystream depends on every block before: only the whole
      // transform can tell.
      return;
  }
  const bool valid = UnpaddedLength(plain, static_cast<int>(BlockBytes)) >= 0;
  SecureWipe(plain, sizeof plain);
  if (!valid) throw EFileError(TFileErrorCause::InvalidPadding);
}

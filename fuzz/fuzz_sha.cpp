// SPDX-License-Identifier: GPL-3.0-or-later
// The digest component on messages fed in pieces cut at random points
// (empty pieces, pieces across block boundaries, UpdateString pieces above
// its 2048-byte working area): SHA-1 equals nettle's one-shot digest, SHA-0
// the textbook reference's, and a variant switched between pieces applies
// from the next compressed block on, as in the reference. One component
// hashes several messages in a row, as the window's does, and one begun
// without Init works from all-zero chaining values and count.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "ShaReference.h"
#include "sha/SHA.h"
#include "tests/sha/NettleSha1.h"

namespace {

constexpr int MaxMessages = 4;
constexpr int MaxPieces = 40;
constexpr std::size_t MaxPieceBytes = 4500;

enum class TFeed : std::uint8_t { Update, UpdateString, EmptyUpdate, kMaxValue = EmptyUpdate };

const std::uint8_t* Bytes(const std::string& text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

// One message, usually begun with Init or Reset, now and then with neither:
// then the component goes on from the zeros its creation or the last Final
// left. Init and Reset keep the last digest text.
void HashOneMessage(FuzzedDataProvider& provider, TSHA& sha) {
  const std::string lastDigest = sha.DigestText();
  const int start = provider.ConsumeIntegralInRange(0, 7);
  if (start != 0) {
    if (start % 2 != 0) {
      sha.Init();
    } else {
      sha.Reset();
    }
    RequireEqual(sha.DigestText(), lastDigest, "digest text after Init or Reset");
  }
  const bool fromZero = start == 0;
  const bool switching = provider.ConsumeIntegralInRange(0, 7) == 0;
  bool sha1 = provider.ConsumeBool();
  sha.SetHashType(sha1 ? THashType::htSHA1 : THashType::htSHA);

  TShaReference reference(fromZero);
  std::string message;
  const int pieces = provider.ConsumeIntegralInRange(0, MaxPieces);
  for (int i = 0; i < pieces; ++i) {
    if (switching && provider.ConsumeBool()) {
      sha1 = !sha1;
      sha.SetHashType(sha1 ? THashType::htSHA1 : THashType::htSHA);
    }
    const TFeed feed = provider.ConsumeEnum<TFeed>();
    std::string piece;
    if (feed != TFeed::EmptyUpdate) {
      // Drawn lengths hold even when the input runs short, so that long
      // pieces come without long inputs.
      const auto length = provider.ConsumeIntegralInRange<std::size_t>(0, MaxPieceBytes);
      piece = provider.ConsumeBytesAsString(length);
      piece.resize(length, 'x');
    }
    switch (feed) {
      case TFeed::Update:
        sha.Update(piece.data(), static_cast<std::uint32_t>(piece.size()));
        break;
      case TFeed::UpdateString:
        sha.UpdateString(piece);
        break;
      case TFeed::EmptyUpdate:
        sha.Update(nullptr, 0);
        break;
    }
    reference.Update(Bytes(piece), piece.size(), sha1);
    message += piece;
  }
  sha.Final();
  const std::string digest = sha.DigestText();
  RequireEqual(digest, reference.Final(sha1), "digest against the reference");
  if (switching || fromZero) return;
  if (sha1) {
    RequireEqual(digest, NettleSha1Text(message), "SHA-1 against nettle");
  } else {
    TShaReference oneShot;
    oneShot.Update(Bytes(message), message.size(), false);
    RequireEqual(digest, oneShot.Final(false), "SHA-0 pieces against one shot");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  TSHA sha;
  RequireEqual(sha.DigestText(), std::string(40, '0'), "digest text of a fresh component");
  for (int i = 0; i < MaxMessages && provider.remaining_bytes() > 0; ++i) HashOneMessage(provider, sha);
  return 0;
}

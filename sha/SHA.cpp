// SPDX-License-Identifier: GPL-3.0-or-later
#include "sha/SHA.h"

#include <cstddef>
#include <cstring>
#include <utility>

#include "util/SecureWipe.h"

namespace {

constexpr std::uint32_t InitialState[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u,
                                           0xC3D2E1F0u};

// Longest piece UpdateString hands to Update at once.
constexpr std::size_t StringPieceSize = 2048;

constexpr std::uint32_t Rol(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

std::uint32_t LoadBigEndian(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

void StoreBigEndian(std::uint32_t value, std::uint8_t* p) {
  p[0] = static_cast<std::uint8_t>(value >> 24);
  p[1] = static_cast<std::uint8_t>(value >> 16);
  p[2] = static_cast<std::uint8_t>(value >> 8);
  p[3] = static_cast<std::uint8_t>(value);
}

// The four round functions and constants of FIPS 180-1, 20 rounds each.
template <std::size_t t>
constexpr std::uint32_t RoundFunction(std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  if constexpr (t < 20) {
    return (b & c) | (~b & d);
  } else if constexpr (t < 40) {
    return b ^ c ^ d;
  } else if constexpr (t < 60) {
    return (b & c) | (b & d) | (c & d);
  } else {
    return b ^ c ^ d;
  }
}

template <std::size_t t>
constexpr std::uint32_t RoundConstant() {
  if constexpr (t < 20) {
    return 0x5A827999u;
  } else if constexpr (t < 40) {
    return 0x6ED9EBA1u;
  } else if constexpr (t < 60) {
    return 0x8F1BBCDCu;
  } else {
    return 0xCA62C1D6u;
  }
}

// Word t of the schedule, kept in a circular window of 16 words (the
// alternate method of FIPS 180-1). The first 16 words are the block's bytes
// as big-endian words; the window starts out holding those raw bytes.
// The original SHA differs from SHA-1 only in the missing one-bit rotation
// here, and the variant is looked up at every step on purpose: a change of
// the hash type applies from the next compressed block on.
template <std::size_t t>
std::uint32_t ScheduleWord(std::uint32_t (&w)[16], const THashType& hashType) {
  if constexpr (t < 16) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &w[t], sizeof bytes);
    w[t] = LoadBigEndian(bytes);
  } else {
    const std::uint32_t x = w[(t + 13) % 16] ^ w[(t + 8) % 16] ^ w[(t + 2) % 16] ^ w[t % 16];
    w[t % 16] = hashType == THashType::htSHA1 ? Rol(x, 1) : x;
  }
  return w[t % 16];
}

// Round t. Instead of shifting the five values along after every round, the
// roles move: the variable that plays E receives the new A, and the one that
// plays B is rotated in place to become the next C. In round t the role of A
// is played by v[(5 - t mod 5) mod 5], B by the next variable, and so on.
template <std::size_t t>
void Round(std::uint32_t (&v)[5], std::uint32_t (&w)[16], const THashType& hashType) {
  constexpr std::size_t a = (5 - t % 5) % 5;
  constexpr std::size_t b = (a + 1) % 5;
  constexpr std::size_t c = (a + 2) % 5;
  constexpr std::size_t d = (a + 3) % 5;
  constexpr std::size_t e = (a + 4) % 5;
  v[e] += Rol(v[a], 5) + RoundFunction<t>(v[b], v[c], v[d]) + RoundConstant<t>() +
          ScheduleWord<t>(w, hashType);
  v[b] = Rol(v[b], 30);
}

// All 80 rounds, unrolled by the compiler; the constant indices let the five
// variables live in registers.
template <std::size_t... t>
void Rounds(std::uint32_t (&v)[5], std::uint32_t (&w)[16], const THashType& hashType,
            std::index_sequence<t...>) {
  (Round<t>(v, w, hashType), ...);
}

}  // namespace

void TSHA::Init() {
  std::memcpy(FState, InitialState, sizeof FState);
  FBitCountLo = 0;
  FBitCountHi = 0;
}

void TSHA::Reset() { Init(); }

void TSHA::Compress() {
  std::uint32_t v[5] = {FState[0], FState[1], FState[2], FState[3], FState[4]};
  Rounds(v, FSchedule, FHashType, std::make_index_sequence<80>{});
  // 80 rounds are a multiple of five, so the roles end where they began.
  for (int i = 0; i < 5; ++i) FState[i] += v[i];
}

void TSHA::Update(const void* buffer, std::uint32_t count) {
  const auto* input = static_cast<const std::uint8_t*>(buffer);
  const std::uint32_t index = (FBitCountLo / 8) % 64;

  // The counts live only in bits: the low half wraps and carries, and the
  // high half also takes the part of 8 * count above 32 bits.
  const std::uint32_t oldLo = FBitCountLo;
  FBitCountLo += count << 3;
  if (FBitCountLo < oldLo) ++FBitCountHi;
  FBitCountHi += count >> 29;

  if (count < 64 - index) {
    if (count > 0) std::memcpy(FBlock + index, input, count);
    return;
  }

  std::uint32_t done = 64 - index;
  std::memcpy(FBlock + index, input, done);
  std::memcpy(FSchedule, FBlock, sizeof FSchedule);
  Compress();
  while (count - done >= 64) {
    std::memcpy(FBlock, input + done, 64);
    std::memcpy(FSchedule, FBlock, sizeof FSchedule);
    Compress();
    done += 64;
  }
  if (count > done) std::memcpy(FBlock, input + done, count - done);
}

void TSHA::UpdateString(const std::string& text) {
  // Each piece passes through a fixed working area; it held password bytes,
  // so it is wiped before it goes out of scope.
  std::uint8_t area[StringPieceSize];
  std::size_t offset = 0;
  while (text.size() - offset > StringPieceSize) {
    std::memcpy(area, text.data() + offset, StringPieceSize);
    Update(area, static_cast<std::uint32_t>(StringPieceSize));
    offset += StringPieceSize;
  }
  const std::size_t rest = text.size() - offset;
  if (rest > 0) std::memcpy(area, text.data() + offset, rest);
  Update(area, static_cast<std::uint32_t>(rest));
  SecureWipe(area, sizeof area);
}

void TSHA::Final() {
  // The length is captured first: padding through Update advances the count.
  std::uint8_t length[8];
  StoreBigEndian(FBitCountHi, length);
  StoreBigEndian(FBitCountLo, length + 4);

  std::uint8_t padding[64] = {0x80};
  const std::uint32_t index = (FBitCountLo / 8) % 64;
  Update(padding, index < 56 ? 56 - index : 120 - index);
  Update(length, sizeof length);

  for (int i = 0; i < 5; ++i) StoreBigEndian(FState[i], FDigest + 4 * i);

  // The working state is derived from the message (often a password).
  SecureWipeObject(FState);
  SecureWipeObject(FBitCountLo);
  SecureWipeObject(FBitCountHi);
  SecureWipeObject(FSchedule);
  SecureWipeObject(FBlock);
}

std::string TSHA::DigestText() const {
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string text(2 * sizeof FDigest, '0');
  for (std::size_t i = 0; i < sizeof FDigest; ++i) {
    text[2 * i] = Digits[FDigest[i] >> 4];
    text[2 * i + 1] = Digits[FDigest[i] & 0x0F];
  }
  return text;
}

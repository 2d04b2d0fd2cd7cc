// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

enum class THashType : std::uint8_t { htSHA1 = 0, htSHA = 1 };

// SHA-1 (FIPS 180-1) or the original SHA (FIPS 180, "SHA-0") of a byte
// message, handed out as 40 upper-case hexadecimal digits.
class TSHA {
 public:
  THashType HashType() const { return FHashType; }
  void SetHashType(THashType type) { FHashType = type; }

  void Init();
  void Update(const void* buffer, std::uint32_t count);
  void UpdateString(const std::string& text);
  void Final();
  std::string DigestText() const;
  void Reset();

 private:
  void Compress();

  std::uint32_t FState[5] = {};
  std::uint32_t FBitCountLo = 0;
  std::uint32_t FBitCountHi = 0;
  std::uint32_t FSchedule[16] = {};
  std::uint8_t FBlock[64] = {};
  std::uint8_t FDigest[20] = {};
  THashType FHashType = THashType::htSHA1;
};

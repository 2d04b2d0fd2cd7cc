// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "twofish/TwofishErrors.h"

class TInputFile;
struct TTailResult;
class TOutputFile;

enum class TCipherMode : std::uint8_t { ECB = 0, CBC = 1, CFB = 2, OFB = 3 };
enum class TKeySize : std::uint8_t { Small128 = 0, Med192 = 1, Large256 = 2 };
enum class TStringMode : std::uint8_t { smEncode = 0, smNormal = 1 };

// Called once per chunk of a file transform, after the chunk is written, with
// the input bytes consumed so far and the input's size. Returning false stops
// the transform at that chunk boundary (ETransformStopped, both files closed).
using TProgressHook = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// Key-dependent state of the block cipher, in the order it is wiped.
struct TTwofishKeyState {
  bool FKeySet = false;
  bool FIVSet = false;
  std::uint8_t FIV[16] = {};
  std::uint8_t FSavedBlock[16] = {};
  std::uint32_t SubKeys[40] = {};
  std::uint32_t SBoxKeys[4] = {};
  // g(X) = T0[x0] ^ T1[x1] ^ T2[x2] ^ T3[x3], stored as pairs so that one
  // round's two lookups per byte pair share a cache line.
  std::uint32_t KeyTables01[256][2] = {};  // (T0[x], T1[x])
  std::uint32_t KeyTables23[256][2] = {};  // (T2[x], T3[x])
  // The key-dependent S-boxes s0..s3 alone, before the MDS multiply: the
  // table-free vector path reads them whole, never by a secret index, 64
  // bytes at a time (measured: a third faster than across cache lines).
  alignas(64) std::uint8_t SBoxes[4][256] = {};
  // The same for the AVX2 path, each row of 16 bytes twice, as the byte
  // shuffles read them in both 128-bit lanes: BoxRows[j][i] holds bytes
  // 16i .. 16i + 15 of s_j in each half.
  alignas(64) std::uint8_t BoxRows[4][16][32] = {};
  std::uint8_t FWorkBlock[16] = {};
};

// The cipher component: one key, one IV/feedback register, four chaining
// modes over its own chunk buffer, and the whole-file transform.
class TTwofish {
 public:
  static constexpr int BufferSize = 4113;  // 4096 read + up to 16 padding (+1 spare)
  static constexpr int MaxBufferCount = 4112;
  static constexpr int ChunkSize = 4096;

  TTwofish() = default;
  TTwofish(const TTwofish&) = delete;
  TTwofish& operator=(const TTwofish&) = delete;
  ~TTwofish() = default;  // does not wipe; the owner calls Wipe

  TCipherMode CipherMode() const { return FCipherMode; }
  void SetCipherMode(TCipherMode mode) { FCipherMode = mode; }
  TKeySize KeySize() const { return FKeySize; }
  void SetKeySize(TKeySize size) { FKeySize = size; }
  TStringMode StringMode() const { return FStringMode; }
  void SetStringMode(TStringMode mode) { FStringMode = mode; }
  // Threads for the file transforms whose blocks do not wait for each other
  // (ECB, CBC decryption), the caller's own included; clamped to 1 ..
  // MaxCipherThreads (ParallelBlocks.h). 1, the default, keeps the whole
  // transform on the caller's thread. CBC encryption is one chain and always
  // runs there.
  int Threads() const { return FThreads; }
  void SetThreads(int threads);
  // Whether decryption removes the padding by the older versions' rule
  // (LegacyUnpaddedLength) instead of checking PKCS #7; off by default.
  // CheckLastBlock then judges the size alone.
  bool LegacyPadding() const { return FLegacyPadding; }
  void SetLegacyPadding(bool legacy) { FLegacyPadding = legacy; }

  void SetKey(const std::string& keyText);
  void SetIV(const std::string& ivText);
  void CheckReady() const;

  void ModeEncryptBlock();
  void ModeDecryptBlock();
  void EncryptBuffer(int n);
  void DecryptBuffer(int n);

  void EncryptFile(const std::string& inputName, const std::string& outputName,
                   const TProgressHook& hook = {});
  void DecryptFile(const std::string& inputName, const std::string& outputName,
                   const TProgressHook& hook = {});
  // The same into an output already open (a pending result's file), which
  // they write and close. The input's size is checked before anything is
  // written, as above.
  void EncryptFile(const std::string& inputName, TOutputFile& output,
                   const TProgressHook& hook = {});
  void DecryptFile(const std::string& inputName, TOutputFile& output,
                   const TProgressHook& hook = {});
  // The same from an input already open and not yet read (the standard
  // input), which they close.
  void EncryptFile(TInputFile& input, TOutputFile& output, const TProgressHook& hook = {});
  void DecryptFile(TInputFile& input, TOutputFile& output, const TProgressHook& hook = {});

  // Judges a would-be ciphertext file by its size and the padding of its last
  // block under the current key, IV register and mode, without reading the
  // rest or changing any state. Raises as DecryptFile would (input not found,
  // invalid size, invalid padding). In OFB only the size can be judged.
  void CheckLastBlock(const std::string& inputName) const;
  // The same for a regular file open and not yet read (the standard input
  // redirected from a file); its size counts from where reading starts.
  void CheckLastBlock(const TInputFile& input) const;

  void Wipe() noexcept;

  // Block core. ExpandKey reads KeySize and at most the first 32 key bytes.
  void ExpandKey(const std::uint8_t* key, int length);
  void EncryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const;
  void DecryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const;

  // Batches for the buffer transforms. Independent blocks (ECB, CBC
  // decryption) are interleaved so that their rounds overlap; in and out may
  // be the same memory. The CBC chain is serial by nature: iv is read as the
  // previous ciphertext and left holding the last block produced.
  void EncryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const;
  void DecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const;
  void EncryptBlocksCbc(std::uint8_t* data, std::size_t blocks, std::uint8_t iv[16]) const;
  // CBC decryption in place; iv as above. Only reads the key state, so
  // threads may run it side by side on their own chunks.
  void DecryptBlocksCbc(std::uint8_t* data, std::size_t blocks, std::uint8_t iv[16]) const;

  // Access for tests and tools.
  std::uint8_t* Buffer() { return FBuffer; }
  // The block that ModeEncryptBlock and ModeDecryptBlock transform in place.
  std::uint8_t* WorkBlock() { return K.FWorkBlock; }
  const TTwofishKeyState& KeyState() const { return K; }

 private:
  static constexpr std::size_t LastBlockBytes = 16;
  // The size and padding check of CheckLastBlock on the bytes read.
  void JudgeTail(const TTailResult& read, const std::uint8_t* tail) const;
  template <bool Encrypt>
  void TransformBuffer(int n);
  void XorKeystream();
  void TransformFile(TInputFile& input, TOutputFile& output, const TProgressHook& hook,
                     bool encrypt);

  TTwofishKeyState K;
  TCipherMode FCipherMode = TCipherMode::ECB;
  TKeySize FKeySize = TKeySize::Small128;
  alignas(64) std::uint8_t FBuffer[BufferSize] = {};
  std::uint8_t* FBufferPtr = nullptr;
  TStringMode FStringMode = TStringMode::smEncode;
  int FThreads = 1;
  bool FLegacyPadding = false;
};

// Does nothing: the MDS tables are compile-time constants. Kept so that code
// written for a cipher that builds them at start-up still links.
void BuildMdsTables();

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The block work that needs no result of an earlier chunk, spread over the
// threads of a pool: ECB in both directions, and CBC decryption, where each
// chunk is chained from the ciphertext block before it.

#include <cstddef>
#include <cstdint>
#include <span>

class TCipherPool;
class TTwofish;

enum class TBlockWork : std::uint8_t { EncryptEcb, DecryptEcb, DecryptCbc };

// The bytes a thread takes in one go: large enough that handing a chunk over
// costs next to nothing, small enough that a chunk per thread stays a few
// MiB even on many cores.
constexpr std::size_t ParallelChunkBytes = 256 * 1024;

// At most this many threads transform at once; more would only add memory.
constexpr int MaxCipherThreads = 64;

// One chunk, transformed in place. Chain is the ciphertext block before Data
// (the IV for the first), used by CBC decryption alone.
struct TChunkWork {
  std::uint8_t* Data = nullptr;
  std::size_t Blocks = 0;
  std::uint8_t Chain[16] = {};
};

// Transforms every chunk with the cipher's key, the chunks in any order and
// on any of the pool's threads; returns when all are done. The cipher is
// only read.
void TransformChunks(const TTwofish& cipher, TBlockWork work, std::span<TChunkWork> chunks,
                     TCipherPool& pool);
// The same, started on the pool's helpers; pool.Finish() joins in and waits.
// The cipher and the chunks stay untouched until then.
void StartChunks(const TTwofish& cipher, TBlockWork work, std::span<TChunkWork> chunks,
                 TCipherPool& pool);

// A buffer of whole blocks in memory, in place, in chunks of
// ParallelChunkBytes. For CBC decryption, iv enters as the ciphertext block
// before the first and leaves as the last one, as with the serial chain.
void TransformBlocksParallel(const TTwofish& cipher, TBlockWork work, std::uint8_t* data,
                             std::size_t blocks, std::uint8_t iv[16], TCipherPool& pool);

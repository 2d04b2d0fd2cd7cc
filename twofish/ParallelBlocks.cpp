// SPDX-License-Identifier: GPL-3.0-or-later
#include "twofish/ParallelBlocks.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "twofish/CipherPool.h"
#include "twofish/Twofish.h"

namespace {

constexpr std::size_t BlockBytes = 16;

void TransformChunk(const TTwofish& cipher, TBlockWork work, TChunkWork& chunk) {
  if (chunk.Blocks == 0) return;
  switch (work) {
    case TBlockWork::EncryptEcb: cipher.EncryptBlocks(chunk.Data, chunk.Data, chunk.Blocks); return;
    case TBlockWork::DecryptEcb: cipher.DecryptBlocks(chunk.Data, chunk.Data, chunk.Blocks); return;
    case TBlockWork::DecryptCbc:
      cipher.DecryptBlocksCbc(chunk.Data, chunk.Blocks, chunk.Chain);
      return;
  }
}

}  // namespace

void TransformChunks(const TTwofish& cipher, TBlockWork work, std::span<TChunkWork> chunks,
                     TCipherPool& pool) {
  StartChunks(cipher, work, chunks, pool);
  pool.Finish();
}

void StartChunks(const TTwofish& cipher, TBlockWork work, std::span<TChunkWork> chunks,
                 TCipherPool& pool) {
  pool.Start(chunks.size(),
             [&cipher, work, chunks](std::size_t i) { TransformChunk(cipher, work, chunks[i]); });
}

void TransformBlocksParallel(const TTwofish& cipher, TBlockWork work, std::uint8_t* data,
                             std::size_t blocks, std::uint8_t iv[16], TCipherPool& pool) {
  if (blocks == 0) return;
  constexpr std::size_t ChunkBlocks = ParallelChunkBytes / BlockBytes;
  std::vector<TChunkWork> chunks((blocks + ChunkBlocks - 1) / ChunkBlocks);
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    chunks[i].Data = data + i * ParallelChunkBytes;
    chunks[i].Blocks = std::min(ChunkBlocks, blocks - i * ChunkBlocks);
    // Taken before any chunk is decrypted in place.
    if (work == TBlockWork::DecryptCbc) {
      std::memcpy(chunks[i].Chain, i == 0 ? iv : chunks[i].Data - BlockBytes, BlockBytes);
    }
  }
  if (work == TBlockWork::DecryptCbc) {
    std::memcpy(iv, data + (blocks - 1) * BlockBytes, BlockBytes);
  }
  TransformChunks(cipher, work, chunks, pool);
}

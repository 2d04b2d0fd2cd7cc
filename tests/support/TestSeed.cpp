// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/TestSeed.h"

#include <cstdio>
#include <cstdlib>

std::uint64_t TestSeed() {
  static const std::uint64_t seed = [] {
    std::uint64_t value;
    if (const char* text = std::getenv("TOLVANE_SEED"); text != nullptr && *text != '\0') {
      value = std::strtoull(text, nullptr, 0);
    } else {
      std::random_device device;
      value = (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }
    std::printf("Random seed: TOLVANE_SEED=%llu\n", static_cast<unsigned long long>(value));
    std::fflush(stdout);
    return value;
  }();
  return seed;
}

std::mt19937_64 SeededRandom(std::uint64_t salt) {
  std::seed_seq sequence{static_cast<std::uint32_t>(TestSeed()),
                         static_cast<std::uint32_t>(TestSeed() >> 32),
                         static_cast<std::uint32_t>(salt), static_cast<std::uint32_t>(salt >> 32)};
  return std::mt19937_64(sequence);
}

std::string RandomBytes(std::mt19937_64& random, std::size_t count) {
  std::string bytes(count, '\0');
  for (auto& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

int RandomInt(std::mt19937_64& random, int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(random);
}

std::string SampleBytes(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  std::uint32_t state = seed * 2654435761u + 1;
  for (auto& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

// Seed of the random tests: TOLVANE_SEED when set, otherwise a fresh one.
// Printed on first use so that a failure can be replayed.
std::uint64_t TestSeed();

// A generator for one test, derived from the seed and a salt of its own.
std::mt19937_64 SeededRandom(std::uint64_t salt);

std::string RandomBytes(std::mt19937_64& random, std::size_t count);
int RandomInt(std::mt19937_64& random, int low, int high);  // inclusive

// Deterministic bytes that do not repeat within a block and use every byte
// value; the same for a size and seed on every run.
std::string SampleBytes(std::size_t size, std::uint32_t seed = 1);

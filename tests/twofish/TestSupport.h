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

// A directory of its own under $TMPDIR (or /tmp), removed with its contents.
class TTempDir {
 public:
  TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  ~TTempDir();
  const std::string& Path() const { return FPath; }
  std::string File(const std::string& name) const { return FPath + "/" + name; }

 private:
  std::string FPath;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
std::uint64_t FileSize(const std::string& path);

// Open descriptors of this process, to see that a transform closed its files.
int OpenDescriptorCount();

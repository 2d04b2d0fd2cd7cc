#include "TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

std::uint64_t TestSeed() {
  static const std::uint64_t seed = [] {
    std::uint64_t value;
    if (const char* text = std::getenv("TOLVANE_SEED"); text != nullptr && *text != '\0') {
      value = std::strtoull(text, nullptr, 10);
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

TTempDir::TTempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                        "/tolvane-twofish-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  FPath = pattern;
}

TTempDir::~TTempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(FPath, ignored);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool FileExists(const std::string& path) {
  return std::filesystem::exists(path);
}

std::uint64_t FileSize(const std::string& path) {
  return std::filesystem::file_size(path);
}

int OpenDescriptorCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

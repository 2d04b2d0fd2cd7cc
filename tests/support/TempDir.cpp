// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/TempDir.h"

#include <filesystem>
#include <random>
#include <stdexcept>

#ifndef _WIN32
#include <stdlib.h>
#endif

#include "tests/support/FileBytes.h"

TTempDir::TTempDir() {
#ifdef _WIN32
  // No mkdtemp: a random name, created exclusively, tried until one is free.
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  std::random_device device;
  for (int attempt = 0; attempt < 100 && FPath.empty(); ++attempt) {
    const std::filesystem::path candidate = base / ("tolvane-test-" + std::to_string(device()));
    if (std::filesystem::create_directory(candidate)) FPath = Utf8Path(candidate);
  }
  if (FPath.empty()) throw std::runtime_error("no temporary directory");
#else
  std::string pattern = (std::filesystem::temp_directory_path() / "tolvane-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  FPath = pattern;
#endif
}

TTempDir::~TTempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(PathOf(FPath), ignored);
}

std::string TTempDir::File(const std::string& name) const {
#ifdef _WIN32
  return FPath + "\\" + name;
#else
  return FPath + "/" + name;
#endif
}

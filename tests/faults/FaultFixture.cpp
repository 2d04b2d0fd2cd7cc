// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/faults/FaultFixture.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "tests/support/FileBytes.h"

namespace {

constexpr std::size_t Piece = 1 << 20;

}  // namespace

FaultTest::FaultTest() : Pw(FAside.File("pw")), Wrong(FAside.File("wrong")) {
  WriteFileBytes(Pw, RightPasswordLine);
  WriteFileBytes(Wrong, WrongPasswordLine);
}

void FaultTest::Encrypt(const std::string& source, const std::string& target) {
  const TFaultRun run = Run({"encrypt", "--force", "--password-file", Pw, source, target});
  ASSERT_TRUE(run.Exited(0)) << run.Err;
}

void FaultTest::Decrypt(const std::string& source, const std::string& target) {
  const TFaultRun run = Run({"decrypt", "--force", "--password-file", Pw, source, target});
  ASSERT_TRUE(run.Exited(0)) << run.Err;
}

void WriteRandomFile(const std::string& name, std::uint64_t size, std::mt19937_64& random) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  std::vector<std::uint64_t> words(Piece / sizeof(std::uint64_t));
  for (std::uint64_t left = size; left > 0;) {
    for (auto& word : words) word = random();
    const std::uint64_t count = std::min<std::uint64_t>(left, Piece);
    out.write(reinterpret_cast<const char*>(words.data()), static_cast<std::streamsize>(count));
    left -= count;
  }
  if (!out) throw std::runtime_error("cannot write " + name);
}

bool SameContent(const std::string& a, const std::string& b) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(a, error) || !std::filesystem::is_regular_file(b, error) ||
      std::filesystem::file_size(a) != std::filesystem::file_size(b)) {
    return false;
  }
  std::ifstream left(a, std::ios::binary);
  std::ifstream right(b, std::ios::binary);
  const auto x = std::make_unique<char[]>(Piece);
  const auto y = std::make_unique<char[]>(Piece);
  for (;;) {
    left.read(x.get(), Piece);
    right.read(y.get(), Piece);
    const std::streamsize n = left.gcount();
    if (n != right.gcount() || !std::equal(x.get(), x.get() + n, y.get())) return false;
    if (n == 0) return true;
  }
}

void CopyContent(const std::string& from, const std::string& to) {
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

std::vector<std::string> Leftovers(const std::string& folder) {
  std::vector<std::string> found;
  for (const std::string& name : Names(folder)) {
    if (name.ends_with(".tolvane-tmp")) found.push_back(name);
  }
  return found;
}

TStatus StatusOf(const std::string& name) {
  TStatus status;
  struct stat info {};
  if (::lstat(name.c_str(), &info) != 0) return status;
  status.Exists = true;
  status.Link = S_ISLNK(info.st_mode);
  status.Mode = info.st_mode & 07777;
  status.Owner = info.st_uid;
  status.Group = info.st_gid;
  status.Size = static_cast<std::uint64_t>(info.st_size);
  status.Blocks = static_cast<std::uint64_t>(info.st_blocks);
  return status;
}

TFaultRun WaitWatchingFolder(TTolvaneProcess& child, const std::string& folder,
                             std::set<std::string>& seen, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!child.Ended() && std::chrono::steady_clock::now() < deadline) {
    const std::set<std::string> now = Names(folder);
    seen.insert(now.begin(), now.end());
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return child.Wait(std::chrono::milliseconds(0));
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <deque>
#include <filesystem>

#include "platform/FileIdentity.h"

namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& name) {
  return fs::path(std::u8string(name.begin(), name.end()));
}

std::string NameOf(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Where the parts after the root start (the root being "/", or "C:\\" on
// Windows).
fs::path::const_iterator Below(const fs::path& path) {
  auto part = path.begin();
  if (path.has_root_name()) ++part;
  if (path.has_root_directory()) ++part;
  return part;
}

// As many hops as the kernel follows before it gives up with ELOOP.
constexpr int MaxHops = 40;

}  // namespace

std::string ResolvedName(const std::string& name) {
  try {
    std::error_code error;
    const fs::path given = fs::absolute(PathOf(name), error);
    if (error) return name;
    fs::path done = given.root_path();
    std::deque<fs::path> left(Below(given), given.end());
    int hops = 0;
    while (!left.empty()) {
      const fs::path part = left.front();
      left.pop_front();
      if (part.empty() || part == ".") continue;
      if (part == "..") {
        done = done.parent_path();
        continue;
      }
      const fs::path next = done / part;
      if (hops < MaxHops && fs::is_symlink(fs::symlink_status(next, error))) {
        const fs::path link = fs::read_symlink(next, error);
        if (!error) {
          ++hops;
          if (link.has_root_path()) done = link.root_path();
          left.insert(left.begin(), Below(link), link.end());
          continue;
        }
      }
      done = next;
    }
    return NameOf(done.lexically_normal());
  } catch (const std::exception&) {
    return name;
  }
}

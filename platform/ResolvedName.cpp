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

// As many hops as the kernel follows before it gives up with ELOOP.
constexpr int MaxHops = 40;

}  // namespace

std::string ResolvedName(const std::string& name) {
  try {
    std::error_code error;
    const fs::path given = fs::absolute(PathOf(name), error);
    if (error) return name;
    fs::path done = given.root_path();
    std::deque<fs::path> left(
        std::next(given.begin(), std::distance(given.root_path().begin(), given.root_path().end())),
        given.end());
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
          const auto rootEnd = std::next(
              link.begin(), std::distance(link.root_path().begin(), link.root_path().end()));
          left.insert(left.begin(), rootEnd, link.end());
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/AbsoluteName.h"

#include <filesystem>
#include <system_error>

std::string AbsoluteName(const std::string& name) {
  try {
    const std::filesystem::path path(std::u8string(name.begin(), name.end()));
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) return name;
    const std::u8string cleaned = absolute.lexically_normal().u8string();
    return std::string(cleaned.begin(), cleaned.end());
  } catch (const std::exception&) {
    return name;
  }
}

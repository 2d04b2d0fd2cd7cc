// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

// Between the UTF-8 names of the file layer and std::filesystem, which on
// Windows would take a plain string in the ANSI code page.
std::filesystem::path PathOf(const std::string& utf8);
std::string Utf8Path(const std::filesystem::path& path);

// Whole files at once; both throw when the file cannot be read or written,
// so that a test never compares against a silently empty file.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Open descriptors of this process, to see that a run closed its files.
int OpenDescriptorCount();

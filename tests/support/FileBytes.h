#pragma once

#include <string>

// Whole files at once; both throw when the file cannot be read or written,
// so that a test never compares against a silently empty file.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Open descriptors of this process, to see that a run closed its files.
int OpenDescriptorCount();

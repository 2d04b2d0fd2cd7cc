// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>

inline constexpr const char* EncryptedExtension = ".tvn";

// The source name with its extension replaced by ".tvn" (appended when the
// file-name part has no dot). Only a dot after the last path separator
// starts an extension: '/' here, '\\', '/' and ':' on Windows.
// Leading dots of the file-name part (".bashrc") do not start one.
std::string ReplaceExtension(const std::string& sourceName);

// The target proposed for a source: the ".tvn" name, unless a file of that
// name exists; then the source itself (processed in place).
std::string ProposeTargetName(const std::string& sourceName,
                              const std::function<bool(const std::string&)>& fileExists);

// Whether the file-name part ends in ".tvn", in any letter case.
bool HasEncryptedExtension(const std::string& name);

// Where a ".tvn" file decrypts to by default: the name without ".tvn",
// beside it. Nothing for other names, and for a name that would be left
// without a file-name part (".tvn" alone). Never the source itself, so a
// wrong password that passes the padding check cannot destroy the only copy
// of the ciphertext.
std::optional<std::string> DecryptedTargetName(const std::string& sourceName);

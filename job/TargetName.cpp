// SPDX-License-Identifier: GPL-3.0-or-later
#include "job/TargetName.h"

#include <cctype>
#include <string_view>

#include "platform/FileSystem.h"

std::string ReplaceExtension(const std::string& sourceName) {
  // Only a dot inside the file-name part starts an extension; a dot in a
  // folder name ("/home/a.b/brief") must not swallow the rest of the path.
  const std::size_t nameStart = sourceName.size() - FileNamePart(sourceName).size();
  // Leading dots belong to the name, not to an extension: ".bashrc" becomes
  // ".bashrc.tvn", not a bare ".tvn" that every dotfile would share.
  std::size_t firstNameChar = nameStart;
  while (firstNameChar < sourceName.size() && sourceName[firstNameChar] == '.') ++firstNameChar;
  const std::size_t dot = sourceName.rfind('.');
  const std::string stem =
      (dot != std::string::npos && dot > firstNameChar) ? sourceName.substr(0, dot) : sourceName;
  return stem + EncryptedExtension;
}

std::string ProposeTargetName(const std::string& sourceName,
                              const std::function<bool(const std::string&)>& fileExists) {
  std::string candidate = ReplaceExtension(sourceName);
  // An existing candidate is never replaced behind the user's back: the
  // source is then processed in place instead.
  return fileExists(candidate) ? sourceName : candidate;
}

bool HasEncryptedExtension(const std::string& name) {
  const std::string_view extension = EncryptedExtension;
  const std::string part = FileNamePart(name);
  if (part.size() < extension.size()) return false;
  const std::string_view tail = std::string_view(part).substr(part.size() - extension.size());
  for (std::size_t i = 0; i < extension.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(tail[i])) != extension[i]) return false;
  }
  return true;
}

std::optional<std::string> DecryptedTargetName(const std::string& sourceName) {
  if (!HasEncryptedExtension(sourceName)) return std::nullopt;
  const std::size_t extensionSize = std::string_view(EncryptedExtension).size();
  if (FileNamePart(sourceName).size() == extensionSize) return std::nullopt;
  return sourceName.substr(0, sourceName.size() - extensionSize);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// A directory of its own under $TMPDIR (or /tmp; the user's temporary
// directory on Windows), removed with its contents. Names are UTF-8.
class TTempDir {
 public:
  TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  ~TTempDir();
  const std::string& Path() const { return FPath; }
  // A name inside it, joined with the system's separator.
  std::string File(const std::string& name) const;

 private:
  std::string FPath;
};

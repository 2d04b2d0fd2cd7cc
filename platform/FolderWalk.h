// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

// Folders for the batches: one level of a folder at a time, and the output
// folder made with its parents. Names are UTF-8 on Windows too.

// What an entry is by itself, its links not followed: a symbolic link, and
// on Windows any name-surrogate reparse point (a junction, a mount point), is
// a SymbolicLink whatever it reaches.
enum class TEntryKind { Regular, Folder, SymbolicLink, Other };

struct TFolderEntry {
  std::string Name;  // the file-name part only
  TEntryKind Kind = TEntryKind::Other;
  std::uint64_t Size = 0;  // meaningful for Regular
  // The entry could not be examined (a folder that may be listed but not
  // searched, an I/O error): Kind is then Other.
  std::error_code Error;
};

struct TFolderListing {
  std::vector<TFolderEntry> Entries;  // without "." and "..", in the system's order
  std::error_code Error;              // the folder could not be read (Entries may be partial)
};

TFolderListing ListFolder(const std::string& folder);

// A name inside folder, joined with the system's separator ('/' here, '\\'
// on Windows); none is added after a separator already there, nor on
// Windows after a drive ("C:").
std::string JoinedName(const std::string& folder, const std::string& name);

// Makes the folder and whichever of its parents are missing. An existing
// folder (or a link to one) is fine; a file in the way is an error.
std::error_code CreateFolders(const std::string& path);

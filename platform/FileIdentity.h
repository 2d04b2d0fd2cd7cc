// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

#include "platform/FileSystem.h"

struct TOpenedFile;

// Which file a name reaches on disk, and names resolved to the file they
// would write, so that a batch tells two names of one file from two files
// even where links or files yet to be made are involved.

struct TFileIdentity {
  std::uint64_t Device = 0;  // the volume's serial number on Windows
  std::uint64_t Inode = 0;   // the file index on Windows
  auto operator<=>(const TFileIdentity&) const = default;
};

// What a name reaches, links followed. A name that cannot be examined for
// another reason than not being there (a folder that may be listed but not
// searched, an I/O error) comes back Missing with that reason in Error.
struct TNameFacts {
  TFileKind Kind = TFileKind::Missing;
  std::error_code Error;
  std::uint64_t Size = 0;
  std::optional<TFileIdentity> Identity;  // none for devices on Windows
};
TNameFacts ExamineName(const std::string& name);

// The name itself is a symbolic link (on Windows: any reparse point), whatever
// it reaches.
bool IsSymbolicLink(const std::string& name);

// The identity of the file at below ('/'-separated, relative) under folder,
// found without following any link below folder: a link anywhere on the way
// fails (ELOOP, or the system's word for it), and so does anything but a
// regular file. Holds at most two descriptors at any time, however deep.
std::error_code IdentityBelow(const std::string& folder, const std::string& below,
                              TFileIdentity& identity);

// Opens that file for reading as IdentityBelow finds it, when it is still
// the file of identity expected (else TFileError::NameMoved): what is read
// is the file that was planned, whatever its name reaches meanwhile.
std::error_code OpenBelow(const std::string& folder, const std::string& below,
                          const TFileIdentity& expected, TOpenedFile& opened);

// The absolute name of the file that writing to name would reach: every
// symbolic link along it followed, dangling ones and those in folders yet to
// be made included, "." and ".." taken as the folders they are after that.
// Parts that do not exist are kept as given.
std::string ResolvedName(const std::string& name);

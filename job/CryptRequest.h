// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "platform/FileIdentity.h"
#include "util/Secret.h"

enum class TDirection { Encrypt, Decrypt };

// What happens when the target's name is taken: ask the user, or replace it
// without asking.
enum class TReplacePolicy { Ask, Replace };

// How the blocks are chained; the job sets the cipher from it.
enum class TChainMode { CBC, ECB };

// Whether the key and IV are the password's SHA-1 digest text or the
// password itself.
enum class TPasswordHashing { UseHashes, Plain };

// Where a run reads or writes: a file by its name, or the process's standard
// input or output (the command line's "-"), which is read or written as it
// comes. A standard output cannot take anything back: a result written there
// is not atomic, and no name is replaced.
enum class TStreamKind { NamedFile, StandardStream };

// Everything one run is made from. Both front ends build one, so that a file
// the window encrypted decrypts with the command line and the other way
// round.
struct TCryptRequest {
  TDirection Direction = TDirection::Encrypt;
  TReplacePolicy Replace = TReplacePolicy::Ask;
  TChainMode Mode = TChainMode::CBC;
  TPasswordHashing Hashing = TPasswordHashing::UseHashes;
  TStreamKind SourceKind = TStreamKind::NamedFile;
  TStreamKind TargetKind = TStreamKind::NamedFile;
  std::string SourceName;  // UTF-8, as typed; for a standard stream what messages call it
  std::string TargetName;  // likewise
  TSecret Password;        // Windows-1252 bytes; empty: the built-in key
  // Threads for the cipher where the blocks allow it (ECB, CBC decryption);
  // 0: one per core.
  int Threads = 0;
  // Decryption removes the padding as older versions did, by the last byte
  // alone, for their files whose last block is not PKCS #7. It checks
  // nothing, so a wrong password passes unnoticed; never used in place.
  bool LegacyPadding = false;
  // A source a batch found in a folder: opened as SourceBelow under
  // SourceFolder without following links, and only while it is still the
  // file of SourceIdentity. Empty: opened by SourceName.
  std::string SourceFolder;
  std::string SourceBelow;
  TFileIdentity SourceIdentity;
};

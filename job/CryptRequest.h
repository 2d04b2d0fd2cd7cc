// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

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

// Everything one run is made from. Both front ends build one, so that a file
// the window encrypted decrypts with the command line and the other way
// round.
struct TCryptRequest {
  TDirection Direction = TDirection::Encrypt;
  TReplacePolicy Replace = TReplacePolicy::Ask;
  TChainMode Mode = TChainMode::CBC;
  TPasswordHashing Hashing = TPasswordHashing::UseHashes;
  std::string SourceName;  // UTF-8, as typed
  std::string TargetName;  // UTF-8, as typed
  TSecret Password;        // Windows-1252 bytes; empty: the built-in key
  // Threads for the cipher where the blocks allow it (ECB, CBC decryption);
  // 0: one per core.
  int Threads = 0;
};

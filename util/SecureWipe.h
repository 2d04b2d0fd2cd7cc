// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

// Zeroes memory that held key material or passwords. The memset is followed
// by a compiler barrier that claims to read the memory, so the optimiser can
// neither drop it as a dead store nor move it past the object's last use.
void SecureWipe(void* data, std::size_t size) noexcept;

template <typename T>
void SecureWipeObject(T& object) noexcept {
  SecureWipe(&object, sizeof(T));
}

// Wipes the whole capacity of a string (not just its size) and empties it.
void SecureWipeString(std::string& text) noexcept;

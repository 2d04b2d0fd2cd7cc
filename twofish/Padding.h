// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// PKCS #7 padding to the 16-byte Twofish block, applied to the last chunk of
// a file in place.

// Appends p = 16 - (n mod 16) bytes of value p at chunk[n] and returns the
// padded length n + p. The chunk must have room for 16 more bytes.
int AppendPadding(std::uint8_t* chunk, int n);

// For a decrypted final chunk of n bytes (a positive multiple of 16): the
// number of bytes to keep, or -1 when the padding is not valid: a last byte v
// from 1 to 16 needs v trailing bytes of value v. A last byte 0 is refused:
// the encryption never writes one, and taking it as "no padding" would only
// let twice as many wrong passwords pass for right ones.
int UnpaddedLength(const std::uint8_t* chunk, int n);

// The older versions' rule, for files whose last block does not follow
// PKCS #7: only the last byte v counts. 0 removes nothing; v removes the last
// v bytes, but never more than the file's final 4096-byte chunk, which is
// then dropped whole. Nothing else is checked, so a wrong password passes.
// The decrypted chunk of n bytes (positive) must start at a multiple of 4096
// bytes into the file and end with it.
int LegacyUnpaddedLength(const std::uint8_t* chunk, int n);

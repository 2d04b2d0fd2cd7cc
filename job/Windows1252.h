#pragma once

#include <optional>
#include <string>
#include <string_view>

// Passwords reach the digest and the cipher as Windows-1252 bytes, the code
// page of the Windows versions that wrote older files.
struct TWindows1252Result {
  bool Ok = false;
  std::string Bytes;           // the encoded text when Ok
  char32_t Unrepresentable{};  // first offending character when !Ok (U+FFFD for invalid UTF-8)
};

TWindows1252Result Utf8ToWindows1252(std::string_view utf8);
std::string Windows1252ToUtf8(std::string_view bytes);

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

  TWindows1252Result() = default;
  TWindows1252Result(const TWindows1252Result&) = default;
  TWindows1252Result(TWindows1252Result&&) = default;
  TWindows1252Result& operator=(const TWindows1252Result&) = default;
  TWindows1252Result& operator=(TWindows1252Result&&) = default;
  ~TWindows1252Result();  // wipes Bytes: they are usually a password
};

TWindows1252Result Utf8ToWindows1252(std::string_view utf8);
// For display. The five bytes the code page leaves unassigned show as U+FFFD.
std::string Windows1252ToUtf8(std::string_view bytes);

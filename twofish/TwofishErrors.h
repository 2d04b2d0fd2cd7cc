// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

// The fixed English messages of the errors below, named once.
namespace twofish_message {
inline constexpr const char* KeyLength = "Twofish: Key must be between 1 and 156 bytes";
inline constexpr const char* KeyNotSet = "Twofish: Key not set";
inline constexpr const char* IVNotSet = "Twofish: IV not set";
inline constexpr const char* InputNotFound = "Twofish: Input file not found";
inline constexpr const char* OutputNotCreated = "Twofish: Could not open output file";
inline constexpr const char* ShortWrite = "Twofish: Error writing output file";
inline constexpr const char* InvalidSize = "Twofish: Invalid encrypted file size";
inline constexpr const char* InvalidPadding = "Twofish: Invalid padding";
}  // namespace twofish_message

// Why a key error was raised; callers switch on it, what() keeps the fixed
// message.
enum class TKeyErrorCause { KeyLength, KeyNotSet, IVNotSet };

// Why a file error was raised.
enum class TFileErrorCause {
  InputNotFound,
  OutputNotCreated,
  ShortWrite,
  InvalidSize,
  InvalidPadding
};

// Key or IV missing or unusable.
class EKeyError : public std::runtime_error {
 public:
  explicit EKeyError(TKeyErrorCause cause) : std::runtime_error(MessageOf(cause)), Cause(cause) {}
  static const char* MessageOf(TKeyErrorCause cause) noexcept;
  TKeyErrorCause Cause;
};

// A file problem of the transform: a file that cannot be opened or created,
// a short write, an input that cannot be ciphertext, invalid padding.
// ErrorCode is the file layer's code behind it, empty when there is none.
class EFileError : public std::runtime_error {
 public:
  explicit EFileError(TFileErrorCause cause, std::error_code errorCode = {})
      : std::runtime_error(MessageOf(cause)), Cause(cause), ErrorCode(errorCode) {}
  static const char* MessageOf(TFileErrorCause cause) noexcept;
  TFileErrorCause Cause;
  std::error_code ErrorCode;
};

// A failure the operating system reported while opening, reading, writing or
// closing a file. Carries the file layer's code; what() holds its text.
class EInOutError : public std::runtime_error {
 public:
  EInOutError(std::error_code errorCode, const std::string& message)
      : std::runtime_error(message), ErrorCode(errorCode) {}
  std::error_code ErrorCode;
};

// The progress hook asked the file transform to stop. Not a failure: both
// files are closed and the output holds the chunks written so far.
class ETransformStopped : public std::runtime_error {
 public:
  ETransformStopped() : std::runtime_error("Twofish: Stopped on request") {}
};

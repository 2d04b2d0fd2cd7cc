#pragma once

#include <stdexcept>
#include <string>

// Key or IV missing or unusable. Messages are fixed English texts beginning
// "Twofish: ".
class EKeyError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file problem of the transform: a file that cannot be opened or created,
// a short write, an input that cannot be ciphertext, invalid padding.
// ErrorCode is the OS error code behind it when the OS gave one, else 0.
class EFileError : public std::runtime_error {
 public:
  explicit EFileError(const std::string& message, int errorCode = 0)
      : std::runtime_error(message), ErrorCode(errorCode) {}
  int ErrorCode;
};

// A failure the operating system reported while opening, reading, writing or
// closing a file. Carries the OS error code; what() holds the system's text.
class EInOutError : public std::runtime_error {
 public:
  EInOutError(int errorCode, const std::string& message)
      : std::runtime_error(message), ErrorCode(errorCode) {}
  int ErrorCode;
};

// The progress hook asked the file transform to stop. Not a failure: both
// files are closed and the output holds the chunks written so far.
class ETransformStopped : public std::runtime_error {
 public:
  ETransformStopped() : std::runtime_error("Twofish: Stopped on request") {}
};

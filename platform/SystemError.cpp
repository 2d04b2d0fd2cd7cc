#include "platform/SystemError.h"

#include <cstring>

std::string SystemErrorText(int code) {
  char buffer[256] = {};
  // GNU strerror_r may return a static string instead of filling the buffer.
#if defined(_GNU_SOURCE) && !defined(__APPLE__)
  std::string text = strerror_r(code, buffer, sizeof buffer);
#else
  std::string text = strerror_r(code, buffer, sizeof buffer) == 0 ? buffer : "";
#endif
  while (!text.empty()) {
    const char c = text.back();
    if (c == ' ' || c == '.' || static_cast<unsigned char>(c) < 0x20) {
      text.pop_back();
    } else {
      break;
    }
  }
  if (text.empty()) text = "Error " + std::to_string(code);
  return text;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemError.h"

std::string TidySystemErrorText(std::string text, int code) {
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

std::string SystemErrorText(const std::error_code& code) {
  if (code.category() == std::system_category()) return SystemErrorText(code.value());
  if (code.category() == FileErrorCategory()) {
    return SystemErrorText(NearestSystemCode(static_cast<TFileError>(code.value())));
  }
  return TidySystemErrorText(code.message(), code.value());
}

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

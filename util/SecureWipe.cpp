// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/SecureWipe.h"

#include <cstring>

void SecureWipe(void* data, std::size_t size) noexcept {
  if (size == 0) return;  // data may then be null, which memset does not allow
  std::memset(data, 0, size);
  __asm__ __volatile__("" : : "r"(data) : "memory");
}

void SecureWipeString(std::string& text) noexcept {
  text.resize(text.capacity());
  if (!text.empty()) SecureWipe(text.data(), text.size());
  text.clear();
}

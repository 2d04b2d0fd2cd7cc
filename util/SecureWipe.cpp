#include "util/SecureWipe.h"

void SecureWipe(void* data, std::size_t size) noexcept {
  volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) p[i] = 0;
  __asm__ __volatile__("" : : "r"(data) : "memory");
}

void SecureWipeString(std::string& text) noexcept {
  text.resize(text.capacity());
  if (!text.empty()) SecureWipe(text.data(), text.size());
  text.clear();
}

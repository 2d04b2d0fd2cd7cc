// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/Secret.h"

#include <algorithm>
#include <utility>

#include "util/SecureWipe.h"

TSecret::TSecret(std::string_view bytes) {
  reserve(bytes.size());
  FBytes.append(bytes);
}

TSecret::TSecret(TSecret&& other) noexcept : FBytes(std::move(other.FBytes)) {
  // A short text is copied by the move and stays in the other's own buffer.
  SecureWipeString(other.FBytes);
}

TSecret& TSecret::operator=(TSecret&& other) noexcept {
  if (this != &other) {
    SecureWipeString(FBytes);
    FBytes = std::move(other.FBytes);
    SecureWipeString(other.FBytes);
  }
  return *this;
}

TSecret::~TSecret() { SecureWipeString(FBytes); }

TSecret TSecret::Take(std::string& text) {
  TSecret secret(text);
  SecureWipeString(text);
  return secret;
}

void TSecret::reserve(std::size_t size) {
  if (size <= FBytes.capacity()) return;
  // std::string would free the old buffer unwiped: move by hand.
  std::string grown;
  grown.reserve(size);
  grown.append(FBytes);
  SecureWipeString(FBytes);
  FBytes.swap(grown);
}

void TSecret::append(std::string_view bytes) {
  const std::size_t needed = FBytes.size() + bytes.size();
  if (needed > FBytes.capacity()) reserve(std::max(needed, 2 * FBytes.capacity()));
  FBytes.append(bytes);
}

void TSecret::pop_back() noexcept {
  if (FBytes.empty()) return;
  FBytes.back() = '\0';
  FBytes.pop_back();
}

void TSecret::clear() noexcept { SecureWipeString(FBytes); }

// SPDX-License-Identifier: GPL-3.0-or-later
#include "NettleReference.h"

#include <stdexcept>

#include <nettle/cbc.h>
#include <nettle/cfb.h>

namespace {

// nettle's mode helpers take a generic block function.
void EncryptFunction(const void* context, std::size_t length, std::uint8_t* dst,
                     const std::uint8_t* src) {
  twofish_encrypt(static_cast<const twofish_ctx*>(context), length, dst, src);
}

void DecryptFunction(const void* context, std::size_t length, std::uint8_t* dst,
                     const std::uint8_t* src) {
  twofish_decrypt(static_cast<const twofish_ctx*>(context), length, dst, src);
}

const auto* Bytes(const std::string& text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

auto* Bytes(std::string& text) {
  return reinterpret_cast<std::uint8_t*>(text.data());
}

std::string Ofb(const twofish_ctx& context, TNettleReference::TBlock& iv, const std::string& data) {
  std::string out = data;
  for (std::size_t offset = 0; offset < out.size(); offset += 16) {
    twofish_encrypt(&context, 16, iv.data(), iv.data());
    for (std::size_t i = 0; i < 16; ++i) out[offset + i] = static_cast<char>(out[offset + i] ^ iv[i]);
  }
  return out;
}

}  // namespace

TNettleReference::TNettleReference(TKeySize size, const std::string& keyText) {
  const std::size_t length = size == TKeySize::Small128 ? 16 : size == TKeySize::Med192 ? 24 : 32;
  std::uint8_t key[32] = {};
  for (std::size_t i = 0; i < length && i < keyText.size(); ++i) {
    key[i] = static_cast<std::uint8_t>(keyText[i]);
  }
  twofish_set_key(&FContext, length, key);
}

TNettleReference::TBlock TNettleReference::FoldIV(const std::string& ivText) {
  TBlock iv{};
  for (std::size_t i = 0; i < ivText.size(); ++i) iv[i % 16] ^= static_cast<std::uint8_t>(ivText[i]);
  return iv;
}

std::string TNettleReference::Encrypt(TCipherMode mode, TBlock& iv, const std::string& data) const {
  if (data.size() % 16 != 0) throw std::invalid_argument("reference: partial block");
  std::string out(data.size(), '\0');
  switch (mode) {
    case TCipherMode::ECB:
      twofish_encrypt(&FContext, data.size(), Bytes(out), Bytes(data));
      return out;
    case TCipherMode::CBC:
      cbc_encrypt(&FContext, EncryptFunction, 16, iv.data(), data.size(), Bytes(out), Bytes(data));
      return out;
    case TCipherMode::CFB:
      cfb_encrypt(&FContext, EncryptFunction, 16, iv.data(), data.size(), Bytes(out), Bytes(data));
      return out;
    case TCipherMode::OFB:
      return Ofb(FContext, iv, data);
  }
  throw std::invalid_argument("reference: mode");
}

std::string TNettleReference::Decrypt(TCipherMode mode, TBlock& iv, const std::string& data) const {
  if (data.size() % 16 != 0) throw std::invalid_argument("reference: partial block");
  std::string out(data.size(), '\0');
  switch (mode) {
    case TCipherMode::ECB:
      twofish_decrypt(&FContext, data.size(), Bytes(out), Bytes(data));
      return out;
    case TCipherMode::CBC:
      cbc_decrypt(&FContext, DecryptFunction, 16, iv.data(), data.size(), Bytes(out), Bytes(data));
      return out;
    case TCipherMode::CFB:
      cfb_decrypt(&FContext, EncryptFunction, 16, iv.data(), data.size(), Bytes(out), Bytes(data));
      return out;
    case TCipherMode::OFB:
      return Ofb(FContext, iv, data);
  }
  throw std::invalid_argument("reference: mode");
}

std::string TNettleReference::Pad(const std::string& data) {
  const std::size_t p = 16 - data.size() % 16;
  return data + std::string(p, static_cast<char>(p));
}

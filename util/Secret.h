// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Bytes that are key material or a password: the whole buffer is wiped
// whenever it is given up (destruction, assignment, clear, growth), so no
// copy stays behind in freed memory. Move-only; a second copy is made only
// on purpose, with Copy.
class TSecret {
 public:
  TSecret() = default;
  explicit TSecret(std::string_view bytes);
  TSecret(TSecret&& other) noexcept;
  TSecret& operator=(TSecret&& other) noexcept;
  TSecret(const TSecret&) = delete;
  TSecret& operator=(const TSecret&) = delete;
  ~TSecret();

  // Moves text in and wipes what is left of it.
  static TSecret Take(std::string& text);
  TSecret Copy() const { return TSecret(view()); }

  std::size_t size() const noexcept { return FBytes.size(); }
  bool empty() const noexcept { return FBytes.empty(); }
  const char* data() const noexcept { return FBytes.data(); }
  std::string_view view() const noexcept { return FBytes; }
  // For interfaces that take a string; never copy from it.
  const std::string& str() const noexcept { return FBytes; }

  // Room for size bytes, so that appending up to it moves nothing.
  void reserve(std::size_t size);
  void append(std::string_view bytes);
  void push_back(char byte) { append(std::string_view(&byte, 1)); }
  void pop_back() noexcept;
  void clear() noexcept;

  friend bool operator==(const TSecret& a, const TSecret& b) noexcept {
    return a.view() == b.view();
  }

 private:
  std::string FBytes;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/HandOver.h"

namespace {

// Tells a message of this program, and of this layout, from any other.
constexpr std::string_view Tag = "TolvaneCrypter.HandOver.1";

char DirectionByte(std::optional<TDirection> direction) {
  if (!direction) return '-';
  return *direction == TDirection::Encrypt ? 'e' : 'd';
}

}  // namespace

std::optional<THandOver> HandOverOf(const TStartArguments& start) {
  if (start.Action != TStartArguments::TAction::Run) return std::nullopt;
  THandOver handOver;
  handOver.Direction = start.Direction;
  if (start.Window == TStartWindow::Main) {
    if (start.File.empty()) return std::nullopt;
    handOver.Files.push_back(start.File);
  } else {
    if (start.Files.empty()) return std::nullopt;
    handOver.Files = start.Files;
  }
  return handOver;
}

std::string EncodeHandOver(const THandOver& handOver) {
  std::string bytes(Tag);
  bytes += DirectionByte(handOver.Direction);
  for (const std::string& file : handOver.Files) {
    bytes += file;
    bytes += '\0';
  }
  return bytes;
}

std::optional<THandOver> DecodeHandOver(std::string_view bytes) {
  if (!bytes.starts_with(Tag) || bytes.size() < Tag.size() + 1) return std::nullopt;
  THandOver handOver;
  switch (bytes[Tag.size()]) {
    case 'e': handOver.Direction = TDirection::Encrypt; break;
    case 'd': handOver.Direction = TDirection::Decrypt; break;
    case '-': break;
    default: return std::nullopt;
  }
  std::string_view files = bytes.substr(Tag.size() + 1);
  // Every name ends with its NUL: a message cut short is refused whole.
  if (files.empty() || files.back() != '\0') return std::nullopt;
  while (!files.empty()) {
    const std::size_t end = files.find('\0');
    if (end == 0) return std::nullopt;  // an empty name
    handOver.Files.emplace_back(files.substr(0, end));
    files.remove_prefix(end + 1);
  }
  return handOver;
}

std::string HandOverKey(std::optional<TDirection> direction) {
  if (!direction) return "open";
  return *direction == TDirection::Encrypt ? "encrypt" : "decrypt";
}

TStartArguments WithHandOvers(TStartArguments start, const std::vector<THandOver>& handOvers) {
  if (handOvers.empty()) return start;
  if (start.Window == TStartWindow::Main) {
    start.Window = TStartWindow::Batch;
    start.Files = {std::move(start.File)};
    start.File.clear();
  }
  for (const THandOver& handOver : handOvers)
    start.Files.insert(start.Files.end(), handOver.Files.begin(), handOver.Files.end());
  return start;
}

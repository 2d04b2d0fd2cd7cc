// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cli/Terminal.h"

namespace {

std::string Throughput(double bytesPerSecond) {
  char text[32];
  const double mib = bytesPerSecond / (1024.0 * 1024.0);
  if (mib >= 1.0) {
    std::snprintf(text, sizeof text, "%.1f MiB/s", mib);
  } else {
    std::snprintf(text, sizeof text, "%.0f KiB/s", bytesPerSecond / 1024.0);
  }
  return text;
}

std::string Duration(std::uint64_t seconds) {
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60));
  } else {
    std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(seconds / 60),
                  static_cast<unsigned long long>(seconds % 60));
  }
  return text;
}

// Characters, not bytes: UTF-8 continuation bytes take no column.
int Width(const std::string& text) {
  int width = 0;
  for (const char c : text) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return width;
}

// The last `width` characters of the text.
std::string Tail(const std::string& text, int width) {
  std::size_t start = text.size();
  for (int taken = 0; start > 0 && taken < width;) {
    --start;
    taken += (static_cast<unsigned char>(text[start]) & 0xC0) != 0x80;
  }
  return text.substr(start);
}

}  // namespace

std::string FormatProgress(std::uint64_t done, std::uint64_t total, double seconds, int columns,
                           const std::string& label) {
  // The percentage, a short bar, the rate and the time left.
  constexpr int FiguresWidth = 46;
  constexpr int Gap = 2;
  const int room = columns - 1 - FiguresWidth - Gap;
  if (label.empty() || room < 12) return FormatProgress(done, total, seconds, columns);
  const std::string shown = Width(label) <= room ? label : "..." + Tail(label, room - 3);
  const int rest = columns - Width(shown) - Gap;
  return shown + std::string(Gap, ' ') + FormatProgress(done, total, seconds, rest);
}

std::string FormatProgress(std::uint64_t done, std::uint64_t total, double seconds, int columns) {
  done = std::min(done, total);
  const double fraction = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100.0));

  // The rate needs a moment of data before it means anything.
  std::string rate = "--- MiB/s";
  std::string left = "--:-- left";
  if (seconds >= 0.2 && done > 0) {
    const double bytesPerSecond = static_cast<double>(done) / seconds;
    rate = Throughput(bytesPerSecond);
    const double remaining = static_cast<double>(total - done) / bytesPerSecond;
    left = Duration(static_cast<std::uint64_t>(remaining + 0.5)).append(" left");
  }

  // Built by appending: GCC 12 warns falsely about "literal" + string here.
  std::string tail;
  tail.append("  ").append(rate).append("  ").append(left);
  const int fixedWidth = static_cast<int>(std::strlen(percent) + 3 + tail.size());
  const int barWidth = std::min(40, columns - 1 - fixedWidth);
  std::string line = percent;
  if (barWidth >= 5) {
    const auto filled = static_cast<std::size_t>(fraction * barWidth);
    line.append(" [").append(filled, '#').append(static_cast<std::size_t>(barWidth) - filled, '.');
    line.append("]");
  }
  line.append(tail);
  if (static_cast<int>(line.size()) >= columns) {
    line.resize(static_cast<std::size_t>(std::max(columns - 1, 0)));
  }
  return line;
}

TProgressBar::TProgressBar() : FStart(TClock::now()), FEscapes(StderrTakesEscapes()) {}

void TProgressBar::Show(std::uint64_t done, std::uint64_t total, const std::string& label) {
  const TClock::time_point now = TClock::now();
  if (FDrawn && now - FLastDrawn < std::chrono::milliseconds(200) && done < total) return;
  const double seconds = std::chrono::duration<double>(now - FStart).count();
  const int columns = StderrColumns();
  const std::string text = FormatProgress(done, total, seconds, columns, label);
  std::string line = "\r" + text;
  if (FEscapes) {
    line.append("\x1b[K");
  } else {
    // Blanks over what a longer line before left behind.
    const int rest = columns - 1 - Width(text);
    line.append(static_cast<std::size_t>(std::max(rest, 0)), ' ');
  }
  WriteStderr(line);
  FLastDrawn = now;
  FDrawn = true;
}

void TProgressBar::Clear() {
  if (FDrawn && FEscapes) {
    WriteStderr("\r\x1b[K");
  } else if (FDrawn) {
    std::string blank = "\r";
    blank.append(static_cast<std::size_t>(std::max(StderrColumns() - 1, 0)), ' ').append("\r");
    WriteStderr(blank);
  }
  FDrawn = false;
}

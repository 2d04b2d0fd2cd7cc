// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/BatchTexts.h"

#include <cmath>
#include <cstdio>

#include "window/JobMessageBoxes.h"
#include "window/JobMessages.h"
#include "window/Messages.h"

namespace {

// One decimal with a decimal comma, as German writes it.
std::string OneDecimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  std::string result = text;
  for (char& c : result)
    if (c == '.') c = ',';
  return result;
}

std::string Duration(std::uint64_t seconds) {
  char text[32];
  if (seconds >= 3600)
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60));
  else
    std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(seconds / 60),
                  static_cast<unsigned long long>(seconds % 60));
  return text;
}

// Built by appending: GCC 12 warns falsely about "literal" + string here.
std::string WithSystemText(const char* sentence, const std::string& systemText) {
  std::string text = sentence;
  if (!systemText.empty()) text.append(": ").append(systemText);
  return text;
}

}  // namespace

std::string BatchCaption(std::size_t files) {
  std::string caption = msg::AppTitle;
  caption.append(" – ").append(std::to_string(files)).append(files == 1 ? " Datei" : " Dateien");
  return caption;
}

std::string BatchCauseText(TBatchCause cause, const std::string& systemText) {
  switch (cause) {
    case TBatchCause::AlreadyEncrypted: return "hat bereits die Endung .tvn";
    case TBatchCause::NotEncrypted: return "ist keine .tvn-Datei";
    case TBatchCause::NoPlainName: return "hat ohne die Endung .tvn keinen Namen";
    case TBatchCause::SymbolicLink:
      return "ist eine symbolische Verknüpfung; ihr wird nicht gefolgt";
    case TBatchCause::NotRegular:
      return "ist keine reguläre Datei (sondern eine Pipe, ein Gerät oder ein Socket)";
    case TBatchCause::Missing: return "Datei nicht gefunden";
    case TBatchCause::Folder: return "ist ein Ordner";
    case TBatchCause::OwnTarget: return "wäre ihre eigene Zieldatei";
    case TBatchCause::TargetExists: return "die Zieldatei existiert bereits und bleibt erhalten";
    case TBatchCause::TargetAppeared:
      return "die Zieldatei ist während der Verarbeitung entstanden und bleibt erhalten";
    case TBatchCause::FolderNotCreated:
      return WithSystemText("der Ordner der Zieldatei kann nicht angelegt werden", systemText);
    case TBatchCause::CannotExamine: return WithSystemText("kann nicht geprüft werden", systemText);
    case TBatchCause::ItemChanged: return "die Datei wurde seit dem Hinzufügen verändert";
    case TBatchCause::TargetIsLink: return "die Zieldatei ist eine symbolische Verknüpfung";
    case TBatchCause::OneTarget: return "eine andere Quelldatei ergibt dieselbe Zieldatei";
    case TBatchCause::TargetIsSource:
      return "die Zieldatei ist die Quelldatei eines anderen Eintrags";
    case TBatchCause::None:
    case TBatchCause::JobFailed: break;
  }
  return systemText.empty() ? std::string(JobText::Unknown) : systemText;
}

std::string BatchEndText(const TBatchItemEnd& end) {
  if (end.Cause != TBatchCause::JobFailed) return BatchCauseText(end.Cause, end.SystemText);
  // The main window's details, on one line: a list cell holds no more.
  const std::string details = FailureDetails(end.Failure);
  std::string line;
  for (std::size_t i = 0; i < details.size(); ++i) {
    if (details[i] == '\r' && i + 1 < details.size() && details[i + 1] == '\n') {
      line.push_back(' ');
      ++i;
    } else {
      line.push_back(details[i]);
    }
  }
  return line;
}

std::string BatchConflictText(const TBatchConflict& conflict) {
  if (conflict.Cause == TBatchCause::TargetIsSource)
    return conflict.Source + " ergäbe " + conflict.Target + ", die Quelldatei " +
           conflict.OtherSource;
  if (conflict.OtherTarget.empty() || conflict.OtherTarget == conflict.Target)
    return conflict.OtherSource + " und " + conflict.Source + " ergäben beide " + conflict.Target;
  return conflict.OtherSource + " ergäbe " + conflict.OtherTarget + " und " + conflict.Source +
         " ergäbe " + conflict.Target + ", dieselbe Datei";
}

std::string BatchOwnTargetText(const std::string& source) {
  return source + " " + BatchCauseText(TBatchCause::OwnTarget);
}

std::string BatchSummary(std::size_t done, std::size_t skipped, std::size_t failed) {
  return std::to_string(done) + " fertig, " + std::to_string(skipped) + " übersprungen, " +
         std::to_string(failed) + " fehlgeschlagen";
}

std::string SizeText(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes).append(bytes == 1 ? " Byte" : " Bytes");
  const char* const units[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1024;
  std::size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(units)) {
    value /= 1024;
    ++unit;
  }
  return OneDecimal(value).append(" ").append(units[unit]);
}

std::string ProgressText(std::size_t current, std::size_t count, double bytesPerSecond,
                         std::uint64_t bytesLeft) {
  std::string text = "Datei ";
  text.append(std::to_string(current)).append(" von ").append(std::to_string(count));
  if (bytesPerSecond <= 0) return text;
  const double left = std::ceil(static_cast<double>(bytesLeft) / bytesPerSecond);
  return text.append(" – ")
      .append(OneDecimal(bytesPerSecond / (1024 * 1024)))
      .append(" MB/s – noch ")
      .append(Duration(static_cast<std::uint64_t>(left)));
}

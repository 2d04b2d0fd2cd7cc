// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/BatchTexts.h"

#include <cmath>

#include "window/JobMessageBoxes.h"
#include "window/JobMessages.h"
#include "window/Messages.h"

namespace {

// One decimal with a decimal comma, as German writes it, whatever the
// process's locale says.
std::string OneDecimal(double value) {
  const auto tenths = static_cast<std::uint64_t>(std::llround(value * 10));
  return std::to_string(tenths / 10).append(",").append(std::to_string(tenths % 10));
}

std::string TwoDigits(std::uint64_t value) {
  std::string text = std::to_string(value);
  if (text.size() < 2) text.insert(text.begin(), '0');
  return text;
}

// "0:42", "12:05", "1:02:05".
std::string Duration(std::uint64_t seconds) {
  const std::uint64_t minutes = seconds / 60;
  std::string text = minutes < 60
                         ? std::to_string(minutes)
                         : std::to_string(minutes / 60).append(":").append(TwoDigits(minutes % 60));
  return text.append(":").append(TwoDigits(seconds % 60));
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
    case TBatchCause::TargetLeadsToSource:
      return "die Zieldatei führt inzwischen zur Quelldatei selbst";
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

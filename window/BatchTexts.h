// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "window/BatchRunner.h"

// The batch window's fixed German texts, UTF-8. Texts it shares with the
// main window (password messages, captions, "Abbrechen") come from
// Messages.h.
namespace BatchText {

// Dialogs the window opens from code; the controls' own captions are in the
// form.
inline constexpr const char* FolderDialogTitle = "Ordner für die Zieldateien wählen";
inline constexpr const char* AddDialogTitle = "Dateien wählen...";

// The question about an existing target is the main window's (JobMessages.h),
// with two more answers besides "Ja" and "Nein".
inline constexpr const char* AnswerAll = "Alle";
inline constexpr const char* AnswerNone = "Keine";

// Status of a row; a reason follows "übersprungen: " and "Fehler: ".
inline constexpr const char* StatusReady = "bereit";
inline constexpr const char* StatusRunning = "läuft";
inline constexpr const char* StatusDone = "fertig";
inline constexpr const char* StatusSkipped = "übersprungen: ";
inline constexpr const char* StatusFailed = "Fehler: ";

// Checks before a run.
inline constexpr const char* NothingToDo =
    "Die Liste enthält keine Datei, die verarbeitet werden kann. Bitte fügen Sie Dateien hinzu.";
inline constexpr const char* NoOutputFolder =
    "Bitte geben Sie den Ordner an, in den die Zieldateien geschrieben werden sollen.";
inline constexpr const char* ConflictsIntro =
    "Die Dateien können so nicht verarbeitet werden. Es wurde nichts geschrieben:";

inline constexpr const char* StopAndQuit =
    "Es werden gerade Dateien verarbeitet. Möchten Sie den Vorgang abbrechen und das Programm "
    "beenden?\r\nFertige Dateien bleiben erhalten; die übrigen Zieldateien bleiben unverändert.";
inline constexpr const char* Stopped =
    "Der Vorgang wurde abgebrochen. Fertige Dateien bleiben erhalten; die übrigen Zieldateien "
    "blieben unverändert.";

// Stands in for the engine where the window is built without one.
inline constexpr const char* EngineMissing =
    "Die Verarbeitung mehrerer Dateien ist in dieser Fassung nicht verfügbar.";

}  // namespace BatchText

// "Tolvane Crypter – 1 Datei", "Tolvane Crypter – 12 Dateien".
std::string BatchCaption(std::size_t files);
// The reason after "übersprungen: " or "Fehler: ", with the system's text
// where the cause carries it.
std::string BatchCauseText(TBatchCause cause, const std::string& systemText = {});
// The reason for how an item of a run ended short of success.
std::string BatchEndText(const TBatchItemEnd& end);
// One line per clash, naming the files.
std::string BatchConflictText(const TBatchConflict& conflict);
// A failed note that refuses the batch as a whole ("would be its own target").
std::string BatchOwnTargetText(const std::string& source);
// "3 fertig, 1 übersprungen, 0 fehlgeschlagen".
std::string BatchSummary(std::size_t done, std::size_t skipped, std::size_t failed);
// Sizes as the list shows them: "512 Bytes", "1,5 KB", "4,0 MB", "2,3 GB".
std::string SizeText(std::uint64_t bytes);
// "Datei 3 von 12", then " – 45,2 MB/s – noch 1:05" once a rate is known.
std::string ProgressText(std::size_t current, std::size_t count, double bytesPerSecond,
                         std::uint64_t bytesLeft);

#pragma once

// The job's fixed German texts (UTF-8).
namespace JobText {

// Overwrite question; %s stands for the target name.
inline constexpr const char* OverwriteQuestion = "Die Datei %s existiert bereits. Überschreiben?";
inline constexpr const char* OverwriteCaption = "Bestätigen";

inline constexpr const char* SuccessPrefix = "Die Datei ";
inline constexpr const char* SuccessMiddle = " wurde erfolgreich ";
inline constexpr const char* SuccessSuffix = "verarbeitet!";
inline constexpr const char* SuccessCaption = "Information";

inline constexpr const char* FailureIntro =
    "Es ist ein Fehler aufgetreten. Der Vorgang konnte nicht vollständig abgeschlossen werden.";
inline constexpr const char* FailureDetails = "\r\n\r\nDetails:\r\n";
inline constexpr const char* FailureCaption = "Fehler";

// Details of failures that no OS error code explains.
inline constexpr const char* KeyLength =
    "Das Passwort ist zu lang oder leer: Der Schlüssel muss 1 bis 156 Bytes lang sein. "
    "Ein längeres Passwort lässt sich nur mit SHA-1-Hashing verwenden.";
inline constexpr const char* KeyNotReady =
    "Schlüssel oder Initialisierungsvektor wurden nicht gesetzt.";
inline constexpr const char* InputNotFound = "Die Quelldatei konnte nicht geöffnet werden.";
inline constexpr const char* OutputNotCreated = "Die Zieldatei konnte nicht angelegt werden.";
inline constexpr const char* ReadWrite = "Beim Lesen oder Schreiben ist ein Fehler aufgetreten.";
inline constexpr const char* ShortWrite = "Die Zieldatei konnte nicht vollständig geschrieben werden.";
inline constexpr const char* InvalidSize =
    "Die Quelldatei ist keine verschlüsselte Datei: Ihre Größe ist kein Vielfaches von 16 Bytes.";
inline constexpr const char* InvalidPadding =
    "Falsches Passwort, falscher Modus oder beschädigte Datei.";
// In-place processing: the copy of the source in the temporary directory.
// Composed as CopyFailedPrefix + directory + CopyFailedInfix + cause, then
// SourceUnchanged on a line of its own.
inline constexpr const char* CopyFailedPrefix = "Die Quelldatei konnte nicht nach ";
inline constexpr const char* CopyFailedInfix = " kopiert werden: ";
inline constexpr const char* CopyIncomplete = "Die Kopie ist unvollständig";
inline constexpr const char* SourceUnchanged = "Die Quelldatei blieb unverändert.";
// RestoreFailed + cause + ".", then RestoreCopyAt + full name of the copy + ".".
inline constexpr const char* RestoreFailed = "Die Quelldatei konnte nicht wiederhergestellt werden: ";
inline constexpr const char* RestoreCopyAt = "Ihr ursprünglicher Inhalt liegt in der Kopie ";
inline constexpr const char* OutOfMemory = "Nicht genügend Arbeitsspeicher.";
inline constexpr const char* Unknown = "Ein unerwarteter interner Fehler ist aufgetreten.";

}  // namespace JobText

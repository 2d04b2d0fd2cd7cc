// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The German wording of what a job reports (UTF-8).
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
inline constexpr const char* ShortWrite =
    "Die Zieldatei konnte nicht vollständig geschrieben werden.";
inline constexpr const char* InvalidSize =
    "Die Quelldatei ist keine verschlüsselte Datei: Ihre Größe ist kein Vielfaches von 16 Bytes.";
inline constexpr const char* InvalidPadding =
    "Falsches Passwort, falscher Modus oder beschädigte Datei.";
// Causes that no OS error code explains, or that need more than its text.
inline constexpr const char* SourceNotRegular =
    "Die Quelldatei ist keine reguläre Datei (sondern ein Ordner, eine Pipe oder ein Gerät).";
inline constexpr const char* TargetNotRegular =
    "Die Zieldatei ist keine reguläre Datei (sondern ein Ordner, eine Pipe oder ein Gerät) "
    "und wird nicht ersetzt.";
inline constexpr const char* FileBusy =
    "Die Datei wird gerade von einem anderen Vorgang verarbeitet. Bitte warten Sie, bis er "
    "abgeschlossen ist.";
// TempNotCreated + cause (the OS text, or OutputNotCreated) + ".".
inline constexpr const char* TempNotCreated =
    "Im Ordner der Zieldatei kann keine Zwischendatei angelegt werden: ";
inline constexpr const char* TargetAppeared =
    "Während der Verarbeitung wurde eine Datei mit dem Namen der Zieldatei angelegt. Sie "
    "bleibt erhalten; das Ergebnis wurde verworfen.";
// NotReplaced + cause + ".".
inline constexpr const char* NotReplaced =
    "Das Ergebnis konnte nicht an die Stelle der Zieldatei gesetzt werden: ";
// On a line of its own after every failure: the run changed nothing.
inline constexpr const char* TargetUnchanged = "Die Zieldatei blieb unverändert.";
inline constexpr const char* OutOfMemory = "Nicht genügend Arbeitsspeicher.";
inline constexpr const char* Unknown = "Ein unerwarteter interner Fehler ist aufgetreten.";

}  // namespace JobText

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TolvaneVersion.h"

// The window's fixed German texts, UTF-8.
namespace msg {

inline constexpr const char* AppTitle = "Tolvane Crypter";
inline constexpr const char* Copyright = "© 2026 Tolvane Crypter-Entwickler";

inline constexpr const char* CaptionError = "Fehler";
inline constexpr const char* CaptionWarning = "Warnung";
inline constexpr const char* CaptionAbout = "Über Tolvane Crypter...";

inline constexpr const char* Cancel = "Abbrechen";

inline constexpr const char* PasswordsDiffer =
    "Die eingebenen Passwörter sind nicht gleich. Bitte geben Sie in beide Felder das "
    "gleiche Passwort ein!";

// Silently replacing such a character would leave a weaker password than the
// one typed, and the file could not be opened with it on Windows.
inline constexpr const char* PasswordNotWindows1252 =
    "Das Passwort enthält ein Zeichen, das im westeuropäischen Zeichensatz Windows-1252 "
    "nicht vorkommt. Bitte verwenden Sie nur Zeichen dieses Zeichensatzes und geben Sie "
    "das Passwort in beide Felder erneut ein.";

inline constexpr const char* NoPassword =
    "Hinweis: Sie haben kein Passwort gesetzt. Falls Sie kein Passwort setzen, ist die "
    "Verschlüsselung nicht sicher, weil die Sicherheit ihres Dokumentes von ihrem "
    "gewählten Passwort abhängt.\r\nMöchten Sie wirklich kein Passwort setzen?";

inline constexpr const char* InvalidFileName =
    "Sie haben mindestens eine ungültige Datei zum Verarbeiten angegeben. Bitte geben Sie "
    "einen gültigen Dateinamen ein.";

inline constexpr const char* SourceNotFound =
    "Die angegebene Quelldatei wurde nicht gefunden. Bitte geben Sie eine gültige Datei an.";

inline constexpr const char* SourceNotRegular =
    "Die angegebene Quelldatei ist keine reguläre Datei, sondern ein Ordner, eine Pipe oder ein "
    "Gerät. Bitte geben Sie eine gültige Datei an.";

// A close request while a file is processed.
inline constexpr const char* StopAndQuit =
    "Es wird gerade eine Datei verarbeitet. Möchten Sie den Vorgang abbrechen und das Programm "
    "beenden?\r\nDie Zieldatei bleibt dabei unverändert.";

inline constexpr const char* AboutText =
    "Tolvane Crypter " TOLVANE_VERSION
    "\r\n"
    "© 2026 Tolvane Crypter-Entwickler\r\n"
    "\r\n"
    "Verschlüsselung mit dem Twofish-Algorithmus von Bruce Schneier et al., "
    "umgesetzt in der Twofish-Komponente TTwofish dieses Programms.\r\n"
    "\r\n"
    "Lizenz: GNU General Public License, Version 3 oder (nach Ihrer Wahl) jede spätere "
    "Version (GPL-3.0-or-later). Das Programm wird ohne jede Gewährleistung "
    "bereitgestellt.";

// File dialog.
inline constexpr const char* OpenDialogTitle = "Datei wählen...";
inline constexpr const char* OpenDialogFilter = "Alle Dateien (*.*)";
inline constexpr const char* OpenDialogSuffix = "txt";
inline constexpr const char* OpenDialogLookIn = "Suchen in:";
inline constexpr const char* OpenDialogFileName = "Dateiname:";
inline constexpr const char* OpenDialogFileType = "Dateityp:";
inline constexpr const char* OpenDialogAccept = "Öffnen";
inline constexpr const char* OpenDialogReject = "Abbrechen";

// Standard buttons; set by hand so that they read German even where no
// translation is installed.
inline constexpr const char* ButtonYes = "Ja";
inline constexpr const char* ButtonNo = "Nein";
inline constexpr const char* ButtonOK = "OK";

}  // namespace msg

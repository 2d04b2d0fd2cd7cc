// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

// Installs Qt's German translations for the standard dialogs and buttons and
// makes German the default locale. Returns false when no translation file
// was found (the window's own texts are German either way).
bool InstallGermanTranslations(QCoreApplication& app);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <optional>
#include <string>
#include <vector>

class QLineEdit;
class QMimeData;

// A file name on Linux is bytes, and not every name is UTF-8: a QString
// turns such bytes into U+FFFD, and the name no longer names the file. The
// window passes names as bytes wherever they come from outside the toolkit
// (the command line, a drop) and keeps them with the edit that shows them.

// Sets an edit to a text that is a file name's bytes. A name that is no
// UTF-8 is shown as well as a QString can show it, and its bytes stay with
// the edit for as long as it shows that unchanged.
void SetNameText(QLineEdit& edit, const std::string& name);
// The edit's text: the bytes set with SetNameText while the edit still
// shows them, else the shown text in UTF-8.
std::string NameText(const QLineEdit& edit);

// The first local file a drop names, as bytes: percent-decoded from the
// drop's own text/uri-list, not through QUrl's strings. Nothing when the
// drop names no local file.
std::optional<std::string> FirstDroppedFile(const QMimeData& data);
// Every local file a drop names, as bytes, in the drop's order; names of
// other hosts or schemes are left out.
std::vector<std::string> DroppedFiles(const QMimeData& data);
// The same for the bytes of a text/uri-list.
std::optional<std::string> FirstLocalFile(const QByteArray& uriList);

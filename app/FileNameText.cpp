// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FileNameText.h"

#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QVariant>

namespace {

// The property of an edit that holds its name's bytes.
constexpr char NameBytes[] = "tolvaneNameBytes";

QString Shown(const std::string& name) {
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

std::string Utf8Of(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace

void SetNameText(QLineEdit& edit, const std::string& name) {
  const QString shown = Shown(name);
  edit.setText(shown);
  if (Utf8Of(shown) == name) {
    edit.setProperty(NameBytes, QVariant());
  } else {
    edit.setProperty(NameBytes, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
  }
}

std::string NameText(const QLineEdit& edit) {
  const QVariant kept = edit.property(NameBytes);
  if (kept.isValid()) {
    const QByteArray bytes = kept.toByteArray();
    std::string name(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (edit.text() == Shown(name)) return name;
  }
  return Utf8Of(edit.text());
}

namespace {

// One line of a text/uri-list as a local file's bytes; nothing for another
// scheme or host.
std::optional<std::string> LocalFileOf(const QByteArray& line) {
  static const QByteArray Scheme = "file://";
  if (!line.toLower().startsWith(Scheme)) return std::nullopt;
  QByteArray rest = line.mid(Scheme.size());
  // file:///path, or file://localhost/path; another host is no local file.
  const qsizetype slash = rest.indexOf('/');
  if (slash < 0) return std::nullopt;
  const QByteArray host = rest.left(slash);
  if (!host.isEmpty() && host.toLower() != "localhost") return std::nullopt;
  const QByteArray path = QByteArray::fromPercentEncoding(rest.mid(slash));
  return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}

// The list's URIs, without its comments and blank lines.
QList<QByteArray> UriLines(const QByteArray& uriList) {
  QList<QByteArray> lines;
  for (QByteArray line : uriList.split('\n')) {
    line = line.trimmed();
    if (!line.isEmpty() && !line.startsWith('#')) lines.append(line);
  }
  return lines;
}

}  // namespace

std::optional<std::string> FirstLocalFile(const QByteArray& uriList) {
  // The first URI is the one taken.
  const QList<QByteArray> lines = UriLines(uriList);
  if (lines.isEmpty()) return std::nullopt;
  return LocalFileOf(lines.first());
}

std::vector<std::string> DroppedFiles(const QMimeData& data) {
  std::vector<std::string> names;
  static const QString UriList = QStringLiteral("text/uri-list");
  if (data.hasFormat(UriList)) {
    for (const QByteArray& line : UriLines(data.data(UriList)))
      if (std::optional<std::string> name = LocalFileOf(line)) names.push_back(std::move(*name));
    return names;
  }
  for (const QUrl& url : data.urls())
    if (url.isLocalFile()) names.push_back(Utf8Of(url.toLocalFile()));
  return names;
}

std::optional<std::string> FirstDroppedFile(const QMimeData& data) {
  static const QString UriList = QStringLiteral("text/uri-list");
  if (data.hasFormat(UriList)) return FirstLocalFile(data.data(UriList));
  // A drop that gives its URLs otherwise: as the toolkit reads them.
  const QList<QUrl> urls = data.urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return std::nullopt;
  return Utf8Of(urls.first().toLocalFile());
}

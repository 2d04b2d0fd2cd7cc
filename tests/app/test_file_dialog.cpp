// SPDX-License-Identifier: GPL-3.0-or-later
// The file dialog driven through its name field as a user types into it:
// which name it hands back, that nothing of it stays on screen, and that it
// leaves no trace of the folders it visited.
#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTimer>
#include <QUrl>

#include "AppTestSupport.h"

namespace {

// A home and configuration folder of the test's own, in place before Qt
// looks for either.
struct TScratchHome {
  QTemporaryDir Home;
  TScratchHome() {
    qputenv("HOME", QFile::encodeName(Home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(Config()));
    for (const char* other : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) qunsetenv(other);
    QDir().mkpath(Config());
  }
  QString Config() const { return Home.filePath(".config"); }
};
const TScratchHome Scratch;

// Files below folder whose name or content holds text.
QStringList FilesMentioning(const QString& folder, const QString& text) {
  QStringList found;
  QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString name = it.next();
    if (name.contains(text) || ReadAll(name).contains(text.toUtf8())) found << name;
  }
  return found;
}

// How long to wait for what normally takes milliseconds: generous, for a
// busy machine running sanitized builds in parallel.
constexpr int Patience = 60000;

QWidget* KeyTarget() {
  // Keys go to an open popup first, as the platform delivers them.
  if (QWidget* popup = QApplication::activePopupWidget()) return popup;
  return QApplication::focusWidget();
}

// Opens the chooser, types name into the name field key by key once the
// dialog is up, waits until the completion list shows if asked to, and
// presses Return.
std::optional<QString> TypeAndReturn(TOpenDialog& chooser, const QString& name,
                                     bool waitForCompletion, bool* completionShown = nullptr) {
  QTimer::singleShot(0, [&] {
    QFileDialog& dialog = chooser.Dialog();
    auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
    if (!QTest::qWaitFor([&] { return dialog.isVisible() && edit->hasFocus(); }, Patience)) return;
    // The folder is listed in the background, and the name field completes
    // from that list: typing before it is full would find nothing.
    auto* files = dialog.findChild<QFileSystemModel*>("qt_filesystem_model");
    const QModelIndex folder = files->index(dialog.directory().absolutePath());
    const int count = int(dialog.directory().entryList(QDir::Files).size());
    (void)QTest::qWaitFor([&] { return files->rowCount(folder) >= count; }, Patience);
    edit->selectAll();
    for (QChar c : name) QTest::keyClick(KeyTarget(), c.toLatin1());
    if (waitForCompletion) {
      const bool shown = QTest::qWaitFor([&] { return edit->completer()->popup()->isVisible(); }, Patience);
      if (completionShown) *completionShown = shown;
    }
    QTest::keyClick(KeyTarget(), Qt::Key_Return);
  });
  return chooser.ChooseFile();
}

// Visible top-level widgets other than the owner.
QStringList StrayWindows(const QWidget& owner) {
  QStringList stray;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w != &owner) stray << QString::fromLatin1(w->metaObject()->className());
  return stray;
}

}  // namespace

class TestFileDialog : public QObject {
  Q_OBJECT

 private slots:
  // First: Qt remembers the last folder in the process too.
  void leavesNoTrace();
  void typedNames_data();
  void typedNames();
  void completionGoneAfterReturn();
};

// Another Qt program has left its dialog settings in the shared file; ours
// neither starts from them nor adds the folders it visited.
void TestFileDialog::leavesNoTrace() {
  QTemporaryDir elsewhere, visited(QDir::temp().filePath("besucht-XXXXXX"));
  const QString shared = QDir(Scratch.Config()).filePath("QtProject.conf");
  const QByteArray planted = "[FileDialog]\nhistory=" + QUrl::fromLocalFile(elsewhere.path()).toEncoded() +
                             "\nlastVisited=" + QUrl::fromLocalFile(elsewhere.path()).toEncoded() +
                             "\nsidebarWidth=90\n";
  WriteAll(shared, planted);
  WriteAll(QDir(visited.path()).filePath("brief.txt"), "x");
  {
    QWidget owner;
    owner.show();
    TOpenDialog chooser(&owner);
    QCOMPARE(chooser.Dialog().directory().absolutePath(), QDir::current().absolutePath());
    QVERIFY(!chooser.Dialog().history().contains(elsewhere.path()));
    chooser.Dialog().setDirectory(visited.path());
    QCOMPARE(TypeAndReturn(chooser, "brief.txt", false),
             std::optional<QString>(QDir(visited.path()).filePath("brief.txt")));
  }  // Qt's dialog stores its settings as it goes
  QCOMPARE(ReadAll(shared), planted);
  QCOMPARE(QDir(Scratch.Config()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
           QStringList{"QtProject.conf"});
  const QString visitedName = QFileInfo(visited.path()).fileName();
  QCOMPARE(FilesMentioning(Scratch.Home.path(), visitedName), QStringList());
}

void TestFileDialog::typedNames_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("expected");
  // In the folder: "brief" (no extension), "bericht.txt", "archiv.tar.gz".
  QTest::newRow("existing name without extension, as typed") << "brief" << "brief";
  QTest::newRow("new name without extension gets .txt") << "neu" << "neu.txt";
  QTest::newRow("new name, .txt file of that name exists") << "bericht" << "bericht.txt";
  QTest::newRow("existing name with extension") << "archiv.tar.gz" << "archiv.tar.gz";
  QTest::newRow("new name with extension") << "neu.pdf" << "neu.pdf";
}

void TestFileDialog::typedNames() {
  QFETCH(QString, typed);
  QFETCH(QString, expected);
  QTemporaryDir dir;
  for (const char* name : {"brief", "bericht.txt", "archiv.tar.gz"}) WriteAll(dir.filePath(name), "x");
  QWidget owner;
  owner.show();
  TOpenDialog chooser(&owner);
  chooser.Dialog().setDirectory(dir.path());
  QCOMPARE(TypeAndReturn(chooser, typed, false), std::optional<QString>(dir.filePath(expected)));
  QCOMPARE(StrayWindows(owner), QStringList());
  // The next opening offers the name handed back.
  QCOMPARE(TypeAndReturn(chooser, "", false), std::optional<QString>(dir.filePath(expected)));
}

void TestFileDialog::completionGoneAfterReturn() {
  QTemporaryDir dir;
  for (const char* name : {"brief.txt", "bild.png", "bericht.pdf"}) WriteAll(dir.filePath(name), "x");
  QWidget owner;
  owner.show();
  TOpenDialog chooser(&owner);
  chooser.Dialog().setDirectory(dir.path());
  // "bild.pn" leaves the completion list open with "bild.png" in it.
  for (int pick = 0; pick < 3; ++pick) {
    bool shown = false;
    QCOMPARE(TypeAndReturn(chooser, "bild.pn", true, &shown),
             std::optional<QString>(dir.filePath("bild.pn")));
    QVERIFY2(shown, qPrintable(QString("pick %1").arg(pick)));
    QCOMPARE(StrayWindows(owner), QStringList());
    QVERIFY(QApplication::activePopupWidget() == nullptr);
  }
  // The list may open once more after the dialog has gone, when its folder
  // finishes loading; it is put away again at once.
  QCompleter* completer = chooser.Dialog().findChild<QLineEdit*>("fileNameEdit")->completer();
  completer->complete();
  QVERIFY(QTest::qWaitFor([&] { return StrayWindows(owner).isEmpty(); }, Patience));
  QVERIFY(QApplication::activePopupWidget() == nullptr);
}

QTEST_MAIN(TestFileDialog)
#include "test_file_dialog.moc"

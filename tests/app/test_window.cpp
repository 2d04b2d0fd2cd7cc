// SPDX-License-Identifier: GPL-3.0-or-later
// The window through its real widgets: layout, hints, start checks, the key
// texts a job receives, target naming, drops, the progress bar and the Idle/Running switch.
#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QToolTip>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

#include "AppTestSupport.h"
#include "app/CryptThread.h"
#include "app/FileNameText.h"
#include "window/Messages.h"
#include "twofish/Twofish.h"

namespace {

std::string Std(const QString& s) { return s.toStdString(); }

// Records the order in which the window's controls change their enabled state.
class TEnabledOrder : public QObject {
 public:
  explicit TEnabledOrder(QWidget& window) : FWindow(window) { qApp->installEventFilter(this); }
  ~TEnabledOrder() override { qApp->removeEventFilter(this); }
  QStringList Seen;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* w = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::EnabledChange && w && w->window() == &FWindow)
      Seen << w->objectName();
    return false;
  }

 private:
  QWidget& FWindow;
};

}  // namespace

class TestWindow : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { BuildMdsTables(); }

  void controls_data();
  void controls();
  void windowAndTabOrder();
  void progressBarShowsProgress();
  void hints();
  void accessibleNames();
  void directionCaptions();
  void startChecks_data();
  void startChecks();
  void requestHandedToJob_data();
  void requestHandedToJob();
  void automaticTargetName_data();
  void automaticTargetName();
  void startedWithFile_data();
  void startedWithFile();
  void dropOfSeveralFiles();
  void dropProposesTarget_data();
  void dropProposesTarget();
  void namesThatAreNoUtf8_data();
  void namesThatAreNoUtf8();
  void enableControlsBothWays();
  void jobFinishedResets();
  void aboutAndQuit();
};

void TestWindow::controls_data() {
  QTest::addColumn<QString>("parent");
  QTest::addColumn<QRect>("bounds");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("hint");
  QTest::addColumn<int>("checked");  // -1: not checkable
  const QString browse = "Den Computer nach Dateien durchsuchen.";
  auto row = [](const char* name, const char* parent, QRect r, QString caption, QString hint,
                int checked = -1) { QTest::newRow(name) << parent << r << caption << hint << checked; };
  row("lbCaption", "TfrmMain", {8, 8, 281, 25}, "Tolvane Crypter", "");
  row("lbCopyright", "TfrmMain", {8, 32, 281, 14}, msg::Copyright, "");
  row("gbSource", "TfrmMain", {8, 48, 281, 57}, "Quelldatei", "");
  row("edSource", "gbSource", {8, 24, 233, 22}, "", "Geben Sie hier den Namen der Quelldatei ein.");
  row("btnBrowseSource", "gbSource", {248, 24, 27, 21}, "...", browse);
  row("gbTarget", "TfrmMain", {8, 112, 281, 57}, "Zieldatei", "");
  row("edTarget", "gbTarget", {8, 24, 233, 22}, "", "Geben Sie hier den Namen der Zieldatei ein.");
  row("btnBrowseTarget", "gbTarget", {248, 24, 27, 21}, "...", browse);
  row("gbSettings", "TfrmMain", {8, 176, 281, 105}, "Einstellungen", "");
  row("rbEnCrypt", "gbSettings", {8, 16, 113, 17}, "Verschlüsseln",
      "Die Datei wird verschlüsselt, sodass sie für unbefugte nicht lesbar ist.", 1);
  row("rbDeCrypt", "gbSettings", {152, 16, 113, 17}, "Entschlüsseln",
      "Eine verschlüsselte Datei wird entschlüsselt, sodass der Inhalt sichtbar wird.", 0);
  row("pnCihperSelection", "gbSettings", {8, 32, 257, 17}, "", "Wählen Sie den CipherModus.");
  row("rbCBCCipher", "pnCihperSelection", {0, 0, 113, 17}, "CBC Cipher Modus",
      "Der CBC Cipher Modus ist sicherer als der ECB, jedoch nicht ganz so schnell.", 1);
  row("rbECBCipher", "pnCihperSelection", {144, 0, 113, 17}, "ECB Cipher Modus",
      "Der ECB wird von allen älteren Tolvane Crypter Versionen verwendet und sollte bei der "
      "Entschlüsselung dieser aktiviert sein.", 0);
  row("cbOverwriteTarget", "gbSettings", {8, 56, 265, 17}, "Datei ohne Nachfrage überschreiben",
      "Sollen bestehende Dateien ohne Nachfrage überschrieben werden?", 0);
  row("cbSearchNewFileName", "gbSettings", {8, 80, 265, 17},
      "Automatisch neuen Zieldateinamen suchen",
      "Soll automatisch ein neuer Name für die Zieldatei gesucht werden?", 1);
  row("gbPassword", "TfrmMain", {8, 288, 281, 81}, "Datei-Passwort", "");
  row("lbEnterPassword", "gbPassword", {8, 16, 97, 14}, "Passwort eingeben:", "");
  row("lbRepeatPassword", "gbPassword", {144, 16, 113, 14}, "Passwort wiederholen:", "");
  row("edPassword1", "gbPassword", {8, 32, 129, 22}, "", "Geben Sie das Passwort für die Datei ein.");
  row("edPassword2", "gbPassword", {144, 32, 129, 22}, "",
      "Geben Sie das Passwort aus Sicherheitsgründen erneut ein.");
  row("cbUseHashes", "gbPassword", {8, 56, 265, 17}, "Passwörter mit SHA-1 hashen",
      "Passwörter werden standardmäßig mit SHA-1 gehasht, um die Sicherheit zu erhöhen. Sie "
      "können Sie Option deaktivieren, falls Probleme beim Entschlüsseln auftreten.", 1);
  row("btnStart", "TfrmMain", {8, 376, 89, 25}, "Verschlüsseln", "Den Vorgang starten.");
  row("btnAbout", "TfrmMain", {104, 376, 89, 25}, "Über...", "Über den Tolvane Crypter.");
  row("btnQuit", "TfrmMain", {200, 376, 89, 25}, "Beenden", "Das Programm beenden.");
}

void TestWindow::controls() {
  QFETCH(QString, parent);
  QFETCH(QRect, bounds);
  QFETCH(QString, caption);
  QFETCH(QString, hint);
  QFETCH(int, checked);
  TWindowRig rig;
  QWidget* w = rig.Get(QTest::currentDataTag());
  QCOMPARE(w->parentWidget()->objectName(), parent);
  QCOMPARE(w->geometry(), bounds);
  QCOMPARE(w->toolTip(), hint);
  QString text;
  if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) text = g->title();
  if (auto* e = qobject_cast<QLineEdit*>(w)) text = e->text();
  QCOMPARE(text, caption);
  if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable())
    QCOMPARE(int(b->isChecked()), checked);
  else
    QCOMPARE(checked, -1);
  QVERIFY(w->isEnabled());
}

void TestWindow::windowAndTabOrder() {
  TWindowRig rig;
  TfrmMain& f = rig.Form;
  f.show();
  QCOMPARE(f.windowTitle(), QString("Tolvane Crypter"));
  QCOMPARE(f.size(), QSize(297, 405));
  QCOMPARE(f.minimumSize(), f.maximumSize());
  QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
  QVERIFY(f.windowFlags() & Qt::WindowMinimizeButtonHint);
  // The program's own icon, at the sizes a title bar and a task switcher ask for.
  QVERIFY(!f.windowIcon().isNull());
  for (const int size : {16, 32, 256})
    QCOMPARE(f.windowIcon().pixmap(QSize(size, size)).size(), QSize(size, size));
  QCOMPARE(f.font().family(), QString("Arial"));
  QCOMPARE(f.font().pixelSize(), 11);
  QCOMPARE(rig.Get("edSource")->font().pixelSize(), 11);
  QCOMPARE(rig.Get("lbCaption")->font().pixelSize(), 16);
  QVERIFY(rig.Get("lbCaption")->font().bold());
  QCOMPARE(rig.Get<QLineEdit>("edPassword1")->echoMode(), QLineEdit::Password);
  rig.SetText("edPassword1", "abc");
  QCOMPARE(rig.Get<QLineEdit>("edPassword1")->displayText(), QString("***"));
  // The slim progress bar sits between the password group and the buttons.
  auto* bar = rig.Get<QProgressBar>("pbProgress");
  QVERIFY(bar->isHidden());
  QVERIFY(bar->geometry().top() >= 369 && bar->geometry().bottom() < 376);
  QVERIFY(QTest::qWaitForWindowExposed(&f));
  const QRect screen = f.screen()->availableGeometry();
  QVERIFY((f.geometry().center() - screen.center()).manhattanLength() < 40);

  // Each radio pair is one tab stop, at its checked button.
  QStringList chain;
  QWidget* w = rig.Get("edSource");
  do {
    if (w->focusPolicy() & Qt::TabFocus) chain << w->objectName();
    w = w->nextInFocusChain();
  } while (w != rig.Get("edSource"));
  QCOMPARE(chain, QStringList({"edSource", "btnBrowseSource", "edTarget", "btnBrowseTarget",
                               "rbEnCrypt", "rbCBCCipher", "cbOverwriteTarget",
                               "cbSearchNewFileName", "edPassword1", "edPassword2",
                               "cbUseHashes", "btnStart", "btnAbout", "btnQuit"}));

  // Two radio groups: a direction does not touch the mode, nor the reverse.
  rig.Get<QRadioButton>("rbDeCrypt")->click();
  rig.Get<QRadioButton>("rbECBCipher")->click();
  QVERIFY(!rig.Get<QRadioButton>("rbEnCrypt")->isChecked());
  QVERIFY(!rig.Get<QRadioButton>("rbCBCCipher")->isChecked());
  QVERIFY(rig.Get<QRadioButton>("rbDeCrypt")->isChecked());
  rig.Get<QRadioButton>("rbEnCrypt")->click();
  QVERIFY(rig.Get<QRadioButton>("rbECBCipher")->isChecked());
}

// The bar is drawn at a known percentage: its done part must stand out from
// the rest of the track, and the track from the window around it.
void TestWindow::progressBarShowsProgress() {
  TWindowRig rig;
  auto* bar = rig.Get<QProgressBar>("pbProgress");
  bar->setValue(40);
  bar->show();
  rig.Form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&rig.Form));
  const QImage shot = rig.Form.grab().toImage();
  const QRect r = bar->geometry();
  auto distance = [](QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
  };
  const int split = r.left() + r.width() * 40 / 100;
  const QRgb window = shot.pixel(r.center().x(), r.top() - 1);
  for (int y = r.top(); y <= r.bottom(); ++y) {
    const QRgb done = shot.pixel(r.left() + 2, y), rest = shot.pixel(r.right() - 2, y);
    QVERIFY2(distance(done, rest) >= 96, qPrintable(QString("row %1").arg(y)));
    QVERIFY2(distance(rest, window) >= 48, qPrintable(QString("row %1").arg(y)));
    // The done part ends where 40 % of the width is.
    QCOMPARE(shot.pixel(split - 2, y), done);
    QCOMPARE(shot.pixel(split + 2, y), rest);
  }
}

// The timing is checked as configured, not on the clock: Qt's tool-tip
// machinery takes the wake-up delay from the application's style and the
// display time from each widget, and a busy machine would make waiting for
// a real hint flaky.
void TestWindow::hints() {
  TWindowRig rig;
  QCOMPARE(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 400);
  int hinted = 0;
  for (QWidget* w : rig.Form.findChildren<QWidget*>()) {
    if (w->window() != &rig.Form || w->toolTip().isEmpty()) continue;
    ++hinted;
    QCOMPARE(w->toolTipDuration(), 6000);
    QCOMPARE(w->style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, w), 400);
  }
  QCOMPARE(hinted, 17);

  // A hint shown for a control carries its text.
  rig.Form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&rig.Form));
  QWidget* button = rig.Get("btnQuit");
  QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(button, &help);
  QVERIFY(QToolTip::isVisible());
  QCOMPARE(QToolTip::text(), QString("Das Programm beenden."));
  QToolTip::hideText();
}

void TestWindow::accessibleNames() {
  TWindowRig rig;
  QStringList names;
  for (QWidget* w : rig.Form.findChildren<QWidget*>()) {
    if (w->window() != &rig.Form) continue;  // the file dialog has its own
    if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractButton*>(w)) continue;
    const QString name = QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
    QVERIFY2(!name.isEmpty() && name != "...", qPrintable(w->objectName()));
    names << name;
  }
  QCOMPARE(names.size(), 16);
  // The two "..." buttons say which file they choose.
  QVERIFY(names.contains("Quelldatei wählen") && names.contains("Zieldatei wählen"));
}

void TestWindow::directionCaptions() {
  TWindowRig rig;
  auto* start = rig.Get<QPushButton>("btnStart");
  rig.Click("rbDeCrypt");
  QCOMPARE(start->text(), QString("Entschlüsseln"));
  rig.Click("rbEnCrypt");
  QCOMPARE(start->text(), QString("Verschlüsseln"));
}

// Each case names the inputs and the messages shown, in order; whether a
// job starts; and whether the password edits keep their texts.
void TestWindow::startChecks_data() {
  QTest::addColumn<QString>("password1");
  QTest::addColumn<QString>("password2");
  QTest::addColumn<QString>("source");  // "file", "dir", "missing", "" 
  QTest::addColumn<QString>("target");
  QTest::addColumn<int>("warningAnswer");
  QTest::addColumn<QStringList>("messages");
  QTest::addColumn<bool>("started");
  QTest::addColumn<bool>("passwordsKept");
  const QString mismatch = msg::PasswordsDiffer, cp1252 = msg::PasswordNotWindows1252,
                noPw = msg::NoPassword, invalid = msg::InvalidFileName, missing = msg::SourceNotFound,
                notRegular = msg::SourceNotRegular;
  // The checks and their order are the model's; these show that the
  // widgets reach it and that its answers reach the widgets.
  QTest::newRow("passwords differ") << "a" << "b" << "" << "" << int(idYes) << QStringList{mismatch} << false << false;
  QTest::newRow("not Windows-1252") << "пароль" << "пароль" << "file" << "t" << int(idYes) << QStringList{cp1252} << false << false;
  QTest::newRow("no password, Yes, no source") << "" << "" << "" << "t" << int(idYes) << QStringList{noPw, invalid} << false << true;
  QTest::newRow("source is a folder") << "x" << "x" << "dir" << "t" << int(idYes) << QStringList{notRegular} << false << true;
  QTest::newRow("euro sign is Windows-1252") << "5€" << "5€" << "file" << "t" << int(idYes) << QStringList{} << true << false;
}

void TestWindow::startChecks() {
  QFETCH(QString, password1);
  QFETCH(QString, password2);
  QFETCH(QString, source);
  QFETCH(QString, target);
  QFETCH(int, warningAnswer);
  QFETCH(QStringList, messages);
  QFETCH(bool, started);
  QFETCH(bool, passwordsKept);
  QTemporaryDir dir;
  WriteAll(dir.filePath("file"), "data");
  QDir(dir.path()).mkdir("dir");
  TWindowRig rig;
  rig.WindowPrompt.Script({warningAnswer});
  const QString sourceName = source.isEmpty() ? "" : dir.filePath(source);
  const QString targetName = target.isEmpty() ? "" : dir.filePath(target);
  rig.SetText("edSource", sourceName);
  rig.SetText("edTarget", targetName);
  rig.SetText("edPassword1", password1);
  rig.SetText("edPassword2", password2);
  rig.Click("btnStart");

  QStringList shown;
  for (const TShown& s : rig.WindowPrompt.Shown()) {
    shown << QString::fromStdString(s.Text);
    const unsigned expected = s.Text == msg::NoPassword ? mb::YESNO | mb::ICONWARNING : mb::ICONERROR;
    QCOMPARE(s.Flags, expected);
    QCOMPARE(s.Caption, std::string(s.Text == msg::NoPassword ? "Warnung" : "Fehler"));
  }
  QCOMPARE(shown, messages);
  QCOMPARE(rig.Form.Running(), started);
  if (started) {
    QVERIFY(rig.WaitForJob());
  } else {
    // A refused start leaves the file names as typed.
    QCOMPARE(rig.Get<QLineEdit>("edSource")->text(), sourceName);
    QCOMPARE(rig.Get<QLineEdit>("edTarget")->text(), targetName);
    QCOMPARE(rig.Get<QLineEdit>("edPassword1")->text(), passwordsKept ? password1 : "");
    QCOMPARE(rig.Get<QLineEdit>("edPassword2")->text(), passwordsKept ? password2 : "");
  }
}

void TestWindow::requestHandedToJob_data() {
  QTest::addColumn<QString>("password");
  QTest::addColumn<bool>("useHashes");
  QTest::addColumn<QByteArray>("expected");  // the password's Windows-1252 bytes
  QTest::newRow("hashed") << "geheim" << true << QByteArray("geheim");
  QTest::newRow("umlaut plain, Windows-1252 byte") << "Käse" << false << QByteArray("K\xE4se");
  // Windows keys these five C1 controls with the code page's unassigned bytes.
  QTest::newRow("C1 controls plain, their bytes")
      << QString::fromUtf8("a\u0081\u008D\u008F\u0090\u009Dz") << false
      << QByteArray("a\x81\x8D\x8F\x90\x9Dz");
  QTest::newRow("empty, hashing on") << "" << true << QByteArray();
}

void TestWindow::requestHandedToJob() {
  QFETCH(QString, password);
  QFETCH(bool, useHashes);
  QFETCH(QByteArray, expected);
  QTemporaryDir dir;
  // Names are used as typed: a trailing blank is part of the name.
  const QString source = dir.filePath("brief.txt "), target = dir.filePath("brief.tvn");
  WriteAll(source, "Inhalt");
  TWindowRig rig;
  struct TSeen {
    TDirection Direction;
    TReplacePolicy Replace;
    TChainMode Mode;
    TPasswordHashing Hashing;
    std::string SourceName, TargetName, Password;
  };
  std::optional<TSeen> seen;
  rig.Form.SetJobObserver([&](const TCryptRequest& r, TCryptThread&) {
    seen = TSeen{r.Direction,  r.Replace,    r.Mode,
                 r.Hashing,    r.SourceName, r.TargetName,
                 std::string(r.Password.view())};
  });
  rig.Get<QCheckBox>("cbUseHashes")->setChecked(useHashes);
  rig.Get<QRadioButton>("rbECBCipher")->setChecked(true);
  rig.Get<QCheckBox>("cbOverwriteTarget")->setChecked(true);
  rig.SetText("edSource", source);
  rig.SetText("edTarget", target);
  rig.SetText("edPassword1", password);
  rig.SetText("edPassword2", password);
  rig.Click("btnStart");
  QVERIFY(seen.has_value());
  QVERIFY(seen->Direction == TDirection::Encrypt);
  QVERIFY(seen->Replace == TReplacePolicy::Replace);
  QVERIFY(seen->Mode == TChainMode::ECB);
  QVERIFY(seen->Hashing ==
          (useHashes ? TPasswordHashing::UseHashes : TPasswordHashing::Plain));
  QCOMPARE(seen->SourceName, Std(source));
  QCOMPARE(seen->TargetName, Std(target));
  QCOMPARE(seen->Password, expected.toStdString());
  QVERIFY(rig.WaitForJob());
  QCOMPARE(rig.JobPrompt.Captions(), std::vector<std::string>{"Information"});
  QVERIFY(QFile::exists(target));
}

void TestWindow::automaticTargetName_data() {
  QTest::addColumn<QString>("picked");
  QTest::addColumn<bool>("automatic");
  QTest::addColumn<QString>("expected");
  // Which name is proposed is the model's rule; here the buttons and the dialog.
  QTest::newRow("brief.txt") << "brief.txt" << true << "brief.tvn";
  QTest::newRow("brief.tvn decrypts beside itself") << "brief.tvn" << true << "brief";
  QTest::newRow("off: target kept") << "brief.txt" << false << "kept";
}

void TestWindow::automaticTargetName() {
  QFETCH(QString, picked);
  QFETCH(bool, automatic);
  QFETCH(QString, expected);
  QTemporaryDir dir;
  QDir(dir.path()).mkdir("a.b");
  WriteAll(dir.filePath("old.tvn"), "x");
  TWindowRig rig;
  rig.Get<QCheckBox>("cbSearchNewFileName")->setChecked(automatic);
  rig.SetText("edTarget", dir.filePath("kept"));
  rig.Chooser.Next = dir.filePath(picked);
  rig.Click("btnBrowseSource");
  QCOMPARE(rig.Get<QLineEdit>("edSource")->text(), dir.filePath(picked));
  QCOMPARE(rig.Get<QLineEdit>("edTarget")->text(), dir.filePath(expected));

  // Cancelling the dialog changes nothing; the target button takes the name as chosen.
  rig.Chooser.Next.reset();
  rig.Click("btnBrowseSource");
  rig.Click("btnBrowseTarget");
  QCOMPARE(rig.Get<QLineEdit>("edSource")->text(), dir.filePath(picked));
  QCOMPARE(rig.Get<QLineEdit>("edTarget")->text(), dir.filePath(expected));
  rig.Chooser.Next = dir.filePath("ziel.txt");
  rig.Click("btnBrowseTarget");
  QCOMPARE(rig.Get<QLineEdit>("edTarget")->text(), dir.filePath("ziel.txt"));
  QCOMPARE(rig.Chooser.Calls, 4);
}

// The file named on the command line is taken as a pick with "..." is; an
// encrypted one is set up for decryption, which the radio buttons and the
// start button show.
void TestWindow::startedWithFile_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<QString>("target");
  QTest::addColumn<bool>("decrypt");
  QTest::newRow("plain file") << "bericht.txt" << "bericht.tvn" << false;
  QTest::newRow("encrypted file: beside itself") << "brief.tvn" << "brief" << true;
}

void TestWindow::startedWithFile() {
  QFETCH(QString, file);
  QFETCH(QString, target);
  QFETCH(bool, decrypt);
  QTemporaryDir dir;
  WriteAll(dir.filePath("brief.tvn"), "x");
  TWindowRig rig;
  rig.Form.StartWithFile(Std(dir.filePath(file)));
  QCOMPARE(rig.Get<QLineEdit>("edSource")->text(), dir.filePath(file));
  QCOMPARE(rig.Get<QLineEdit>("edTarget")->text(), dir.filePath(target));
  QCOMPARE(rig.Get<QRadioButton>("rbDeCrypt")->isChecked(), decrypt);
  QCOMPARE(rig.Get<QRadioButton>("rbEnCrypt")->isChecked(), !decrypt);
  QCOMPARE(rig.Get<QPushButton>("btnStart")->text(), QString(decrypt ? "Entschlüsseln" : "Verschlüsseln"));
  QVERIFY(rig.Get<QRadioButton>("rbCBCCipher")->isChecked());
}

namespace {

// Drags data onto the window over edTarget and drops it there; whether the
// window took the drag and the drop.
std::pair<bool, bool> DragAndDrop(TWindowRig& rig, const QMimeData& data) {
  const QPoint at = rig.Get("edTarget")->geometry().center() + rig.Get("gbTarget")->pos();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&rig.Form, &enter);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&rig.Form, &drop);
  return {enter.isAccepted(), drop.isAccepted()};
}

}  // namespace

void TestWindow::dropOfSeveralFiles() {
  TWindowRig rig;
  rig.Get<QCheckBox>("cbSearchNewFileName")->setChecked(false);
  rig.SetText("edTarget", "/ziel");
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/tmp/erste datei.txt"), QUrl::fromLocalFile("/tmp/zweite.txt")});
  QCOMPARE(DragAndDrop(rig, data), std::pair(true, true));
  QCOMPARE(rig.Get<QLineEdit>("edSource")->text(), QString("/tmp/erste datei.txt"));
  // Drops on an edit reach the window instead of inserting the name as text.
  for (QLineEdit* e : rig.Form.findChildren<QLineEdit*>()) QVERIFY(!e->acceptDrops());
  QVERIFY(rig.Form.acceptDrops());

  // While a job runs the file names stay as they are.
  rig.SetText("edSource", "/laufend");
  rig.Get<QPushButton>("btnStart")->setText(msg::Cancel);
  QCOMPARE(DragAndDrop(rig, data), std::pair(false, false));
  QCOMPARE(rig.Get<QLineEdit>("edSource")->text(), QString("/laufend"));
}

// After an earlier pick (A, target A.tvn) the dropped file B gets the target
// a pick with "..." gives it; without automatic naming none at all, so that
// the start asks for one rather than overwrite A.tvn with B's result.
void TestWindow::dropProposesTarget_data() {
  QTest::addColumn<bool>("automatic");
  QTest::addColumn<QString>("dropped");
  QTest::addColumn<QString>("expected");
  QTest::newRow("automatic") << true << "b.txt" << "b.tvn";
  QTest::newRow("not automatic: emptied") << false << "b.txt" << "";
}

void TestWindow::dropProposesTarget() {
  QFETCH(bool, automatic);
  QFETCH(QString, dropped);
  QFETCH(QString, expected);
  QTemporaryDir dir;
  WriteAll(dir.filePath("a.txt"), "A");
  WriteAll(dir.filePath("a.tvn"), "A verschlüsselt");
  WriteAll(dir.filePath("old.tvn"), "x");
  TWindowRig rig;
  rig.SetText("edTarget", dir.filePath("a.tvn"));
  rig.Get<QCheckBox>("cbSearchNewFileName")->setChecked(automatic);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(dir.filePath(dropped))});
  QCOMPARE(DragAndDrop(rig, data), std::pair(true, true));
  QCOMPARE(rig.Get<QLineEdit>("edSource")->text(), dir.filePath(dropped));
  QCOMPARE(rig.Get<QLineEdit>("edTarget")->text(), expected.isEmpty() ? "" : dir.filePath(expected));
  if (expected.isEmpty()) {
    rig.SetText("edPassword1", "pw");
    rig.SetText("edPassword2", "pw");
    rig.Click("btnStart");
    QCOMPARE(rig.WindowPrompt.Shown().size(), size_t(1));
    QCOMPARE(rig.WindowPrompt.Shown()[0].Text, std::string(msg::InvalidFileName));
  }
  QCOMPARE(ReadAll(dir.filePath("a.tvn")), QByteArray("A verschlüsselt"));
}

// A name with the byte 0xFF, taken at start-up or from a drop's URI list,
// still names its file when the run starts.
void TestWindow::namesThatAreNoUtf8_data() {
  QTest::addColumn<QByteArray>("dropAs");  // empty: at start-up
  QTest::newRow("start-up") << QByteArray();
  QTest::newRow("drop") << QByteArray("file://");
  QTest::newRow("drop, comment first, localhost")
      << QByteArray("# from a file manager\r\nfile://localhost");
}

void TestWindow::namesThatAreNoUtf8() {
  QFETCH(QByteArray, dropAs);
  QTemporaryDir dir;
  const std::string folder = Std(dir.path()) + "/";
  const std::string source = folder + "\xff.txt";
  std::ofstream(source, std::ios::binary) << "Inhalt";
  // QTemporaryDir cannot name these files to remove them.
  struct TRemove {
    std::string Folder;
    ~TRemove() {
      std::error_code ignored;
      for (const char* name : {"\xff.txt", "\xff.tvn"})
        std::filesystem::remove(Folder + name, ignored);
    }
  } cleanup{folder};
  TWindowRig rig;
  if (!dropAs.isEmpty()) {
    QMimeData data;
    data.setData("text/uri-list",
                 dropAs + QByteArray::fromStdString(source).toPercentEncoding("/") + "\r\n");
    QCOMPARE(DragAndDrop(rig, data), std::pair(true, true));
  } else {
    rig.Form.StartWithFile(source);
  }
  QCOMPARE(NameText(*rig.Get<QLineEdit>("edSource")), source);
  QCOMPARE(NameText(*rig.Get<QLineEdit>("edTarget")), folder + "\xff.tvn");
  rig.SetText("edPassword1", "pw");
  rig.SetText("edPassword2", "pw");
  rig.Click("btnStart");
  QVERIFY(rig.WaitForJob());
  QVERIFY(std::filesystem::is_regular_file(folder + "\xff.tvn"));
}

void TestWindow::enableControlsBothWays() {
  TWindowRig rig;
  const QStringList switched = {"btnQuit", "btnAbout", "edSource", "edTarget", "edPassword1",
                                "edPassword2", "rbEnCrypt", "rbDeCrypt", "rbECBCipher",
                                "rbCBCCipher", "cbOverwriteTarget", "cbSearchNewFileName",
                                "btnBrowseSource", "btnBrowseTarget", "lbEnterPassword",
                                "lbRepeatPassword"};
  const QStringList kept = {"btnStart", "cbUseHashes", "lbCaption", "lbCopyright",
                            "pnCihperSelection", "gbSource", "gbTarget", "gbSettings", "gbPassword"};
  const QStringList cursored = {"TfrmMain", "gbSource", "gbTarget", "gbSettings", "gbPassword"};
  auto widget = [&](const QString& n) {
    return n == "TfrmMain" ? static_cast<QWidget*>(&rig.Form) : rig.Get(qPrintable(n));
  };
  TEnabledOrder order(rig.Form);
  for (bool enable : {false, true}) {
    order.Seen.clear();
    rig.Form.EnableControls(enable);
    QCOMPARE(order.Seen, switched);
    for (const QString& n : switched) QVERIFY2(widget(n)->isEnabled() == enable, qPrintable(n));
    for (const QString& n : kept) QVERIFY2(widget(n)->isEnabled(), qPrintable(n));
    for (const QString& n : cursored)
      QCOMPARE(widget(n)->cursor().shape(), enable ? Qt::ArrowCursor : Qt::WaitCursor);
    QVERIFY(rig.Form.isEnabled());
    QVERIFY(rig.Get<QRadioButton>("rbEnCrypt")->isChecked());
    QVERIFY(rig.Get<QRadioButton>("rbCBCCipher")->isChecked());
  }
}

void TestWindow::jobFinishedResets() {
  TWindowRig rig;
  QStringList emptied;
  for (const char* e : {"edSource", "edTarget", "edPassword1", "edPassword2"}) {
    auto* edit = rig.Get<QLineEdit>(e);
    edit->setText("x");
    QObject::connect(edit, &QLineEdit::textChanged, [&emptied, edit] { emptied << edit->objectName(); });
  }
  rig.Click("rbDeCrypt");
  rig.Click("rbECBCipher");
  rig.Click("cbOverwriteTarget");
  rig.Click("cbUseHashes");
  rig.Form.EnableControls(false);
  rig.Get<QPushButton>("btnStart")->setText(msg::Cancel);
  rig.Form.JobFinished(nullptr);
  QCOMPARE(emptied, QStringList({"edPassword1", "edPassword2", "edSource", "edTarget"}));
  for (const char* e : {"edSource", "edTarget", "edPassword1", "edPassword2"})
    QVERIFY2(rig.Get<QLineEdit>(e)->text().isEmpty(), e);
  QCOMPARE(rig.Get<QPushButton>("btnStart")->text(), QString("Entschlüsseln"));
  QVERIFY(rig.Get("edSource")->isEnabled());
  QVERIFY(rig.Get<QRadioButton>("rbDeCrypt")->isChecked());
  QVERIFY(rig.Get<QRadioButton>("rbECBCipher")->isChecked());
  QVERIFY(rig.Get<QCheckBox>("cbOverwriteTarget")->isChecked());
  QVERIFY(!rig.Get<QCheckBox>("cbUseHashes")->isChecked());
  QVERIFY(rig.Get<QCheckBox>("cbSearchNewFileName")->isChecked());
  QCOMPARE(rig.JobsEnded, 1);
}

void TestWindow::aboutAndQuit() {
  TWindowRig rig;
  rig.Form.show();
  rig.Click("btnAbout");
  const auto shown = rig.WindowPrompt.Shown();
  QCOMPARE(shown.size(), size_t(1));
  QCOMPARE(shown[0].Caption, std::string("Über Tolvane Crypter..."));
  QCOMPARE(shown[0].Flags, mb::ICONINFORMATION);
  QVERIFY(shown[0].Text.find("Twofish") != std::string::npos);
  QVERIFY(shown[0].Text.find("Bruce Schneier") != std::string::npos);
  // The real version and the license, and no address that leads nowhere.
  QVERIFY(shown[0].Text.find("Tolvane Crypter " TOLVANE_VERSION "\r\n") == 0);
  QVERIFY(shown[0].Text.find("GPL-3.0-or-later") != std::string::npos);
  QVERIFY(shown[0].Text.find("example") == std::string::npos);
  rig.Click("btnQuit");
  QVERIFY(!rig.Form.isVisible());
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// Whole jobs started from the window on real files: round trips, the
// overwrite question, processing in place, failures, cancel and close.
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <utility>

#include "AppTestSupport.h"
#include "app/CryptThread.h"
#include "window/Messages.h"
#include "twofish/Twofish.h"

namespace {

constexpr qsizetype LargeSize = 64 * 1024 * 1024;

// Fills the window and clicks the start button.
void Start(TWindowRig& rig, const QString& source, const QString& target, const QString& password,
           bool encrypt) {
  rig.Get<QRadioButton>(encrypt ? "rbEnCrypt" : "rbDeCrypt")->setChecked(true);
  rig.SetText("edSource", source);
  rig.SetText("edTarget", target);
  rig.SetText("edPassword1", password);
  rig.SetText("edPassword2", password);
  rig.Click("btnStart");
}

}  // namespace

class TestWindowJobs : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    BuildMdsTables();
    QVERIFY(FTemp.isValid());
    // Results are written beside their targets: nothing may land in the
    // temporary folder, in place or not.
    qputenv("Temp", FTemp.path().toUtf8());
  }
  void cleanup() { QVERIFY(QDir(FTemp.path()).isEmpty()); }

  void encryptThenDecryptRestores_data();
  void encryptThenDecryptRestores();
  void overwriteNoLeavesFilesUntouched();
  void inPlaceBothWays();
  void wrongPasswordFailsWithDetails();
  void cancelLargeFile_data();
  void cancelLargeFile();
  void closeDuringJobStopsItAfterAsking();

 private:
  QTemporaryDir FTemp;
};

void TestWindowJobs::encryptThenDecryptRestores_data() {
  QTest::addColumn<bool>("ecb");
  QTest::addColumn<bool>("useHashes");
  QTest::addColumn<qsizetype>("size");
  QTest::newRow("CBC hashed") << false << true << qsizetype(100000);
  QTest::newRow("CBC plain") << false << false << qsizetype(4096);
  QTest::newRow("ECB hashed, empty file") << true << true << qsizetype(0);
}

void TestWindowJobs::encryptThenDecryptRestores() {
  QFETCH(bool, ecb);
  QFETCH(bool, useHashes);
  QFETCH(qsizetype, size);
  QTemporaryDir dir;
  const QByteArray plain = SampleData(size);
  WriteAll(dir.filePath("brief.txt"), plain);
  TWindowRig rig;
  rig.Get<QRadioButton>(ecb ? "rbECBCipher" : "rbCBCCipher")->setChecked(true);
  rig.Get<QCheckBox>("cbUseHashes")->setChecked(useHashes);

  // The target is proposed by the browse button.
  rig.Chooser.Next = dir.filePath("brief.txt");
  rig.Click("btnBrowseSource");
  const QString encrypted = rig.Get<QLineEdit>("edTarget")->text();
  QCOMPARE(encrypted, dir.filePath("brief.tvn"));
  Start(rig, dir.filePath("brief.txt"), encrypted, "Pass wört", true);
  QVERIFY(rig.WaitForJob());
  const QByteArray cipher = ReadAll(encrypted);
  QCOMPARE(cipher.size(), (size / 16 + 1) * 16);
  QVERIFY(!cipher.contains(plain.left(64)) || size == 0);

  Start(rig, encrypted, dir.filePath("zurück.txt"), "Pass wört", false);
  QVERIFY(rig.WaitForJob());
  QCOMPARE(ReadAll(dir.filePath("zurück.txt")), plain);
  const auto shown = rig.JobPrompt.Shown();
  QCOMPARE(shown.size(), size_t(2));
  QCOMPARE(shown[1].Text, "Die Datei " + dir.filePath("zurück.txt").toStdString() +
                              " wurde erfolgreich verarbeitet!");
  QCOMPARE(shown[1].Flags, mb::ICONINFORMATION);
  QCOMPARE(rig.JobsEnded, 2);
  QVERIFY(rig.WindowPrompt.Shown().empty());
}

void TestWindowJobs::overwriteNoLeavesFilesUntouched() {
  QTemporaryDir dir;
  const QString source = dir.filePath("a.txt"), target = dir.filePath("b.tvn");
  WriteAll(source, "Quelle");
  WriteAll(target, "schon da");
  const QDateTime stamp = QFileInfo(target).lastModified();
  TWindowRig rig;
  rig.JobPrompt.Script({idNo});
  Start(rig, source, target, "pw", true);
  QVERIFY(rig.WaitForJob());
  QCOMPARE(ReadAll(source), QByteArray("Quelle"));
  QCOMPARE(ReadAll(target), QByteArray("schon da"));
  QCOMPARE(QFileInfo(target).lastModified(), stamp);
  const auto shown = rig.JobPrompt.Shown();
  QCOMPARE(shown.size(), size_t(1));
  QCOMPARE(shown[0].Text, "Die Datei " + target.toStdString() + " existiert bereits. Überschreiben?");
  QCOMPARE(shown[0].Caption, std::string("Bestätigen"));
  QCOMPARE(shown[0].Flags, mb::YESNO | mb::ICONQUESTION);
  // Still reset like after any other job.
  QCOMPARE(rig.JobsEnded, 1);
  QVERIFY(rig.Get<QLineEdit>("edSource")->text().isEmpty());
  QCOMPARE(rig.Get<QPushButton>("btnStart")->text(), QString("Verschlüsseln"));
}

void TestWindowJobs::inPlaceBothWays() {
  QTemporaryDir dir;
  const QByteArray plain = SampleData(50000, 7);
  const QString source = dir.filePath("brief.txt");
  WriteAll(source, plain);
  WriteAll(dir.filePath("brief.tvn"), "belegt");
  TWindowRig rig;
  rig.Get<QCheckBox>("cbOverwriteTarget")->setChecked(true);
  // brief.tvn exists, so the proposal is the source itself.
  rig.Chooser.Next = source;
  rig.Click("btnBrowseSource");
  QCOMPARE(rig.Get<QLineEdit>("edTarget")->text(), source);
  Start(rig, source, source, "pw", true);
  QVERIFY(rig.WaitForJob());
  QCOMPARE(ReadAll(source).size(), qsizetype(50000 / 16 + 1) * 16);
  // A second name of the same file counts as the same file too.
  Start(rig, source, dir.path() + "/./brief.txt", "pw", false);
  QVERIFY(rig.WaitForJob());
  QCOMPARE(ReadAll(source), plain);
  QCOMPARE(ReadAll(dir.filePath("brief.tvn")), QByteArray("belegt"));
  QCOMPARE(rig.JobPrompt.Captions(), (std::vector<std::string>{"Information", "Information"}));
}

void TestWindowJobs::wrongPasswordFailsWithDetails() {
  QTemporaryDir dir;
  WriteAll(dir.filePath("a.txt"), SampleData(5000));
  TWindowRig rig;
  Start(rig, dir.filePath("a.txt"), dir.filePath("a.tvn"), "richtig", true);
  QVERIFY(rig.WaitForJob());
  Start(rig, dir.filePath("a.tvn"), dir.filePath("b.txt"), "falsch", false);
  QVERIFY(rig.WaitForJob());
  const auto shown = rig.JobPrompt.Shown();
  QCOMPARE(shown.size(), size_t(2));
  QCOMPARE(shown[1].Caption, std::string("Fehler"));
  QCOMPARE(shown[1].Flags, mb::ICONERROR);
  QCOMPARE(shown[1].Text,
           std::string("Es ist ein Fehler aufgetreten. Der Vorgang konnte nicht vollständig "
                       "abgeschlossen werden.\r\n\r\nDetails:\r\n") +
               "Falsches Passwort, falscher Modus oder beschädigte Datei.");
  // No garbage that could pass for a result.
  QVERIFY(!QFile::exists(dir.filePath("b.txt")));
}

void TestWindowJobs::cancelLargeFile_data() {
  QTest::addColumn<bool>("inPlace");
  QTest::addColumn<bool>("targetExists");
  QTest::newRow("new target") << false << false;
  QTest::newRow("existing target") << false << true;
  QTest::newRow("in place") << true << true;
}

// A cancel asks nothing: the target's name never held any of the result.
void TestWindowJobs::cancelLargeFile() {
  QFETCH(bool, inPlace);
  QFETCH(bool, targetExists);
  QTemporaryDir dir;
  const QString source = dir.filePath("gross.bin");
  const QString target = inPlace ? source : dir.filePath("gross.tvn");
  const QByteArray plain = SampleData(LargeSize, 3);
  WriteAll(source, plain);
  if (targetExists && !inPlace) WriteAll(target, "altes Ziel");
  const QByteArray before = ReadAll(target);
  TWindowRig rig;
  TWorkerGate gate;
  rig.Form.SetJobObserver([&](const TCryptRequest&, TCryptThread& job) { gate.Attach(job); });
  rig.Get<QCheckBox>("cbOverwriteTarget")->setChecked(true);
  Start(rig, source, target, "pw", true);
  auto* bar = rig.Get<QProgressBar>("pbProgress");
  QVERIFY(bar->isVisibleTo(&rig.Form));
  QVERIFY(gate.WaitUntilHeld());
  const QPointer<TCryptThread> job = rig.Form.CurrentJob;

  rig.Click("btnStart");
  // Idle at once, while the worker is still held in the middle of the file.
  QVERIFY(gate.Holding());
  QVERIFY(!rig.Form.Running());
  QCOMPARE(rig.JobsEnded, 1);
  QVERIFY(!bar->isVisibleTo(&rig.Form));
  QVERIFY(rig.Get("edSource")->isEnabled());
  QVERIFY(rig.WindowPrompt.Shown().empty());

  // The thread's own end must not finish the job a second time.
  gate.Resume();
  QVERIFY(QTest::qWaitFor([&] { return job.isNull(); }, 60000));
  QCOMPARE(rig.JobsEnded, 1);
  QVERIFY(rig.JobPrompt.Shown().empty());
  QCOMPARE(ReadAll(target), before);
  QCOMPARE(QFile::exists(target), targetExists);
  QCOMPARE(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).size(),
           qsizetype(targetExists && !inPlace ? 2 : 1));

  // The window is ready for the next job straight away.
  WriteAll(dir.filePath("klein.txt"), "klein");
  Start(rig, dir.filePath("klein.txt"), dir.filePath("klein.tvn"), "pw", true);
  QVERIFY(rig.WaitForJob());
  QCOMPARE(QFileInfo(dir.filePath("klein.tvn")).size(), 16);
}

// A close request during a job asks first: No keeps the job running, Yes
// stops it, leaves no result and lets the window close.
void TestWindowJobs::closeDuringJobStopsItAfterAsking() {
  QTemporaryDir dir;
  WriteAll(dir.filePath("gross.bin"), SampleData(LargeSize, 5));
  TWindowRig rig;
  TWorkerGate gate;
  rig.Form.SetJobObserver([&](const TCryptRequest&, TCryptThread& job) { gate.Attach(job); });
  rig.Form.show();
  Start(rig, dir.filePath("gross.bin"), dir.filePath("gross.tvn"), "pw", true);
  QVERIFY(gate.WaitUntilHeld());
  const QPointer<TCryptThread> job = rig.Form.CurrentJob;

  rig.WindowPrompt.Script({idNo});
  QVERIFY(!rig.Form.close());
  QVERIFY(rig.Form.isVisible());
  QVERIFY(rig.Form.Running());
  QCOMPARE(rig.WindowPrompt.Captions(), std::vector<std::string>{"Warnung"});
  QCOMPARE(rig.WindowPrompt.Shown()[0].Text, std::string(msg::StopAndQuit));
  QCOMPARE(rig.WindowPrompt.Shown()[0].Flags, mb::YESNO | mb::ICONWARNING);

  // Yes: the window waits for the worker to stop, so let it go on.
  rig.WindowPrompt.Script({idYes});
  rig.WindowPrompt.OnShow = [&](const TShown&) { gate.Resume(); };
  QVERIFY(rig.Form.close());
  QVERIFY(!rig.Form.isVisible());
  QCOMPARE(rig.JobsEnded, 1);
  QVERIFY(QTest::qWaitFor([&] { return job.isNull(); }, 60000));
  QCOMPARE(rig.JobsEnded, 1);
  QVERIFY(rig.JobPrompt.Shown().empty());
  QVERIFY(!QFile::exists(dir.filePath("gross.tvn")));
  QCOMPARE(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).size(), qsizetype(1));
}

QTEST_MAIN(TestWindowJobs)
#include "test_window_jobs.moc"

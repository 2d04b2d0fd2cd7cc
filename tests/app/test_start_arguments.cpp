// SPDX-License-Identifier: GPL-3.0-or-later
// The window's command line as the program answers it: it refuses or helps
// before it opens anything. The parsing itself is tested on the model.
#include <QDir>
#include <QProcess>
#include <QTest>


class TestStartArguments : public QObject {
  Q_OBJECT

 private slots:
  void programRefusesOrHelps_data();
  void programRefusesOrHelps();
};

// Refused and help runs end before the window or even a display is needed.
void TestStartArguments::programRefusesOrHelps_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("stderrStart");
  QTest::newRow("Qt option") << QStringList{"-platform", "offscreen"} << 2
                             << "tolvane-crypter: unknown option '-platform'\nUsage:";
  QTest::newRow("both directions") << QStringList{"--encrypt", "--decrypt", "a", "b"} << 2
                                   << "tolvane-crypter: --encrypt and --decrypt exclude each other";
  QTest::newRow("help") << QStringList{"--help"} << 0 << "";
}

void TestStartArguments::programRefusesOrHelps() {
  QFETCH(QStringList, arguments);
  QFETCH(int, exitCode);
  QFETCH(QString, stderrStart);
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove("DISPLAY");
  environment.remove("WAYLAND_DISPLAY");
  environment.insert("QT_QPA_PLATFORM", "xcb");  // would fail without a display
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(TOLVANE_CRYPTER_PROGRAM), arguments);
  QVERIFY(program.waitForFinished(60000));
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), exitCode);
  const QString err = QString::fromUtf8(program.readAllStandardError());
  if (exitCode == 0) {
    QCOMPARE(err, QString());
    QVERIFY(QString::fromUtf8(program.readAllStandardOutput()).startsWith("Usage: tolvane-crypter [--encrypt | --decrypt] [FILE]"));
  } else {
    QVERIFY2(err.startsWith(stderrStart), qPrintable(err));
  }
}

QTEST_GUILESS_MAIN(TestStartArguments)
#include "test_start_arguments.moc"

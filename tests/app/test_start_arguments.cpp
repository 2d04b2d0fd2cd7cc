// SPDX-License-Identifier: GPL-3.0-or-later
// The window's command line: what it takes, what it refuses, and that the
// program refuses before it opens anything.
#include <QDir>
#include <QProcess>
#include <QTest>

#include "app/StartArguments.h"

class TestStartArguments : public QObject {
  Q_OBJECT

 private slots:
  void parse_data();
  void parse();
  void programRefusesOrHelps_data();
  void programRefusesOrHelps();
};

void TestStartArguments::parse_data() {
  using A = TStartArguments::TAction;
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("action");
  QTest::addColumn<QString>("file");  // relative to the current folder
  QTest::newRow("none") << QStringList{} << int(A::Run) << "";
  QTest::newRow("relative file") << QStringList{"brief.txt"} << int(A::Run) << "brief.txt";
  QTest::newRow("cleaned") << QStringList{"./a/../brief.tvn"} << int(A::Run) << "brief.tvn";
  QTest::newRow("absolute, blank and umlaut") << QStringList{"/tmp/Brief über x"} << int(A::Run) << "/tmp/Brief über x";
  QTest::newRow("dash name after --") << QStringList{"--", "-notiz"} << int(A::Run) << "-notiz";
  QTest::newRow("-- twice") << QStringList{"--", "--"} << int(A::Run) << "--";
  QTest::newRow("help") << QStringList{"--help"} << int(A::Help) << "";
  QTest::newRow("-h after a file") << QStringList{"a", "-h"} << int(A::Help) << "";
  for (const char* qtOption : {"-platform", "-style", "-reverse", "-qwindowgeometry", "--platform"})
    QTest::addRow("Qt's %s", qtOption) << QStringList{qtOption, "xcb"} << int(A::Refuse) << "";
  QTest::newRow("two files") << QStringList{"a", "b"} << int(A::Refuse) << "";
  QTest::newRow("empty name") << QStringList{""} << int(A::Refuse) << "";
  QTest::newRow("lone dash") << QStringList{"-"} << int(A::Refuse) << "";
}

void TestStartArguments::parse() {
  QFETCH(QStringList, arguments);
  QFETCH(int, action);
  QFETCH(QString, file);
  const TStartArguments parsed = ParseStartArguments(arguments);
  QCOMPARE(int(parsed.Action), action);
  QCOMPARE(parsed.File, file.isEmpty() ? QString() : QDir::current().absoluteFilePath(file));
  QCOMPARE(parsed.Problem.isEmpty(), action != int(TStartArguments::TAction::Refuse));
}

// Refused and help runs end before the window or even a display is needed.
void TestStartArguments::programRefusesOrHelps_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("stderrStart");
  QTest::newRow("Qt option") << QStringList{"-platform", "offscreen"} << 2
                             << "tolvane-crypter: unknown option '-platform'\nUsage:";
  QTest::newRow("two files") << QStringList{"a", "b"} << 2 << "tolvane-crypter: one file at most";
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
    QVERIFY(QString::fromUtf8(program.readAllStandardOutput()).startsWith("Usage: tolvane-crypter [FILE]"));
  } else {
    QVERIFY2(err.startsWith(stderrStart), qPrintable(err));
  }
}

QTEST_GUILESS_MAIN(TestStartArguments)
#include "test_start_arguments.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// Real modal dialogs, found and clicked like a user would: the message boxes
// with their German buttons, the bridge that lets a worker wait for one, and
// the file dialog.
#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>

#include "AppTestSupport.h"
#include "app/CryptThread.h"
#include "app/MessageBoxPrompt.h"
#include "app/Translations.h"
#include "twofish/Twofish.h"

namespace {

// How long to wait for what normally takes milliseconds: generous, for a
// busy machine running sanitized builds in parallel.
constexpr int Patience = 60000;

// Runs act on the first modal dialog of type T to appear.
template <typename T>
void WhenModal(std::function<void(T*)> act) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(dialog);
    }
  });
  timer->start(10);
}

QStringList ButtonTexts(QMessageBox* box) {
  QStringList texts;
  for (QAbstractButton* b : box->buttons()) texts << b->text();
  texts.sort();
  return texts;
}

void ClickButton(QMessageBox* box, const QString& text) {
  for (QAbstractButton* b : box->buttons())
    if (b->text() == text) return b->click();
  QFAIL(qPrintable("no button " + text));
}

}  // namespace

class TestMessageBoxes : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    BuildMdsTables();
    QVERIFY(InstallGermanTranslations(*qApp));
  }
  void messageBox_data();
  void messageBox();
  void windowShowsRealBox();
  void workerWaitsForTheAnswer();
  void abortWakesWorkerAndClosesBox();
  void cancelWhileJobAsks();
  void openDialog();
};

void TestMessageBoxes::messageBox_data() {
  QTest::addColumn<unsigned>("flags");
  QTest::addColumn<int>("icon");
  QTest::addColumn<QStringList>("buttons");
  QTest::addColumn<QString>("click");
  QTest::addColumn<int>("result");
  QTest::newRow("error") << mb::ICONERROR << int(QMessageBox::Critical) << QStringList{"OK"} << "OK" << int(idOK);
  QTest::newRow("warning, Ja") << (mb::YESNO | mb::ICONWARNING) << int(QMessageBox::Warning) << QStringList{"Ja", "Nein"} << "Ja" << int(idYes);
  QTest::newRow("question, Nein") << (mb::YESNO | mb::ICONQUESTION) << int(QMessageBox::Question) << QStringList{"Ja", "Nein"} << "Nein" << int(idNo);
  QTest::newRow("information") << mb::ICONINFORMATION << int(QMessageBox::Information) << QStringList{"OK"} << "OK" << int(idOK);
}

void TestMessageBoxes::messageBox() {
  QFETCH(unsigned, flags);
  QFETCH(int, icon);
  QFETCH(QStringList, buttons);
  QFETCH(QString, click);
  QFETCH(int, result);
  bool seen = false;
  WhenModal<QMessageBox>([&](QMessageBox* box) {
    seen = true;
    QCOMPARE(box->windowTitle(), QString("Bestätigen"));
    QCOMPARE(box->text(), QString("Zeile 1\n<b>Zeile 2</b>"));  // CR LF shown as one break, no markup
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(int(box->icon()), icon);
    QCOMPARE(ButtonTexts(box), buttons);
    ClickButton(box, click);
  });
  TMessageBoxPrompt prompt(nullptr);
  QCOMPARE(prompt.ShowMessage("Zeile 1\r\n<b>Zeile 2</b>", "Bestätigen", flags), result);
  QVERIFY(seen);
}

void TestMessageBoxes::windowShowsRealBox() {
  TfrmMain form;  // its own message boxes, no seam
  form.show();
  auto* p1 = form.findChild<QLineEdit*>("edPassword1");
  auto* p2 = form.findChild<QLineEdit*>("edPassword2");
  p1->setText("eins");
  p2->setText("zwei");
  QString text;
  WhenModal<QMessageBox>([&](QMessageBox* box) {
    text = box->windowTitle() + ": " + box->text();
    ClickButton(box, "OK");
  });
  form.btnStartClick();
  QCOMPARE(text, QString("Fehler: Die eingebenen Passwörter sind nicht gleich. Bitte geben Sie in "
                         "beide Felder das gleiche Passwort ein!"));
  QVERIFY(p1->text().isEmpty() && p2->text().isEmpty());
}

// The box runs its own event loop, so everything the user does happens in
// the callback, inside that loop.
void TestMessageBoxes::workerWaitsForTheAnswer() {
  TMessageBoxPrompt prompt(nullptr);
  std::atomic<int> answer{0};
  int whileOpen = -1;
  WhenModal<QMessageBox>([&](QMessageBox* box) {
    QTest::qWait(50);
    whileOpen = answer;  // still waiting for the user
    ClickButton(box, "Nein");
  });
  std::thread worker([&] { answer = prompt.ShowMessage("Frage?", "Bestätigen", mb::YESNO | mb::ICONQUESTION); });
  QVERIFY(QTest::qWaitFor([&] { return answer != 0; }, Patience));
  worker.join();
  QCOMPARE(whileOpen, 0);
  QCOMPARE(answer.load(), int(idNo));
}

void TestMessageBoxes::abortWakesWorkerAndClosesBox() {
  TMessageBoxPrompt prompt(nullptr);
  std::atomic<int> answer{0};
  bool shown = false;
  WhenModal<QMessageBox>([&](QMessageBox*) {
    shown = true;
    prompt.Abort();
  });
  std::thread worker([&] { answer = prompt.ShowMessage("Frage?", "Bestätigen", mb::YESNO | mb::ICONQUESTION); });
  QVERIFY(QTest::qWaitFor([&] { return answer != 0; }, Patience));  // would time out if the worker slept on
  worker.join();
  QVERIFY(shown);
  QCOMPARE(answer.load(), int(idNo));
  QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeModalWidget() == nullptr, Patience);
  // Later questions get No at once, without a box.
  std::thread late([&] { answer = prompt.ShowMessage("Noch?", "Warnung", mb::YESNO | mb::ICONWARNING); });
  late.join();
  QCOMPARE(answer.load(), int(idNo));
}

// The job's overwrite question is open in a real box when the user cancels
// (a close request reaches the window past the modal box). The worker must
// not hang, and a target the job never touched must survive a Yes.
void TestMessageBoxes::cancelWhileJobAsks() {
  QTemporaryDir dir;
  WriteAll(dir.filePath("a.txt"), "Quelle");
  WriteAll(dir.filePath("a.tvn"), "wertvoll");
  TWindowRig rig;
  rig.Form.SetJobPrompt(nullptr);
  rig.WindowPrompt.Script({idYes});
  // Closing while the job's own question is open: the window asks whether to
  // stop, then wakes the worker from that question and waits for its end.
  rig.SetText("edSource", dir.filePath("a.txt"));
  rig.SetText("edTarget", dir.filePath("a.tvn"));
  rig.SetText("edPassword1", "pw");
  rig.SetText("edPassword2", "pw");
  QString question;
  WhenModal<QMessageBox>([&](QMessageBox* box) {
    question = box->windowTitle();
    rig.Form.close();
  });
  rig.Click("btnStart");
  QVERIFY(QTest::qWaitFor([&] { return !rig.Form.Running(); }, Patience));
  QCOMPARE(question, QString("Bestätigen"));
  QCOMPARE(rig.WindowPrompt.Captions(), std::vector<std::string>{"Warnung"});
  QCOMPARE(rig.JobsEnded, 1);
  QVERIFY(!rig.Form.isVisible());
  QVERIFY(QTest::qWaitFor([&] { return rig.Form.CurrentJob.isNull(); }, Patience));
  QVERIFY(QApplication::activeModalWidget() == nullptr);
  QCOMPARE(ReadAll(dir.filePath("a.tvn")), QByteArray("wertvoll"));
}

void TestMessageBoxes::openDialog() {
  QTemporaryDir dir;
  WriteAll(dir.filePath("ohnepunkt"), "x");
  TOpenDialog chooser(nullptr);
  chooser.Dialog().setDirectory(dir.path());
  bool listed = false;
  WhenModal<QFileDialog>([&](QFileDialog* dialog) {
    QCOMPARE(dialog->windowTitle(), QString("Datei wählen..."));
    QCOMPARE(dialog->findChild<QComboBox*>("fileTypeCombo")->currentText(), QString("Alle Dateien (*.*)"));
    auto* box = dialog->findChild<QDialogButtonBox*>();
    QCOMPARE(box->button(QDialogButtonBox::Open)->text(), QString("Öffnen"));
    QCOMPARE(box->button(QDialogButtonBox::Cancel)->text(), QString("Abbrechen"));
    // Files without an extension are listed.
    auto* model = dialog->findChild<QAbstractItemModel*>("qt_filesystem_model");
    listed = QTest::qWaitFor([&] { return model->match(model->index(0, 0), Qt::DisplayRole, "ohnepunkt", 1, Qt::MatchRecursive).size() == 1; }, Patience);
    QTest::keyClicks(dialog->findChild<QLineEdit*>("fileNameEdit"), "neu");
    box->button(QDialogButtonBox::Open)->click();
  });
  QCOMPARE(chooser.ChooseFile(), std::optional<QString>(dir.filePath("neu.txt")));
  QVERIFY(listed);
  // Opens again with the name chosen last; cancelling returns nothing.
  QString preset;
  WhenModal<QFileDialog>([&](QFileDialog* dialog) {
    preset = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
  });
  QCOMPARE(chooser.ChooseFile(), std::nullopt);
  QCOMPARE(preset, QString("neu.txt"));
}

QTEST_MAIN(TestMessageBoxes)
#include "test_message_boxes.moc"

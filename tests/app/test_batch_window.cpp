// SPDX-License-Identifier: GPL-3.0-or-later
// The batch window through its real widgets, once end to end: files given
// at start-up fill the list, the password, Tab, the password and Return
// start the run with the window's settings, and the summary closes it.
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "app/uBatch.h"
#include "job/TargetName.h"
#include "tests/support/ScriptedPrompt.h"
#include "window/BatchTexts.h"
#include "window/EngineBatchRunner.h"

namespace {

// Plans each path as one file beside itself and runs nothing: a launch is
// recorded and every item reported done at the next look.
class TRecordingRunner final : public IBatchRunner {
 public:
  TBatchListing Plan(const TBatchListOrder& order) override {
    TBatchListing listing;
    for (const std::string& path : order.Paths) {
      Planned.push_back(path);
      listing.Items.push_back({path, ReplaceExtension(path), 2048, false});
    }
    return listing;
  }
  void Launch(std::vector<TBatchRunItem> items, const TBatchSettings& settings,
              TSecret password) override {
    Items = std::move(items);
    Settings = settings;
    Password = std::move(password);
    ++Launches;
    News = {};
    for (std::size_t i = 0; i < Items.size(); ++i) {
      News.Started.push_back(i);
      TBatchItemEnd end;
      end.Index = i;
      News.Ended.push_back(end);
    }
    News.DoneBytes = News.TotalBytes = 2048 * Items.size();
    News.Finished = true;
  }
  TBatchNews TakeNews() override { return std::exchange(News, {}); }
  void Cancel() override {}
  void WaitForStopped() override {}

  std::vector<std::string> Planned;
  std::vector<TBatchRunItem> Items;
  TBatchSettings Settings;
  TSecret Password;
  TBatchNews News;
  int Launches = 0;
};

}  // namespace

class TestBatchWindow : public QObject {
  Q_OBJECT

 private slots:
  void passwordTabPasswordReturn();
  void dropAddsEntfRemoves();
  void realEngineWritesWhatTolvaneDecrypts();
};

void TestBatchWindow::passwordTabPasswordReturn() {
  TRecordingRunner runner;
  TScriptedPrompt prompt;
  TfrmBatch form(runner);
  form.SetPrompt(&prompt);
  form.StartWithFiles({"/tmp/a.txt", "/tmp/b.pdf", "/tmp/./a.txt"}, std::nullopt);
  form.show();
  QVERIFY(QTest::qWaitForWindowActive(&form));

  auto* list = form.findChild<QTreeWidget*>("twFiles");
  QCOMPARE(form.windowTitle(), QString("Tolvane Crypter – 2 Dateien"));
  QCOMPARE(list->topLevelItemCount(), 2);
  QCOMPARE(list->topLevelItem(1)->text(1), QString("/tmp/b.tvn"));
  QCOMPARE(list->topLevelItem(1)->text(2), QString("2,0 KB"));
  QCOMPARE(list->topLevelItem(1)->text(3), QString("bereit"));

  auto* password1 = form.findChild<QLineEdit*>("edPassword1");
  QCOMPARE(form.focusWidget(), password1);
  QTest::keyClicks(password1, "geheim");
  QTest::keyClick(password1, Qt::Key_Tab);
  QCOMPARE(form.focusWidget(), form.findChild<QLineEdit*>("edPassword2"));
  QTest::keyClicks(form.focusWidget(), "geheim");
  QTest::keyClick(form.focusWidget(), Qt::Key_Return);

  QCOMPARE(runner.Launches, 1);
  QCOMPARE(runner.Items.size(), std::size_t{2});
  QCOMPARE(runner.Items[0].Source, std::string("/tmp/a.txt"));
  QCOMPARE(runner.Items[0].Target, std::string("/tmp/a.tvn"));
  QVERIFY(runner.Settings.Direction == TDirection::Encrypt);
  QVERIFY(runner.Settings.Mode == TChainMode::CBC);
  QVERIFY(runner.Settings.Hashing == TPasswordHashing::UseHashes);
  QCOMPARE(runner.Password.view(), std::string_view("geheim"));
  QCOMPARE(form.findChild<QPushButton*>("btnStart")->text(), QString("Abbrechen"));

  // The window polls the runner on its own.
  QTRY_COMPARE(prompt.Shown().size(), std::size_t{1});
  QCOMPARE(prompt.Shown()[0].Text, std::string("2 fertig, 0 übersprungen, 0 fehlgeschlagen"));
  QCOMPARE(list->topLevelItem(0)->text(3), QString("fertig"));
  QCOMPARE(form.findChild<QPushButton*>("btnStart")->text(), QString("Verschlüsseln"));
  QVERIFY(password1->text().isEmpty());
  QVERIFY(!form.findChild<QProgressBar*>("pbProgress")->isVisible());
}

// Files dropped anywhere on the window are added, as the bytes of their
// names; Entf in the list removes the selected ones.
void TestBatchWindow::dropAddsEntfRemoves() {
  TRecordingRunner runner;
  TfrmBatch form(runner);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  auto* list = form.findChild<QTreeWidget*>("twFiles");
  QMimeData data;
  data.setData(
      "text/uri-list",
      "file:///tmp/a.txt\r\n# a comment\r\nfile:///tmp/b.txt\r\nfile:///tmp/c-%FF.txt\r\n");
  const QPoint at = list->mapTo(&form, list->rect().center());
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &drop);
  QCOMPARE(list->topLevelItemCount(), 3);
  QCOMPARE(form.windowTitle(), QString("Tolvane Crypter – 3 Dateien"));
  QVERIFY(std::count(runner.Planned.begin(), runner.Planned.end(), "/tmp/c-\xff.txt") > 0);

  list->topLevelItem(0)->setSelected(true);
  list->topLevelItem(2)->setSelected(true);
  QTest::keyClick(list, Qt::Key_Delete);
  QCOMPARE(list->topLevelItemCount(), 1);
  QCOMPARE(list->topLevelItem(0)->text(0), QString("/tmp/b.txt"));
}

// Over the engine tolvane runs: the results are real and tolvane reads them,
// under a name that is no UTF-8 too, since the names pass as bytes.
void TestBatchWindow::realEngineWritesWhatTolvaneDecrypts() {
  QTemporaryDir dir;
  const std::string folder = QFile::encodeName(dir.path()).toStdString();
  const std::string names[] = {folder + "/eins.txt", folder + "/zwei-\xe9.txt"};
  const std::string contents[] = {std::string(100'000, 'a'), "zwei\n"};
  for (int i = 0; i < 2; ++i) std::ofstream(names[i], std::ios::binary) << contents[i];
  std::ofstream(folder + "/password") << "Geheimnis\n";

  TEngineBatchRunner runner;
  TScriptedPrompt prompt;
  TfrmBatch form(runner);
  form.SetPrompt(&prompt);
  form.StartWithFiles({names[0], names[1]}, std::nullopt);
  form.show();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  QTest::keyClicks(form.focusWidget(), "Geheimnis");
  QTest::keyClick(form.focusWidget(), Qt::Key_Tab);
  QTest::keyClicks(form.focusWidget(), "Geheimnis");
  QTest::keyClick(form.focusWidget(), Qt::Key_Return);

  QTRY_COMPARE_WITH_TIMEOUT(prompt.Shown().size(), std::size_t{1}, 60000);
  QCOMPARE(prompt.Shown()[0].Text, std::string("2 fertig, 0 übersprungen, 0 fehlgeschlagen"));
  for (int i = 0; i < 2; ++i) {
    const std::string encrypted = names[i].substr(0, names[i].size() - 4) + ".tvn";
    const std::string back = folder + "/back";
    // Through a shell, which passes the bytes of the names as they are.
    const std::string command = std::string("'") + TOLVANE_BINARY +
                                "' decrypt -f --password-file '" + folder + "/password' '" +
                                encrypted + "' '" + back + "'";
    QCOMPARE(std::system(command.c_str()), 0);
    std::ifstream result(back, std::ios::binary);
    QCOMPARE(std::string(std::istreambuf_iterator<char>(result), {}), contents[i]);
  }
}

QTEST_MAIN(TestBatchWindow)
#include "test_batch_window.moc"

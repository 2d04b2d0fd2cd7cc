// SPDX-License-Identifier: GPL-3.0-or-later
// The window used from the keyboard and with clicks on the radio pairs:
// exactly one choice per pair, the tab chain, the arrows inside a pair,
// Return, and Alt/Ctrl keys that must not type into the edits.
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <memory>

#include "AppTestSupport.h"
#include "app/CryptThread.h"
#include "window/Messages.h"
#include "twofish/Twofish.h"

namespace {

// The names of the widgets that Tab (or Backtab) visits, starting after from.
QStringList TabWalk(QWidget& from, int steps, Qt::Key key = Qt::Key_Tab) {
  from.setFocus(Qt::OtherFocusReason);
  QStringList seen;
  for (int i = 0; i < steps; ++i) {
    QTest::keyClick(QApplication::focusWidget(), key);
    seen << QApplication::focusWidget()->objectName();
  }
  return seen;
}

QStringList Reversed(QStringList list) {
  std::reverse(list.begin(), list.end());
  return list;
}

}  // namespace

class TestWindowKeys : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { BuildMdsTables(); }
  void init() {
    FRig = std::make_unique<TWindowRig>();
    FRig->Form.show();
    QVERIFY(QTest::qWaitForWindowActive(&FRig->Form));
  }
  void cleanup() { FRig.reset(); }

  void checkedRadioStaysChecked_data();
  void checkedRadioStaysChecked();
  void tabStopsOncePerPair();
  void arrowsMoveTheChoice();
  void returnStartsOrPressesTheButton();
  void altAndCtrlTypeNothing();
  void altGrTypesItsCharacter();

 private:
  std::unique_ptr<TWindowRig> FRig;
};

void TestWindowKeys::checkedRadioStaysChecked_data() {
  QTest::addColumn<QString>("checked");
  QTest::addColumn<QString>("other");
  QTest::addColumn<bool>("space");
  for (const auto& [checked, other] : {std::pair{"rbEnCrypt", "rbDeCrypt"}, {"rbDeCrypt", "rbEnCrypt"},
                                       {"rbCBCCipher", "rbECBCipher"}, {"rbECBCipher", "rbCBCCipher"}})
    for (bool space : {false, true})
      QTest::addRow("%s, %s", checked, space ? "Space" : "click") << checked << other << space;
}

void TestWindowKeys::checkedRadioStaysChecked() {
  QFETCH(QString, checked);
  QFETCH(QString, other);
  QFETCH(bool, space);
  TWindowRig& rig = *FRig;
  auto* button = rig.Get<QRadioButton>(qPrintable(checked));
  QTest::mouseClick(button, Qt::LeftButton);
  QVERIFY(button->isChecked());
  if (space)
    QTest::keyClick(button, Qt::Key_Space);
  else
    QTest::mouseClick(button, Qt::LeftButton);
  QVERIFY(button->isChecked());
  QVERIFY(!rig.Get<QRadioButton>(qPrintable(other))->isChecked());

  // The start button names the direction the job then takes.
  QTemporaryDir dir;
  WriteAll(dir.filePath("a"), "Inhalt");
  std::optional<TDirection> seen;
  rig.Form.SetJobObserver([&](const TCryptRequest& r, TCryptThread&) { seen = r.Direction; });
  const bool encrypt = rig.Get<QRadioButton>("rbEnCrypt")->isChecked();
  QCOMPARE(rig.Get<QPushButton>("btnStart")->text(),
           QString(encrypt ? "Verschlüsseln" : "Entschlüsseln"));
  QCOMPARE(rig.Get<QRadioButton>("rbDeCrypt")->isChecked(), !encrypt);
  QCOMPARE(rig.Get<QRadioButton>("rbECBCipher")->isChecked(),
           !rig.Get<QRadioButton>("rbCBCCipher")->isChecked());
  rig.SetText("edSource", dir.filePath("a"));
  rig.SetText("edTarget", dir.filePath("b"));
  rig.SetText("edPassword1", "pw");
  rig.SetText("edPassword2", "pw");
  rig.Click("btnStart");
  QVERIFY(seen.has_value());
  QVERIFY(*seen == (encrypt ? TDirection::Encrypt : TDirection::Decrypt));
  QVERIFY(rig.WaitForJob());
}

void TestWindowKeys::tabStopsOncePerPair() {
  TWindowRig& rig = *FRig;
  const QStringList chain = {"btnBrowseSource", "edTarget", "btnBrowseTarget", "rbEnCrypt",
                             "rbCBCCipher", "cbOverwriteTarget", "cbSearchNewFileName",
                             "edPassword1", "edPassword2", "cbUseHashes", "btnStart",
                             "btnAbout", "btnQuit", "edSource"};
  QCOMPARE(TabWalk(*rig.Get("edSource"), 14), chain);
  QCOMPARE(TabWalk(*rig.Get("edSource"), 14, Qt::Key_Backtab),
           Reversed(chain.mid(0, 13)) << "edSource");

  // Each pair is entered at its checked button, from either side.
  rig.Click("rbDeCrypt");
  rig.Click("rbECBCipher");
  QStringList changed = chain;
  changed.replace(3, "rbDeCrypt");
  changed.replace(4, "rbECBCipher");
  QCOMPARE(TabWalk(*rig.Get("edSource"), 14), changed);
  QCOMPARE(TabWalk(*rig.Get("cbOverwriteTarget"), 3, Qt::Key_Backtab),
           QStringList({"rbECBCipher", "rbDeCrypt", "btnBrowseTarget"}));

  // A button that got the focus without being checked (pressed, then the
  // pointer left it) does not keep the tab stop once the focus moves on.
  rig.Get("rbEnCrypt")->setFocus(Qt::MouseFocusReason);
  QCOMPARE(TabWalk(*rig.Get("rbEnCrypt"), 2), QStringList({"rbECBCipher", "cbOverwriteTarget"}));
  QCOMPARE(TabWalk(*rig.Get("rbECBCipher"), 1, Qt::Key_Backtab), QStringList({"rbDeCrypt"}));
}

void TestWindowKeys::arrowsMoveTheChoice() {
  TWindowRig& rig = *FRig;
  auto* start = rig.Get<QPushButton>("btnStart");
  struct TStep {
    Qt::Key Key;
    const char* Focused;
  };
  const std::initializer_list<TStep> direction = {{Qt::Key_Right, "rbDeCrypt"},
                                                   {Qt::Key_Right, "rbEnCrypt"},
                                                   {Qt::Key_Left, "rbDeCrypt"},
                                                   {Qt::Key_Down, "rbEnCrypt"},
                                                   {Qt::Key_Up, "rbDeCrypt"}};
  rig.Get("rbEnCrypt")->setFocus(Qt::TabFocusReason);
  for (const TStep& step : direction) {
    QTest::keyClick(QApplication::focusWidget(), step.Key);
    QCOMPARE(QApplication::focusWidget()->objectName(), QString(step.Focused));
    QVERIFY(rig.Get<QRadioButton>(step.Focused)->isChecked());
    QCOMPARE(start->text(), rig.Get<QRadioButton>(step.Focused)->text());
    // The other pair is left alone.
    QVERIFY(rig.Get<QRadioButton>("rbCBCCipher")->isChecked());
  }
  rig.Get("rbCBCCipher")->setFocus(Qt::TabFocusReason);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  QCOMPARE(QApplication::focusWidget()->objectName(), QString("rbECBCipher"));
  QVERIFY(rig.Get<QRadioButton>("rbECBCipher")->isChecked());
  QVERIFY(rig.Get<QRadioButton>("rbDeCrypt")->isChecked());
  // Tab leaves the pair from the button the arrows reached.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget()->objectName(), QString("cbOverwriteTarget"));
}

void TestWindowKeys::returnStartsOrPressesTheButton() {
  TWindowRig& rig = *FRig;
  rig.SetText("edPassword1", "a");
  rig.SetText("edPassword2", "b");
  QVERIFY(rig.Get<QPushButton>("btnStart")->isDefault());
  // Everywhere but on another button, Return starts: the mismatch shows.
  int starts = 0;
  for (const char* name : {"edSource", "edTarget", "edPassword1", "edPassword2", "rbEnCrypt",
                           "cbUseHashes", "btnStart"})
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
      rig.SetText("edPassword1", "a");
      rig.Get(name)->setFocus();
      QTest::keyClick(rig.Get(name), key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
      QCOMPARE(int(rig.WindowPrompt.Shown().size()), ++starts);
      QCOMPARE(rig.WindowPrompt.Shown().back().Text, std::string(msg::PasswordsDiffer));
    }
  // A focused button is pressed instead.
  rig.WindowPrompt.ClearShown();
  rig.Get("btnAbout")->setFocus();
  QTest::keyClick(rig.Get("btnAbout"), Qt::Key_Return);
  QCOMPARE(rig.WindowPrompt.Captions(), std::vector<std::string>{msg::CaptionAbout});
  rig.Get("btnBrowseTarget")->setFocus();
  QTest::keyClick(rig.Get("btnBrowseTarget"), Qt::Key_Return);
  QCOMPARE(rig.Chooser.Calls, 1);

  // While a job runs, a stray Return does not cancel it.
  rig.WindowPrompt.ClearShown();
  rig.Get<QPushButton>("btnStart")->setText(msg::Cancel);
  rig.Get("cbUseHashes")->setFocus();
  QTest::keyClick(rig.Get("cbUseHashes"), Qt::Key_Return);
  QVERIFY(rig.WindowPrompt.Shown().empty());
  QVERIFY(rig.Form.Running());
}

void TestWindowKeys::altAndCtrlTypeNothing() {
  TWindowRig& rig = *FRig;
  for (const char* name : {"edSource", "edTarget", "edPassword1", "edPassword2"}) {
    auto* edit = rig.Get<QLineEdit>(name);
    edit->setFocus();
    QTest::keyClicks(edit, "ab");
    QTest::keyClick(edit, Qt::Key_X, Qt::AltModifier);
    QTest::keyClick(edit, Qt::Key_Y, Qt::AltModifier | Qt::ShiftModifier);
    // Ctrl+Alt+Z as a keyboard gives it where Z has no AltGr character.
    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_Z, QString(QChar(0x1a)),
                        Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(edit, Qt::Key_Q, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_1, Qt::AltModifier);
    QCOMPARE(edit->text(), QString("ab"));
    // The edits' own shortcuts still work: select all, then type over it.
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, "c");
    QCOMPARE(edit->text(), QString("c"));
  }
  // Both passwords read "c": the start passes the password check.
  QTest::keyClick(rig.Get("edPassword2"), Qt::Key_Return);
  QCOMPARE(rig.WindowPrompt.Shown().size(), size_t(1));
  QCOMPARE(rig.WindowPrompt.Shown()[0].Text, std::string(msg::SourceNotFound));
}

void TestWindowKeys::altGrTypesItsCharacter() {
  // Windows reports AltGr as Ctrl+Alt: AltGr+Q on a German keyboard.
  auto* edit = FRig->Get<QLineEdit>("edPassword1");
  edit->setFocus();
  QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_Q, QStringLiteral("@"),
                      Qt::ControlModifier | Qt::AltModifier);
  QCOMPARE(edit->text(), QStringLiteral("@"));
}

QTEST_MAIN(TestWindowKeys)
#include "test_window_keys.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/uBatch.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <initializer_list>
#include <utility>

#include "app/AppStyle.h"
#include "app/FileNameText.h"
#include "app/MessageBoxPrompt.h"
#include "app/RadioPair.h"
#include "app/ReturnKey.h"
#include "app/ShortcutKeyFilter.h"
#include "ui_uBatch.h"
#include "util/SecureWipe.h"
#include "window/BatchTexts.h"
#include "window/JobMessages.h"
#include "window/Messages.h"

namespace {

// How often a running batch is looked at: often enough for a smooth bar,
// rarely enough to cost nothing.
constexpr int PollMs = 100;

std::string Utf8Of(const QString& text) { return text.toUtf8().toStdString(); }

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QIcon AppIcon() {
  QIcon builtIn;
  for (const int size : {16, 32, 48, 64, 128, 256})
    builtIn.addFile(QStringLiteral(":/icons/tolvane-crypter-%1.png").arg(size), QSize(size, size));
  return QIcon::fromTheme(QStringLiteral("tolvane-crypter"), builtIn);
}

// The question about an existing target with its four answers, German
// wherever it runs; closing it answers nothing.
TReplaceAnswer AskWithMessageBox(QWidget* owner, const std::string& question) {
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(JobText::OverwriteCaption),
                  FromUtf8(question), QMessageBox::NoButton, owner);
  QPushButton* yes = box.addButton(QString::fromUtf8(msg::ButtonYes), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QString::fromUtf8(msg::ButtonNo), QMessageBox::NoRole);
  QPushButton* all = box.addButton(QString::fromUtf8(BatchText::AnswerAll), QMessageBox::YesRole);
  QPushButton* none = box.addButton(QString::fromUtf8(BatchText::AnswerNone), QMessageBox::NoRole);
  box.addButton(QMessageBox::Cancel)->hide();  // Escape and the close box
  box.setDefaultButton(no);
  box.exec();
  const QAbstractButton* clicked = box.clickedButton();
  if (clicked == yes) return TReplaceAnswer::Yes;
  if (clicked == no) return TReplaceAnswer::No;
  if (clicked == all) return TReplaceAnswer::All;
  if (clicked == none) return TReplaceAnswer::None;
  return TReplaceAnswer::Cancel;
}

}  // namespace

TfrmBatch::TfrmBatch(IBatchRunner& runner, QWidget* parent)
    : QWidget(parent),
      ui(std::make_unique<Ui::TfrmBatch>()),
      FOwnPrompt(std::make_unique<TMessageBoxPrompt>(this)),
      FRunner(runner) {
  ui->setupUi(this);
  FDialogs = std::make_unique<TBatchDialogs>(this);

  connect(ui->btnStart, &QPushButton::clicked, this, &TfrmBatch::btnStartClick);
  connect(ui->btnAdd, &QPushButton::clicked, this, &TfrmBatch::btnAddClick);
  connect(ui->btnBrowseFolder, &QPushButton::clicked, this, &TfrmBatch::btnBrowseFolderClick);
  connect(ui->btnQuit, &QPushButton::clicked, this, &QWidget::close);
  new TRadioPair(*ui->rbEnCrypt, *ui->rbDeCrypt, this);
  new TRadioPair(*ui->rbCBCCipher, *ui->rbECBCipher, this);
  new TRadioPair(*ui->rbBesideSource, *ui->rbIntoFolder, this);
  // Toggled, not clicked: the arrow keys move the choice too.
  for (QRadioButton* setting : {ui->rbEnCrypt, ui->rbIntoFolder})
    connect(setting, &QRadioButton::toggled, this, [this] { FModel->SettingsChanged(); });
  connect(ui->edFolder, &QLineEdit::editingFinished, this, [this] { FModel->SettingsChanged(); });
  auto* keyFilter = new TShortcutKeyFilter(this);
  for (QLineEdit* edit : {ui->edFolder, ui->edPassword1, ui->edPassword2}) keyFilter->Watch(*edit);
  ui->twFiles->installEventFilter(this);
  ui->btnStart->setDefault(true);
  ui->btnStart->setAutoDefault(true);
  FPoll.setInterval(PollMs);
  connect(&FPoll, &QTimer::timeout, this, [this] { FModel->Poll(); });

  FormCreate();
  // The bases are private: converted here, where they are accessible.
  IBatchView& view = *this;
  IUserPrompt& prompt = *this;
  FModel = std::make_unique<TBatchModel>(view, prompt, FRunner);
}

TfrmBatch::~TfrmBatch() {
  // The runner's workers must not outlive what they were given.
  if (FModel && FModel->Running()) {
    FRunner.Cancel();
    FRunner.WaitForStopped();
  }
}

void TfrmBatch::FormCreate() {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(size());
  setWindowIcon(AppIcon());
  QFont windowFont = font();
  windowFont.setFamily(QStringLiteral("Arial"));
  windowFont.setPixelSize(11);
  setFont(windowFont);
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
      app != nullptr && dynamic_cast<TAppStyle*>(QApplication::style()) == nullptr)
    InstallAppStyle(*app);
  ApplyHintDisplayTime(*this);

  QHeaderView* header = ui->twFiles->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  header->setSectionResizeMode(1, QHeaderView::Stretch);
  header->setSectionResizeMode(2, QHeaderView::ResizeToContents);
  // A long reason would push the names out of sight: it is cut, and shown
  // whole as the cell's hint.
  header->setSectionResizeMode(3, QHeaderView::Fixed);
  header->resizeSection(3, 130);
  ui->twFiles->setTextElideMode(Qt::ElideMiddle);
  // Drops land on the window, which takes files and folders.
  setAcceptDrops(true);
  ui->twFiles->setAcceptDrops(false);
  for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->setAcceptDrops(false);
}

void TfrmBatch::SetPrompt(IUserPrompt* prompt) { FPrompt = prompt; }
void TfrmBatch::SetReplaceAsker(TReplaceAsker asker) { FReplaceAsker = std::move(asker); }
void TfrmBatch::SetChooser(IBatchChooser* chooser) { FChooser = chooser; }

int TfrmBatch::ShowMessage(const std::string& text, const std::string& caption, unsigned flags) {
  return FPrompt ? FPrompt->ShowMessage(text, caption, flags)
                 : FOwnPrompt->ShowMessage(text, caption, flags);
}

QWidget& TfrmBatch::Widget(TBatchControl control) const {
  switch (control) {
    case TBatchControl::btnAdd: return *ui->btnAdd;
    case TBatchControl::rbEnCrypt: return *ui->rbEnCrypt;
    case TBatchControl::rbDeCrypt: return *ui->rbDeCrypt;
    case TBatchControl::rbCBCCipher: return *ui->rbCBCCipher;
    case TBatchControl::rbECBCipher: return *ui->rbECBCipher;
    case TBatchControl::rbBesideSource: return *ui->rbBesideSource;
    case TBatchControl::rbIntoFolder: return *ui->rbIntoFolder;
    case TBatchControl::edFolder: return *ui->edFolder;
    case TBatchControl::btnBrowseFolder: return *ui->btnBrowseFolder;
    case TBatchControl::cbOverwriteTarget: return *ui->cbOverwriteTarget;
    case TBatchControl::lbEnterPassword: return *ui->lbEnterPassword;
    case TBatchControl::lbRepeatPassword: return *ui->lbRepeatPassword;
    case TBatchControl::edPassword1: return *ui->edPassword1;
    case TBatchControl::edPassword2: return *ui->edPassword2;
    case TBatchControl::cbUseHashes: return *ui->cbUseHashes;
    case TBatchControl::btnQuit: return *ui->btnQuit;
    case TBatchControl::btnStart: return *ui->btnStart;
    case TBatchControl::lbProgress: return *ui->lbProgress;
  }
  return *ui->btnStart;
}

std::string TfrmBatch::Text(TBatchControl control) const {
  QWidget& widget = Widget(control);
  if (auto* edit = qobject_cast<QLineEdit*>(&widget)) return Utf8Of(edit->text());
  if (auto* button = qobject_cast<QAbstractButton*>(&widget)) return Utf8Of(button->text());
  if (auto* label = qobject_cast<QLabel*>(&widget)) return Utf8Of(label->text());
  return {};
}

void TfrmBatch::SetText(TBatchControl control, const std::string& text) {
  QWidget& widget = Widget(control);
  if (auto* edit = qobject_cast<QLineEdit*>(&widget))
    edit->setText(FromUtf8(text));
  else if (auto* button = qobject_cast<QAbstractButton*>(&widget))
    button->setText(FromUtf8(text));
  else if (auto* label = qobject_cast<QLabel*>(&widget))
    label->setText(FromUtf8(text));
}

TSecret TfrmBatch::Password(TBatchControl edit) const {
  QByteArray utf8 = static_cast<QLineEdit&>(Widget(edit)).text().toUtf8();
  TSecret password(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
  SecureWipe(utf8.data(), static_cast<std::size_t>(utf8.size()));
  return password;
}

bool TfrmBatch::Checked(TBatchControl control) const {
  auto* button = qobject_cast<QAbstractButton*>(&Widget(control));
  return button != nullptr && button->isChecked();
}

void TfrmBatch::SetChecked(TBatchControl control, bool checked) {
  if (auto* button = qobject_cast<QAbstractButton*>(&Widget(control))) button->setChecked(checked);
}

void TfrmBatch::SetEnabled(TBatchControl control, bool enabled) {
  Widget(control).setEnabled(enabled);
}

void TfrmBatch::SetCaption(const std::string& caption) { setWindowTitle(FromUtf8(caption)); }

void TfrmBatch::SetRows(const std::vector<TBatchRowText>& rows) {
  ui->twFiles->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (const TBatchRowText& row : rows) {
    auto* item = new QTreeWidgetItem(QStringList{FromUtf8(row.Source), FromUtf8(row.Target),
                                                 FromUtf8(row.Size), FromUtf8(row.Status)});
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    item->setToolTip(0, item->text(0));
    item->setToolTip(1, item->text(1));
    item->setToolTip(3, item->text(3));
    items.append(item);
  }
  ui->twFiles->addTopLevelItems(items);
}

void TfrmBatch::SetRowStatus(std::size_t row, const std::string& status) {
  if (QTreeWidgetItem* item = ui->twFiles->topLevelItem(static_cast<int>(row))) {
    item->setText(3, FromUtf8(status));
    item->setToolTip(3, item->text(3));
  }
}

void TfrmBatch::SetProgress(int percent) { ui->pbProgress->setValue(percent); }

void TfrmBatch::SetProgressVisible(bool visible) {
  ui->pbProgress->setValue(0);
  ui->pbProgress->setVisible(visible);
  // The hourglass over everything but the cancel button.
  setCursor(visible ? Qt::BusyCursor : Qt::ArrowCursor);
  ui->btnStart->setCursor(Qt::ArrowCursor);
}

TReplaceAnswer TfrmBatch::AskReplace(const std::string& question) {
  return FReplaceAsker ? FReplaceAsker(question) : AskWithMessageBox(this, question);
}

void TfrmBatch::RunEnded() {
  FPoll.stop();
  emit RunFinished();
}

void TfrmBatch::StartWithFiles(const std::vector<std::string>& names,
                               std::optional<TDirection> direction) {
  if (direction) FModel->FixDirection(*direction);
  FModel->AddPaths(names);
}

void TfrmBatch::AddFiles(const QStringList& names) {
  std::vector<std::string> paths;
  paths.reserve(static_cast<std::size_t>(names.size()));
  for (const QString& name : names) paths.push_back(Utf8Of(name));
  FModel->AddPaths(paths);
}

void TfrmBatch::btnStartClick() {
  FModel->btnStartClick();
  if (FModel->Running()) FPoll.start();
}

void TfrmBatch::btnAddClick() {
  IBatchChooser& chooser = FChooser ? *FChooser : *FDialogs;
  const QStringList chosen = chooser.ChooseFiles();
  if (!chosen.isEmpty()) AddFiles(chosen);
}

void TfrmBatch::btnBrowseFolderClick() {
  IBatchChooser& chooser = FChooser ? *FChooser : *FDialogs;
  if (const std::optional<QString> folder = chooser.ChooseFolder())
    FModel->TakeOutputFolder(Utf8Of(*folder));
}

void TfrmBatch::RemoveSelectedRows() {
  std::vector<std::size_t> rows;
  for (QTreeWidgetItem* item : ui->twFiles->selectedItems())
    rows.push_back(static_cast<std::size_t>(ui->twFiles->indexOfTopLevelItem(item)));
  FModel->RemoveRows(rows);
}

bool TfrmBatch::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui->twFiles && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    RemoveSelectedRows();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TfrmBatch::closeEvent(QCloseEvent* event) {
  if (FModel->FormCloseQuery())
    event->accept();
  else
    event->ignore();
}

void TfrmBatch::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() && FModel->AcceptsDrops()) event->acceptProposedAction();
}

void TfrmBatch::dropEvent(QDropEvent* event) {
  if (!FModel->AcceptsDrops()) return;
  // Names as bytes: one that is no UTF-8 must still name its file.
  const std::vector<std::string> names = DroppedFiles(*event->mimeData());
  if (names.empty()) return;
  FModel->AddPaths(names);
  event->acceptProposedAction();
}

void TfrmBatch::keyPressEvent(QKeyEvent* event) {
  // What reaches the window: Return on a button other than the default one,
  // or anywhere else.
  if (!PressReturn(*event, focusWidget(), *ui->btnStart, Running())) QWidget::keyPressEvent(event);
}

void TfrmBatch::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (FShown) return;
  FShown = true;
  // A selection from the file manager then needs only the password.
  ui->edPassword1->setFocus();
  if (const QScreen* s = screen())
    move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

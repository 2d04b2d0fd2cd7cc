// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/uMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMimeData>
#include <QScreen>
#include <initializer_list>
#include <utility>

#include "app/AppStyle.h"
#include "app/CryptThread.h"
#include "app/FileNameText.h"
#include "app/MessageBoxPrompt.h"
#include "app/RadioPair.h"
#include "app/ReturnKey.h"
#include "app/ShortcutKeyFilter.h"
#include "ui_uMain.h"
#include "util/SecureWipe.h"
#include "window/Messages.h"

namespace {

// The installed theme's icon where there is one, so that the window matches
// the menu entry; the built-in pictures otherwise.
QIcon AppIcon() {
  QIcon builtIn;
  for (const int size : {16, 32, 48, 64, 128, 256})
    builtIn.addFile(QStringLiteral(":/icons/tolvane-crypter-%1.png").arg(size), QSize(size, size));
  return QIcon::fromTheme(QStringLiteral("tolvane-crypter"), builtIn);
}

// The core takes UTF-8 names on every system (QFile::encodeName would give
// the ANSI code page on Windows, which cannot hold every name).
std::string Utf8Of(const QString& text) { return text.toUtf8().toStdString(); }

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TfrmMain::TfrmMain(QWidget* parent)
    : QWidget(parent),
      ui(std::make_unique<Ui::TfrmMain>()),
      FOwnPrompt(std::make_unique<TMessageBoxPrompt>(this)) {
  ui->setupUi(this);
  FOpenDialog = std::make_unique<TOpenDialog>(this);

  connect(ui->btnStart, &QPushButton::clicked, this, &TfrmMain::btnStartClick);
  connect(ui->btnBrowseSource, &QPushButton::clicked, this, &TfrmMain::btnBrowseSourceClick);
  connect(ui->btnBrowseTarget, &QPushButton::clicked, this, &TfrmMain::btnBrowseTargetClick);
  connect(ui->btnAbout, &QPushButton::clicked, this, &TfrmMain::btnAboutClick);
  connect(ui->btnQuit, &QPushButton::clicked, this, &TfrmMain::btnQuitClick);
  // Toggled, not clicked: the arrow keys move the choice too.
  for (QRadioButton* direction : {ui->rbEnCrypt, ui->rbDeCrypt})
    connect(direction, &QRadioButton::toggled, this, [this, direction](bool checked) {
      if (checked) rbEnCryptClick(direction);
    });
  new TRadioPair(*ui->rbEnCrypt, *ui->rbDeCrypt, this);
  new TRadioPair(*ui->rbCBCCipher, *ui->rbECBCipher, this);
  auto* keyFilter = new TShortcutKeyFilter(this);
  for (QLineEdit* edit : {ui->edSource, ui->edTarget, ui->edPassword1, ui->edPassword2})
    keyFilter->Watch(*edit);
  // Return in an edit starts, as in a dialog (see keyPressEvent); drawn
  // with the dark frame of a default button only when also auto-default.
  ui->btnStart->setDefault(true);
  ui->btnStart->setAutoDefault(true);

  FormCreate();
}

TfrmMain::~TfrmMain() {
  // The worker reports to this window: stop it and wait.
  delete CurrentJob.data();
}

void TfrmMain::FormCreate() {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(297, 405);
  setWindowIcon(AppIcon());

  // Sizes in pixels, as the layout is; Designer forms only store points.
  QFont windowFont = font();
  windowFont.setFamily(QStringLiteral("Arial"));
  windowFont.setPixelSize(11);
  setFont(windowFont);
  QFont captionFont = ui->lbCaption->font();
  captionFont.setBold(true);
  captionFont.setPixelSize(16);
  ui->lbCaption->setFont(captionFont);
  ui->lbCopyright->setText(QString::fromUtf8(msg::Copyright));

  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
      app != nullptr && dynamic_cast<TAppStyle*>(QApplication::style()) == nullptr)
    InstallAppStyle(*app);
  ApplyHintDisplayTime(*this);

  // Files dropped on any control land on the window: the edits would take
  // the dropped names as text otherwise.
  setAcceptDrops(true);
  for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->setAcceptDrops(false);
}

void TfrmMain::SetPrompt(IUserPrompt* prompt) { FPrompt = prompt; }
void TfrmMain::SetJobPrompt(IUserPrompt* prompt) { FJobPrompt = prompt; }
void TfrmMain::SetFileChooser(IFileChooser* chooser) { FFileChooser = chooser; }
void TfrmMain::SetJobObserver(std::function<void(const TCryptRequest&, TCryptThread&)> observer) {
  FJobObserver = std::move(observer);
}

IUserPrompt& TfrmMain::Prompt() { return FPrompt ? *FPrompt : *FOwnPrompt; }

IFileChooser& TfrmMain::Chooser() { return FFileChooser ? *FFileChooser : *FOpenDialog; }

int TfrmMain::ShowMessage(const std::string& text, const std::string& caption, unsigned flags) {
  return Prompt().ShowMessage(text, caption, flags);
}

QWidget& TfrmMain::Widget(TControl control) const {
  switch (control) {
    case TControl::btnQuit: return *ui->btnQuit;
    case TControl::btnAbout: return *ui->btnAbout;
    case TControl::edSource: return *ui->edSource;
    case TControl::edTarget: return *ui->edTarget;
    case TControl::edPassword1: return *ui->edPassword1;
    case TControl::edPassword2: return *ui->edPassword2;
    case TControl::rbEnCrypt: return *ui->rbEnCrypt;
    case TControl::rbDeCrypt: return *ui->rbDeCrypt;
    case TControl::rbECBCipher: return *ui->rbECBCipher;
    case TControl::rbCBCCipher: return *ui->rbCBCCipher;
    case TControl::cbOverwriteTarget: return *ui->cbOverwriteTarget;
    case TControl::cbSearchNewFileName: return *ui->cbSearchNewFileName;
    case TControl::btnBrowseSource: return *ui->btnBrowseSource;
    case TControl::btnBrowseTarget: return *ui->btnBrowseTarget;
    case TControl::lbEnterPassword: return *ui->lbEnterPassword;
    case TControl::lbRepeatPassword: return *ui->lbRepeatPassword;
    case TControl::cbUseHashes: return *ui->cbUseHashes;
    case TControl::btnStart: return *ui->btnStart;
  }
  return *ui->btnStart;
}

std::string TfrmMain::Text(TControl control) const {
  QWidget& widget = Widget(control);
  if (auto* edit = qobject_cast<QLineEdit*>(&widget)) return NameText(*edit);
  if (auto* button = qobject_cast<QAbstractButton*>(&widget)) return Utf8Of(button->text());
  if (auto* label = qobject_cast<QLabel*>(&widget)) return Utf8Of(label->text());
  return {};
}

void TfrmMain::SetText(TControl control, const std::string& text) {
  QWidget& widget = Widget(control);
  if (auto* edit = qobject_cast<QLineEdit*>(&widget))
    SetNameText(*edit, text);
  else if (auto* button = qobject_cast<QAbstractButton*>(&widget))
    button->setText(FromUtf8(text));
  else if (auto* label = qobject_cast<QLabel*>(&widget))
    label->setText(FromUtf8(text));
}

TSecret TfrmMain::Password(TControl edit) const {
  QByteArray utf8 = static_cast<QLineEdit&>(Widget(edit)).text().toUtf8();
  TSecret password(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
  SecureWipe(utf8.data(), static_cast<std::size_t>(utf8.size()));
  return password;
}

bool TfrmMain::Checked(TControl control) const {
  auto* button = qobject_cast<QAbstractButton*>(&Widget(control));
  return button != nullptr && button->isChecked();
}

void TfrmMain::SetChecked(TControl control, bool checked) {
  if (auto* button = qobject_cast<QAbstractButton*>(&Widget(control))) button->setChecked(checked);
}

void TfrmMain::SetEnabled(TControl control, bool enabled) { Widget(control).setEnabled(enabled); }

void TfrmMain::SetBusyCursor(bool busy) {
  const Qt::CursorShape cursor = busy ? Qt::WaitCursor : Qt::ArrowCursor;
  for (QWidget* w : std::initializer_list<QWidget*>{this, ui->gbSource, ui->gbTarget,
                                                    ui->gbSettings, ui->gbPassword})
    w->setCursor(cursor);
  // The start button is the cancel button while the rest waits.
  ui->btnStart->setCursor(Qt::ArrowCursor);
}

void TfrmMain::SetProgressVisible(bool visible) {
  ui->pbProgress->setValue(0);
  ui->pbProgress->setVisible(visible);
}

void TfrmMain::Repaint() { repaint(); }

void TfrmMain::RunEnded() { emit JobEnded(CurrentJob.data()); }

void TfrmMain::CloseWindow() {
  QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TfrmMain::Launch(TCryptRequest request) {
  auto* job = new TCryptThread(FJobPrompt, this, std::move(request));
  if (FJobObserver) FJobObserver(job->Job().Request(), *job);
  connect(job, &TCryptThread::JobCompleted, this, &TfrmMain::JobFinished);
  const QPointer<TCryptThread> watched(job);
  connect(job, &TCryptThread::ProgressChanged, this, [this, watched](int percent) {
    // A late report of an earlier job must not move the bar of this one.
    if (watched && watched == CurrentJob && Running()) ui->pbProgress->setValue(percent);
  });
  CurrentJob = job;
  job->start();
}

bool TfrmMain::Cancel() {
  if (!CurrentJob || CurrentJob->Cancelled()) return true;
  if (!CurrentJob->Cancel()) return false;
  // Deleted once its worker has ended; it reports nothing more.
  CurrentJob->Release();
  return true;
}

void TfrmMain::WaitForStopped() {
  if (CurrentJob && CurrentJob->Cancelled()) CurrentJob->wait();
}

void TfrmMain::btnStartClick() { FModel.btnStartClick(); }

void TfrmMain::EnableControls(bool enable) { FModel.EnableControls(enable); }

void TfrmMain::JobFinished(QObject* /*sender*/) { FModel.JobFinished(); }

void TfrmMain::rbEnCryptClick(QObject* /*sender*/) { FModel.DirectionChanged(); }

void TfrmMain::TakeSourceFile(const QString& name) {
  FModel.TakeSourceFile(Utf8Of(name), TSourceOrigin::Pick);
}

void TfrmMain::StartWithFile(const std::string& name, std::optional<TDirection> direction) {
  FModel.TakeSourceFile(name, TSourceOrigin::StartUp, direction);
}

void TfrmMain::btnBrowseSourceClick() {
  if (const std::optional<QString> chosen = Chooser().ChooseFile()) TakeSourceFile(*chosen);
}

void TfrmMain::btnBrowseTargetClick() {
  if (const std::optional<QString> chosen = Chooser().ChooseFile())
    FModel.TakeTargetFile(Utf8Of(*chosen));
}

void TfrmMain::btnAboutClick() { FModel.btnAboutClick(); }

void TfrmMain::btnQuitClick() { close(); }

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (FModel.FormCloseQuery())
    event->accept();
  else
    event->ignore();
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
  // During a job the file names are the job's; its end empties them anyway.
  if (event->mimeData()->hasUrls() && FModel.AcceptsDrops()) event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event) {
  if (!FModel.AcceptsDrops()) return;
  // Only the first name counts.
  const std::optional<std::string> name = FirstDroppedFile(*event->mimeData());
  if (!name || name->empty()) return;
  FModel.TakeSourceFile(*name, TSourceOrigin::Drop);
  event->acceptProposedAction();
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
  // What reaches the window: Return on a button other than the default one,
  // or anywhere else.
  if (!PressReturn(*event, focusWidget(), *ui->btnStart, Running())) QWidget::keyPressEvent(event);
}

void TfrmMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (FCentred) return;
  FCentred = true;
  if (const QScreen* s = screen())
    move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

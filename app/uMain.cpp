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
#include <QUrl>
#include <initializer_list>
#include <optional>

#include "app/AppStyle.h"
#include "app/CryptThread.h"
#include "app/MessageBoxPrompt.h"
#include "app/RadioPair.h"
#include "app/ShortcutKeyFilter.h"
#include "job/TargetName.h"
#include "job/Windows1252.h"
#include "platform/FileSystem.h"
#include "ui_uMain.h"
#include "util/SecureWipe.h"
#include "window/Messages.h"
#include "window/UserPrompt.h"

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
std::string FileNameOf(const QString& text) { return text.toUtf8().toStdString(); }

// The edit's text as Windows-1252 bytes; nothing when a character has no
// Windows-1252 form.
std::optional<TSecret> ToWindows1252(const QString& text) {
  QByteArray utf8 = text.toUtf8();
  TWindows1252Result converted =
      Utf8ToWindows1252(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
  SecureWipe(utf8.data(), static_cast<std::size_t>(utf8.size()));
  if (!converted.Ok) return std::nullopt;
  return TSecret::Take(converted.Bytes);
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

bool TfrmMain::Running() const { return ui->btnStart->text() == QString::fromUtf8(msg::Cancel); }

void TfrmMain::SetPrompt(IUserPrompt* prompt) { FPrompt = prompt; }
void TfrmMain::SetJobPrompt(IUserPrompt* prompt) { FJobPrompt = prompt; }
void TfrmMain::SetFileChooser(IFileChooser* chooser) { FFileChooser = chooser; }
void TfrmMain::SetJobObserver(std::function<void(const TCryptRequest&, TCryptThread&)> observer) {
  FJobObserver = std::move(observer);
}

IUserPrompt& TfrmMain::Prompt() { return FPrompt ? *FPrompt : *FOwnPrompt; }

IFileChooser& TfrmMain::Chooser() { return FFileChooser ? *FFileChooser : *FOpenDialog; }

int TfrmMain::Tell(const char* text, const char* caption, unsigned flags) {
  return Prompt().ShowMessage(text, caption, flags);
}

void TfrmMain::SetStartCaption(const QString& caption) { ui->btnStart->setText(caption); }

void TfrmMain::btnStartClick() {
  if (Running())
    CancelJob();
  else
    StartJob();
}

void TfrmMain::StartJob() {
  std::optional<TCryptRequest> request = ValidatedRequest();
  if (!request) return;
  // A cancelled job may still be closing its files and removing its
  // unfinished result.
  WaitForStoppedJob();
  SwitchToRunning();
  request->TargetName = FileNameOf(ui->edTarget->text());
  Launch(std::move(*request));
}

// The checks in the order the user meets them; each refusal says why.
std::optional<TCryptRequest> TfrmMain::ValidatedRequest() {
  if (ui->edPassword1->text() != ui->edPassword2->text()) {
    Tell(msg::PasswordsDiffer, msg::CaptionError, mb::ICONERROR);
    ClearPasswords();
    return std::nullopt;
  }
  std::optional<TSecret> password = ToWindows1252(ui->edPassword1->text());
  if (!password) {
    Tell(msg::PasswordNotWindows1252, msg::CaptionError, mb::ICONERROR);
    ClearPasswords();
    return std::nullopt;
  }
  if (password->empty() &&
      Tell(msg::NoPassword, msg::CaptionWarning, mb::YESNO | mb::ICONWARNING) == idNo)
    return std::nullopt;
  if (ui->edSource->text().isEmpty() || ui->edTarget->text().isEmpty()) {
    Tell(msg::InvalidFileName, msg::CaptionError, mb::ICONERROR);
    return std::nullopt;
  }
  TCryptRequest request;
  request.SourceName = FileNameOf(ui->edSource->text());
  switch (KindOf(request.SourceName)) {
    case TFileKind::Regular: break;
    case TFileKind::Missing:
      Tell(msg::SourceNotFound, msg::CaptionError, mb::ICONERROR);
      return std::nullopt;
    case TFileKind::Directory:
    case TFileKind::Other:
      // A folder, a pipe or a device: present, but nothing to process.
      Tell(msg::SourceNotRegular, msg::CaptionError, mb::ICONERROR);
      return std::nullopt;
  }
  request.Direction = ui->rbEnCrypt->isChecked() ? TDirection::Encrypt : TDirection::Decrypt;
  request.Replace =
      ui->cbOverwriteTarget->isChecked() ? TReplacePolicy::Replace : TReplacePolicy::Ask;
  request.Mode = ui->rbECBCipher->isChecked() ? TChainMode::ECB : TChainMode::CBC;
  request.Hashing =
      ui->cbUseHashes->isChecked() ? TPasswordHashing::UseHashes : TPasswordHashing::Plain;
  request.Password = std::move(*password);
  return request;
}

void TfrmMain::SwitchToRunning() {
  EnableControls(false);
  ui->btnStart->setCursor(Qt::ArrowCursor);
  SetStartCaption(QString::fromUtf8(msg::Cancel));
  ui->pbProgress->setValue(0);
  ui->pbProgress->show();
  repaint();
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

void TfrmMain::CancelJob() {
  const QPointer<TCryptThread> job = CurrentJob;
  // A second cancel (a click or a close request) must not finish the job
  // twice.
  if (job && job->Cancelled()) return;
  if (job) job->Cancel();
  // The stopped job removes its unfinished result; the target's name never
  // held any of it, so there is nothing to ask.
  JobFinished(job);
  if (job) job->Release();
}

void TfrmMain::WaitForStoppedJob() {
  if (CurrentJob && CurrentJob->Cancelled()) CurrentJob->wait();
}

void TfrmMain::ClearPasswords() {
  ui->edPassword1->clear();
  ui->edPassword2->clear();
}

void TfrmMain::EnableControls(bool enable) {
  static constexpr Qt::CursorShape Cursors[2] = {Qt::WaitCursor, Qt::ArrowCursor};
  const Qt::CursorShape cursor = Cursors[enable ? 1 : 0];
  for (QWidget* w : std::initializer_list<QWidget*>{this, ui->gbSource, ui->gbTarget,
                                                    ui->gbSettings, ui->gbPassword})
    w->setCursor(cursor);
  for (QWidget* w : std::initializer_list<QWidget*>{
           ui->btnQuit, ui->btnAbout, ui->edSource, ui->edTarget, ui->edPassword1, ui->edPassword2,
           ui->rbEnCrypt, ui->rbDeCrypt, ui->rbECBCipher, ui->rbCBCCipher, ui->cbOverwriteTarget,
           ui->cbSearchNewFileName, ui->btnBrowseSource, ui->btnBrowseTarget, ui->lbEnterPassword,
           ui->lbRepeatPassword})
    w->setEnabled(enable);
}

void TfrmMain::JobFinished(QObject* sender) {
  EnableControls(true);
  ClearPasswords();
  ui->edSource->clear();
  ui->edTarget->clear();
  SetStartCaption(ui->rbEnCrypt->isChecked() ? ui->rbEnCrypt->text() : ui->rbDeCrypt->text());
  ui->pbProgress->hide();
  emit JobEnded(sender);
}

void TfrmMain::rbEnCryptClick(QObject* sender) {
  if (auto* button = qobject_cast<QAbstractButton*>(sender)) SetStartCaption(button->text());
}

void TfrmMain::TakeSourceFile(const QString& name) {
  ui->edSource->setText(name);
  if (!ui->cbSearchNewFileName->isChecked()) return;
  const std::string target = ProposeTargetName(FileNameOf(name), FileExists);
  ui->edTarget->setText(QString::fromUtf8(target.data(), static_cast<qsizetype>(target.size())));
}

void TfrmMain::StartWithFile(const QString& name) {
  if (name.endsWith(QLatin1String(EncryptedExtension), Qt::CaseInsensitive))
    ui->rbDeCrypt->setChecked(true);
  TakeSourceFile(name);
}

void TfrmMain::btnBrowseSourceClick() {
  if (const std::optional<QString> chosen = Chooser().ChooseFile()) TakeSourceFile(*chosen);
}

void TfrmMain::btnBrowseTargetClick() {
  if (const std::optional<QString> chosen = Chooser().ChooseFile()) ui->edTarget->setText(*chosen);
}

void TfrmMain::btnAboutClick() { Tell(msg::AboutText, msg::CaptionAbout, mb::ICONINFORMATION); }

void TfrmMain::btnQuitClick() { close(); }

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (Running()) {
    // Closing stops the run; the target keeps what it held. Asked first, so
    // that a long run is not lost to a stray click.
    if (Tell(msg::StopAndQuit, msg::CaptionWarning, mb::YESNO | mb::ICONWARNING) != idYes ||
        !Running()) {
      event->ignore();
      return;
    }
    CancelJob();
    // The worker stops at its next chunk and removes its unfinished result
    // before the process ends.
    WaitForStoppedJob();
  }
  event->accept();
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
  // During a job the file names are the job's; its end empties them anyway.
  if (event->mimeData()->hasUrls() && !Running()) event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || Running()) return;
  // Only the first name counts.
  const QString name = urls.first().toLocalFile();
  if (name.isEmpty()) return;
  TakeSourceFile(name);
  // A target left from an earlier source would be overwritten with this
  // one's result: without automatic naming the user names it afresh.
  if (!ui->cbSearchNewFileName->isChecked()) ui->edTarget->clear();
  event->acceptProposedAction();
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!enter || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
    QWidget::keyPressEvent(event);
    return;
  }
  // What reaches the window: Return on a button other than the default one,
  // or anywhere else. A focused button is pressed; elsewhere Return starts,
  // but never cancels a running job by a stray key.
  if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled())
    button->click();
  else if (!Running())
    ui->btnStart->click();
}

void TfrmMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (FCentred) return;
  FCentred = true;
  if (const QScreen* s = screen())
    move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

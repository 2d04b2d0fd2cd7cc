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
#include "job/KeyDerivation.h"
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

// A password copy that is wiped however the start path leaves.
struct TPasswordBytes {
  std::string Bytes;
  TPasswordBytes() = default;
  TPasswordBytes(const TPasswordBytes&) = delete;
  TPasswordBytes& operator=(const TPasswordBytes&) = delete;
  ~TPasswordBytes() { SecureWipeString(Bytes); }
};

// The edit's text as Windows-1252 bytes; false when a character has no
// Windows-1252 form.
bool ToWindows1252(const QString& text, TPasswordBytes& out) {
  QByteArray utf8 = text.toUtf8();
  TWindows1252Result converted =
      Utf8ToWindows1252(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
  SecureWipe(utf8.data(), static_cast<std::size_t>(utf8.size()));
  out.Bytes.swap(converted.Bytes);
  return converted.Ok;
}

}  // namespace

TfrmMain::TfrmMain(QWidget* parent)
    : QWidget(parent),
      ui(std::make_unique<Ui::TfrmMain>()),
      FOwnPrompt(std::make_unique<TMessageBoxPrompt>(this)) {
  ui->setupUi(this);
  FOpenDialog = std::make_unique<TOpenDialog>(this);

  ApplySharedSettings(Twofish, SHA);
  Twofish.SetCipherMode(TCipherMode::CBC);

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
  // The worker uses Twofish, which dies with this object: stop it and wait.
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
void TfrmMain::SetJobObserver(std::function<void(const TJobRequest&, TCryptThread&)> observer) {
  FJobObserver = std::move(observer);
}

IUserPrompt& TfrmMain::Prompt() { return FPrompt ? *FPrompt : *FOwnPrompt; }

IFileChooser& TfrmMain::Chooser() { return FFileChooser ? *FFileChooser : *FOpenDialog; }

int TfrmMain::Tell(const char* text, const char* caption, unsigned flags) {
  return Prompt().ShowMessage(text, caption, flags);
}

std::string TfrmMain::HashText(const std::string& text) { return ::HashText(SHA, text); }

void TfrmMain::SetStartCaption(const QString& caption) { ui->btnStart->setText(caption); }

void TfrmMain::btnStartClick() {
  if (Running())
    CancelJob();
  else
    StartJob();
}

void TfrmMain::StartJob() {
  if (ui->edPassword1->text() != ui->edPassword2->text()) {
    Tell(msg::PasswordsDiffer, msg::CaptionError, mb::ICONERROR);
    ClearPasswords();
    return;
  }
  TPasswordBytes password;
  if (!ToWindows1252(ui->edPassword1->text(), password)) {
    Tell(msg::PasswordNotWindows1252, msg::CaptionError, mb::ICONERROR);
    ClearPasswords();
    return;
  }
  if (password.Bytes.empty() &&
      Tell(msg::NoPassword, msg::CaptionWarning, mb::YESNO | mb::ICONWARNING) == idNo)
    return;
  if (ui->edSource->text().isEmpty() || ui->edTarget->text().isEmpty()) {
    Tell(msg::InvalidFileName, msg::CaptionError, mb::ICONERROR);
    return;
  }
  TJobRequest request;
  request.SourceName = FileNameOf(ui->edSource->text());
  switch (KindOf(request.SourceName)) {
    case TFileKind::Regular: break;
    case TFileKind::Missing: Tell(msg::SourceNotFound, msg::CaptionError, mb::ICONERROR); return;
    case TFileKind::Directory:
    case TFileKind::Other:
      // A folder, a pipe or a device: present, but nothing to process.
      Tell(msg::SourceNotRegular, msg::CaptionError, mb::ICONERROR);
      return;
  }

  // A cancelled job may still be closing its files and removing its
  // unfinished result, and it uses Twofish until it ends.
  WaitForStoppedJob();
  Twofish.SetCipherMode(ui->rbECBCipher->isChecked() ? TCipherMode::ECB : TCipherMode::CBC);
  TKeyTexts keys = DeriveKeyTexts(password.Bytes, ui->cbUseHashes->isChecked(), SHA);

  EnableControls(false);
  ui->btnStart->setCursor(Qt::ArrowCursor);
  SetStartCaption(QString::fromUtf8(msg::Cancel));
  ui->pbProgress->setValue(0);
  ui->pbProgress->show();
  repaint();

  request.Encrypt = ui->rbEnCrypt->isChecked();
  request.Overwrite = ui->cbOverwriteTarget->isChecked();
  request.TargetName = FileNameOf(ui->edTarget->text());
  request.IVText = keys.IVText;
  request.KeyText = keys.KeyText;

  auto* job =
      new TCryptThread(Twofish, FJobPrompt, this, request.Encrypt, request.Overwrite,
                       request.SourceName, request.TargetName, request.IVText, request.KeyText);
  if (FJobObserver) FJobObserver(request, *job);
  SecureWipeString(request.IVText);
  SecureWipeString(request.KeyText);
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

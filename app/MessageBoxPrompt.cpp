// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MessageBoxPrompt.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QThread>

#include "window/Messages.h"

namespace {

QMessageBox::Icon IconFor(unsigned flags) {
  switch (flags & mb::IconMask) {
    case mb::ICONERROR: return QMessageBox::Critical;
    case mb::ICONQUESTION: return QMessageBox::Question;
    case mb::ICONWARNING: return QMessageBox::Warning;
    case mb::ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

int UnansweredResult(unsigned flags) noexcept {
  return (flags & mb::ButtonMask) == mb::YESNO ? idNo : idOK;
}

int ExecMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned flags,
                   QPointer<QMessageBox>* openBox) {
  // Our texts break lines with CR LF; a label would show the CR.
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

  QMessageBox box(IconFor(flags), caption, shown, QMessageBox::NoButton, owner);
  // File names are shown as they are, never as markup.
  box.setTextFormat(Qt::PlainText);

  QPushButton* yes = nullptr;
  QPushButton* no = nullptr;
  QPushButton* ok = nullptr;
  if ((flags & mb::ButtonMask) == mb::YESNO) {
    yes = box.addButton(QMessageBox::Yes);
    no = box.addButton(QMessageBox::No);
    yes->setText(QString::fromUtf8(msg::ButtonYes));
    no->setText(QString::fromUtf8(msg::ButtonNo));
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
  } else {
    ok = box.addButton(QMessageBox::Ok);
    ok->setText(QString::fromUtf8(msg::ButtonOK));
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
  }

  if (openBox) *openBox = &box;
  box.exec();
  if (openBox) *openBox = nullptr;

  const QAbstractButton* clicked = box.clickedButton();
  if (clicked != nullptr && clicked == yes) return idYes;
  if (clicked != nullptr && clicked == ok) return idOK;
  return UnansweredResult(flags);
}

struct TMessageBoxPrompt::TRequest {
  QString Text;
  QString Caption;
  unsigned Flags = 0;
  bool Answered = false;
  int Result = idOK;
};

TMessageBoxPrompt::TMessageBoxPrompt(QWidget* owner) : FOwner(owner) {}

TMessageBoxPrompt::~TMessageBoxPrompt() { Abort(); }

int TMessageBoxPrompt::ShowMessage(const std::string& text, const std::string& caption,
                                   unsigned flags) {
  if (Aborted()) {
    // After a stop nobody may wait for an answer, and a question has none.
    // A plain message (the job telling where a copy of the user's data
    // remains) is still shown, without holding up the worker.
    if ((flags & mb::ButtonMask) == mb::OK) {
      QObject* context =
          FOwner ? static_cast<QObject*>(FOwner.data()) : QCoreApplication::instance();
      QMetaObject::invokeMethod(
          context,
          [owner = FOwner, shown = FromUtf8(text), title = FromUtf8(caption), flags] {
            ExecMessageBox(owner, shown, title, flags);
          },
          Qt::QueuedConnection);
    }
    return UnansweredResult(flags);
  }
  if (QThread::currentThread() == thread())
    return ExecMessageBox(FOwner, FromUtf8(text), FromUtf8(caption), flags, &FOpenBox);

  auto request = std::make_shared<TRequest>();
  request->Text = FromUtf8(text);
  request->Caption = FromUtf8(caption);
  request->Flags = flags;
  QMetaObject::invokeMethod(
      this, [this, request] { Present(request); }, Qt::QueuedConnection);

  std::unique_lock lock(FMutex);
  FAnsweredOrAborted.wait(lock, [&] { return request->Answered || FAborted; });
  return request->Answered ? request->Result : UnansweredResult(flags);
}

void TMessageBoxPrompt::Present(const std::shared_ptr<TRequest>& request) {
  if (Aborted()) return;  // stopped before the box could be shown
  const int result =
      ExecMessageBox(FOwner, request->Text, request->Caption, request->Flags, &FOpenBox);
  {
    std::lock_guard lock(FMutex);
    request->Answered = true;
    request->Result = result;
  }
  FAnsweredOrAborted.notify_all();
}

void TMessageBoxPrompt::Abort() {
  {
    std::lock_guard lock(FMutex);
    FAborted = true;
  }
  FAnsweredOrAborted.notify_all();
  if (QThread::currentThread() == thread())
    CloseOpenBox();
  else
    QMetaObject::invokeMethod(
        this, [this] { CloseOpenBox(); }, Qt::QueuedConnection);
}

bool TMessageBoxPrompt::Aborted() const {
  std::lock_guard lock(FMutex);
  return FAborted;
}

void TMessageBoxPrompt::CloseOpenBox() {
  if (FOpenBox) FOpenBox->done(QDialog::Rejected);
}

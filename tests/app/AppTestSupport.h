// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/FileChooser.h"
#include "app/uMain.h"
#include "tests/support/ScriptedPrompt.h"

class TCryptThread;

// Holds a job's worker at its first progress report, in the middle of the
// file, so that a test can cancel a job that is surely still running,
// however fast or slow the machine. The worker goes on after Resume, when
// the gate goes out of scope, or, should the window wait for the worker,
// after a minute, so that a wrong wait fails the test instead of hanging it.
class TWorkerGate {
 public:
  TWorkerGate() = default;
  TWorkerGate(const TWorkerGate&) = delete;
  TWorkerGate& operator=(const TWorkerGate&) = delete;
  ~TWorkerGate() { Resume(); }

  void Attach(TCryptThread& job);
  bool WaitUntilHeld(int timeoutMs = 60000) { return FState->Held.tryAcquire(1, timeoutMs); }
  bool Holding() const { return FState->Holding; }
  void Resume() { FState->Resume.release(); }

 private:
  // Shared with the worker, which may outlive the gate.
  struct TState {
    QSemaphore Held;
    QSemaphore Resume;
    std::atomic<bool> Used{false};
    std::atomic<bool> Holding{false};
  };
  std::shared_ptr<TState> FState = std::make_shared<TState>();
};

class TStubChooser final : public IFileChooser {
 public:
  std::optional<QString> Next;
  int Calls = 0;
  std::optional<QString> ChooseFile() override {
    ++Calls;
    return Next;
  }
};

// A window whose messages, job messages and file choices are all scripted,
// with a count of the jobs that ended.
struct TWindowRig {
  TfrmMain Form;
  TScriptedPrompt WindowPrompt;
  TScriptedPrompt JobPrompt;
  TStubChooser Chooser;
  int JobsEnded = 0;

  TWindowRig() {
    Form.SetPrompt(&WindowPrompt);
    Form.SetJobPrompt(&JobPrompt);
    Form.SetFileChooser(&Chooser);
    QObject::connect(&Form, &TfrmMain::JobEnded, [this] { ++JobsEnded; });
  }
  template <typename T = QWidget>
  T* Get(const char* name) {
    T* w = Form.findChild<T*>(QString::fromLatin1(name));
    if (w == nullptr) qFatal("no control %s", name);
    return w;
  }
  void SetText(const char* edit, const QString& text);
  void Click(const char* button);
  // Runs the event loop until the current job has ended.
  bool WaitForJob(int timeoutMs = 120000);
};

QByteArray ReadAll(const QString& name);
void WriteAll(const QString& name, const QByteArray& data);
QByteArray SampleData(qsizetype size, unsigned seed = 1);

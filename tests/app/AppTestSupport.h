#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/FileChooser.h"
#include "app/uMain.h"
#include "job/UserPrompt.h"

struct TShown {
  std::string Text;
  std::string Caption;
  unsigned Flags = 0;
};

// Answers messages from a script and records them; safe from any thread.
// Questions without a scripted answer get DefaultAnswer.
class TScriptedPrompt final : public IUserPrompt {
 public:
  int DefaultAnswer = idYes;

  void Script(std::initializer_list<int> answers) {
    std::lock_guard lock(FMutex);
    FAnswers.insert(FAnswers.end(), answers);
  }
  int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override {
    std::lock_guard lock(FMutex);
    FShown.push_back({text, caption, flags});
    if ((flags & mb::ButtonMask) != mb::YESNO) return idOK;
    if (FAnswers.empty()) return DefaultAnswer;
    const int answer = FAnswers.front();
    FAnswers.pop_front();
    return answer;
  }
  std::vector<TShown> Shown() const {
    std::lock_guard lock(FMutex);
    return FShown;
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> out;
    for (const TShown& s : Shown()) out.push_back(s.Caption);
    return out;
  }

 private:
  mutable std::mutex FMutex;
  std::deque<int> FAnswers;
  std::vector<TShown> FShown;
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
QByteArray SampleBytes(qsizetype size, unsigned seed = 1);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "window/UserPrompt.h"

struct TShown {
  std::string Text;
  std::string Caption;
  unsigned Flags = 0;
};

// Answers messages from a script and records them; safe from any thread.
// Questions without a scripted answer get DefaultAnswer, other messages OK.
class TScriptedPrompt final : public IUserPrompt {
 public:
  int DefaultAnswer = idYes;

  void Script(std::initializer_list<int> answers) {
    std::lock_guard lock(FMutex);
    FAnswers.insert(FAnswers.end(), answers);
  }
  // Runs while a message is "open", on the thread that shows it; set it
  // before the first message.
  std::function<void(const TShown&)> OnShow;

  int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override {
    if (OnShow) OnShow({text, caption, flags});
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
  // Forgets the messages shown so far (the script stays).
  void ClearShown() {
    std::lock_guard lock(FMutex);
    FShown.clear();
  }

 private:
  mutable std::mutex FMutex;
  std::deque<int> FAnswers;
  std::vector<TShown> FShown;
};

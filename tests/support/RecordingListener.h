// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "job/JobListener.h"

// One thing a job reported.
struct TJobEvent {
  enum class TWhat { Asked, Succeeded, Failed };
  TWhat What = TWhat::Asked;
  std::string Target;   // Asked, Succeeded
  bool InPlace = false; // Asked
  TJobFailure Failure;  // Failed
};

// Answers the replace question from a script and records every event; safe
// from any thread. Unscripted questions get DefaultAnswer.
class TRecordingListener final : public IJobListener {
 public:
  bool DefaultAnswer = true;
  // Runs while the question is "open", on the job's thread.
  std::function<void()> OnAsk;

  void Script(std::initializer_list<bool> answers) {
    std::lock_guard lock(FMutex);
    FAnswers.insert(FAnswers.end(), answers);
  }

  bool MayReplace(const std::string& targetName, bool inPlace) override {
    if (OnAsk) OnAsk();
    std::lock_guard lock(FMutex);
    FEvents.push_back({TJobEvent::TWhat::Asked, targetName, inPlace, {}});
    if (FAnswers.empty()) return DefaultAnswer;
    const bool answer = FAnswers.front();
    FAnswers.pop_front();
    return answer;
  }
  void Succeeded(const std::string& targetName) override {
    std::lock_guard lock(FMutex);
    FEvents.push_back({TJobEvent::TWhat::Succeeded, targetName, false, {}});
  }
  void Failed(const TJobFailure& failure) override {
    std::lock_guard lock(FMutex);
    FEvents.push_back({TJobEvent::TWhat::Failed, {}, false, failure});
  }

  std::vector<TJobEvent> Events() const {
    std::lock_guard lock(FMutex);
    return FEvents;
  }
  std::vector<TJobEvent::TWhat> Sequence() const {
    std::vector<TJobEvent::TWhat> out;
    for (const TJobEvent& e : Events()) out.push_back(e.What);
    return out;
  }
  void Clear() {
    std::lock_guard lock(FMutex);
    FEvents.clear();
  }

 private:
  mutable std::mutex FMutex;
  std::deque<bool> FAnswers;
  std::vector<TJobEvent> FEvents;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "job/CryptRequest.h"
#include "window/JobRunner.h"
#include "window/WindowView.h"

// The controls as plain values, in the state a new window starts in, with
// every change the model makes recorded.
class TFakeWindowView final : public IWindowView {
 public:
  TFakeWindowView() {
    Texts[TControl::rbEnCrypt] = "Verschlüsseln";
    Texts[TControl::rbDeCrypt] = "Entschlüsseln";
    Texts[TControl::btnStart] = "Verschlüsseln";
    for (TControl c : {TControl::rbEnCrypt, TControl::rbCBCCipher, TControl::cbSearchNewFileName,
                       TControl::cbUseHashes})
      Checks[c] = true;
  }

  std::string Text(TControl control) const override {
    const auto it = Texts.find(control);
    return it == Texts.end() ? std::string() : it->second;
  }
  void SetText(TControl control, const std::string& text) override {
    Texts[control] = text;
    Cleared.push_back(control);
  }
  TSecret Password(TControl edit) const override { return TSecret(Text(edit)); }
  bool Checked(TControl control) const override {
    const auto it = Checks.find(control);
    return it != Checks.end() && it->second;
  }
  void SetChecked(TControl control, bool checked) override {
    Checks[control] = checked;
    if (checked && Partners.count(control)) Checks[Partners.at(control)] = false;
  }
  void SetEnabled(TControl control, bool enabled) override {
    Enabled[control] = enabled;
    EnabledOrder.push_back(control);
  }
  void SetBusyCursor(bool busy) override { Busy = busy; }
  void SetProgressVisible(bool visible) override { ProgressVisible = visible; }
  void Repaint() override {}
  void CloseWindow() override { ++Closes; }

  std::map<TControl, std::string> Texts;
  std::map<TControl, bool> Checks;
  std::map<TControl, bool> Enabled;
  std::vector<TControl> EnabledOrder;
  std::vector<TControl> Cleared;  // every SetText, in order
  bool Busy = false;
  bool ProgressVisible = false;
  int Closes = 0;

 private:
  const std::map<TControl, TControl> Partners = {
      {TControl::rbEnCrypt, TControl::rbDeCrypt},
      {TControl::rbDeCrypt, TControl::rbEnCrypt},
      {TControl::rbCBCCipher, TControl::rbECBCipher},
      {TControl::rbECBCipher, TControl::rbCBCCipher},
  };
};

// Keeps the requests instead of running them.
class TFakeRunner final : public IJobRunner {
 public:
  void Launch(TCryptRequest request) override { Launched.push_back(std::move(request)); }
  bool Cancel() override {
    ++Cancels;
    return !PastPointOfNoReturn;
  }
  void WaitForStopped() override { ++Waits; }

  std::vector<TCryptRequest> Launched;
  int Cancels = 0;
  int Waits = 0;
  bool PastPointOfNoReturn = false;
};

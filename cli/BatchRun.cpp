// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/BatchRun.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <thread>

#include "batch/BatchPlan.h"
#include "batch/BatchThreads.h"
#include "batch/BatchWorkers.h"
#include "cli/BatchReport.h"
#include "cli/BatchWording.h"
#include "cli/ExistingTargets.h"
#include "cli/Printable.h"
#include "cli/ProgressBar.h"
#include "cli/RunPassword.h"
#include "cli/Say.h"
#include "cli/StopSignals.h"
#include "cli/Terminal.h"
#include "cli/Tolvane.h"
#include "platform/Process.h"

namespace {

using namespace std::chrono_literals;

TBatchOrder OrderOf(const TCliOptions& options) {
  TBatchOrder order;
  order.Direction =
      options.Command == TCliCommand::Encrypt ? TDirection::Encrypt : TDirection::Decrypt;
  order.Operands = options.Sources;
  order.Recursive = options.Recursive;
  order.OutputDir = options.OutputDir;
  return order;
}

// The items that run, and for each whether it may replace its target; the
// others are reported as kept.
struct TRunList {
  std::vector<TBatchItem> Items;
  std::vector<bool> Replace;
};

TRunList SettleTargets(const std::vector<TBatchItem>& planned, bool force, TTerminal* terminal,
                       TBatchReport& report) {
  const std::vector<TTargetChoice> choices = DecideExistingTargets(planned, force, terminal);
  // A Ctrl-C at a question ends the batch before anything is written.
  DieIfStopSignalled();
  TRunList run;
  for (std::size_t i = 0; i < planned.size(); ++i) {
    switch (choices[i]) {
      case TTargetChoice::Keep: report.Kept(planned[i], true); break;
      case TTargetChoice::KeepUnasked: report.Kept(planned[i], false); break;
      case TTargetChoice::Write:
      case TTargetChoice::Replace:
        run.Items.push_back(planned[i]);
        run.Replace.push_back(choices[i] == TTargetChoice::Replace);
        break;
    }
  }
  return run;
}

// Prints the results as they come in (not in plan order) and the progress
// in between, until every worker has ended; a stop signal stops them.
// Returns how many items ended, whatever their outcome.
std::size_t Watch(TBatchWorkers& workers, TBatchReport& report, bool showProgress,
                  std::uint64_t total) {
  std::size_t ended = 0;
  std::optional<TProgressBar> bar;
  for (;;) {
    const bool allEnded = workers.Wait(50ms);
    if (ReceivedStopSignal() != 0) workers.Stop();
    const std::vector<TItemResult> results = workers.TakeResults();
    if (!results.empty() && bar) bar->Clear();
    for (const TItemResult& result : results) report.Result(workers.Item(result.Index), result);
    ended += results.size();
    if (allEnded) break;
    if (showProgress && ReceivedStopSignal() == 0) {
      std::string label;
      if (const auto current = workers.Current()) {
        // Built by appending: GCC 12 warns falsely about "literal" + string here.
        label.append("[").append(std::to_string(*current + 1)).append("/");
        label.append(std::to_string(workers.Size())).append("] ");
        label.append(Printable(workers.Item(*current).Source));
      }
      if (!bar) bar.emplace();
      bar->Show(workers.DoneBytes(), total, label);
    }
  }
  if (bar) bar->Clear();
  return ended;
}

}  // namespace

int RunBatch(const TCliOptions& options) {
  DisableCoreDumps();
  InstallStopSignals();
  const bool encrypt = options.Command == TCliCommand::Encrypt;

  const TBatchPlan plan = PlanBatch(OrderOf(options));
  DieIfStopSignalled();
  if (!plan.Conflicts.empty()) {
    for (const TPlanConflict& conflict : plan.Conflicts) Say(Printable(ConflictLine(conflict)));
    Say("two sources would be written to one target; nothing was done");
    return ExitNotDone;
  }
  TBatchReport report(options);
  report.PlanNotes(plan);

  // Standard input carries no data in a batch: a terminal there answers.
  std::optional<TTerminal> terminalStore;
  if (TTerminal::StdinIsTerminal()) terminalStore.emplace();
  TTerminal* terminal = terminalStore ? &*terminalStore : nullptr;
  const TRunList run = SettleTargets(plan.Items, options.Force, terminal, report);
  if (run.Items.empty()) {
    report.Summary();
    return report.ExitStatus();
  }

  int refusal = ExitNotDone;
  const std::optional<TSecret> password = PasswordForRun(
      options, terminal,
      "the files are encrypted with the built-in default key and are not protected", refusal);
  if (!password) return refusal;

  const TBatchThreads threads = DivideThreads(options.Threads, run.Items.size());
  const auto requestFor = [&](std::size_t index) {
    const TBatchItem& item = run.Items[index];
    TCryptRequest request;
    request.Direction = encrypt ? TDirection::Encrypt : TDirection::Decrypt;
    request.Replace = run.Replace[index] ? TReplacePolicy::Replace : TReplacePolicy::Ask;
    request.Mode = options.Mode;
    request.Threads = threads.CipherThreads;
    request.LegacyPadding = options.LegacyPadding;
    request.Hashing = options.UseHashes ? TPasswordHashing::UseHashes : TPasswordHashing::Plain;
    request.SourceName = item.Source;
    if (item.Identity && !item.Below.empty()) {
      request.SourceFolder = item.Root;
      request.SourceBelow = item.Below;
      request.SourceIdentity = *item.Identity;
    }
    request.TargetName = item.Target;
    request.Password = password->Copy();
    return request;
  };

  TBatchWorkers workers(run.Items, requestFor, options.OutputDir.has_value(), threads.FilesAtOnce);
  const std::uint64_t total =
      std::accumulate(run.Items.begin(), run.Items.end(), std::uint64_t{0},
                      [](std::uint64_t sum, const TBatchItem& item) { return sum + item.Size; });
  const bool showProgress =
      !options.Quiet && TTerminal::StderrIsTerminal() && total >= TProgressBar::MinimumSize;
  workers.SetStopCheck([] { return ReceivedStopSignal() != 0; });
  // The stop signals must reach the thread that polls for them.
  BlockStopSignalsInThisThread();
  workers.Start();
  UnblockStopSignalsInThisThread();
  const std::size_t ended = Watch(workers, report, showProgress, total);

  // Files that finished are not undone by a late Ctrl-C; a batch it cut
  // short ends by the signal, so that a calling script stops as well.
  const std::size_t notRun = run.Items.size() - ended + report.Cancelled();
  if (ReceivedStopSignal() != 0 && (notRun > 0 || report.AnyCompleteBeforeStop())) {
    report.Summary(notRun);
    DieIfStopSignalled();
  }
  report.Summary();
  return report.ExitStatus();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/BatchReport.h"

#include "cli/BatchWording.h"
#include "cli/FailureLine.h"
#include "cli/Printable.h"
#include "cli/Say.h"
#include "cli/Tolvane.h"

TBatchReport::TBatchReport(const TCliOptions& options)
    : FQuiet(options.Quiet),
      FVerbose(options.Verbose),
      FEncrypt(options.Command == TCliCommand::Encrypt) {}

void TBatchReport::Skipped(const std::string& name, const std::string& why, bool shown) {
  ++FSkipped;
  if (shown && !FQuiet) Say(Printable(name) + ": " + why + "; skipped");
}

void TBatchReport::PlanNotes(const TBatchPlan& plan) {
  for (const TBatchNote& note : plan.Skipped) {
    // A folder being decrypted may hold many files that are no encrypted
    // files: they are named only when asked to be verbose.
    Skipped(note.Name, NoteWhy(note), FVerbose || note.Cause != TNoteCause::NotEncrypted);
  }
  for (const TBatchNote& note : plan.Failed) {
    ++FFailed;
    Say(Printable(note.Name) + ": " + NoteWhy(note));
  }
}

void TBatchReport::Kept(const TBatchItem& item, bool asked) {
  Skipped(item.Target, "exists; give --force to replace it", !asked);
}

void TBatchReport::Result(const TBatchItem& item, const TItemResult& result) {
  const std::string source = Printable(item.Source);
  const std::string target = Printable(item.Target);
  switch (result.Outcome) {
    case TJobOutcome::Succeeded:
      ++FDone;
      if (result.CompleteBeforeStop) FCompleteBeforeStop.push_back(target);
      if (FVerbose) Say((FEncrypt ? "encrypted " : "decrypted ") + source + " into " + target);
      return;
    case TJobOutcome::Declined:
      Skipped(item.Target, "appeared after the batch began and was kept", true);
      return;
    case TJobOutcome::Cancelled:
      ++FCancelled;
      Say("cancelled; " + target + " is unchanged");
      return;
    case TJobOutcome::Failed:
      ++FFailed;
      if (result.Refusal) {
        Say(RefusalLine(*result.Refusal, item));
      } else {
        Say(FailureLine(result.Failure, item.Source, item.Target));
      }
      return;
    case TJobOutcome::NotRun: break;
  }
  ++FFailed;
  Say("processing " + source + " ended without a result");
}

void TBatchReport::Summary(std::size_t notRun) const {
  const std::string counts = std::to_string(FDone) + " done, " + std::to_string(FSkipped) +
                             " skipped, " + std::to_string(FFailed) + " failed";
  if (notRun > 0 || !FCompleteBeforeStop.empty()) {
    std::string complete;
    for (const std::string& target : FCompleteBeforeStop) {
      complete += target + " was complete before the stop; ";
    }
    Say("stopped; " + complete + counts + ", " + std::to_string(notRun) + " not processed");
  } else if (!FQuiet || FFailed > 0) {
    Say(counts);
  }
}

int TBatchReport::ExitStatus() const { return FFailed > 0 ? ExitNotDone : ExitSuccess; }

// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/EngineBatchRunner.h"

#include <chrono>
#include <utility>

#include "batch/BatchThreads.h"
#include "platform/SystemError.h"

namespace {

std::string SystemText(const std::error_code& error) {
  return error ? SystemErrorText(error) : std::string();
}

// A file named for decryption that is no .tvn file fails where one found
// in a folder is skipped; the window words both alike.
TBatchCause NoteCause(TNoteCause cause) {
  switch (cause) {
    case TNoteCause::NoSuchFile: return TBatchCause::Missing;
    case TNoteCause::NotRegular: return TBatchCause::NotRegular;
    case TNoteCause::FolderWithoutRecursive: return TBatchCause::Folder;
    case TNoteCause::AlreadyEncrypted: return TBatchCause::AlreadyEncrypted;
    case TNoteCause::NotEncrypted:
    case TNoteCause::NamedNotEncrypted: return TBatchCause::NotEncrypted;
    case TNoteCause::NoPlainName:
    case TNoteCause::NamedNoPlainName: return TBatchCause::NoPlainName;
    case TNoteCause::SymbolicLink: return TBatchCause::SymbolicLink;
    case TNoteCause::OwnTarget: return TBatchCause::OwnTarget;
    case TNoteCause::TargetIsLink: return TBatchCause::TargetIsLink;
    case TNoteCause::NotExamined: return TBatchCause::CannotExamine;
  }
  return TBatchCause::CannotExamine;
}

TBatchCause RefusalCause(TRefusalCause cause) {
  switch (cause) {
    case TRefusalCause::TargetLeadsToSource: return TBatchCause::TargetLeadsToSource;
    case TRefusalCause::TargetIsLink: return TBatchCause::TargetIsLink;
    case TRefusalCause::SourceReplaced: return TBatchCause::ItemChanged;
    case TRefusalCause::SourceNotExamined: return TBatchCause::CannotExamine;
    case TRefusalCause::FolderNotCreated: return TBatchCause::FolderNotCreated;
  }
  return TBatchCause::CannotExamine;
}

std::vector<TBatchListNote> Notes(const std::vector<TBatchNote>& notes) {
  std::vector<TBatchListNote> mapped;
  for (const TBatchNote& note : notes)
    mapped.push_back({note.Name, NoteCause(note.Cause), SystemText(note.Error)});
  return mapped;
}

TBatchConflict Conflict(const TPlanConflict& conflict) {
  TBatchConflict mapped;
  mapped.Source = conflict.Source;
  mapped.Target = conflict.Target;
  mapped.OtherSource = conflict.EarlierSource;
  switch (conflict.Kind) {
    case TConflictKind::SameTarget:
    case TConflictKind::OneFile:
      mapped.Cause = TBatchCause::OneTarget;
      mapped.OtherTarget = conflict.EarlierTarget;
      break;
    case TConflictKind::TargetIsSource: mapped.Cause = TBatchCause::TargetIsSource; break;
  }
  return mapped;
}

TBatchItemEnd End(const TItemResult& result) {
  TBatchItemEnd end;
  end.Index = result.Index;
  switch (result.Outcome) {
    case TJobOutcome::Succeeded: end.Outcome = TBatchOutcome::Done; break;
    case TJobOutcome::Declined:
      end.Outcome = TBatchOutcome::Skipped;
      end.Cause = TBatchCause::TargetAppeared;
      break;
    case TJobOutcome::Cancelled: end.Outcome = TBatchOutcome::Cancelled; break;
    case TJobOutcome::Failed:
    case TJobOutcome::NotRun:
      end.Outcome = TBatchOutcome::Failed;
      if (result.Refusal) {
        end.Cause = RefusalCause(result.Refusal->Cause);
        end.SystemText = SystemText(result.Refusal->Error);
      } else {
        end.Cause = TBatchCause::JobFailed;
        end.Failure = result.Failure;
      }
      break;
  }
  return end;
}

}  // namespace

TEngineBatchRunner::TEngineBatchRunner(int threads) : FThreads(threads) {}

TEngineBatchRunner::~TEngineBatchRunner() {
  // The workers read the items and the password until they end.
  FWorkers.reset();
}

TBatchListing TEngineBatchRunner::Plan(const TBatchListOrder& order) {
  TBatchOrder engineOrder;
  engineOrder.Direction = order.Direction;
  engineOrder.Operands = order.Paths;
  engineOrder.Recursive = true;
  engineOrder.OutputDir = order.OutputDir;
  TBatchPlan plan = PlanBatch(engineOrder);

  TBatchListing listing;
  for (const TBatchItem& item : plan.Items)
    listing.Items.push_back({item.Source, item.Target, item.Size, item.TargetExists});
  listing.Skipped = Notes(plan.Skipped);
  listing.Failed = Notes(plan.Failed);
  for (const TPlanConflict& conflict : plan.Conflicts)
    listing.Conflicts.push_back(Conflict(conflict));
  FPlannedDirection = order.Direction;
  FPlanned = std::move(plan.Items);
  return listing;
}

TBatchItem TEngineBatchRunner::PlannedItem(const TBatchRunItem& item, TDirection direction) const {
  if (direction == FPlannedDirection) {
    for (const TBatchItem& planned : FPlanned) {
      if (planned.Source == item.Source && planned.Target == item.Target) return planned;
    }
  }
  // Planned on its own it is a named file: opened by its name, checked
  // against what that name reaches now.
  TBatchOrder order;
  order.Direction = direction;
  order.Operands = {item.Source};
  for (const TBatchItem& planned : PlanBatch(order).Items) {
    if (planned.Target == item.Target) return planned;
  }
  TBatchItem bare;
  bare.Source = item.Source;
  bare.Target = item.Target;
  bare.Size = item.Size;
  return bare;
}

void TEngineBatchRunner::Launch(std::vector<TBatchRunItem> items, const TBatchSettings& settings,
                                TSecret password) {
  FWorkers.reset();
  FItems.clear();
  FReplace.clear();
  FTotal = 0;
  for (const TBatchRunItem& item : items) {
    FItems.push_back(PlannedItem(item, settings.Direction));
    FReplace.push_back(item.Replace);
    FTotal += FItems.back().Size;
  }
  FSettings = settings;
  FPassword = std::move(password);

  const TBatchThreads threads = DivideThreads(FThreads, FItems.size());
  const auto requestFor = [this, cipherThreads = threads.CipherThreads](std::size_t index) {
    const TBatchItem& item = FItems[index];
    TCryptRequest request;
    request.Direction = FSettings.Direction;
    request.Replace = FReplace[index] ? TReplacePolicy::Replace : TReplacePolicy::Ask;
    request.Mode = FSettings.Mode;
    request.Threads = cipherThreads;
    request.Hashing = FSettings.Hashing;
    request.SourceName = item.Source;
    if (item.Identity && !item.Below.empty()) {
      request.SourceFolder = item.Root;
      request.SourceBelow = item.Below;
      request.SourceIdentity = *item.Identity;
    }
    request.TargetName = item.Target;
    request.Password = FPassword.Copy();
    return request;
  };
  FWorkers = std::make_unique<TBatchWorkers>(FItems, requestFor, FSettings.CreateFolders,
                                             threads.FilesAtOnce);
  FWorkers->Start();
}

TBatchNews TEngineBatchRunner::TakeNews() {
  TBatchNews news;
  news.TotalBytes = FTotal;
  if (!FWorkers) {
    news.Finished = true;
    return news;
  }
  // Asked first: once every worker has ended, every result is in.
  news.Finished = FWorkers->Wait(std::chrono::milliseconds(0));
  news.Started = FWorkers->TakeStarted();
  for (const TItemResult& result : FWorkers->TakeResults()) news.Ended.push_back(End(result));
  news.DoneBytes = FWorkers->DoneBytes();
  // Held no longer than the run needs it.
  if (news.Finished) FPassword = TSecret();
  return news;
}

void TEngineBatchRunner::Cancel() {
  if (FWorkers) FWorkers->Stop();
}

void TEngineBatchRunner::WaitForStopped() {
  if (FWorkers) FWorkers->WaitUntilEnded();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Tolvane.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <optional>
#include <thread>

#include "cli/BatchRun.h"
#include "cli/CommandLine.h"
#include "cli/FailureLine.h"
#include "cli/Printable.h"
#include "cli/ProgressBar.h"
#include "cli/RunPassword.h"
#include "cli/Say.h"
#include "cli/StopSignals.h"
#include "cli/Terminal.h"
#include "cli/TerminalListener.h"
#include "job/CipherPath.h"
#include "job/CryptJob.h"
#include "job/TargetName.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/StandardStreams.h"

namespace {

void WriteStdout(const std::string& text) { std::fputs(text.c_str(), stdout); }

// Where an encryption without TARGET goes: the ".tvn" name next to the
// source. Never the source itself: processing in place happens only when
// TARGET names the source. An existing ".tvn" file is the job's question.
std::optional<std::string> ProposedTarget(const std::string& source) {
  std::string target = ReplaceExtension(source);
  if (SameFile(target, source)) {
    Say(Printable(source) + " already has the extension .tvn; give a TARGET; nothing was done");
    return std::nullopt;
  }
  return target;
}

// Runs the job on a worker thread while this thread watches for Ctrl-C and
// draws the progress line. Returns whether any chunk was handed to the
// output.
bool RunWatched(TCryptJob& job, bool showProgress) {
  std::atomic<std::uint64_t> done{0};
  std::atomic<std::uint64_t> total{0};
  job.SetProgress([&](std::uint64_t d, std::uint64_t t) {
    total.store(t, std::memory_order_relaxed);
    done.store(d, std::memory_order_relaxed);
    // Noticed at the next chunk rather than at the next look of this thread.
    if (ReceivedStopSignal() != 0) job.RequestStop();
  });

  std::promise<void> finished;
  std::future<void> whenFinished = finished.get_future();
  BlockStopSignalsInThisThread();
  std::thread worker([&] {
    job.RunJob();
    finished.set_value();
  });
  UnblockStopSignalsInThisThread();

  std::optional<TProgressBar> bar;
  while (whenFinished.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
    if (ReceivedStopSignal() != 0) job.RequestStop();
    const std::uint64_t d = done.load(std::memory_order_relaxed);
    if (showProgress && d > 0 && !job.StopRequested()) {
      if (!bar) bar.emplace();
      bar->Show(d, total.load(std::memory_order_relaxed));
    }
  }
  worker.join();
  if (bar) bar->Clear();
  return done.load(std::memory_order_relaxed) > 0;
}

// wroteSome: a chunk reached the output, which for the standard output
// cannot be taken back.
int Report(const TCryptJob& job, const TTerminalListener& listener, const TCliOptions& options,
           bool wroteSome) {
  const std::string& source = job.SourceName;
  const std::string& target = job.TargetName;
  const bool encrypted = job.Request().Direction == TDirection::Encrypt;
  const bool partial = wroteSome && job.Request().TargetKind == TStreamKind::StandardStream;
  switch (job.Outcome()) {
    case TJobOutcome::Succeeded:
      if (ReceivedStopSignal() != 0) {
        // The stop came after the point of no return: the file is whole, and
        // the caller still hears of the stop by the signal.
        Say("stopped; " + Printable(target) + " was complete before the stop");
        return ExitSuccess;
      }
      if (options.Verbose || (!options.Quiet && TTerminal::StderrIsTerminal())) {
        Say((encrypted ? "encrypted " : "decrypted ") + Printable(source) + " into " +
            Printable(target));
      }
      return ExitSuccess;
    case TJobOutcome::Declined:
      if (listener.RefusedWithoutTerminal()) {
        Say(Printable(target) + " exists; give --force to replace it; nothing was done");
      } else {
        Say(Printable(target) + " was not replaced; nothing was done");
      }
      return ExitNotDone;
    case TJobOutcome::Cancelled:
      Say("cancelled; " + Printable(target) +
          (partial ? " got an incomplete result" : " is unchanged"));
      return ExitNotDone;
    case TJobOutcome::Failed:
      Say(FailureLine(job.Failure(), source, target, partial));
      return ExitNotDone;
    case TJobOutcome::NotRun: break;
  }
  Say("processing " + Printable(source) + " ended without a result");
  return ExitNotDone;
}

// The terminal that answers questions: standard input's, or the
// controlling terminal when standard input carries the data.
void FindTerminal(bool fromStdin, std::optional<TTerminal>& terminal) {
  if (fromStdin) {
    terminal.emplace();
    if (!terminal->UseControllingTerminal()) terminal.reset();
  } else if (TTerminal::StdinIsTerminal()) {
    terminal.emplace();
  }
}

int Run(const TCliOptions& options) {
  DisableCoreDumps();
  InstallStopSignals();
  const bool encrypt = options.Command == TCliCommand::Encrypt;
  const bool fromStdin = options.Source == StandardStream;
  const bool toStdout = options.Target == StandardStream;
  const std::string source = fromStdin ? "standard input" : options.Source;

  // "-" on a stream that was closed at start would read nothing or write into
  // the null device that stands in for it: no result at all.
  if (fromStdin && StandardStreamWasClosed(TStandardStream::Input)) {
    Say("standard input was closed when tolvane started; '-' cannot be read; nothing was done");
    return ExitNotDone;
  }
  if (toStdout && StandardStreamWasClosed(TStandardStream::Output)) {
    Say("standard output was closed when tolvane started; '-' cannot be written; "
        "nothing was done");
    return ExitNotDone;
  }
  if (encrypt && toStdout && TTerminal::StdoutIsTerminal()) {
    // As gpg does: ciphertext on a screen helps nobody and may upset it.
    Say("refusing to write encrypted data to a terminal; redirect standard output; "
        "nothing was done");
    return ExitUsage;
  }
  if (!fromStdin) {
    switch (KindOf(source)) {
      case TFileKind::Regular: break;
      case TFileKind::Missing: Say(Printable(source) + ": no such file"); return ExitNotDone;
      case TFileKind::Directory:
      case TFileKind::Other: Say(Printable(source) + ": is not a regular file"); return ExitNotDone;
    }
  }
  std::optional<TTerminal> terminalStore;
  FindTerminal(fromStdin, terminalStore);
  TTerminal* terminal = terminalStore ? &*terminalStore : nullptr;
  if (fromStdin && terminal == nullptr && !options.PasswordFile && !options.PasswordFd) {
    Say("standard input carries the data and there is no terminal to ask for the password; "
        "use --password-file or --password-fd");
    return ExitUsage;
  }

  std::string target;
  if (toStdout) {
    target = "standard output";
  } else if (options.Target) {
    target = *options.Target;
    // NAME for NAME.tvn, when NAME is a link to NAME.tvn (or another name of
    // it), would decrypt the only copy of the ciphertext in place.
    if (!encrypt && !fromStdin && target == DecryptedTargetName(source) &&
        SameFile(target, source)) {
      Say(Printable(target) + " leads to " + Printable(source) +
          " itself; give another TARGET; nothing was done");
      return ExitNotDone;
    }
  } else if (auto proposed = ProposedTarget(source)) {
    target = std::move(*proposed);
  } else {
    return ExitNotDone;
  }
  // Nothing tells a wrong password under the older rule: the ciphertext
  // must survive the run.
  if (options.LegacyPadding && !fromStdin && !toStdout && SameFile(source, target)) {
    Say("--legacy-padding cannot decrypt in place, since it accepts a wrong password; "
        "give another TARGET; nothing was done");
    return ExitUsage;
  }

  int refusal = ExitNotDone;
  std::optional<TSecret> password = PasswordForRun(
      options, terminal,
      Printable(source) + " is encrypted with the built-in default key and is not protected",
      refusal);
  if (!password) return refusal;

  TCryptRequest request;
  request.Direction = encrypt ? TDirection::Encrypt : TDirection::Decrypt;
  request.Replace = options.Force ? TReplacePolicy::Replace : TReplacePolicy::Ask;
  request.Mode = options.Mode;
  request.Threads = options.Threads;
  request.LegacyPadding = options.LegacyPadding;
  request.Hashing = options.UseHashes ? TPasswordHashing::UseHashes : TPasswordHashing::Plain;
  request.SourceKind = fromStdin ? TStreamKind::StandardStream : TStreamKind::NamedFile;
  request.TargetKind = toStdout ? TStreamKind::StandardStream : TStreamKind::NamedFile;
  request.SourceName = source;
  request.TargetName = std::move(target);
  request.Password = std::move(*password);

  TTerminalListener listener(terminal);
  TCryptJob job(listener, std::move(request));

  // A pipe has no size to measure progress against.
  const std::optional<std::uint64_t> size = fromStdin ? std::nullopt : FileSize(source);
  const bool showProgress =
      !options.Quiet && TTerminal::StderrIsTerminal() && size && *size >= TProgressBar::MinimumSize;
  const bool wroteSome = RunWatched(job, showProgress);

  const int status = Report(job, listener, options, wroteSome);
  // Work that finished is not undone by a late Ctrl-C, but the run still
  // ends by the signal, so that a calling script stops as well.
  DieIfStopSignalled();
  return status;
}

}  // namespace

int RunTolvane(const std::vector<std::string>& args) {
  // A cipher path the environment asks for and this machine cannot run is
  // refused before anything, so that no comparison runs on the wrong path.
  if (const std::optional<std::string> problem = CipherChoiceProblem()) {
    Say(*problem);
    return ExitUsage;
  }
  const TParseResult parsed = ParseCommandLine(args);
  if (!parsed.Options) {
    Say(parsed.Error);
    WriteStderr("Try 'tolvane --help' for more information.\n");
    return ExitUsage;
  }
  switch (parsed.Options->Command) {
    case TCliCommand::Help: WriteStdout(UsageText()); return ExitSuccess;
    case TCliCommand::Version:
      WriteStdout(VersionText() + "cipher: " + CipherPathInUse() + "\n");
      return ExitSuccess;
    case TCliCommand::Encrypt:
    case TCliCommand::Decrypt: break;
  }
  return parsed.Options->Batch ? RunBatch(*parsed.Options) : Run(*parsed.Options);
}

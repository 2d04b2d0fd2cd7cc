// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct TCryptRequest;

// Runs the window's job on a worker: a thread of the toolkit's kind, whose
// end the view reports back through TWindowModel::JobFinished.
class IJobRunner {
 public:
  virtual ~IJobRunner() = default;

  // Starts a worker for the request; at most one runs at a time.
  virtual void Launch(TCryptRequest request) = 0;
  // Asks the running worker to stop. True when the stop won: the worker
  // reports nothing more and removes its unfinished result itself, the
  // target left as it was. False when the run had passed its point of no
  // return (its result is being put in place): it then ends as any run
  // does, says so, and its end reaches TWindowModel::JobFinished.
  virtual bool Cancel() = 0;
  // Waits until a cancelled worker has ended (it may still be closing its
  // files). Returns at once when none is stopping.
  virtual void WaitForStopped() = 0;
};

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
  // Stops the running worker at its next chunk; it then reports nothing, and
  // removes its unfinished result itself.
  virtual void Cancel() = 0;
  // Waits until a cancelled worker has ended (it may still be closing its
  // files). Returns at once when none is stopping.
  virtual void WaitForStopped() = 0;
};

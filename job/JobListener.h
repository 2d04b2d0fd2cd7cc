// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "job/JobFailure.h"

// What a job tells its front end, in terms of what happened: the front end
// words it (German message boxes in the window, English lines on the command
// line, a record in tests). Called on the job's worker thread.
class IJobListener {
 public:
  virtual ~IJobListener() = default;

  // The target exists and the run was not told to replace it: may it be
  // replaced? inPlace: the target is the source itself.
  virtual bool MayReplace(const std::string& targetName, bool inPlace) = 0;

  // The result is complete under the target's name.
  virtual void Succeeded(const std::string& targetName) = 0;

  // The run failed; the target's name holds what it held before.
  virtual void Failed(const TJobFailure& failure) = 0;
};

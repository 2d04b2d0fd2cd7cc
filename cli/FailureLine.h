#pragma once

#include <string>

#include "job/JobFailure.h"

// One English line for a failed job, naming the file and the cause. The
// job's own details are German texts for the window; only the system's
// text of an OS error is taken over.
std::string FailureLine(const TJobFailure& failure, const std::string& source,
                        const std::string& target);

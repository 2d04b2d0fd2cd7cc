// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "job/JobFailure.h"

// One English line for a failed job, naming the file and the cause; the
// system's text where the OS reported the failure. Names are printable.
// targetIsStream: the target is the standard output, which keeps what was
// written before the failure.
std::string FailureLine(const TJobFailure& failure, const std::string& source,
                        const std::string& target, bool targetIsStream = false);

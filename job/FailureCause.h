// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <exception>

#include "job/JobFailure.h"

// The cause of a failure from the exception that ended a run: the cipher
// component's typed cause, the OS error code where the system reported one.
TJobFailure DescribeFailure(const std::exception_ptr& error);

// The failure for an OS error code (0: none), with the system's text.
TJobFailure OsFailure(TFailureKind kind, int errorCode);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <exception>
#include <system_error>

#include "job/JobFailure.h"

// The cause of a failure from the exception that ended a run: the cipher
// component's typed cause, the file layer's code where it named one.
TJobFailure DescribeFailure(const std::exception_ptr& error);

// The failure for an error code (empty: none).
TJobFailure OsFailure(TFailureKind kind, std::error_code errorCode = {});

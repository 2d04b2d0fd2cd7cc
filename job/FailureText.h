#pragma once

#include <exception>

#include "job/JobFailure.h"

// What the user is told about a failure: the OS text when the operating
// system reported it, else a German sentence naming the cipher component's
// complaint; never the text of an unrelated earlier OS error.
TJobFailure DescribeFailure(const std::exception_ptr& error);

// The failure for an OS error code: Details is the system's text.
TJobFailure OsFailure(TFailureKind kind, int errorCode);

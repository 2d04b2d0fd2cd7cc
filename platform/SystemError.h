#pragma once

#include <string>

// The system's message text for an OS error code (errno here), without
// trailing blanks, line breaks or full stops.
std::string SystemErrorText(int code);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// A name as the file dialog hands names to the windows: absolute, without
// "." and ".." and doubled separators, so that two spellings of one path
// compare equal. A name the library cannot convert is kept as given.
std::string AbsoluteName(const std::string& name);

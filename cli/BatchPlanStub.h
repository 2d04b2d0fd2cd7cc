// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

// Stand-in for the file layer's folder creation until it is merged.
std::error_code CreateFolders(const std::string& path);

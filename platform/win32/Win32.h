// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Windows headers for the Win32 sources, and the two conversions
// between the file layer's handles and the system's. Included by .cpp files
// only.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// <windows.h> makes these names macros for its own A/W pairs, which would
// rename the file layer's DeleteFile and the cipher's EncryptFile and
// DecryptFile; the system's functions are called by their W names here.
#undef DeleteFile
#undef EncryptFile
#undef DecryptFile

#include <optional>
#include <string>
#include <system_error>

#include "platform/FileHandle.h"

inline HANDLE AsHandle(TFileHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// INVALID_HANDLE_VALUE becomes NoFileHandle.
inline TFileHandle FromHandle(HANDLE handle) { return reinterpret_cast<TFileHandle>(handle); }

inline int LastError() { return static_cast<int>(::GetLastError()); }

inline std::error_code LastSystemError() { return {LastError(), std::system_category()}; }

// The UTF-16 name the system takes for a UTF-8 name. Names too long for the
// classic limit get the "\\?\" form of their full path, which has none.
// Nothing for text that is no UTF-8.
std::optional<std::wstring> SystemName(const std::string& utf8);

#pragma once

// The Windows headers for the file layer's Win32 sources, and the two
// conversions between its handles and the system's. Included by .cpp files
// only: <windows.h> turns names such as DeleteFile and EncryptFile into
// macros.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <optional>
#include <string>

#include "platform/FileHandle.h"

inline HANDLE AsHandle(TFileHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// INVALID_HANDLE_VALUE becomes NoFileHandle.
inline TFileHandle FromHandle(HANDLE handle) { return reinterpret_cast<TFileHandle>(handle); }

inline int LastError() { return static_cast<int>(::GetLastError()); }

// The UTF-16 name the system takes for a UTF-8 name. Names too long for the
// classic limit get the "\\?\" form of their full path, which has none.
// Nothing for text that is no UTF-8.
std::optional<std::wstring> SystemName(const std::string& utf8);

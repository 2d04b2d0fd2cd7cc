// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PendingFile.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/FileError.h"
#include "platform/SystemError.h"
#include "platform/TemporaryName.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32.h"

// The Win32 twin. Windows has no advisory locks, but its byte-range locks
// (LockFileEx) serve as one when they cover a range far beyond any data: the
// lock stops nobody from reading or writing the file, yet a second lock on
// the same range fails at once, and the system drops it with the process.
// Every handle shares reading, writing and deleting: other programs may look
// at the temporary file, and the final rename needs deleting.

namespace {

// 2^62: beyond any file NTFS can hold, so never in the way of the data.
constexpr DWORD MarkerHigh = 0x40000000;
constexpr DWORD MarkerLow = 0;

constexpr DWORD Shared = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Rename flags of Windows 10 (1607 and 1809), spelt out so that the headers'
// version does not matter.
constexpr DWORD RenameReplaceIfExists = 0x1;
constexpr DWORD RenamePosixSemantics = 0x2;
constexpr DWORD RenameIgnoreReadOnly = 0x40;
constexpr auto RenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);  // FileRenameInfoEx

bool LockMarker(HANDLE handle) {
  OVERLAPPED at{};
  at.Offset = MarkerLow;
  at.OffsetHigh = MarkerHigh;
  return ::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) !=
         0;
}

std::string Joined(const std::string& folder, const std::string& name) {
  if (folder == ".") return name;
  const char last = folder.back();
  return last == '\\' || last == '/' || last == ':' ? folder + name : folder + "\\" + name;
}

std::string RandomPart() {
  static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  LARGE_INTEGER counter{};
  ::QueryPerformanceCounter(&counter);
  thread_local std::uint64_t state = 0;
  state ^= static_cast<std::uint64_t>(counter.QuadPart) ^
           (static_cast<std::uint64_t>(::GetCurrentProcessId()) << 32);
  state = state * 6364136223846793005u + 1442695040888963407u;
  std::string part;
  std::uint64_t bits = state >> 11;
  for (std::size_t i = 0; i < TemporaryRandomChars; ++i) {
    part.push_back(Letters[bits % 36]);
    bits /= 36;
  }
  return part;
}

bool Identity(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
  return ::GetFileInformationByHandle(handle, &info) != 0;
}

bool SameIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// The name reaches the open file itself: nobody removed or replaced it.
bool NameHolds(const std::string& name, HANDLE handle, bool followLinks) {
  const std::optional<std::wstring> systemName = SystemName(name);
  if (!systemName) return false;
  const HANDLE byName =
      ::CreateFileW(systemName->c_str(), 0, Shared, nullptr, OPEN_EXISTING,
                    followLinks ? FILE_ATTRIBUTE_NORMAL : FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (byName == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION a{};
  BY_HANDLE_FILE_INFORMATION b{};
  const bool same = Identity(byName, a) && Identity(handle, b) && SameIdentity(a, b);
  ::CloseHandle(byName);
  return same;
}

bool DeletePending(HANDLE handle) {
  FILE_STANDARD_INFO info{};
  return ::GetFileInformationByHandleEx(handle, FileStandardInfo, &info, sizeof info) != 0 &&
         info.DeletePending;
}

bool SetAttributes(HANDLE handle, DWORD attributes) {
  FILE_BASIC_INFO info{};  // zero times: left as they are
  info.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
  return ::SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof info) != 0;
}

// Deletes the file the handle holds, whatever name it has by now. A
// read-only file refuses deletion, so that attribute goes first.
bool DeleteByHandle(HANDLE handle) {
  (void)SetAttributes(handle, FILE_ATTRIBUTE_NORMAL);
  FILE_DISPOSITION_INFO disposition{TRUE};
  return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

// Renames the open file within its folder, replacing even a file that is
// open elsewhere (as the source of an in-place run is, under its lock):
// Windows 10 can, with the rename's POSIX semantics. Older systems refuse
// the call, and then so does this.
std::error_code RenameOverOpenFile(HANDLE handle, const std::wstring& finalPart) {
  const std::size_t nameBytes = finalPart.size() * sizeof(wchar_t);
  std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + nameBytes, 0);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  const DWORD flags = RenameReplaceIfExists | RenamePosixSemantics | RenameIgnoreReadOnly;
  // The flags share the first four bytes with ReplaceIfExists.
  std::memcpy(buffer.data(), &flags, sizeof flags);
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(nameBytes);
  std::memcpy(info->FileName, finalPart.data(), nameBytes);
  if (::SetFileInformationByHandle(handle, RenameInfoEx, info, static_cast<DWORD>(buffer.size())) !=
      0) {
    return {};
  }
  return LastSystemError();
}

}  // namespace

TPendingFile::~TPendingFile() { Discard(); }

std::error_code TPendingFile::Create(const std::string& finalName) {
  Discard();
  const std::string prefix = Joined(FolderOf(finalName), TemporaryStem(finalName));
  // A run that cleans up leftovers may take the new file for one between its
  // creation and its lock; then it is doomed and the next name is tried.
  constexpr int Attempts = 16;
  std::error_code error;
  for (int attempt = 0; attempt < Attempts; ++attempt) {
    std::string name = prefix + RandomPart() + TemporarySuffix;
    const std::optional<std::wstring> systemName = SystemName(name);
    if (!systemName) return TFileError::NameNotUtf8;
    // CREATE_NEW: never another's file. Not inherited by child processes.
    const HANDLE handle =
        ::CreateFileW(systemName->c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, Shared, nullptr,
                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      error = LastSystemError();
      if (IsNameTakenError(error)) continue;
      return error;
    }
    if (LockMarker(handle) && !DeletePending(handle)) {
      FFinalName = finalName;
      FName = std::move(name);
      FHandle = FromHandle(handle);
      return {};
    }
    error = TFileError::TemporaryLost;
    ::CloseHandle(handle);
  }
  return error;
}

std::error_code TPendingFile::Commit(const TFileAttributes& attributes, TReplaceMode mode,
                                     const std::function<bool()>& mayRename) {
  if (FHandle < 0) return TFileError::NotOpen;
  const HANDLE handle = AsHandle(FHandle);
  if (!::FlushFileBuffers(handle)) return LastSystemError();
  // Renaming keeps the attributes: the result carries the source's from the
  // start. Access rights are the folder's, inherited at creation.
  if (!SetAttributes(handle, attributes.WindowsFlags)) return LastSystemError();
  if (mayRename && !mayRename()) return TFileError::Stopped;
  // Whatever the name reaches now is what gets renamed: it must still be the
  // file this run wrote.
  if (!NameHolds(FName, handle, false)) return TFileError::NameMoved;
  const std::optional<std::wstring> from = SystemName(FName);
  const std::optional<std::wstring> to = SystemName(FFinalName);
  const std::optional<std::wstring> finalPart = WideFromUtf8(FileNamePart(FFinalName));
  if (!from || !to || !finalPart) return TFileError::NameNotUtf8;
  // Without REPLACE_EXISTING the move fails on a name taken meanwhile
  // (ERROR_ALREADY_EXISTS); WRITE_THROUGH returns once the rename is on the
  // disk.
  const DWORD flags =
      MOVEFILE_WRITE_THROUGH | (mode == TReplaceMode::Replace ? MOVEFILE_REPLACE_EXISTING : 0);
  std::error_code error =
      ::MoveFileExW(from->c_str(), to->c_str(), flags) ? std::error_code() : LastSystemError();
  if (error == SystemError(ERROR_ACCESS_DENIED) && mode == TReplaceMode::Replace) {
    // NTFS refuses to replace a file that is open (in place, the locked
    // source) or read-only; the rename by handle can do both.
    if (!RenameOverOpenFile(handle, *finalPart)) error.clear();
  }
  if (error) return error;
  ::CloseHandle(handle);
  FHandle = NoFileHandle;
  FName.clear();
  return {};
}

void TPendingFile::Discard() noexcept {
  if (FHandle < 0) return;
  const HANDLE handle = AsHandle(FHandle);
  if (!DeleteByHandle(handle) && NameHolds(FName, handle, false)) {
    if (const std::optional<std::wstring> systemName = SystemName(FName)) {
      ::DeleteFileW(systemName->c_str());
    }
  }
  ::CloseHandle(handle);
  FHandle = NoFileHandle;
  FName.clear();
}

void RemoveStaleTemporaries(const std::string& finalName) {
  const std::string folder = FolderOf(finalName);
  const std::string stem = TemporaryStem(finalName);
  const std::optional<std::wstring> pattern =
      SystemName(Joined(folder, stem + "*" + TemporarySuffix));
  if (!pattern) return;
  WIN32_FIND_DATAW found{};
  const HANDLE listing = ::FindFirstFileExW(pattern->c_str(), FindExInfoBasic, &found,
                                            FindExSearchNameMatch, nullptr, 0);
  if (listing == INVALID_HANDLE_VALUE) return;
  do {
    const std::string entryName = Utf8FromWide(found.cFileName);
    // The pattern also matches short (8.3) names and longer names: only the
    // exact shape counts.
    if (!IsTemporaryOf(entryName, stem) ||
        (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
      continue;
    }
    const std::optional<std::wstring> name = SystemName(Joined(folder, entryName));
    if (!name) continue;
    const HANDLE handle =
        ::CreateFileW(name->c_str(), GENERIC_READ | DELETE | FILE_WRITE_ATTRIBUTES, Shared, nullptr,
                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) continue;
    // A live run holds the marker of its file; only a file nobody holds goes.
    if (::GetFileType(handle) == FILE_TYPE_DISK && LockMarker(handle)) {
      (void)DeleteByHandle(handle);
    }
    ::CloseHandle(handle);
  } while (::FindNextFileW(listing, &found));
  ::FindClose(listing);
}

TFileLock::~TFileLock() { Unlock(); }

std::error_code TFileLock::TryLock(const std::string& name) {
  Unlock();
  const std::optional<std::wstring> systemName = SystemName(name);
  if (!systemName) return TFileError::NameNotUtf8;
  const HANDLE handle = ::CreateFileW(systemName->c_str(), GENERIC_READ, Shared, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastSystemError();
  std::error_code error = LockMarker(handle) ? std::error_code() : LastSystemError();
  // Locked the file the name reaches now, not one it reached a moment ago: a
  // run that just replaced it has moved on to a new file.
  if (!error && !NameHolds(name, handle, true)) error = TFileError::LockedElsewhere;
  if (error) {
    ::CloseHandle(handle);
    return error;
  }
  FHandle = FromHandle(handle);
  return {};
}

void TFileLock::Unlock() noexcept {
  if (FHandle < 0) return;
  ::CloseHandle(AsHandle(FHandle));
  FHandle = NoFileHandle;
}

void TFileLock::BeforeReplace() noexcept { Unlock(); }

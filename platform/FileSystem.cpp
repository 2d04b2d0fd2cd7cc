#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Descriptor.h"
#include "platform/IoWorker.h"
#include "util/SecureWipe.h"

namespace {

bool StatName(const std::string& name, struct stat& info) {
  return !name.empty() && ::stat(name.c_str(), &info) == 0;
}

std::int64_t Nanoseconds(const struct timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

#ifdef _WIN32
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
#endif

// An environment value usable as the temporary directory: set, not empty,
// and not the root folder (a copy there would be a stray file in "/").
std::optional<std::string> UsableTempValue(const char* variable) {
  const char* value = std::getenv(variable);
  if (value == nullptr || *value == '\0') return std::nullopt;
  std::string dir = value;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (dir == "/") return std::nullopt;
  return dir;
}

}  // namespace

bool FileExists(const std::string& name) {
  struct stat info {};
  return StatName(name, info) && S_ISREG(info.st_mode);
}

bool DirectoryExists(const std::string& name) {
  struct stat info {};
  return StatName(name, info) && S_ISDIR(info.st_mode);
}

bool DeleteFile(const std::string& name, int* errorCode) {
  if (::unlink(name.c_str()) == 0) return true;
  if (errorCode != nullptr) *errorCode = errno;
  return false;
}

bool SameFileName(const std::string& a, const std::string& b) {
#ifdef _WIN32
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
#else
  return a == b;
#endif
}

bool SameFile(const std::string& a, const std::string& b) {
  if (SameFileName(a, b)) return true;
  struct stat infoA {};
  struct stat infoB {};
  return StatName(a, infoA) && StatName(b, infoB) && infoA.st_dev == infoB.st_dev &&
         infoA.st_ino == infoB.st_ino;
}

std::optional<std::uint64_t> FileSize(const std::string& name) {
  struct stat info {};
  if (!StatName(name, info)) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

TFileStamp StampOf(const std::string& name) {
  TFileStamp stamp;
  struct stat info {};
  if (!StatName(name, info)) return stamp;
  stamp.Exists = true;
  stamp.Regular = S_ISREG(info.st_mode);
  stamp.Device = static_cast<std::uint64_t>(info.st_dev);
  stamp.Inode = static_cast<std::uint64_t>(info.st_ino);
  stamp.Size = static_cast<std::uint64_t>(info.st_size);
  stamp.ModifiedNs = Nanoseconds(info.st_mtim);
  stamp.ChangedNs = Nanoseconds(info.st_ctim);
  return stamp;
}

std::string TempDirectory() {
  for (const char* variable : {"Temp", "TMPDIR"}) {
    auto dir = UsableTempValue(variable);
    if (!dir) continue;
    if (dir->front() != '/') {
      std::error_code error;
      const auto absolute = std::filesystem::absolute(*dir, error);
      if (error) continue;
      dir = absolute.string();
    }
    return *dir;
  }
  return "/tmp";
}

std::string FileNamePart(const std::string& path) {
#ifdef _WIN32
  const auto separator = path.find_last_of("\\/:");
#else
  const auto separator = path.find_last_of('/');
#endif
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

TTempFile CreateTempFile(const std::string& dir, const std::string& stem) {
  TTempFile file;
  // Room for the directory's separator and mkstemp's six characters within
  // the usual 255-byte limit of one name.
  constexpr std::size_t MaxStem = 200;
  std::string pattern = dir;
  if (pattern.empty() || pattern.back() != '/') pattern += '/';
  pattern += stem.substr(0, MaxStem);
  pattern += ".XXXXXX";
  // mkstemp opens with O_CREAT | O_EXCL and mode 0600: it never takes over
  // an existing file, and the copy is not readable by other users.
  int handle;
  do {
    handle = ::mkstemp(pattern.data());
  } while (handle < 0 && errno == EINTR);
  if (handle < 0) {
    file.Error = errno;
    return file;
  }
  (void)::fcntl(handle, F_SETFD, FD_CLOEXEC);
  file.Name = pattern;
  file.Handle = handle;
  return file;
}

TCopyResult CopyFileToHandle(const std::string& from, int handle,
                             const std::function<bool()>& keepGoing) {
  TCopyResult result;
  const int input = OpenRetrying(from, O_RDONLY | O_CLOEXEC);
  if (input < 0) {
    result.Error = errno;
    return result;
  }
  struct stat info {};
  if (::fstat(input, &info) != 0) {
    result.Error = errno;
    CloseHandle(input);
    return result;
  }
  if (!S_ISREG(info.st_mode)) {
    // Without a size there is no way to tell a complete copy.
    result.Error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    CloseHandle(input);
    return result;
  }
  result.Expected = static_cast<std::uint64_t>(info.st_size);

  constexpr std::size_t BlockSize = 256 * 1024;
  const auto block = std::make_unique<std::uint8_t[]>(BlockSize);
  for (;;) {
    if (keepGoing && !keepGoing()) {
      result.Stopped = true;
      break;
    }
    const TIoResult got = RunIo({TIoRequest::TKind::Read, input, block.get(), BlockSize});
    if (got.Error != 0) {
      result.Error = got.Error;
      break;
    }
    if (got.Bytes == 0) break;
    const TIoResult put = RunIo({TIoRequest::TKind::Write, handle, block.get(), got.Bytes});
    result.Copied += put.Bytes;
    if (!put.Ok()) {
      // Short: the system took nothing and named no error.
      result.Error = put.Error != 0 ? put.Error : EIO;
      break;
    }
  }
  // The block held the file's plaintext.
  SecureWipe(block.get(), BlockSize);
  CloseHandle(input);
  if (result.Error != 0 || result.Stopped) return result;

  // The copy may be all that is left of the file: it must be on the disk
  // before the caller lets the original go.
  if (::fsync(handle) != 0) {
    result.Error = errno;
    return result;
  }
  struct stat written {};
  if (::fstat(handle, &written) != 0) {
    result.Error = errno;
  } else if (static_cast<std::uint64_t>(written.st_size) != result.Copied) {
    result.Error = EIO;
  }
  return result;
}

TCopyResult CopyFileOver(const std::string& from, const std::string& to) {
  const int handle = OpenRetrying(to, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (handle < 0) {
    TCopyResult result;
    result.Error = errno;
    return result;
  }
  TCopyResult result = CopyFileToHandle(from, handle);
  const int closeError = CloseHandle(handle);
  if (result.Error == 0 && closeError != 0) result.Error = closeError;
  return result;
}

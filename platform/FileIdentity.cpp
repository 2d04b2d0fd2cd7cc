// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileError.h"
#include "platform/NativeFile.h"

#if __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#endif

namespace {

TFileIdentity IdentityOfInfo(const struct stat& info) {
  return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

// Closes on every way out.
class TDescriptor {
 public:
  explicit TDescriptor(int fd = -1) : FFd(fd) {}
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  ~TDescriptor() { Reset(-1); }
  void Reset(int fd) {
    if (FFd >= 0) ::close(FFd);
    FFd = fd;
  }
  int Get() const { return FFd; }
  int Release() {
    const int fd = FFd;
    FFd = -1;
    return fd;
  }

 private:
  int FFd;
};

constexpr int OpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

#if defined(SYS_openat2) && defined(RESOLVE_NO_SYMLINKS)
// -1 with errno ENOSYS where the kernel is older than 5.6.
int OpenNoLinks(int folder, const std::string& below) {
  struct open_how how {};
  how.flags = static_cast<std::uint64_t>(OpenFlags);
  how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
  int fd = -1;
  do {
    fd = static_cast<int>(::syscall(SYS_openat2, folder, below.c_str(), &how, sizeof how));
  } while (fd < 0 && errno == EAGAIN);
  return fd;
}
#else
int OpenNoLinks(int, const std::string&) {
  errno = ENOSYS;
  return -1;
}
#endif

// One folder at a time, each opened without following a link, the one
// above closed as soon as the next is open.
int OpenStepByStep(int folder, const std::string& below) {
  TDescriptor current(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
  if (current.Get() < 0) return -1;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = below.find('/', start);
    const std::string part =
        below.substr(start, slash == std::string::npos ? slash : slash - start);
    if (part == "..") {
      errno = EXDEV;
      return -1;
    }
    if (slash == std::string::npos) return ::openat(current.Get(), part.c_str(), OpenFlags);
    if (!part.empty() && part != ".") {
      const int next = ::openat(current.Get(), part.c_str(), OpenFlags | O_DIRECTORY);
      if (next < 0) return -1;
      current.Reset(next);
    }
    start = slash + 1;
  }
}

}  // namespace

TNameFacts ExamineName(const std::string& name) {
  TNameFacts facts;
  struct stat info {};
  if (name.empty() || ::stat(name.c_str(), &info) != 0) {
    const int error = name.empty() ? ENOENT : errno;
    // A loop of links is something there, but never a file to read or
    // replace; a link to nothing is the name of a file yet to be made.
    if (error == ELOOP) {
      facts.Kind = TFileKind::Other;
    } else if (error != ENOENT && error != ENOTDIR) {
      facts.Error = SystemError(error);
    }
    return facts;
  }
  facts.Kind = S_ISREG(info.st_mode)   ? TFileKind::Regular
               : S_ISDIR(info.st_mode) ? TFileKind::Directory
                                       : TFileKind::Other;
  facts.Size = static_cast<std::uint64_t>(info.st_size);
  facts.Identity = IdentityOfInfo(info);
  return facts;
}

bool IsSymbolicLink(const std::string& name) {
  struct stat info {};
  return !name.empty() && ::lstat(name.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

namespace {

// The regular file below folder, opened without following links; its
// status in info.
std::error_code OpenRegularBelow(const std::string& folder, const std::string& below,
                                 TDescriptor& file, struct stat& info) {
  // The named folder itself may be reached through links: the user named it.
  const TDescriptor top(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (top.Get() < 0) return SystemError(errno);
  int fd = OpenNoLinks(top.Get(), below);
  if (fd < 0 && errno == ENOSYS) fd = OpenStepByStep(top.Get(), below);
  if (fd < 0) return SystemError(errno);
  file.Reset(fd);
  if (::fstat(file.Get(), &info) != 0) return SystemError(errno);
  if (!S_ISREG(info.st_mode)) return TFileError::NotRegular;
  return {};
}

}  // namespace

std::error_code IdentityBelow(const std::string& folder, const std::string& below,
                              TFileIdentity& identity) {
  TDescriptor file;
  struct stat info {};
  if (const std::error_code error = OpenRegularBelow(folder, below, file, info)) return error;
  identity = IdentityOfInfo(info);
  return {};
}

std::error_code OpenBelow(const std::string& folder, const std::string& below,
                          const TFileIdentity& expected, TOpenedFile& opened) {
  TDescriptor file;
  struct stat info {};
  if (const std::error_code error = OpenRegularBelow(folder, below, file, info)) return error;
  if (IdentityOfInfo(info) != expected) return TFileError::NameMoved;
  // Non-blocking was for the open alone.
  const int flags = ::fcntl(file.Get(), F_GETFL);
  if (flags < 0 || ::fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    return SystemError(errno);
  }
  // Read-ahead hint only; a refusal changes nothing but speed.
  (void)::posix_fadvise(file.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  opened.HasSize = true;
  opened.Size = static_cast<std::uint64_t>(info.st_size);
  opened.Handle = file.Release();
  return {};
}

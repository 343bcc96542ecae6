#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "platform/files.h"

namespace platform {
namespace {

FileError FromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return FileError::kNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return FileError::kAccessDenied;
    case EISDIR:
    case ENXIO:
    case ENODEV:
      return FileError::kNotAFile;
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
    case EILSEQ:
      return FileError::kBadName;
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
      return FileError::kNoSpace;
    default:
      return FileError::kIo;
  }
}

FileIdentity IdentityOf(const struct stat& info) {
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino)};
}

void CloseQuietly(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

FileError WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t wrote = write(fd, data, size);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return FromErrno(errno);
    }
    if (wrote == 0) return FileError::kNoSpace;
    data += wrote;
    size -= static_cast<std::size_t>(wrote);
  }
  return FileError::kNone;
}

// close() reports write errors that the file system delayed (NFS, quotas); they count.
FileError CloseReporting(int& fd) {
  const int closing = fd;
  fd = -1;
  if (closing < 0) return FileError::kNone;
  if (close(closing) != 0 && errno != EINTR) return FromErrno(errno);
  return FileError::kNone;
}

}  // namespace

std::optional<FileIdentity> IdentifyFile(const NativeString& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return IdentityOf(info);
}

InputFile::~InputFile() {
  CloseQuietly(fd_);
}

FileError InputFile::Open(const NativeString& path) {
  CloseQuietly(fd_);
  if (path.find('\0') != NativeString::npos) return FileError::kBadName;
  // O_NONBLOCK: opening a FIFO must not wait for a writer; only regular files are read.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return FromErrno(errno);
  struct stat info;
  if (fstat(fd, &info) != 0) {
    int error = errno;
    close(fd);
    return FromErrno(error);
  }
  if (!S_ISREG(info.st_mode)) {
    close(fd);
    return FileError::kNotAFile;
  }
  fd_ = fd;
  size_ = static_cast<std::uint64_t>(info.st_size);
  return FileError::kNone;
}

std::ptrdiff_t InputFile::Read(void* buffer, std::size_t size) {
  for (;;) {
    ssize_t got = read(fd_, buffer, size);
    if (got >= 0) return got;
    if (errno != EINTR) return -1;
  }
}

OutputFile::~OutputFile() {
  CloseQuietly(fd_);
}

FileError OutputFile::Open(const NativeString& path) {
  CloseQuietly(fd_);
  if (path.empty() || path.find('\0') != NativeString::npos) return FileError::kBadName;
  // No O_TRUNC: the caller checks the identity before anything is emptied. O_NONBLOCK keeps a
  // FIFO without a reader from blocking the run; it is cleared again below.
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
  if (fd < 0) {
    const FileError error = FromErrno(errno);
    return error == FileError::kNotFound ? FileError::kNoFolder : error;
  }
  struct stat info;
  if (fstat(fd, &info) != 0) {
    int error = errno;
    close(fd);
    return FromErrno(error);
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  fd_ = fd;
  identity_ = IdentityOf(info);
  regular_ = S_ISREG(info.st_mode);
  empty_ = regular_ && info.st_size == 0;
  return FileError::kNone;
}

FileError OutputFile::Truncate() {
  if (!regular_) return FileError::kNone;  // a device such as /dev/null has nothing to empty
  // Nothing to empty. ext4 also takes a truncation to zero as a file being replaced and starts
  // writing it to disk on close, inside the run: for a large new output that was most of the
  // cost of writing it.
  if (empty_) return FileError::kNone;
  if (ftruncate(fd_, 0) != 0) return FromErrno(errno);
  return FileError::kNone;
}

FileError OutputFile::Write(const char* data, std::size_t size) {
  return WriteAll(fd_, data, size);
}

FileError OutputFile::Close() {
  return CloseReporting(fd_);
}

UnnamedFile::~UnnamedFile() {
  CloseQuietly(fd_);
}

bool UnnamedFile::Create([[maybe_unused]] const NativeString& name) {
#ifdef O_TMPFILE
  CloseQuietly(fd_);
  // An existing output keeps its content until the text is complete, so the text would need
  // room on the disk twice over; such outputs are written the usual way.
  struct stat info;
  if (name.empty() || name.find('\0') != NativeString::npos || lstat(name.c_str(), &info) == 0 ||
      errno != ENOENT) {
    return false;
  }
  const std::size_t slash = name.rfind('/');
  const NativeString folder = slash == NativeString::npos ? "." : name.substr(0, slash + 1);
  // The mode as open(O_CREAT) would give a new output: 0666 less the umask.
  fd_ = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  return fd_ >= 0;
#else
  return false;
#endif
}

bool UnnamedFile::IsOpen() const {
  return fd_ >= 0;
}

FileError UnnamedFile::Write(const char* data, std::size_t size) {
  return WriteAll(fd_, data, size);
}

FileError UnnamedFile::Name(const NativeString& name) {
  if (fd_ < 0) return FileError::kIo;
  // Through /proc the file can be linked without privileges; without /proc, AT_EMPTY_PATH
  // works for those allowed to use it. Neither replaces a file that has the name.
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    return FileError::kNone;
  }
  int error = errno;
#ifdef AT_EMPTY_PATH
  if (error != EEXIST && linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) {
    return FileError::kNone;
  }
  if (error != EEXIST) error = errno;
#endif
  return FromErrno(error);
}

FileError UnnamedFile::CopyTo(OutputFile& output) {
  // Everything written, a write cut short included, is in the file's size.
  struct stat info;
  if (fstat(fd_, &info) != 0) return FromErrno(errno);
  const std::uint64_t size = static_cast<std::uint64_t>(info.st_size);
  std::uint64_t at = 0;
  // From page cache to page cache inside the system; where it cannot (a pipe, an older
  // system), through a buffer.
  while (at < size) {
    off_t from = static_cast<off_t>(at);
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size - at, 1 << 30));
    ssize_t copied = copy_file_range(fd_, &from, output.fd_, nullptr, want, 0);
    if (copied < 0 && errno == EINTR) continue;
    if (copied <= 0) {
      if (copied < 0 && errno != EXDEV && errno != EINVAL && errno != ENOSYS &&
          errno != EOPNOTSUPP && errno != EBADF) {
        return FromErrno(errno);
      }
      break;
    }
    at += static_cast<std::uint64_t>(copied);
  }
  char buffer[64 * 1024];
  while (at < size) {
    ssize_t got = pread(fd_, buffer, sizeof buffer, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return got < 0 ? FromErrno(errno) : FileError::kIo;
    FileError error = output.Write(buffer, static_cast<std::size_t>(got));
    if (error != FileError::kNone) return error;
    at += static_cast<std::uint64_t>(got);
  }
  return FileError::kNone;
}

FileError UnnamedFile::Close() {
  return CloseReporting(fd_);
}

TemporaryFile::~TemporaryFile() {
  CloseQuietly(fd_);
}

bool TemporaryFile::Create([[maybe_unused]] const NativeString& folder) {
#ifdef O_TMPFILE
  CloseQuietly(fd_);
  // O_EXCL: the file can never be given a name. $TMPDIR may name a folder that is missing or
  // whose file system has no unnamed files (some network and older file systems): then /tmp.
  const auto open_in = [this](const char* where) {
    if (where == nullptr || where[0] == '\0') return false;
    fd_ = open(where, O_TMPFILE | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
    return fd_ >= 0;
  };
  if (!folder.empty()) return folder.find('\0') == NativeString::npos && open_in(folder.c_str());
  return open_in(getenv("TMPDIR")) || open_in("/tmp");
#else
  return false;
#endif
}

bool TemporaryFile::IsOpen() const {
  return fd_ >= 0;
}

FileError TemporaryFile::Append(const char* data, std::size_t size) {
  if (fd_ < 0) return FileError::kIo;
  return WriteAll(fd_, data, size);  // reads never move the file's position: pread
}

bool TemporaryFile::ReadAt(std::uint64_t offset, char* data, std::size_t size) {
  if (fd_ < 0) return false;
  while (size > 0) {
    const ssize_t got = pread(fd_, data, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    data += got;
    size -= static_cast<std::size_t>(got);
    offset += static_cast<std::uint64_t>(got);
  }
  return true;
}

}  // namespace platform

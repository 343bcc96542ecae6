#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
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

// A file that can never be given a name (O_EXCL), in folder; -1 where none can be made there.
int OpenUnnameable(const char* folder) {
#ifdef O_TMPFILE
  if (folder == nullptr || folder[0] == '\0') return -1;
  return open(folder, O_TMPFILE | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
#else
  (void)folder;
  return -1;
#endif
}

// The same in the temporary folder: $TMPDIR, or /tmp where that is missing or its file system
// has no unnamed files (some network and older file systems).
int OpenUnnameableTemporary() {
  const int fd = OpenUnnameable(getenv("TMPDIR"));
  return fd >= 0 ? fd : OpenUnnameable("/tmp");
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
  links_ = static_cast<std::uint64_t>(info.st_nlink);
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

FileError ResolveOutputName(const NativeString& name, NativeString& target) {
  if (name.empty() || name.find('\0') != NativeString::npos) return FileError::kBadName;
  // The output goes where a link leads, as writing through the link did: the link stays, and the
  // file it names is replaced in its own folder (a rename over the link would replace the link).
  NativeString at = name;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat info;
    if (lstat(at.c_str(), &info) != 0) {
      if (errno != ENOENT) return FromErrno(errno);
      target = at;
      return FileError::kNone;
    }
    if (!S_ISLNK(info.st_mode)) {
      target = at;
      return FileError::kNone;
    }
    std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
    const ssize_t length = readlink(at.c_str(), link.data(), link.size());
    if (length < 0) return FromErrno(errno);
    if (static_cast<std::size_t>(length) >= link.size()) continue;  // it grew meanwhile: again
    link.resize(static_cast<std::size_t>(length));
    if (link.empty()) return FileError::kNotFound;
    const std::size_t slash = at.rfind('/');
    at = link.front() == '/' || slash == NativeString::npos ? link : at.substr(0, slash + 1) + link;
  }
  return FileError::kBadName;  // a loop, as the system itself would say
}

NameState InspectName(const NativeString& name) {
  struct stat info;
  if (lstat(name.c_str(), &info) != 0)
    return errno == ENOENT ? NameState::kFree : NameState::kOther;
  return S_ISREG(info.st_mode) ? NameState::kRegularFile : NameState::kOther;
}

namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A staged file with a name of its own is removed when the run is asked to end: unlike a kill,
// such a request leaves the chance. The name is kept where the handler can reach it.
char staged_name[PATH_MAX];
volatile sig_atomic_t staged_name_set = 0;

void RemoveStagedAndEnd(int signal_number) {
  if (staged_name_set) unlink(staged_name);
  ::signal(signal_number, SIG_DFL);
  raise(signal_number);  // delivered as the handler returns: the run ends as the signal says
}

void RememberStagedName(const std::string& name) {
  static bool installed = false;
  if (!installed) {
    installed = true;
    for (const int signal_number : kEndSignals) {
      struct sigaction old;
      // A signal the run was told to ignore (nohup) stays ignored.
      if (sigaction(signal_number, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
      struct sigaction handler {};
      handler.sa_handler = RemoveStagedAndEnd;
      sigemptyset(&handler.sa_mask);
      sigaction(signal_number, &handler, nullptr);
    }
  }
  staged_name_set = 0;
  if (name.size() >= sizeof staged_name) return;
  std::copy(name.begin(), name.end(), staged_name);
  staged_name[name.size()] = '\0';
  staged_name_set = 1;
}

// The staged file's own name, kept for the handler too, or forgotten.
void KeepHiddenName(NativeString& kept, const std::string& name) {
  kept = name;
  RememberStagedName(name);
}
void ForgetHiddenName(NativeString& kept) {
  staged_name_set = 0;
  kept.clear();
}

// .NAME.XXXXXXXX.tmp beside the output: hidden, and unique, so that two runs never meet.
std::string HiddenNameFor(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : name.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  // The name must stay within NAME_MAX; cut where no character of several bytes is split.
  constexpr std::size_t kLongestBase = NAME_MAX - 14;
  if (base.size() > kLongestBase) {
    std::size_t cut = kLongestBase;
    while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) --cut;
    base.resize(cut);
  }
  std::uint32_t random = 0;
  if (getrandom(&random, sizeof random, GRND_NONBLOCK) != sizeof random) {
    static std::uint32_t serial = 0;
    random = static_cast<std::uint32_t>(getpid()) * 2654435761u ^
             static_cast<std::uint32_t>(time(nullptr)) ^ ++serial * 40503u;
  }
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08x", random);
  return folder + "." + base + "." + digits + ".tmp";
}

bool IsNoNamelessFile(int error) {
  // EISDIR: a kernel that knows no O_TMPFILE takes the flags for O_DIRECTORY.
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

}  // namespace

StagedFile::~StagedFile() {
  Discard();
}

void StagedFile::Discard() {
  if (!hidden_name_.empty()) {
    TerminationDeferred deferred;  // the handler must not find a name that is being removed
    unlink(hidden_name_.c_str());
    ForgetHiddenName(hidden_name_);
  }
  CloseQuietly(fd_);
  place_ = Place::kNone;
}

bool StagedFile::IsOpen() const {
  return fd_ >= 0;
}

FileError StagedFile::Create(const NativeString& name) {
  Discard();
  if (name.empty() || name.find('\0') != NativeString::npos) return FileError::kBadName;
  const std::size_t slash = name.rfind('/');
  const NativeString folder = slash == NativeString::npos ? "." : name.substr(0, slash + 1);
  // The mode as open(O_CREAT) would give a new output: 0666 less the umask. Without /proc a
  // nameless file can be named only by the privileged (AT_EMPTY_PATH): a hidden name then.
  int error = EOPNOTSUPP;
  if (access("/proc/self/fd", X_OK) == 0) {
    fd_ = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      place_ = Place::kNameless;
      return FileError::kNone;
    }
    error = errno;
  }
  if (IsNoNamelessFile(error)) {
    for (int attempt = 0; attempt < 16; ++attempt) {
      const std::string hidden = HiddenNameFor(name);
      TerminationDeferred deferred;  // made and remembered as one step
      fd_ = open(hidden.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0666);
      if (fd_ >= 0) {
        KeepHiddenName(hidden_name_, hidden);
        place_ = Place::kHidden;
        return FileError::kNone;
      }
      error = errno;
      if (error != EEXIST) break;
    }
  }
  if (error == EACCES || error == EPERM) {
    // The folder takes no new file, though the earlier output may be writable: the text waits
    // in the temporary folder and is copied into it once complete.
    fd_ = OpenUnnameableTemporary();
    if (fd_ >= 0) {
      place_ = Place::kElsewhere;
      return FileError::kNone;
    }
  }
  const FileError reported = FromErrno(error);
  return reported == FileError::kNotFound ? FileError::kNoFolder : reported;
}

FileError StagedFile::Write(const char* data, std::size_t size) {
  if (fd_ < 0) return FileError::kIo;
  return WriteAll(fd_, data, size);
}

namespace {

// Links a nameless file under a name. Through /proc without privileges; without /proc,
// AT_EMPTY_PATH works for those allowed to use it. Neither replaces a file that has the name.
int LinkNameless(int fd, const std::string& name) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  int error = errno;
#ifdef AT_EMPTY_PATH
  if (error != EEXIST) {
    if (linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    error = errno;
  }
#endif
  return error;
}

}  // namespace

FileError StagedFile::Publish(const NativeString& name, bool& taken) {
  taken = false;
  int error = 0;
  if (place_ == Place::kNameless) {
    error = LinkNameless(fd_, name);
  } else if (place_ == Place::kHidden) {
    error = renameat2(AT_FDCWD, hidden_name_.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0
                ? 0
                : errno;
    if (error == EINVAL || error == ENOSYS) {
      // A file system without the flag: the name is checked just before.
      struct stat info;
      error = lstat(name.c_str(), &info) == 0                   ? EEXIST
              : rename(hidden_name_.c_str(), name.c_str()) == 0 ? 0
                                                                : errno;
    }
    if (error == 0) ForgetHiddenName(hidden_name_);
  } else {
    return FileError::kAccessDenied;  // the output's folder took no file of the run's
  }
  taken = error == EEXIST;
  return error == 0 ? FileError::kNone : FromErrno(error);
}

FileError StagedFile::Replace(const NativeString& name, OutputFile& earlier) {
  if (place_ != Place::kNameless && place_ != Place::kHidden) return FileError::kAccessDenied;
  struct stat info;
  if (fstat(earlier.fd_, &info) != 0) return FromErrno(errno);
  // The owner first: a change of owner clears set-id bits, which the mode then restores. Only
  // the privileged may give a file away: otherwise it is the run's user's.
  if (fchown(fd_, info.st_uid, info.st_gid) != 0) {
    if (errno != EPERM) return FromErrno(errno);
    fchown(fd_, static_cast<uid_t>(-1), info.st_gid);  // the group alone, where it is one's own
  }
  if (fchmod(fd_, info.st_mode & 07777) != 0) return FromErrno(errno);
  // ext4 starts writing a file that replaces another inside rename(), which then lasts long
  // enough for a kill to fall between the link below and the rename: started here instead, it
  // costs the same and leaves that instant short. Advice only; it may fail.
  sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
  if (place_ == Place::kNameless) {
    // rename() replaces in one step, but only a file with a name: one of its own first.
    int error = EEXIST;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
      const std::string hidden = HiddenNameFor(name);
      error = LinkNameless(fd_, hidden);
      if (error == 0) {
        KeepHiddenName(hidden_name_, hidden);
      }
    }
    if (error != 0) return FromErrno(error);
  }
  if (rename(hidden_name_.c_str(), name.c_str()) != 0) return FromErrno(errno);
  ForgetHiddenName(hidden_name_);
  return FileError::kNone;
}

FileError StagedFile::CopyTo(OutputFile& output) {
  // The whole file, however it was written.
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

namespace {

sigset_t EndSignalSet() {
  sigset_t ending;
  sigemptyset(&ending);
  for (const int signal_number : kEndSignals) sigaddset(&ending, signal_number);
  return ending;
}

}  // namespace

TerminationDeferred::TerminationDeferred() {
  const sigset_t ending = EndSignalSet();
  sigset_t before;
  if (sigprocmask(SIG_BLOCK, &ending, &before) != 0) return;
  // Already blocked by an outer one: that one unblocks.
  blocked_ = true;
  for (const int signal_number : kEndSignals) {
    if (sigismember(&before, signal_number)) blocked_ = false;
  }
}

TerminationDeferred::~TerminationDeferred() {
  if (!blocked_) return;
  const sigset_t ending = EndSignalSet();
  sigprocmask(SIG_UNBLOCK, &ending, nullptr);
}

TemporaryFile::~TemporaryFile() {
  CloseQuietly(fd_);
}

bool TemporaryFile::Create(const NativeString& folder) {
  CloseQuietly(fd_);
  if (folder.empty()) {
    fd_ = OpenUnnameableTemporary();
  } else if (folder.find('\0') == NativeString::npos) {
    fd_ = OpenUnnameable(folder.c_str());
  }
  return fd_ >= 0;
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

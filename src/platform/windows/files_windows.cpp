#include "platform/windows/windows_api.h"

#include <algorithm>
#include <atomic>
#include <string>

#include "platform/files.h"
#include "platform/long_path.h"

namespace platform {
namespace {

// Every path goes to the system through here: past the classic limit, in extended-length form,
// so that a document deep in a folder tree converts without the system-wide long-path setting.
NativeString ForSystem(const NativeString& path, std::size_t longest = kLongestClassicFilePath) {
  if (path.size() < 3) return path;  // "a", "C:": shorter than any current folder would make
  std::wstring current(MAX_PATH + 1, L'\0');
  DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data());
  if (length >= current.size()) {
    current.resize(length);
    length = GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data());
  }
  if (length == 0 || length >= current.size()) return path;
  current.resize(length);
  return ExtendedLengthPath(path, current, longest);
}

FileError FromLastError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return FileError::kNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return FileError::kAccessDenied;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
      return FileError::kBadName;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileError::kNoSpace;
    default:
      return FileError::kIo;
  }
}

// A colon belongs only to a drive ("C:", or "\\?\C:"). Anywhere else it names an alternate data
// stream of some file, or nothing at all (T\D:\x from an argument with a drive): either way no
// document of the tool's folder, so the name is refused before the system sees it.
bool IsAcceptedName(const NativeString& path) {
  if (path.empty() || path.find(L'\0') != NativeString::npos) return false;
  std::size_t drive_colon = 1;
  if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) drive_colon = 5;
  for (std::size_t k = 0; k < path.size(); ++k) {
    if (path[k] == L':' && k != drive_colon) return false;
  }
  return true;
}

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// A file on a disk that is no folder: the only kind a document is read from.
bool IsRegularFile(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
  if (GetFileType(handle) != FILE_TYPE_DISK) return false;
  if (!GetFileInformationByHandle(handle, &info)) return false;
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void CloseQuietly(void*& handle) {
  if (handle != nullptr) CloseHandle(static_cast<HANDLE>(handle));
  handle = nullptr;
}

// Other programs may read, write or delete the files while the run has them open, as on POSIX.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// One call reads or writes at most 1 GiB: DWORD counts, and a bounded request.
DWORD ChunkOf(std::size_t size) {
  return static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
}

// Where a positioned read or write goes; the handle's own position is never used.
OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

// Writes all of data at offset, which moves past what was written.
FileError WriteAllAt(void* handle, const char* data, std::size_t size, std::uint64_t& offset) {
  if (handle == nullptr) return FileError::kIo;
  while (size > 0) {
    OVERLAPPED at = At(offset);
    DWORD wrote = 0;
    if (!WriteFile(static_cast<HANDLE>(handle), data, ChunkOf(size), &wrote, &at)) {
      return FromLastError(GetLastError());
    }
    if (wrote == 0) return FileError::kNoSpace;
    data += wrote;
    size -= wrote;
    offset += wrote;
  }
  return FileError::kNone;
}

// A file in folder (the temporary folder when empty) that the system removes when its handle
// closes, however the run ends; null where none can be made. Windows names every file it
// creates: a name of the process's own, made new (CREATE_NEW); no other opener may share it.
HANDLE CreateTemporary(const NativeString& folder) {
  NativeString where = folder;
  if (where.empty()) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) return nullptr;
    where.assign(temp, length);
  }
  if (where.find(L'\0') != NativeString::npos) return nullptr;
  if (where.back() != L'\\' && where.back() != L'/') where += L'\\';
  // Shared by every reader of the process, and readers may run in threads of their own: an
  // atomic count never gives two of them the same name.
  static std::atomic<unsigned> serial{0};
  const NativeString stem = where + L"rtfplain-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(GetTickCount64()) + L"-";
  for (int attempt = 0; attempt < 16; ++attempt) {
    const NativeString name = stem + std::to_wstring(++serial) + L".tmp";
    HANDLE handle =
        CreateFileW(ForSystem(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return handle;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return nullptr;
  }
  return nullptr;
}

}  // namespace

std::optional<FileIdentity> IdentifyFile(const NativeString& path) {
  if (!IsAcceptedName(path)) return std::nullopt;
  // No access asked for: only the identity is read. Backup semantics lets a folder open too.
  HANDLE handle = CreateFileW(ForSystem(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = GetFileInformationByHandle(handle, &info) != 0;
  CloseHandle(handle);
  if (!known) return std::nullopt;
  return IdentityOf(info);
}

InputFile::~InputFile() {
  CloseQuietly(handle_);
}

FileError InputFile::Open(const NativeString& path) {
  CloseQuietly(handle_);
  if (!IsAcceptedName(path)) return FileError::kBadName;
  HANDLE handle =
      CreateFileW(ForSystem(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A folder cannot be opened this way at all; say so rather than "access denied".
    const DWORD attributes = GetFileAttributesW(ForSystem(path, kLongestClassicFolderPath).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return FileError::kNotAFile;
    }
    return FromLastError(error);
  }
  BY_HANDLE_FILE_INFORMATION info;
  LARGE_INTEGER size;
  if (!IsRegularFile(handle, info) || !GetFileSizeEx(handle, &size) || size.QuadPart < 0) {
    CloseHandle(handle);
    return FileError::kNotAFile;  // a console, a device, a pipe
  }
  handle_ = handle;
  size_ = static_cast<std::uint64_t>(size.QuadPart);
  return FileError::kNone;
}

std::ptrdiff_t InputFile::Read(void* buffer, std::size_t size) {
  const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  DWORD got = 0;
  if (!ReadFile(static_cast<HANDLE>(handle_), buffer, chunk, &got, nullptr)) return -1;
  return static_cast<std::ptrdiff_t>(got);
}

OutputFile::~OutputFile() {
  CloseQuietly(handle_);
}

FileError OutputFile::Open(const NativeString& path) {
  CloseQuietly(handle_);
  if (!IsAcceptedName(path)) return FileError::kBadName;
  // OPEN_ALWAYS, not CREATE_ALWAYS: the caller checks the identity before anything is emptied.
  HANDLE handle = CreateFileW(ForSystem(path).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const FileError error = FromLastError(GetLastError());
    return error == FileError::kNotFound ? FileError::kNoFolder : error;
  }
  BY_HANDLE_FILE_INFORMATION info;
  regular_ = IsRegularFile(handle, info);
  identity_ = regular_ ? IdentityOf(info) : FileIdentity{};
  links_ = regular_ ? info.nNumberOfLinks : 0;
  handle_ = handle;
  return FileError::kNone;
}

FileError OutputFile::Truncate() {
  if (!regular_) return FileError::kNone;  // a device such as NUL has nothing to empty
  LARGE_INTEGER start;
  start.QuadPart = 0;
  if (!SetFilePointerEx(static_cast<HANDLE>(handle_), start, nullptr, FILE_BEGIN) ||
      !SetEndOfFile(static_cast<HANDLE>(handle_))) {
    return FromLastError(GetLastError());
  }
  return FileError::kNone;
}

FileError OutputFile::Write(const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD wrote = 0;
    if (!WriteFile(static_cast<HANDLE>(handle_), data, chunk, &wrote, nullptr)) {
      return FromLastError(GetLastError());
    }
    if (wrote == 0) return FileError::kNoSpace;
    data += wrote;
    size -= wrote;
  }
  return FileError::kNone;
}

FileError OutputFile::Close() {
  void* handle = handle_;
  handle_ = nullptr;
  if (handle == nullptr) return FileError::kNone;
  if (!CloseHandle(static_cast<HANDLE>(handle))) return FromLastError(GetLastError());
  return FileError::kNone;
}

FileError ResolveOutputName(const NativeString& name, NativeString& target) {
  if (!IsAcceptedName(name)) return FileError::kBadName;
  target = name;
  return FileError::kNone;
}

NameState InspectName(const NativeString& name) {
  const DWORD attributes = GetFileAttributesW(ForSystem(name, kLongestClassicFolderPath).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? NameState::kFree
                                                                          : NameState::kOther;
  }
  // A folder, or a link (a reparse point), is written through as it always was.
  constexpr DWORD kNotAFile =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
  return (attributes & kNotAFile) == 0 ? NameState::kRegularFile : NameState::kOther;
}

namespace {

bool SetDeletedOnClose(void* handle, bool deleted) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = deleted ? TRUE : FALSE;
  return SetFileInformationByHandle(static_cast<HANDLE>(handle), FileDispositionInfo, &disposition,
                                    sizeof disposition) != 0;
}

// Only the attributes a user sets, as the output had them; none gives a plain file.
bool SetAttributes(void* handle, DWORD attributes) {
  FILE_BASIC_INFO basic{};  // times of zero are left as they are
  basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(static_cast<HANDLE>(handle), FileBasicInfo, &basic,
                                    sizeof basic) != 0;
}

// .NAME.XXXXXXXX.tmp beside the output, hidden: unique enough for the few attempts made.
NativeString HiddenNameFor(const NativeString& name) {
  const std::size_t slash = name.find_last_of(L"\\/");
  NativeString folder, base = name;
  if (slash != NativeString::npos) {
    folder = name.substr(0, slash + 1);
    base = name.substr(slash + 1);
  }
  constexpr std::size_t kLongestBase = 255 - 14;  // a name's limit, in UTF-16 units
  if (base.size() > kLongestBase) {
    std::size_t cut = kLongestBase;
    if (base[cut] >= 0xDC00 && base[cut] <= 0xDFFF) --cut;  // never half a surrogate pair
    base.resize(cut);
  }
  static unsigned serial = 0;
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  const unsigned random = static_cast<unsigned>(counter.QuadPart) * 2654435761u ^
                          GetCurrentProcessId() * 40503u ^ ++serial * 97u;
  NativeString digits(8, L'0');
  for (int k = 7, rest = 0; k >= 0; --k, ++rest) {
    digits[static_cast<std::size_t>(k)] = L"0123456789abcdef"[(random >> (4 * rest)) & 15];
  }
  return folder + L"." + base + L"." + digits + L".tmp";
}

}  // namespace

StagedFile::~StagedFile() {
  Discard();
}

void StagedFile::Discard() {
  CloseQuietly(handle_);  // deleted on close, unless it took the output's name
  // Where the disposition could not be set (a file system without it), by name.
  if (!hidden_name_.empty()) DeleteFileW(ForSystem(hidden_name_).c_str());
  hidden_name_.clear();
  place_ = Place::kNone;
  size_ = 0;
}

bool StagedFile::IsOpen() const {
  return handle_ != nullptr;
}

FileError StagedFile::Create(const NativeString& name) {
  Discard();
  if (!IsAcceptedName(name)) return FileError::kBadName;
  // Windows names every file it creates: a hidden one beside the output, deleted when its handle
  // closes, however the run ends, until the run succeeds. The disposition, unlike the flag
  // FILE_FLAG_DELETE_ON_CLOSE, can be taken back. Readers and the rename may share it.
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 16 && error == ERROR_FILE_EXISTS; ++attempt) {
    const NativeString hidden = HiddenNameFor(name);
    HANDLE handle =
        CreateFileW(ForSystem(hidden).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      handle_ = handle;
      hidden_name_ = hidden;
      SetDeletedOnClose(handle_, true);
      place_ = Place::kHidden;
      return FileError::kNone;
    }
    error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) error = ERROR_FILE_EXISTS;
  }
  if (error == ERROR_ACCESS_DENIED) {
    // The folder takes no new file, though the earlier output may be writable: the text waits
    // in the temporary folder and is copied into it once complete.
    HANDLE handle = CreateTemporary(NativeString());
    if (handle != nullptr) {
      handle_ = handle;
      place_ = Place::kElsewhere;
      return FileError::kNone;
    }
  }
  const FileError reported = FromLastError(error);
  return reported == FileError::kNotFound ? FileError::kNoFolder : reported;
}

FileError StagedFile::Write(const char* data, std::size_t size) {
  return WriteAllAt(handle_, data, size, size_);
}

FileError StagedFile::Reopen() {
  SetFileAttributesW(ForSystem(hidden_name_).c_str(), FILE_ATTRIBUTE_HIDDEN);
  HANDLE handle =
      CreateFileW(ForSystem(hidden_name_).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FromLastError(GetLastError());
  handle_ = handle;
  SetDeletedOnClose(handle_, true);
  return FileError::kNone;
}

FileError StagedFile::Publish(const NativeString& name, bool& taken) {
  taken = false;
  if (place_ != Place::kHidden) return FileError::kAccessDenied;
  SetAttributes(handle_, 0);
  if (!SetDeletedOnClose(handle_, false)) return FromLastError(GetLastError());
  // Closed first, as every opener of a file to be renamed is not sure to share it.
  CloseQuietly(handle_);
  if (MoveFileExW(ForSystem(hidden_name_).c_str(), ForSystem(name).c_str(),
                  MOVEFILE_WRITE_THROUGH)) {
    hidden_name_.clear();
    place_ = Place::kNone;
    return FileError::kNone;
  }
  const DWORD error = GetLastError();
  taken = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
  const FileError reopened = Reopen();  // deleted on close again, and there to be copied
  return reopened == FileError::kNone ? FromLastError(error) : reopened;
}

FileError StagedFile::Replace(const NativeString& name, OutputFile& earlier) {
  if (place_ != Place::kHidden) return FileError::kAccessDenied;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(static_cast<HANDLE>(earlier.handle_), &info)) {
    return FromLastError(GetLastError());
  }
  constexpr DWORD kUserAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  SetAttributes(handle_, info.dwFileAttributes & kUserAttributes);
  if (!SetDeletedOnClose(handle_, false)) return FromLastError(GetLastError());
  // Both files closed: the replaced one must be, and ReplaceFileW opens the other its own way.
  // ReplaceFileW keeps the earlier output's security and other streams.
  CloseQuietly(earlier.handle_);
  CloseQuietly(handle_);
  const NativeString from = ForSystem(hidden_name_), to = ForSystem(name);
  if (ReplaceFileW(to.c_str(), from.c_str(), nullptr,
                   REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                   nullptr) ||
      MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    hidden_name_.clear();
    place_ = Place::kNone;
    return FileError::kNone;
  }
  const FileError error = FromLastError(GetLastError());
  const FileError reopened = Reopen();  // for a copy into the earlier output
  return reopened == FileError::kNone ? error : reopened;
}

FileError StagedFile::CopyTo(OutputFile& output) {
  if (handle_ == nullptr) return FileError::kIo;
  std::string buffer(256 * 1024, '\0');
  for (std::uint64_t at = 0; at < size_;) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::uint64_t>(size_ - at, buffer.size()));
    OVERLAPPED from = At(at);
    DWORD got = 0;
    if (!ReadFile(static_cast<HANDLE>(handle_), buffer.data(), chunk, &got, &from)) {
      return FromLastError(GetLastError());
    }
    if (got == 0) return FileError::kIo;
    const FileError error = output.Write(buffer.data(), got);
    if (error != FileError::kNone) return error;
    at += got;
  }
  return FileError::kNone;
}

// A Windows program ended from outside (TerminateProcess) gets no chance to wait.
TerminationDeferred::TerminationDeferred() = default;
TerminationDeferred::~TerminationDeferred() = default;

TemporaryFile::~TemporaryFile() {
  CloseQuietly(handle_);
}

bool TemporaryFile::Create(const NativeString& folder) {
  CloseQuietly(handle_);
  end_ = 0;
  handle_ = CreateTemporary(folder);
  return handle_ != nullptr;
}

bool TemporaryFile::IsOpen() const {
  return handle_ != nullptr;
}

FileError TemporaryFile::Append(const char* data, std::size_t size) {
  return WriteAllAt(handle_, data, size, end_);
}

bool TemporaryFile::ReadAt(std::uint64_t offset, char* data, std::size_t size) {
  if (handle_ == nullptr) return false;
  while (size > 0) {
    const DWORD chunk = ChunkOf(size);
    OVERLAPPED at = At(offset);
    DWORD got = 0;
    if (!ReadFile(static_cast<HANDLE>(handle_), data, chunk, &got, &at) || got == 0) return false;
    data += got;
    size -= got;
    offset += got;
  }
  return true;
}

}  // namespace platform

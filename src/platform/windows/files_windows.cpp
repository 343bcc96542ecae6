#include "platform/windows/windows_api.h"

#include <algorithm>
#include <atomic>
#include <string>

#include "platform/files.h"

namespace platform {
namespace {

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

}  // namespace

std::optional<FileIdentity> IdentifyFile(const NativeString& path) {
  if (!IsAcceptedName(path)) return std::nullopt;
  // No access asked for: only the identity is read. Backup semantics lets a folder open too.
  HANDLE handle = CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
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
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A folder cannot be opened this way at all; say so rather than "access denied".
    const DWORD attributes = GetFileAttributesW(path.c_str());
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
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const FileError error = FromLastError(GetLastError());
    return error == FileError::kNotFound ? FileError::kNoFolder : error;
  }
  BY_HANDLE_FILE_INFORMATION info;
  regular_ = IsRegularFile(handle, info);
  identity_ = regular_ ? IdentityOf(info) : FileIdentity{};
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

// Windows names a file as it creates it; the output is written the usual way there.
UnnamedFile::~UnnamedFile() = default;

bool UnnamedFile::Create(const NativeString&) {
  return false;
}

bool UnnamedFile::IsOpen() const {
  return false;
}

FileError UnnamedFile::Write(const char*, std::size_t) {
  return FileError::kIo;
}

FileError UnnamedFile::Name(const NativeString&) {
  return FileError::kIo;
}

FileError UnnamedFile::CopyTo(OutputFile&) {
  return FileError::kIo;
}

FileError UnnamedFile::Close() {
  return FileError::kNone;
}

TemporaryFile::~TemporaryFile() {
  CloseQuietly(handle_);
}

bool TemporaryFile::Create(const NativeString& folder) {
  CloseQuietly(handle_);
  end_ = 0;
  NativeString where = folder;
  if (where.empty()) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) return false;
    where.assign(temp, length);
  }
  if (where.find(L'\0') != NativeString::npos) return false;
  if (where.back() != L'\\' && where.back() != L'/') where += L'\\';
  // Windows names every file it creates: a name of the process's own, made new (CREATE_NEW) and
  // removed by the system when the handle closes, however the run ends. No other opener may
  // share it.
  // Shared by every reader of the process, and readers may run in threads of their own: an
  // atomic count never gives two of them the same name.
  static std::atomic<unsigned> serial{0};
  const NativeString stem = where + L"rtfplain-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(GetTickCount64()) + L"-";
  for (int attempt = 0; attempt < 16; ++attempt) {
    const NativeString name = stem + std::to_wstring(++serial) + L".tmp";
    HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      handle_ = handle;
      return true;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

namespace {

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

}  // namespace

bool TemporaryFile::IsOpen() const {
  return handle_ != nullptr;
}

FileError TemporaryFile::Append(const char* data, std::size_t size) {
  if (handle_ == nullptr) return FileError::kIo;
  while (size > 0) {
    const DWORD chunk = ChunkOf(size);
    OVERLAPPED at = At(end_);
    DWORD wrote = 0;
    if (!WriteFile(static_cast<HANDLE>(handle_), data, chunk, &wrote, &at)) {
      return FromLastError(GetLastError());
    }
    if (wrote == 0) return FileError::kNoSpace;
    data += wrote;
    size -= wrote;
    end_ += wrote;
  }
  return FileError::kNone;
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

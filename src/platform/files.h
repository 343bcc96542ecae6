// The few file operations the run needs: read a document in chunks, write the output once, or
// while the document is read, into a file that takes the output's name once it is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/native_string.h"

namespace platform {

enum class FileError {
  kNone,
  kNotFound,      // no such file, or a folder on the way is missing
  kNoFolder,      // a file cannot be created: a folder on the way is missing
  kAccessDenied,  // permissions, or a read-only file
  kNotAFile,      // a folder, a device, a pipe: nothing a document can be read from
  kBadName,       // the name is not valid on this system
  kNoSpace,       // the disk, or the file-size limit, is full
  kIo,            // anything else the system reports
};

// Which file a name leads to, after links: two names for one file give equal identities.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

std::optional<FileIdentity> IdentifyFile(const NativeString& path);

class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  // Opens a regular file for reading; anything else is refused without blocking.
  FileError Open(const NativeString& path);
  // Reads up to size bytes; 0 at the end of the file, -1 on an error.
  std::ptrdiff_t Read(void* buffer, std::size_t size);
  // The size the file had when it was opened.
  std::uint64_t Size() const { return size_; }

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
  std::uint64_t size_ = 0;
};

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Opens the file for writing, creating it when missing, without emptying it yet: the caller
  // first checks the identity, so that a name that leads to the input never empties it.
  FileError Open(const NativeString& path);
  FileIdentity Identity() const { return identity_; }
  // Empties an existing file before the first write.
  FileError Truncate();
  // Writes all of the bytes or reports why not.
  FileError Write(const char* data, std::size_t size);
  // Closes the file; a failed close (a delayed write error) is reported.
  FileError Close();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
  FileIdentity identity_;
  bool regular_ = false;
  friend class UnnamedFile;  // copies into the file without passing its bytes through memory
#ifndef _WIN32
  bool empty_ = false;  // a regular file with nothing in it when opened (a new one, usually)
#endif
};

// A file without a name, in the folder of the name it is to take: written while its content is
// made, then named in one step, so nobody sees it half written and a run that fails or is
// killed leaves nothing behind. Where the system or file system has no such files, Create
// fails and the caller writes the usual way.
class UnnamedFile {
 public:
  UnnamedFile() = default;
  UnnamedFile(const UnnamedFile&) = delete;
  UnnamedFile& operator=(const UnnamedFile&) = delete;
  ~UnnamedFile();  // a file never named disappears with its last handle

  // Creates the file in the folder `name` lies in, only while nothing has that name (not even a
  // broken link).
  bool Create(const NativeString& name);
  bool IsOpen() const;
  FileError Write(const char* data, std::size_t size);
  // Gives the file the name; fails when the name was taken meanwhile or cannot be linked.
  FileError Name(const NativeString& name);
  // Writes everything written here into another file: when Name failed (the name was taken
  // meanwhile).
  FileError CopyTo(OutputFile& output);
  FileError Close();

 private:
#ifndef _WIN32
  int fd_ = -1;
#endif
};

// A file without a name in the temporary folder, for text too large to keep in memory: it
// disappears with its handle, so a run that fails or is killed leaves nothing behind. Where no
// such file can be made, Create fails and the caller keeps the text in memory.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  // Creates the file in folder, or in the system's temporary folder when folder is empty.
  bool Create(const NativeString& folder = {});
  bool IsOpen() const;
  // Adds all of the bytes at the end, or reports why not.
  FileError Append(const char* data, std::size_t size);
  // Reads size bytes from offset; false when not all of them can be read.
  bool ReadAt(std::uint64_t offset, char* data, std::size_t size);

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
  std::uint64_t end_ = 0;  // where the next bytes go: reads at an offset move the file pointer
#else
  int fd_ = -1;
#endif
};

}  // namespace platform

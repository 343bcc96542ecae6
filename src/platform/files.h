// The few file operations the run needs: read a document in chunks, and write the output while
// the document is read, into a file that takes the output's name once it is complete.
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
  // A file on a disk (not a device, a pipe or a console), and how many names it has.
  bool IsRegular() const { return regular_; }
  std::uint64_t Links() const { return links_; }
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
  std::uint64_t links_ = 0;
  friend class StagedFile;  // copies into the file and takes its owner and permissions
#ifndef _WIN32
  bool empty_ = false;  // a regular file with nothing in it when opened (a new one, usually)
#endif
};

// Where the output's name leads: links followed to the file they name, or would create. On
// Windows the name itself.
FileError ResolveOutputName(const NativeString& name, NativeString& target);

// Whether something has the name (links not followed), and whether that is a file on a disk.
enum class NameState { kFree, kRegularFile, kOther };
NameState InspectName(const NativeString& name);

// The output's new text, written while the document is read into a file that nobody sees under
// the output's name until it is complete: then it takes a free name, or replaces the earlier
// output in one step. A run that fails, or is killed, leaves the name as it was.
class StagedFile {
 public:
  // Where the text waits. In the output's folder: without a name (Linux), or under a hidden
  // name of its own (.NAME.XXXXXXXX.tmp) where the file system has no nameless files, and on
  // Windows. Elsewhere: in the temporary folder, where the output's folder takes no new file;
  // such text can only be copied into an existing output.
  enum class Place { kNone, kNameless, kHidden, kElsewhere };

  StagedFile() = default;
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;
  ~StagedFile();  // removes the file, unless it took the output's name

  // Makes the file for the output `name` (links already resolved). Fails where no file can be
  // made at all, or the output's folder is missing or full.
  FileError Create(const NativeString& name);
  Place Where() const { return place_; }
  bool IsOpen() const;
  FileError Write(const char* data, std::size_t size);
  // Gives the file the free name; `taken` says, with the error, that something took it meanwhile.
  FileError Publish(const NativeString& name, bool& taken);
  // Puts the file in the place of the earlier output, open in `earlier`, in one step, with its
  // permissions and, where the system allows, its owner.
  FileError Replace(const NativeString& name, OutputFile& earlier);
  // Writes the whole file into another one (an earlier output that cannot be replaced).
  FileError CopyTo(OutputFile& output);

 private:
  void Discard();
#ifdef _WIN32
  FileError Reopen();
  void* handle_ = nullptr;
  std::uint64_t size_ = 0;
#else
  int fd_ = -1;
#endif
  Place place_ = Place::kNone;
  NativeString hidden_name_;  // while the file has a name of its own
};

// While one lives, a request to end the run (SIGTERM, SIGINT, SIGHUP) waits: the output's name
// is being given or its file copied, and an end half-way would leave a part. Nothing on Windows.
class TerminationDeferred {
 public:
  TerminationDeferred();
  ~TerminationDeferred();
  TerminationDeferred(const TerminationDeferred&) = delete;
  TerminationDeferred& operator=(const TerminationDeferred&) = delete;

 private:
  bool blocked_ = false;
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

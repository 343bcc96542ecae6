// The one kind of failure of a run: a number and a description. It is raised where it happens
// and travels, unhandled, to the run's single handler, which drops it.
#pragma once

#include <exception>
#include <string>

#include "platform/files.h"

namespace host {

enum class FailureCode : int {
  kInvalidArgument = 5,  // the argument text does not split into the arguments given
  kOverflow = 6,         // a 16-bit count or position passed 32767
  kOutOfMemory = 7,
  kBadFileName = 52,
  kFileNotFound = 53,
  kDiskFull = 61,
  kPermissionDenied = 70,
  kPathFileAccess = 75,  // a folder, a device, or the input named again as the output
  kPathNotFound = 76,
  kDeviceIo = 57,
  kInvalidFormat = 321,  // the document is not Rich Text
  kNoDocument = 380,     // text asked for before a document was loaded
  kHostNotCreated = 429,
};

class Failure : public std::exception {
 public:
  explicit Failure(FailureCode code);
  Failure(FailureCode code, std::string description);

  int number() const { return static_cast<int>(code_); }
  FailureCode code() const { return code_; }
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  FailureCode code_;
  std::string description_;
};

// The standard description of each failure.
const char* Describe(FailureCode code);

[[noreturn]] void Raise(FailureCode code);
// Raises the failure of a file operation that went wrong; returns when nothing did.
void RaiseFor(platform::FileError error);

}  // namespace host

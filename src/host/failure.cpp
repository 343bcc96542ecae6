#include "host/failure.h"

namespace host {

Failure::Failure(FailureCode code) : code_(code), description_(Describe(code)) {}
Failure::Failure(FailureCode code, std::string description)
    : code_(code), description_(std::move(description)) {}

const char* Describe(FailureCode code) {
  switch (code) {
    case FailureCode::kInvalidArgument:
      return "Invalid procedure call or argument";
    case FailureCode::kOverflow:
      return "Overflow";
    case FailureCode::kOutOfMemory:
      return "Out of memory";
    case FailureCode::kBadFileName:
      return "Bad file name or number";
    case FailureCode::kFileNotFound:
      return "File not found";
    case FailureCode::kDiskFull:
      return "Disk full";
    case FailureCode::kPermissionDenied:
      return "Permission denied";
    case FailureCode::kPathFileAccess:
      return "Path/File access error";
    case FailureCode::kPathNotFound:
      return "Path not found";
    case FailureCode::kDeviceIo:
      return "Device I/O error";
    case FailureCode::kInvalidFormat:
      return "Invalid file format";
    case FailureCode::kNoDocument:
      return "No document loaded";
    case FailureCode::kHostNotCreated:
      return "The rich-text host is not created";
  }
  return "Unknown failure";
}

void Raise(FailureCode code) {
  throw Failure(code);
}

void RaiseFor(platform::FileError error) {
  switch (error) {
    case platform::FileError::kNone:
      return;
    case platform::FileError::kNotFound:
      Raise(FailureCode::kFileNotFound);
    case platform::FileError::kNoFolder:
      Raise(FailureCode::kPathNotFound);
    case platform::FileError::kAccessDenied:
      Raise(FailureCode::kPermissionDenied);
    case platform::FileError::kNotAFile:
      Raise(FailureCode::kPathFileAccess);
    case platform::FileError::kBadName:
      Raise(FailureCode::kBadFileName);
    case platform::FileError::kNoSpace:
      Raise(FailureCode::kDiskFull);
    case platform::FileError::kIo:
      Raise(FailureCode::kDeviceIo);
  }
  Raise(FailureCode::kDeviceIo);
}

}  // namespace host

#include "driver/output_file.h"

#include "host/failure.h"

namespace mdlMain {
namespace {

void RaiseFor(platform::FileError error) {
  using host::FailureCode;
  switch (error) {
    case platform::FileError::kNone:
      return;
    case platform::FileError::kNotFound:
      host::Raise(FailureCode::kPathNotFound);
    case platform::FileError::kAccessDenied:
      host::Raise(FailureCode::kPermissionDenied);
    case platform::FileError::kNotAFile:
      host::Raise(FailureCode::kPathFileAccess);
    case platform::FileError::kBadName:
      host::Raise(FailureCode::kBadFileName);
    case platform::FileError::kNoSpace:
      host::Raise(FailureCode::kDiskFull);
    case platform::FileError::kIo:
      host::Raise(FailureCode::kDeviceIo);
  }
  host::Raise(FailureCode::kDeviceIo);
}

}  // namespace

void TextOutput::Open(const platform::NativeString& path,
                      const std::optional<platform::FileIdentity>& input) {
  RaiseFor(file_.Open(path));
  if (input && file_.Identity() == *input) {
    file_.Close();
    throw host::Failure(host::FailureCode::kPathFileAccess,
                        "The output file is the input document");
  }
  RaiseFor(file_.Truncate());
}

void TextOutput::Write(std::string_view text) {
  RaiseFor(file_.Write(text.data(), text.size()));
  RaiseFor(file_.Write("\r\n", 2));
}

void TextOutput::Close() {
  RaiseFor(file_.Close());
}

}  // namespace mdlMain

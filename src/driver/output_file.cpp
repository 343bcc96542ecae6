#include "driver/output_file.h"

#include "host/failure.h"

namespace mdlMain {

using host::RaiseFor;

bool TextOutput::Write(std::string_view text) {
  if (refused_ || unnamed_error_ != platform::FileError::kNone) return false;
  if (!unnamed_.IsOpen() && !unnamed_.Create(path_)) {
    refused_ = true;
    return false;
  }
  unnamed_error_ = unnamed_.Write(text.data(), text.size());
  return unnamed_error_ == platform::FileError::kNone;
}

void TextOutput::Finish(std::string_view rest, const std::optional<platform::FileIdentity>& input) {
  if (!unnamed_.IsOpen()) {
    Open(input);
    RaiseFor(file_.Write(rest.data(), rest.size()));
    RaiseFor(file_.Write("\r\n", 2));
    Close();
    return;
  }
  // A failed write ends the run, but the output still holds what was written, as it would had
  // the text gone straight into it.
  platform::FileError error = unnamed_error_;
  if (error == platform::FileError::kNone) error = unnamed_.Write(rest.data(), rest.size());
  if (error == platform::FileError::kNone) error = unnamed_.Write("\r\n", 2);
  if (unnamed_.Name(path_) == platform::FileError::kNone) {
    RaiseFor(error);
    RaiseFor(unnamed_.Close());
    return;
  }
  // The name was taken while the document was read, or cannot be linked here: empty that file
  // and copy the text into it.
  Open(input);
  RaiseFor(unnamed_.CopyTo(file_));
  RaiseFor(error);
  Close();
}

void TextOutput::Open(const std::optional<platform::FileIdentity>& input) {
  RaiseFor(file_.Open(path_));
  if (input && file_.Identity() == *input) {
    file_.Close();
    throw host::Failure(host::FailureCode::kPathFileAccess,
                        "The output file is the input document");
  }
  RaiseFor(file_.Truncate());
}

void TextOutput::Close() {
  RaiseFor(file_.Close());
}

}  // namespace mdlMain

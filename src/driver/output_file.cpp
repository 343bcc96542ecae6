#include "driver/output_file.h"

#include "host/failure.h"

namespace mdlMain {

using host::RaiseFor;
using platform::FileError;
using platform::StagedFile;

void TextOutput::Stage() {
  staging_tried_ = true;
  target_ = path_;
  // A device or a pipe is written directly, once the document was read, as it always was; a
  // name that leads nowhere fails there too.
  if (platform::ResolveOutputName(path_, target_) != FileError::kNone ||
      platform::InspectName(target_) == platform::NameState::kOther) {
    target_ = path_;
    return;
  }
  const FileError error = staged_.Create(target_);
  // No folder takes a file of the run's: the text waits in memory, for an earlier output that
  // may itself be written.
  if (error != FileError::kAccessDenied) error_ = error;
}

bool TextOutput::Write(std::string_view text) {
  if (!staging_tried_) Stage();
  // After a failure the run fails once the document is read; the text is not needed, and
  // keeping it would grow memory on a full disk.
  if (error_ != FileError::kNone) return true;
  if (!staged_.IsOpen()) return false;
  error_ = staged_.Write(text.data(), text.size());
  return true;
}

void TextOutput::Finish(std::string_view rest, const std::optional<platform::FileIdentity>& input) {
  if (!staging_tried_) Stage();
  RaiseFor(error_);
  if (!staged_.IsOpen()) {
    platform::TerminationDeferred deferred;
    Open(target_, input);
    RaiseFor(file_.Truncate());
    RaiseFor(file_.Write(rest.data(), rest.size()));
    RaiseFor(file_.Write("\r\n", 2));
    Close();
    return;
  }
  RaiseFor(staged_.Write(rest.data(), rest.size()));
  RaiseFor(staged_.Write("\r\n", 2));

  platform::TerminationDeferred deferred;
  if (platform::InspectName(target_) == platform::NameState::kFree) {
    bool taken = false;
    const FileError error = staged_.Publish(target_, taken);
    if (error == FileError::kNone) return;
    if (!taken) RaiseFor(error);
  }
  // The earlier output: opened first to learn that the run may write it, and that it is not
  // the input.
  Open(target_, input);
  // An output with other names (hard links) is copied into, so that they all keep sharing the
  // text, as they did when every output was rewritten in place.
  if (file_.IsRegular() && file_.Links() == 1 && staged_.Where() != StagedFile::Place::kElsewhere) {
    const FileError error = staged_.Replace(target_, file_);
    if (error == FileError::kNone) {
      file_.Close();  // the replaced file, written by nobody: nothing to report
      return;
    }
    // The folder refuses a new name (a folder that is not the run's to change): copy instead,
    // into the earlier output opened again (Windows closes it to replace it).
    if (error != FileError::kAccessDenied) RaiseFor(error);
    Open(target_, input);
  }
  RaiseFor(file_.Truncate());
  RaiseFor(staged_.CopyTo(file_));
  Close();
}

void TextOutput::Open(const platform::NativeString& name,
                      const std::optional<platform::FileIdentity>& input) {
  RaiseFor(file_.Open(name));
  if (input && file_.Identity() == *input) {
    file_.Close();
    throw host::Failure(host::FailureCode::kPathFileAccess,
                        "The output file is the input document");
  }
}

void TextOutput::Close() {
  RaiseFor(file_.Close());
}

}  // namespace mdlMain

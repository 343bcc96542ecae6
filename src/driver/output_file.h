// Writing the converted text. The text goes, while the document is read, into a file beside the
// output that nobody sees under the output's name; once the document was read and the text is
// complete, that file takes a free name or replaces the earlier output in one step. A run that
// fails or is killed leaves the earlier output (or no output) under the name, never a part.
// The output is never written when its name leads to the input document, and every write and
// close is checked.
#pragma once

#include <optional>
#include <string_view>

#include "platform/files.h"
#include "richtext/text_sink.h"

namespace mdlMain {

class TextOutput : public richtext::TextSink {
 public:
  explicit TextOutput(platform::NativeString path) : path_(std::move(path)) {}

  // Text handed over while the document is read. Refused (the reader keeps the text) only
  // where no file can hold it: the output is a device or a pipe, or no folder takes a file.
  bool Write(std::string_view text) override;
  // Writes the rest of the text and the closing CR LF, and puts the output in place. Raises
  // when it cannot be written, or when it is the very file given as input (a link, or the
  // same name), which is then left untouched.
  void Finish(std::string_view rest, const std::optional<platform::FileIdentity>& input);

 private:
  void Stage();
  void Open(const platform::NativeString& name, const std::optional<platform::FileIdentity>& input);
  void Close();

  platform::NativeString path_;
  platform::NativeString target_;  // where the name leads, links followed
  platform::OutputFile file_;
  platform::StagedFile staged_;
  bool staging_tried_ = false;
  platform::FileError error_ = platform::FileError::kNone;  // raised once the document is read
};

}  // namespace mdlMain

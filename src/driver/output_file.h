// Writing the converted text. The output is created (or emptied) only once the document has
// been read, never when its name leads to the input document, and its close is checked. Where
// the system allows, a new output takes the text while the document is read, in an unnamed file
// that gets the output's name once the text is complete.
#pragma once

#include <optional>
#include <string_view>

#include "platform/files.h"
#include "richtext/text_sink.h"

namespace mdlMain {

class TextOutput : public richtext::TextSink {
 public:
  explicit TextOutput(platform::NativeString path) : path_(std::move(path)) {}

  // Text handed over while the document is read. Refused (the reader keeps the text) where the
  // output already exists or no unnamed file can be made; a failed write is raised by Finish.
  bool Write(std::string_view text) override;
  // Writes the rest of the text and the closing CR LF, and puts the output in place. Raises
  // when it cannot be written, or when it is the very file given as input (a link, or the
  // same name), which is then left untouched.
  void Finish(std::string_view rest, const std::optional<platform::FileIdentity>& input);

 private:
  void Open(const std::optional<platform::FileIdentity>& input);
  void Close();

  platform::NativeString path_;
  platform::OutputFile file_;
  platform::UnnamedFile unnamed_;
  bool refused_ = false;
  platform::FileError unnamed_error_ = platform::FileError::kNone;
};

}  // namespace mdlMain

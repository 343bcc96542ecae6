// Writing the converted text: the output file is created (or emptied) only after the document
// was read, never when its name leads to the input document, and its close is checked.
#pragma once

#include <optional>
#include <string_view>

#include "platform/files.h"

namespace mdlMain {

class TextOutput {
 public:
  // Opens the output for writing. Raises when it cannot be opened, or when it is the very file
  // given as input (a link, or the same name), which is then left untouched.
  void Open(const platform::NativeString& path, const std::optional<platform::FileIdentity>& input);
  // Writes the text, then the closing CR LF.
  void Write(std::string_view text);
  void Close();

 private:
  platform::OutputFile file_;
};

}  // namespace mdlMain

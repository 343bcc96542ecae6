// Loads a document file the way a run does, through the host's rich-text control.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "host/failure.h"
#include "host/frm_tool.h"

namespace testing_support {

// The document's text; nothing when the control refuses the file.
inline std::optional<std::string> LoadDocument(const std::filesystem::path& path) {
  host::RichTextControl control;
  try {
    control.LoadFile(path.native());
    return control.Text();
  } catch (const host::Failure&) {
    return std::nullopt;
  }
}

}  // namespace testing_support

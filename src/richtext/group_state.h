// What a group saves on { and restores on }: small, so that pushing it is a plain copy.
#pragma once

#include <cstdint>

#include "richtext/keywords.h"

namespace richtext {

class CodePage;

struct GroupState {
  const CodePage* code_page = nullptr;  // of 8-bit text, from the font (or the document)
  std::int32_t font = -1;               // \fN; -1 for the default font (\deff)
  std::int32_t unicode_skip = 1;        // \ucN: fallback units after each \uN
  Destination destination = Destination::kText;
  bool hidden = false;   // \v
  bool deleted = false;  // \deleted (tracked changes)
};

}  // namespace richtext

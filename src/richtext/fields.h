// Fields give their result. A SYMBOL field whose result is empty shows the character that its
// instruction names, so that character is worked out from the instruction.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace richtext {

class CodePage;

struct SymbolField {
  std::uint32_t code = 0;
  std::string font;      // \f "name"
  bool unicode = false;  // \u: the code is a Unicode character
};

// Parses `SYMBOL 183 \f "Symbol" \s 10`; nothing for any other instruction.
std::optional<SymbolField> ParseSymbolField(std::string_view instruction);

}  // namespace richtext

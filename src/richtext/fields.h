// Fields show their result, never their instruction. A SYMBOL field whose result is empty shows
// the character its instruction names, so the start of each instruction is kept until its field
// ends.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace richtext {

class FontTable;
class TextBuilder;

struct SymbolField {
  std::uint32_t code = 0;
  std::string font;      // \f "name"
  bool unicode = false;  // \u: the code is a Unicode character
};

// Parses `SYMBOL 183 \f "Symbol" \s 10`; nothing for any other instruction.
std::optional<SymbolField> ParseSymbolField(std::string_view instruction);

// The fields open around the current point, innermost last.
class Fields {
 public:
  // A \field begins; its result will go to out.
  void Begin(const TextBuilder& out);
  // Bytes of the innermost field's \fldinst.
  void CollectInstruction(const std::uint8_t* bytes, std::size_t size);
  // The innermost field's group has closed, with its result in out: the character a SYMBOL
  // field shows when its result is empty (several for some Mac codes), else none. Bytes of a
  // font that is not a symbol font are read through the document's page.
  std::u32string End(const TextBuilder& out, FontTable& fonts);

 private:
  struct Field {
    std::string instruction;           // the start of \fldinst, enough for a SYMBOL field
    const TextBuilder* out = nullptr;  // where the field's result goes
    std::size_t size_before = 0;       // of that text when the field began
  };
  std::vector<Field> open_;
};

}  // namespace richtext

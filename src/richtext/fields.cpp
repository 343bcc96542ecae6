#include "richtext/fields.h"

#include <algorithm>
#include <cctype>

#include "richtext/code_page.h"
#include "richtext/font_table.h"
#include "richtext/symbol_fonts.h"
#include "richtext/text_builder.h"

namespace richtext {
namespace {

// A field instruction is kept only as far as a SYMBOL field needs it.
constexpr std::size_t kMaxInstruction = 256;

void SkipSpace(std::string_view& text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
}

std::string_view Word(std::string_view& text) {
  SkipSpace(text);
  if (!text.empty() && text.front() == '"') {
    text.remove_prefix(1);
    std::size_t end = text.find('"');
    std::string_view word = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return word;
  }
  std::size_t end = 0;
  while (end < text.size() && text[end] != ' ' && text[end] != '\t') ++end;
  std::string_view word = text.substr(0, end);
  text.remove_prefix(end);
  return word;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (std::toupper(static_cast<unsigned char>(a[k])) !=
        std::toupper(static_cast<unsigned char>(b[k]))) {
      return false;
    }
  }
  return true;
}

std::optional<std::uint32_t> Number(std::string_view word) {
  int base = 10;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    base = 16;
    word.remove_prefix(2);
  }
  if (word.empty() || word.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : word) {
    int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                : base == 16 && std::isxdigit(static_cast<unsigned char>(c))
                    ? (std::tolower(static_cast<unsigned char>(c)) - 'a' + 10)
                    : -1;
    if (digit < 0) return std::nullopt;
    value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
  }
  return value;
}

}  // namespace

std::optional<SymbolField> ParseSymbolField(std::string_view instruction) {
  if (!EqualsIgnoringCase(Word(instruction), "SYMBOL")) return std::nullopt;
  std::optional<std::uint32_t> code = Number(Word(instruction));
  if (!code || *code == 0 || *code > 0x10FFFF) return std::nullopt;
  SymbolField field;
  field.code = *code;
  for (;;) {
    std::string_view word = Word(instruction);
    if (word.empty()) break;
    if (EqualsIgnoringCase(word, "\\f")) {
      field.font = std::string(Word(instruction));
    } else if (EqualsIgnoringCase(word, "\\u")) {
      field.unicode = true;
    }
  }
  return field;
}

void Fields::Begin(const TextBuilder& out) {
  open_.push_back(Field{std::string(), &out, out.size()});
}

void Fields::CollectInstruction(const std::uint8_t* bytes, std::size_t size) {
  if (open_.empty()) return;
  std::string& instruction = open_.back().instruction;
  const std::size_t room = kMaxInstruction - std::min(kMaxInstruction, instruction.size());
  instruction.append(reinterpret_cast<const char*>(bytes), std::min(size, room));
}

std::u32string Fields::End(const TextBuilder& out, FontTable& fonts) {
  Field field = std::move(open_.back());
  open_.pop_back();
  if (field.out != &out || out.size() != field.size_before) return {};
  std::optional<SymbolField> symbol = ParseSymbolField(field.instruction);
  if (!symbol) return {};  // a field with no result shows nothing
  char32_t c = symbol->code;
  const SymbolFont font = SymbolFontOfName(symbol->font);
  const CodePage* page =
      font != SymbolFont::kNone ? fonts.PageOfSymbolFont(font) : fonts.DocumentPage();
  if (!symbol->unicode && c >= 0x20 && c <= 0xFF) {
    c = page->single(static_cast<std::uint8_t>(c));
    if (c == kLeadByte) c = kReplacement;
    if (IsSequence(c)) {
      const std::u16string_view sequence = CodePage::Sequence(c);
      return std::u32string(sequence.begin(), sequence.end());
    }
  } else if (font != SymbolFont::kNone) {
    c = page->ShownUnicode(c);
  }
  return std::u32string(1, c);
}

}  // namespace richtext

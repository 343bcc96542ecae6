#include "richtext/fields.h"

#include <cctype>

namespace richtext {
namespace {

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

}  // namespace richtext

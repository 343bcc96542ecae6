#include "richtext/symbol_fonts.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace richtext {
namespace {

std::string Normalised(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c != ' ') out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  return out;
}

}  // namespace

SymbolFont SymbolFontOfName(std::string_view name) {
  const std::string key = Normalised(name);
  if (key == "symbol" || key == "symbolmt" || key == "symbolps") return SymbolFont::kSymbol;
  if (key == "wingdings") return SymbolFont::kWingdings;
  if (key == "wingdings2") return SymbolFont::kWingdings2;
  if (key == "wingdings3") return SymbolFont::kWingdings3;
  if (key == "webdings") return SymbolFont::kWebdings;
  return SymbolFont::kNone;
}

}  // namespace richtext

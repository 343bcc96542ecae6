// Numbers as list labels and note marks draw them: decimal, roman, letters, ordinals, English
// words, padded and full-width digits, circled numbers, and the East Asian counting formats,
// each known by its \levelnfc value.
#pragma once

#include <optional>
#include <string>

namespace richtext {

// A number as a format draws it, in UTF-8. Nothing for a format not implemented here (and for
// bullets and none, which draw no number).
std::optional<std::string> FormatListNumber(int number, int format);

// Appends a character as the text shows it (UTF-8; controls that are not shown give nothing).
void AppendShown(std::string& out, char32_t c);

}  // namespace richtext

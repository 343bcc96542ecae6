// What every text the reader gives must be, whatever the document: UTF-8 that a strict decoder
// accepts, no control characters but TAB and the CR LF pairs of line ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace testing_support {

inline bool IsWellFormedText(std::string_view text) {
  std::size_t k = 0;
  while (k < text.size()) {
    const auto lead = static_cast<std::uint8_t>(text[k]);
    if (lead < 0x80) {
      if (lead == '\r' && (k + 1 == text.size() || text[k + 1] != '\n')) return false;
      if (lead == '\n' && (k == 0 || text[k - 1] != '\r')) return false;
      if (lead == 0x7F || (lead < 0x20 && lead != '\t' && lead != '\r' && lead != '\n')) {
        return false;
      }
      ++k;
      continue;
    }
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || k + length > text.size()) return false;
    char32_t c = lead & (0x7F >> length);
    for (std::size_t m = 1; m < length; ++m) {
      const auto trail = static_cast<std::uint8_t>(text[k + m]);
      if ((trail & 0xC0) != 0x80) return false;
      c = (c << 6) | (trail & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    if (c < 0xA0) return false;  // C1 controls are never written
    k += length;
  }
  return true;
}

}  // namespace testing_support

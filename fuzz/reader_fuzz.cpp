// The reader over arbitrary bytes: it must never crash, and feeding the input in random small
// pieces must give exactly what feeding it whole gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "richtext/reader.h"

namespace {

// A cheap generator seeded from the input, so that a finding replays with the same chunks.
std::uint64_t Seed(const std::uint8_t* data, std::size_t size) {
  std::uint64_t h = 1469598103934665603ULL;
  for (std::size_t k = 0; k < size; ++k) h = (h ^ data[k]) * 1099511628211ULL;
  return h;
}

std::uint64_t Next(std::uint64_t& state) {
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return state;
}

bool IsValidUtf8WithoutStrayControls(std::string_view text) {
  std::size_t k = 0;
  while (k < text.size()) {
    const auto lead = static_cast<std::uint8_t>(text[k]);
    if (lead < 0x80) {
      if (lead == 0x7F) return false;
      if (lead < 0x20 && lead != '\t' && lead != '\r' && lead != '\n') return false;
      ++k;
      continue;
    }
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || k + length > text.size()) return false;
    char32_t c = lead & (0x7F >> length);
    for (std::size_t m = 1; m < length; ++m) {
      const auto trail = static_cast<std::uint8_t>(text[k + m]);
      if ((trail & 0xC0) != 0x80) return false;
      c = (c << 6) | (trail & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    if (c >= 0x80 && c < 0xA0) return false;  // C1 controls are never written
    k += length;
  }
  return true;
}

// Every line end the reader writes is CR LF.
bool LineEndsArePairs(std::string_view text) {
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] == '\r' && (k + 1 == text.size() || text[k + 1] != '\n')) return false;
    if (text[k] == '\n' && (k == 0 || text[k - 1] != '\r')) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string whole;
  const richtext::ReadStatus status = richtext::ConvertBytes(input, whole);

  richtext::Reader reader;
  std::uint64_t state = Seed(data, size) | 1;
  for (std::size_t at = 0; at < size;) {
    // Mostly tiny pieces (every token straddles a boundary somewhere), sometimes larger ones.
    const std::uint64_t roll = Next(state);
    std::size_t piece = (roll & 7) != 0 ? 1 + (roll >> 8) % 8 : 1 + (roll >> 8) % 512;
    if (piece > size - at) piece = size - at;
    reader.Feed(data + at, piece);
    at += piece;
  }
  const richtext::ReadStatus chunked_status = reader.Finish();
  if (chunked_status != status) std::abort();
  if (status != richtext::ReadStatus::kOk) return 0;
  const std::string chunked = reader.TakeText();
  if (chunked != whole) std::abort();

  // The text is well-formed, and no byte of input yields more than a few bytes of text.
  if (!IsValidUtf8WithoutStrayControls(whole) || !LineEndsArePairs(whole)) std::abort();
  if (whole.size() > 4 * size + 16) std::abort();
  return 0;
}

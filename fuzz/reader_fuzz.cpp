// The reader over arbitrary bytes: it must never crash, and feeding the input in random small
// pieces, handing the text over as it goes, must give exactly what feeding it whole gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "reader_in_pieces.h"
#include "richtext/reader.h"
#include "text_checks.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string whole;
  const richtext::ReadStatus status = richtext::ConvertBytes(input, whole);

  richtext::Reader reader;
  testing_support::CollectingSink sink;
  std::uint64_t state = Seed(data, size) | 1;
  // Text is handed over after each piece, at least this much at a time.
  reader.HandTextTo(sink, 1 + Next(state) % 16);
  for (std::size_t at = 0; at < size;) {
    // Mostly tiny pieces (every token straddles a boundary somewhere), sometimes larger ones.
    const std::uint64_t roll = Next(state);
    std::size_t piece = (roll & 7) != 0 ? 1 + (roll >> 8) % 8 : 1 + (roll >> 8) % 512;
    if (piece > size - at) piece = size - at;
    // Each piece in a buffer of its own size: a read past a piece's end is an error that
    // AddressSanitizer reports, not a quiet look at the next piece's bytes.
    const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[piece]);
    std::memcpy(copy.get(), data + at, piece);
    reader.Feed(copy.get(), piece);
    at += piece;
  }
  const richtext::ReadStatus chunked_status = reader.Finish();
  if (chunked_status != status) std::abort();
  if (status != richtext::ReadStatus::kOk) return 0;
  const std::string chunked = sink.text() + reader.TakeText();
  if (chunked != whole) std::abort();

  // The text is well-formed, and its size stays proportional to the input's. The largest
  // growth is a note mark: six bytes of \chftn can show a thousand symbols.
  if (!testing_support::IsWellFormedText(whole)) std::abort();
  if (whole.size() > 1024 * size + 4096) std::abort();
  return 0;
}

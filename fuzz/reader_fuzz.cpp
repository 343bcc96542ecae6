// The reader over arbitrary bytes, through the C API: it must never crash, and feeding the input
// in random small pieces, the text handed to a sink as it goes, must give exactly what one call
// gives, in both line-end styles; a sink that stops at a random piece must stop the reading.
#include <rtfplain.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

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

struct Collect {
  std::string text;
  long pieces_left;  // the sink stops when it reaches 0; negative: never
  bool stopped = false;
};

int CollectPiece(void* user, const char* text, std::size_t length) {
  auto& collect = *static_cast<Collect*>(user);
  if (collect.stopped) std::abort();  // called after it said stop
  if (collect.pieces_left == 0) {
    collect.stopped = true;
    return 1;
  }
  --collect.pieces_left;
  collect.text.append(text, length);
  return 0;
}

void Check(bool holds) {
  if (!holds) std::abort();
}

// One-shot, then streamed; the streamed text must equal the one-shot text unless the sink
// stopped, which must then be the status.
void Compare(const std::uint8_t* data, std::size_t size, unsigned flags, std::uint64_t& state) {
  char* whole = nullptr;
  std::size_t whole_length = 0;
  const rtfplain_status status = rtfplain_to_text(data, size, flags, &whole, &whole_length);
  Check(status == RTFPLAIN_OK || status == RTFPLAIN_NOT_RTF);
  Check((whole != nullptr) == (status == RTFPLAIN_OK));

  Collect collect;
  // Mostly a sink that never stops; sometimes one that stops at a random piece.
  collect.pieces_left = (Next(state) & 3) == 0 ? static_cast<long>(Next(state) % 8) : -1;
  rtfplain_reader* reader = rtfplain_reader_new(flags, CollectPiece, &collect);
  Check(reader != nullptr);
  rtfplain_status streamed = RTFPLAIN_OK;
  for (std::size_t at = 0; at < size && streamed == RTFPLAIN_OK;) {
    // Mostly tiny pieces (every token straddles a boundary somewhere), sometimes larger ones.
    const std::uint64_t roll = Next(state);
    std::size_t piece = (roll & 7) != 0 ? 1 + (roll >> 8) % 8 : 1 + (roll >> 8) % 512;
    if (piece > size - at) piece = size - at;
    // Each piece in a buffer of its own size: a read past a piece's end is an error that
    // AddressSanitizer reports, not a quiet look at the next piece's bytes.
    const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[piece]);
    std::memcpy(copy.get(), data + at, piece);
    streamed = rtfplain_reader_feed(reader, copy.get(), piece);
    at += piece;
  }
  char* rest = nullptr;
  std::size_t rest_length = 0;
  if (streamed == RTFPLAIN_OK) streamed = rtfplain_reader_finish(reader, &rest, &rest_length);
  rtfplain_reader_free(reader);
  if (collect.stopped) {
    Check(streamed == RTFPLAIN_SINK_STOPPED && rest == nullptr);
  } else {
    Check(streamed == status);
    if (status == RTFPLAIN_OK) {
      Check(collect.text + std::string(rest, rest_length) == std::string(whole, whole_length));
    }
  }
  rtfplain_free(rest);

  if (status == RTFPLAIN_OK && flags == 0) {
    // The text is well-formed, and its size stays proportional to the input's. The largest
    // growth is a note mark: six bytes of \chftn can show a thousand symbols.
    const std::string_view text(whole, whole_length);
    Check(testing_support::IsWellFormedText(text));
    Check(whole_length <= 1024 * size + 4096);
  }
  rtfplain_free(whole);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint64_t state = Seed(data, size) | 1;
  Compare(data, size, 0, state);
  Compare(data, size, RTFPLAIN_LF, state);
  return 0;
}

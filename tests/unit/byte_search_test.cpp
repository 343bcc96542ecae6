// The block searches must stop exactly where a byte-by-byte look would: every byte value, at
// every position of a block and past it.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "richtext/byte_search.h"

namespace {

using richtext::HasClass;

using Search = const std::uint8_t* (*)(const std::uint8_t*, const std::uint8_t*);

const std::uint8_t* FindTextRunEnd(const std::uint8_t* p, const std::uint8_t* end) {
  bool ascii;
  return richtext::FindTextRunEnd(p, end, ascii);
}

bool EndsTextRun(std::uint8_t b) {
  return HasClass(b, richtext::kEndsTextRun);
}
bool EndsSkipRun(std::uint8_t b) {
  return HasClass(b, richtext::kEndsSkipRun);
}

TEST(ByteSearch, StopsWhereAByteByByteLookStops) {
  struct Case {
    const char* name;
    Search search;
    bool (*stops)(std::uint8_t);
    std::uint8_t filler;  // a byte none of the searches stops at
  };
  const Case cases[] = {
      {"text run", FindTextRunEnd, EndsTextRun, 'a'},
      {"skipped run", richtext::FindSkipRunEnd, EndsSkipRun, 'a'},
  };
  constexpr std::size_t kLength = 40;  // two blocks and a tail
  for (const Case& c : cases) {
    for (int value = 0; value < 256; ++value) {
      const auto byte = static_cast<std::uint8_t>(value);
      for (std::size_t at = 0; at < kLength; ++at) {
        std::vector<std::uint8_t> bytes(kLength, c.filler);
        bytes[at] = byte;
        const std::size_t want = c.stops(byte) ? at : kLength;
        const std::uint8_t* found = c.search(bytes.data(), bytes.data() + kLength);
        ASSERT_EQ(static_cast<std::size_t>(found - bytes.data()), want)
            << c.name << ": byte " << value << " at " << at;
      }
    }
  }
}

// A run is reported as ASCII exactly when no byte above 0x7F comes before the run's end:
// one such byte at every position, before, at and after a stop, in and past the first block.
TEST(ByteSearch, TextRunsKnowWhetherTheyAreAscii) {
  constexpr std::size_t kLength = 40;
  for (const std::uint8_t high : {std::uint8_t{0x80}, std::uint8_t{0xE9}, std::uint8_t{0xFF}}) {
    for (std::size_t stop :
         {std::size_t{3}, std::size_t{15}, std::size_t{16}, std::size_t{33}, kLength}) {
      for (std::size_t at = 0; at < kLength; ++at) {
        std::vector<std::uint8_t> bytes(kLength, 'a');
        bytes[at] = high;
        if (stop < kLength) bytes[stop] = '\\';
        bool ascii = false;
        const std::uint8_t* found =
            richtext::FindTextRunEnd(bytes.data(), bytes.data() + kLength, ascii);
        const bool high_in_run = at < stop;
        ASSERT_EQ(static_cast<std::size_t>(found - bytes.data()), stop);
        ASSERT_EQ(ascii, !high_in_run) << "byte " << int{high} << " at " << at << ", stop " << stop;
      }
    }
  }
}

}  // namespace

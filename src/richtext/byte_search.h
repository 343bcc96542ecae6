// Finds where a run of plain bytes ends, sixteen bytes at a time where the processor allows:
// text runs and skipped picture data are most of a document's bytes.
#pragma once

#include <cstdint>

#include "richtext/byte_classes.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define RTFPLAIN_HAVE_SSE2 1
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>  // _BitScanForward
#endif
#endif

namespace richtext {

namespace detail {

inline const std::uint8_t* FindByClass(const std::uint8_t* p, const std::uint8_t* end,
                                       ByteClass stop) {
  while (p < end && !HasClass(*p, stop)) ++p;
  return p;
}

#ifdef RTFPLAIN_HAVE_SSE2
inline unsigned LowestBit(unsigned mask) {
#if defined(_MSC_VER) && !defined(__clang__)
  unsigned long index;
  _BitScanForward(&index, mask);
  return static_cast<unsigned>(index);
#else
  return static_cast<unsigned>(__builtin_ctz(mask));
#endif
}
#endif

}  // namespace detail

// The first byte at or after p that ends a text run (\ { } or a control byte), or end. ascii
// tells whether the run before it is all ASCII: such a run is printable ASCII, which most code
// pages leave as it is, so it can be copied without looking at it again.
inline const std::uint8_t* FindTextRunEnd(const std::uint8_t* p, const std::uint8_t* end,
                                          bool& ascii) {
  unsigned high = 0;  // bytes above 0x7F seen in the run
#ifdef RTFPLAIN_HAVE_SSE2
  // Formatting packs control words back to back: often the run is empty.
  if (p < end && HasClass(*p, kEndsTextRun)) {
    ascii = true;
    return p;
  }
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i open = _mm_set1_epi8('{');
  const __m128i close = _mm_set1_epi8('}');
  const __m128i del = _mm_set1_epi8(0x7F);
  const __m128i last_control = _mm_set1_epi8(0x1F);
  while (end - p >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Unsigned bytes <= 0x1F are exactly those whose minimum with 0x1F is themselves.
    __m128i hits = _mm_cmpeq_epi8(_mm_min_epu8(bytes, last_control), bytes);
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, backslash));
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, open));
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, close));
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, del));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    const unsigned block_high = static_cast<unsigned>(_mm_movemask_epi8(bytes));
    if (mask != 0) {
      const unsigned at = detail::LowestBit(mask);
      ascii = (high | (block_high & ((1u << at) - 1))) == 0;
      return p + at;
    }
    high |= block_high;
    p += 16;
  }
#endif
  for (; p < end && !HasClass(*p, kEndsTextRun); ++p) high |= *p & 0x80u;
  ascii = high == 0;
  return p;
}

// The first \ { or } at or after p, or end: all that matters inside skipped data.
inline const std::uint8_t* FindSkipRunEnd(const std::uint8_t* p, const std::uint8_t* end) {
#ifdef RTFPLAIN_HAVE_SSE2
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i open = _mm_set1_epi8('{');
  const __m128i close = _mm_set1_epi8('}');
  while (end - p >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hits = _mm_cmpeq_epi8(bytes, backslash);
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, open));
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, close));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return p + detail::LowestBit(mask);
    p += 16;
  }
#endif
  return detail::FindByClass(p, end, kEndsSkipRun);
}

}  // namespace richtext

#include "richtext/char_decoder.h"

namespace richtext {

// Where decoded text goes: the text being written (a \uN high surrogate still waiting is shown
// first), or characters kept apart.
struct CharDecoder::TextSink {
  TextBuilder& out;
  void One(CharDecoder& decoder, char32_t c) { decoder.Emit(c, out); }
  void Many(CharDecoder& decoder, const char32_t* chars, std::size_t count) {
    decoder.EmitBatch(chars, count, out);
  }
};

struct CharDecoder::CharsSink {
  std::u32string& out;
  void One(CharDecoder&, char32_t c) { out.push_back(c); }
  void Many(CharDecoder&, const char32_t* chars, std::size_t count) { out.append(chars, count); }
};

void CharDecoder::DecodeOther(const CodePage* page, const std::uint8_t* bytes, std::size_t size,
                              bool ascii, TextBuilder& out) {
  const bool whole = ascii && page->ascii_transparent();
  if (CharacterHalfRead() || (page->kind() != CodePage::Kind::kSingleByte && !whole)) {
    DecodeMultiByte(page, bytes, size, TextSink{out});
    return;
  }
  if (high_surrogate_ != 0) FlushSurrogate(out);
  if (whole) {
    out.AppendUtf8(reinterpret_cast<const char*>(bytes), size);
    return;
  }
  out.AppendChars(bytes, size, page->shown());
}

void CharDecoder::DecodeInto(const CodePage* page, const std::uint8_t* bytes, std::size_t size,
                             std::u32string& out) {
  if (page->kind() == CodePage::Kind::kSingleByte && !CharacterHalfRead()) {
    for (std::size_t k = 0; k < size; ++k) {
      const char32_t c = page->single(bytes[k]);
      if (IsSequence(c)) {
        for (char16_t part : CodePage::Sequence(c)) out.push_back(part);
      } else {
        out.push_back(c);
      }
    }
    return;
  }
  DecodeMultiByte(page, bytes, size, CharsSink{out});
}

template <class Sink>
void CharDecoder::DecodeMultiByte(const CodePage* page, const std::uint8_t* bytes, std::size_t size,
                                  Sink sink) {
  if (page->kind() == CodePage::Kind::kUtf8) {
    for (const std::uint8_t* const end = bytes + size; bytes < end; ++bytes)
      DecodeUtf8Byte(*bytes, sink);
  } else if (page->has_sequences()) [[unlikely]] {
    DecodePairs<true>(page, bytes, size, sink);
  } else {
    DecodePairs<false>(page, bytes, size, sink);
  }
}

template <bool kSequences, class Sink>
void CharDecoder::DecodePairs(const CodePage* page, const std::uint8_t* bytes, std::size_t size,
                              Sink sink) {
  // The characters are gathered and appended a batch at a time; a byte adds at most a pair's
  // characters and its own.
  constexpr std::size_t kMostPerByte = 2 * (kSequences ? kLongestSequence : 1);
  static_assert(kMostPerByte <= kBatch);
  char32_t batch[kBatch];
  std::size_t count = 0;
  const auto add = [&batch, &count](char32_t c) {
    if (kSequences && IsSequence(c)) {
      for (char16_t part : CodePage::Sequence(c)) batch[count++] = part;
    } else {
      batch[count++] = c;
    }
  };
  for (const std::uint8_t* const end = bytes + size; bytes < end; ++bytes) {
    if (count + kMostPerByte > kBatch) {
      sink.Many(*this, batch, count);
      count = 0;
    }
    const std::uint8_t byte = *bytes;
    if (has_lead_byte_) {
      has_lead_byte_ = false;
      const char32_t c = page->pair(lead_byte_, byte);
      add(c);
      // Not a trail byte at all (a space, a digit, a control): the lead byte alone is lost, and
      // the byte is read on its own.
      if (c != kReplacement || byte >= 0x40) continue;
    }
    const char32_t c = page->single(byte);
    if (c == kLeadByte) {
      has_lead_byte_ = true;
      lead_byte_ = byte;
    } else {
      add(c);
    }
  }
  sink.Many(*this, batch, count);
}

void CharDecoder::EmitBatch(const char32_t* chars, std::size_t count, TextBuilder& out) {
  if (count == 0) return;
  if (high_surrogate_ != 0) [[unlikely]]
    FlushSurrogate(out);
  out.AppendCodePoints(chars, count);
}

template <class Sink>
void CharDecoder::DecodeUtf8Byte(std::uint8_t byte, Sink sink) {
  if (utf8_needed_ > 0) {
    if ((byte & 0xC0) == 0x80) {
      utf8_value_ = (utf8_value_ << 6) | (byte & 0x3F);
      if (--utf8_needed_ == 0) {
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        const bool valid = utf8_value_ >= kSmallest[utf8_length_] && utf8_value_ <= 0x10FFFF &&
                           (utf8_value_ < 0xD800 || utf8_value_ > 0xDFFF);
        sink.One(*this, valid ? utf8_value_ : kReplacement);
      }
      return;
    }
    utf8_needed_ = 0;
    sink.One(*this, kReplacement);
  }
  if (byte < 0x80) {
    sink.One(*this, byte);
  } else if (byte >= 0xC2 && byte <= 0xDF) {
    utf8_value_ = byte & 0x1F;
    utf8_length_ = 2;
    utf8_needed_ = 1;
  } else if (byte >= 0xE0 && byte <= 0xEF) {
    utf8_value_ = byte & 0x0F;
    utf8_length_ = 3;
    utf8_needed_ = 2;
  } else if (byte >= 0xF0 && byte <= 0xF4) {
    utf8_value_ = byte & 0x07;
    utf8_length_ = 4;
    utf8_needed_ = 3;
  } else {
    sink.One(*this, kReplacement);
  }
}

void CharDecoder::Unicode(char32_t c, TextBuilder& out) {
  if (c >= 0xD800 && c <= 0xDBFF) {
    if (high_surrogate_ != 0) FlushSurrogate(out);
    high_surrogate_ = c;
    return;
  }
  if (c >= 0xDC00 && c <= 0xDFFF) {
    if (high_surrogate_ == 0) {
      out.AppendCodePoint(kReplacement);
      return;
    }
    const char32_t combined = 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (c - 0xDC00);
    high_surrogate_ = 0;
    out.AppendCodePoint(combined);
    return;
  }
  Emit(c, out);
}

void CharDecoder::FlushSurrogate(TextBuilder& out) {
  high_surrogate_ = 0;
  out.AppendCodePoint(kReplacement);  // a high surrogate whose low half never came
}

std::size_t CharDecoder::SkipFallbackBytes(const CodePage* page, const std::uint8_t* bytes,
                                           std::size_t size) {
  // Each byte of the fallback text counts as one unit.
  if (page->kind() != CodePage::Kind::kDoubleByte) return SkipFallbackUnits(size);
  // Writers put double-byte fallbacks in raw: a lead byte takes its trail byte with it.
  std::size_t skip = 0;
  while (skip < size) {
    if (skipped_lead_) {
      skipped_lead_ = false;
    } else if (fallback_left_ > 0) {
      skipped_lead_ = page->single(bytes[skip]) == kLeadByte;
    } else {
      break;
    }
    if (fallback_left_ > 0) --fallback_left_;
    ++skip;
  }
  return skip;
}

}  // namespace richtext

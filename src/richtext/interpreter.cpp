#include "richtext/interpreter.h"

#include <algorithm>

namespace richtext {
namespace {

// Spaces held after the document's end; more are not kept (they would be noise anyway).
constexpr std::size_t kMaxHeldSpace = 4096;

// Bytes that stand for themselves in every ASCII-transparent page and need no filtering.
inline bool IsPrintableAscii(std::uint8_t byte) {
  return static_cast<std::uint8_t>(byte - 0x20) < 0x5F;
}

bool IsSkippedDestination(Destination destination) {
  return destination == Destination::kSkip || destination == Destination::kUprAnsi ||
         destination == Destination::kNestTableProps;
}

std::uint64_t BinaryLength(bool has_parameter, std::int32_t parameter) {
  return has_parameter && parameter > 0 ? static_cast<std::uint64_t>(parameter) : 0;
}

}  // namespace

Interpreter::Interpreter(TextBuilder& out) : out_(out) {
  state_.code_page = code_pages_.windows1252();
  UpdateMode();
}

void Interpreter::UpdateMode() {
  visible_ = state_.destination == Destination::kText && !state_.hidden && !state_.deleted;
  skipping_text_ = !visible_ && state_.destination != Destination::kFontTable;
}

void Interpreter::SetDestination(Destination destination) {
  // Text destinations inside the font table are damage; the table stays a table.
  if (state_.destination == Destination::kFontTable && destination == Destination::kText) return;
  state_.destination = destination;
  if (destination == Destination::kFontTable) defining_font_ = nullptr;
  UpdateMode();
}

void Interpreter::ResolveCodePage() {
  const std::int32_t number = state_.font < 0 ? default_font_ : state_.font;
  const CodePage* document = code_pages_.Get(document_code_page_);
  int code_page = 0;
  if (const Font* font = fonts_.Find(number)) {
    code_page = font->code_page > 0 ? font->code_page : CodePageOfCharset(font->charset);
  }
  state_.code_page = code_page > 0 ? code_pages_.Get(code_page, document) : document;
  DropPartialCharacter();
}

void Interpreter::Text(const std::uint8_t* bytes, std::size_t size) {
  if (unicode_skip_ > 0) {
    // Each byte of the fallback text counts as one unit.
    std::size_t skip = std::min<std::size_t>(size, static_cast<std::size_t>(unicode_skip_));
    bytes += skip;
    size -= skip;
    unicode_skip_ -= static_cast<std::int32_t>(skip);
    if (size == 0) return;
  }
  ignorable_ = false;
  if (after_end_) [[unlikely]] {
    std::size_t spaces = 0;
    while (spaces < size && bytes[spaces] == ' ') ++spaces;
    if (spaces == size) {
      if (held_space_.size() < kMaxHeldSpace) held_space_.append(size, ' ');
      return;
    }
    LeaveAfterEnd();
  }
  if (state_.destination == Destination::kFontTable) {
    CollectFontName(bytes, size);
    return;
  }
  if (!visible_) return;
  DecodeBytes(bytes, size);
}

void Interpreter::DecodeBytes(const std::uint8_t* bytes, std::size_t size) {
  const CodePage* page = state_.code_page;
  if (page->kind() != CodePage::Kind::kSingleByte || has_lead_byte_ || utf8_needed_ > 0) {
    DecodeMultiByte(bytes, size);
    return;
  }
  if (high_surrogate_ != 0) FlushSurrogate();
  const std::uint8_t* end = bytes + size;
  if (page->ascii_transparent()) {
    while (bytes < end) {
      const std::uint8_t* run = bytes;
      while (bytes < end && IsPrintableAscii(*bytes)) ++bytes;
      if (bytes > run) {
        out_.AppendUtf8(reinterpret_cast<const char*>(run), static_cast<std::size_t>(bytes - run));
      }
      while (bytes < end && !IsPrintableAscii(*bytes)) out_.AppendCodePoint(page->single(*bytes++));
    }
  } else {
    while (bytes < end) out_.AppendCodePoint(page->single(*bytes++));
  }
}

void Interpreter::DecodeMultiByte(const std::uint8_t* bytes, std::size_t size) {
  const CodePage* page = state_.code_page;
  for (const std::uint8_t* end = bytes + size; bytes < end; ++bytes) {
    const std::uint8_t byte = *bytes;
    if (page->kind() == CodePage::Kind::kUtf8) {
      DecodeUtf8Byte(byte);
      continue;
    }
    if (has_lead_byte_) {
      has_lead_byte_ = false;
      const char32_t c = page->pair(lead_byte_, byte);
      if (c == kReplacement && byte < 0x40) {
        // Not a trail byte at all (a space, a digit, a control): the lead byte alone is lost.
        Emit(kReplacement);
      } else {
        Emit(c);
        continue;
      }
    }
    const char32_t c = page->single(byte);
    if (c == kLeadByte) {
      has_lead_byte_ = true;
      lead_byte_ = byte;
    } else {
      Emit(c);
    }
  }
}

void Interpreter::DecodeUtf8Byte(std::uint8_t byte) {
  if (utf8_needed_ > 0) {
    if ((byte & 0xC0) == 0x80) {
      utf8_value_ = (utf8_value_ << 6) | (byte & 0x3F);
      if (--utf8_needed_ == 0) {
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        const bool valid = utf8_value_ >= kSmallest[utf8_length_] && utf8_value_ <= 0x10FFFF &&
                           (utf8_value_ < 0xD800 || utf8_value_ > 0xDFFF);
        Emit(valid ? utf8_value_ : kReplacement);
      }
      return;
    }
    utf8_needed_ = 0;
    Emit(kReplacement);
  }
  if (byte < 0x80) {
    Emit(byte);
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
    Emit(kReplacement);
  }
}

void Interpreter::FlushSurrogate() {
  high_surrogate_ = 0;
  out_.AppendCodePoint(kReplacement);  // a high surrogate whose low half never came
}

void Interpreter::EmitUnicode(std::int32_t value) {
  // \uN is a signed 16-bit number: negative values stand for U+8000..U+FFFF.
  if (value < 0) value = value >= -32768 ? value + 65536 : static_cast<std::int32_t>(kReplacement);
  if (value > 0x10FFFF) value = static_cast<std::int32_t>(kReplacement);
  const char32_t c = static_cast<char32_t>(value);
  if (c >= 0xD800 && c <= 0xDBFF) {
    if (high_surrogate_ != 0) FlushSurrogate();
    high_surrogate_ = c;
    return;
  }
  if (c >= 0xDC00 && c <= 0xDFFF) {
    if (high_surrogate_ == 0) {
      out_.AppendCodePoint(kReplacement);
      return;
    }
    const char32_t combined = 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (c - 0xDC00);
    high_surrogate_ = 0;
    out_.AppendCodePoint(combined);
    return;
  }
  Emit(c);
}

void Interpreter::LeaveAfterEnd() {
  after_end_ = false;
  if (visible_) {
    for (char c : held_space_) Emit(static_cast<char32_t>(c));
  }
  held_space_.clear();
}

void Interpreter::CollectFontName(const std::uint8_t* bytes, std::size_t size) {
  if (defining_font_ == nullptr || defining_font_->name_done) return;
  for (std::size_t k = 0; k < size; ++k) {
    if (bytes[k] == ';') {
      defining_font_->name_done = true;
      return;
    }
    if (defining_font_->name.size() < FontTable::kMaxNameLength) {
      defining_font_->name.push_back(static_cast<char>(bytes[k]));
    }
  }
}

void Interpreter::ControlByte(std::uint8_t byte) {
  if (byte != '\t') return;  // NUL and other control bytes are not text
  if (unicode_skip_ > 0) {
    --unicode_skip_;
    return;
  }
  if (after_end_) {
    if (held_space_.size() < kMaxHeldSpace) held_space_.push_back('\t');
    return;
  }
  if (visible_) Emit('\t');
}

void Interpreter::HexByte(std::uint8_t byte) {
  if (unicode_skip_ > 0) {
    --unicode_skip_;
    return;
  }
  ignorable_ = false;
  if (after_end_) LeaveAfterEnd();
  if (state_.destination == Destination::kFontTable) {
    CollectFontName(&byte, 1);
    return;
  }
  if (visible_) DecodeBytes(&byte, 1);
}

void Interpreter::ControlSymbol(std::uint8_t symbol) {
  if (symbol == '*') {
    ignorable_ = true;
    return;
  }
  if (unicode_skip_ > 0 && !IsSkippedDestination(state_.destination)) {
    --unicode_skip_;
    return;
  }
  ignorable_ = false;
  switch (symbol) {
    case '\\':
    case '{':
    case '}':
      // Escaped bytes are text, and may be the trail byte of a double-byte character.
      if (after_end_) LeaveAfterEnd();
      if (state_.destination == Destination::kFontTable) {
        CollectFontName(&symbol, 1);
      } else if (visible_) {
        DecodeBytes(&symbol, 1);
      }
      break;
    case '~':
      if (visible_) Emit(0x00A0);
      break;
    case '_':
      if (visible_) Emit(0x2011);
      break;
    case '\r':
    case '\n':
      // A backslash before a line end is a paragraph end (TextEdit writes this).
      if (visible_) {
        DropPartialCharacter();
        if (high_surrogate_ != 0) FlushSurrogate();
        out_.ParagraphEnd();
      }
      break;
    case '\t':
      if (visible_) Emit('\t');
      break;
    default:
      break;  // \- optional hyphen, \: index subentry, \| formula: nothing to show
  }
}

std::uint64_t Interpreter::SkippedDestinationWord(std::string_view name, bool has_parameter,
                                                  std::int32_t parameter) {
  if (name == "bin") return BinaryLength(has_parameter, parameter);
  if (state_.destination == Destination::kUprAnsi && name == "ud") {
    SetDestination(Destination::kText);
  } else if (state_.destination == Destination::kNestTableProps && name == "nestrow") {
    if (!state_.hidden && !state_.deleted) out_.RowEnd();
  }
  return 0;
}

std::uint64_t Interpreter::ControlWord(std::string_view name, bool has_parameter,
                                       std::int32_t parameter) {
  const bool ignorable = ignorable_;
  ignorable_ = false;
  if (IsSkippedDestination(state_.destination)) {
    return SkippedDestinationWord(name, has_parameter, parameter);
  }
  if (unicode_skip_ > 0) {
    // A control word inside a \uN fallback counts as one unit and is not acted on.
    --unicode_skip_;
    return name == "bin" ? BinaryLength(has_parameter, parameter) : 0;
  }
  if (after_end_) LeaveAfterEnd();
  const Keyword* keyword = FindKeyword(name);
  if (keyword == nullptr || (ignorable && keyword->action != Action::kDestination &&
                             keyword->action != Action::kUnicodeCopy)) {
    if (ignorable) SetDestination(Destination::kSkip);  // {\*\unknown ...} is not text
    return 0;
  }
  const bool structural_output = visible_;
  switch (keyword->action) {
    case Action::kDestination:
      SetDestination(static_cast<Destination>(keyword->value));
      break;
    case Action::kCharacter:
      if (visible_) Emit(static_cast<char32_t>(keyword->value));
      break;
    case Action::kParagraph:
    case Action::kLineBreak:
    case Action::kCell:
    case Action::kRow:
    case Action::kNestRow:
      if (structural_output) {
        DropPartialCharacter();
        if (high_surrogate_ != 0) FlushSurrogate();
        switch (keyword->action) {
          case Action::kParagraph:
            out_.ParagraphEnd();
            break;
          case Action::kLineBreak:
            out_.LineBreak();
            break;
          case Action::kCell:
            out_.CellEnd();
            break;
          default:
            out_.RowEnd();
            break;
        }
      }
      break;
    case Action::kTab:
      if (visible_) Emit('\t');
      break;
    case Action::kUnicode:
      if (!has_parameter) break;
      if (visible_) EmitUnicode(parameter);
      unicode_skip_ = state_.unicode_skip;
      break;
    case Action::kUnicodeSkip:
      state_.unicode_skip = has_parameter ? std::max<std::int32_t>(parameter, 0) : 1;
      break;
    case Action::kBinary:
      return BinaryLength(has_parameter, parameter);
    case Action::kFont:
      if (!has_parameter) break;
      if (state_.destination == Destination::kFontTable) {
        defining_font_ = fonts_.Declare(parameter);
      } else {
        state_.font = parameter;
        ResolveCodePage();
      }
      break;
    case Action::kDefaultFont:
      if (has_parameter) default_font_ = parameter;
      if (state_.font < 0) ResolveCodePage();
      break;
    case Action::kFontCharset:
      if (defining_font_ != nullptr && has_parameter) defining_font_->charset = parameter;
      break;
    case Action::kFontCodePage:
      if (defining_font_ != nullptr && has_parameter) defining_font_->code_page = parameter;
      break;
    case Action::kDocumentCodePage: {
      const int code_page = keyword->value != 0 ? keyword->value : (has_parameter ? parameter : 0);
      if (code_page > 0) {
        document_code_page_ = code_page;
        ResolveCodePage();
      }
      break;
    }
    case Action::kPlain:
      state_.font = -1;
      state_.hidden = false;
      state_.deleted = false;
      ResolveCodePage();
      UpdateMode();
      break;
    case Action::kHidden:
      state_.hidden = !has_parameter || parameter != 0;
      UpdateMode();
      break;
    case Action::kDeleted:
      state_.deleted = !has_parameter || parameter != 0;
      UpdateMode();
      break;
    case Action::kUnicodeCopy:
      break;  // \ud outside \upr: its group is ordinary text
  }
  return 0;
}

void Interpreter::GroupOpen() {
  DropPartialCharacter();
  unicode_skip_ = 0;  // a group boundary ends a \uN fallback
  ignorable_ = false;
  if (after_end_) LeaveAfterEnd();
  if (saved_.size() >= kMaxGroupDepth) {
    ++unsaved_depth_;
    return;
  }
  saved_.push_back(state_);
}

void Interpreter::GroupClose() {
  DropPartialCharacter();
  unicode_skip_ = 0;
  ignorable_ = false;
  if (unsaved_depth_ > 0) {
    --unsaved_depth_;
    return;
  }
  if (saved_.empty()) {
    after_end_ = true;  // a stray }: nothing to close, and what follows may be trailing space
    return;
  }
  const Destination closed = state_.destination;
  state_ = saved_.back();
  saved_.pop_back();
  if (closed == Destination::kFontTable) {
    defining_font_ = nullptr;
    ResolveCodePage();  // fonts named before the table existed can be resolved now
  }
  UpdateMode();
  if (saved_.empty()) after_end_ = true;
}

void Interpreter::Finish() {
  DropPartialCharacter();
  if (high_surrogate_ != 0 && visible_) FlushSurrogate();
  high_surrogate_ = 0;
}

}  // namespace richtext

#include "richtext/interpreter.h"

#include <algorithm>
#include <limits>

#include "richtext/byte_search.h"
#include "richtext/fields.h"
#include "richtext/symbol_fonts.h"

namespace richtext {
namespace {

// Spaces held after the document's end; more are not kept (they would be noise anyway).
constexpr std::size_t kMaxHeldSpace = 4096;
// A field instruction is kept only as far as a SYMBOL field needs it.
constexpr std::size_t kMaxInstruction = 256;

// Bytes that stand for themselves in every ASCII-transparent page and need no filtering.
inline bool IsPrintableAscii(std::uint8_t byte) {
  return static_cast<std::uint8_t>(byte - 0x20) < 0x5F;
}

// Destinations whose control words are not acted on (only \bin, and a few named below).
bool IsSkippedDestination(Destination destination) {
  return destination == Destination::kSkip || destination == Destination::kUprAnsi ||
         destination == Destination::kUprAnsiInFontTable ||
         destination == Destination::kNestTableProps ||
         destination == Destination::kFieldInstruction;
}

// Words that may follow \* because they begin a group of their own kind.
bool OpensDestination(Action action) {
  switch (action) {
    case Action::kDestination:
    case Action::kUnicodeCopy:
    case Action::kListText:
    case Action::kTextBox:
    case Action::kField:
    case Action::kFieldResult:
    case Action::kFootnote:
      return true;
    default:
      return false;
  }
}

std::uint64_t BinaryLength(bool has_parameter, std::int32_t parameter) {
  return has_parameter && parameter > 0 ? static_cast<std::uint64_t>(parameter) : 0;
}

bool IsSymbolPage(const CodePage* page) {
  return page->number() == kSymbolCodePage || page->number() == kWingdingsCodePage;
}

// The next note number. A \ftnstart near the top of the range must not make it wrap.
int CountNote(int& counted) {
  if (counted < std::numeric_limits<int>::max()) ++counted;
  return counted;
}

}  // namespace

Interpreter::Interpreter(TextBuilder& body) : body_(body) {
  state_.out = &body_;
  UpdateMode();
}

void Interpreter::UpdateMode() {
  visible_ = state_.destination == Destination::kText && !state_.hidden && !state_.deleted;
  words_skipped_ = IsSkippedDestination(state_.destination);
  skipping_text_ = !visible_ && state_.destination != Destination::kFontTable &&
                   state_.destination != Destination::kFieldInstruction;
}

void Interpreter::SetDestination(Destination destination) {
  // Text destinations inside the font table are damage; the table stays a table.
  if (state_.destination == Destination::kFontTable && destination == Destination::kText) return;
  state_.destination = destination;
  UpdateMode();
}

void Interpreter::ResolveCodePage() {
  // Word names fonts several times per run of text (\f, \af, \loch, \hich, \dbch); the page
  // is worked out once, when text needs it.
  state_.code_page = nullptr;
  DropPartialCharacter();
}

const CodePage* Interpreter::WorkOutCodePage() {
  // After \dbch or \rtlch, an \af given after the last \f names the font of what follows.
  std::int32_t number = state_.font;
  if (state_.associated_last && state_.associated_font >= 0 &&
      (state_.double_byte || state_.right_to_left)) {
    number = state_.associated_font;
  }
  if (number < 0) number = default_font_;
  const CodePage* document = DocumentPage();
  Font* font = fonts_.Find(number);
  if (font == nullptr) return state_.code_page = document;
  if (font->page != nullptr && font->page_generation == page_generation_) {
    return state_.code_page = font->page;
  }
  if (!font->symbol_known) {
    font->symbol = SymbolFontOfName(font->name);
    font->symbol_known = font->name_done;
  }
  int code_page = 0;
  if (font->symbol == SymbolFont::kSymbol) {
    code_page = kSymbolCodePage;
  } else if (font->symbol == SymbolFont::kWingdings) {
    code_page = kWingdingsCodePage;
  } else {
    code_page = font->code_page > 0 ? font->code_page : CodePageOfCharset(font->charset);
  }
  font->page = code_page > 0 ? code_pages_.Get(code_page, document) : document;
  font->page_generation = page_generation_;
  return state_.code_page = font->page;
}

const CodePage* Interpreter::DocumentPage() {
  if (document_page_ == nullptr) document_page_ = code_pages_.Get(document_code_page_);
  return document_page_;
}

void Interpreter::Text(const std::uint8_t* bytes, std::size_t size, bool ascii) {
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
    // Leading spaces are always held, never decoded with the rest of the run: a run split
    // anywhere must give the same text.
    std::size_t spaces = 0;
    while (spaces < size && bytes[spaces] == ' ') ++spaces;
    held_space_.append(std::min(spaces, kMaxHeldSpace - held_space_.size()), ' ');
    if (spaces == size) return;
    bytes += spaces;
    size -= spaces;
    LeaveAfterEnd();
  }
  TextBytes(bytes, size, ascii);
}

void Interpreter::TextBytes(const std::uint8_t* bytes, std::size_t size, bool ascii) {
  if (visible_) {
    DecodeBytes(bytes, size, ascii);
  } else if (state_.destination == Destination::kFontTable) {
    CollectFontName(bytes, size);
  } else if (state_.destination == Destination::kFieldInstruction && !fields_.empty()) {
    std::string& instruction = fields_.back().instruction;
    const std::size_t room = kMaxInstruction - std::min(kMaxInstruction, instruction.size());
    instruction.append(reinterpret_cast<const char*>(bytes), std::min(size, room));
  }
}

void Interpreter::DecodeBytes(const std::uint8_t* bytes, std::size_t size, bool ascii) {
  const CodePage* page = CurrentPage();
  // Printable ASCII, with no character half read, is copied whole under any page that leaves
  // it as it is: most text is.
  const bool whole = ascii && page->ascii_transparent();
  if (CharacterHalfRead() || (page->kind() != CodePage::Kind::kSingleByte && !whole)) {
    DecodeMultiByte(bytes, size);
    return;
  }
  if (high_surrogate_ != 0) FlushSurrogate();
  TextBuilder& text = out();
  if (whole) {
    text.AppendUtf8(reinterpret_cast<const char*>(bytes), size);
    return;
  }
  const std::uint8_t* end = bytes + size;
  if (page->ascii_transparent()) {
    while (bytes < end) {
      const std::uint8_t* run = bytes;
      bytes = FindNonPrintableAscii(bytes, end);
      if (bytes > run) {
        text.AppendUtf8(reinterpret_cast<const char*>(run), static_cast<std::size_t>(bytes - run));
      }
      while (bytes < end && !IsPrintableAscii(*bytes)) text.AppendCodePoint(page->single(*bytes++));
    }
  } else {
    while (bytes < end) text.AppendCodePoint(page->single(*bytes++));
  }
}

void Interpreter::DecodeMultiByte(const std::uint8_t* bytes, std::size_t size) {
  const CodePage* page = CurrentPage();
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
  out().AppendCodePoint(kReplacement);  // a high surrogate whose low half never came
}

void Interpreter::EmitUnicode(std::int32_t value) {
  // \uN is a signed 16-bit number: negative values stand for U+8000..U+FFFF.
  if (value < 0) value = value >= -32768 ? value + 65536 : static_cast<std::int32_t>(kReplacement);
  if (value > 0x10FFFF) value = static_cast<std::int32_t>(kReplacement);
  char32_t c = static_cast<char32_t>(value);
  if (c >= 0xD800 && c <= 0xDBFF) {
    if (high_surrogate_ != 0) FlushSurrogate();
    high_surrogate_ = c;
    return;
  }
  if (c >= 0xDC00 && c <= 0xDFFF) {
    if (high_surrogate_ == 0) {
      out().AppendCodePoint(kReplacement);
      return;
    }
    const char32_t combined = 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (c - 0xDC00);
    high_surrogate_ = 0;
    out().AppendCodePoint(combined);
    return;
  }
  // Symbol fonts are written as \u in the private area U+F020-U+F0FF.
  if (c >= 0xF020 && c <= 0xF0FF && IsSymbolPage(CurrentPage())) {
    c = state_.code_page->single(static_cast<std::uint8_t>(c - 0xF000));
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
  defining_font_->symbol_known = false;
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
  if (visible_ && !CharacterHalfRead()) {
    // The usual \'hh, one character of a single-byte page: no need of the run machinery.
    const CodePage* page = CurrentPage();
    if (page->kind() == CodePage::Kind::kSingleByte) {
      if (high_surrogate_ != 0) FlushSurrogate();
      out().AppendCodePoint(page->single(byte));
      return;
    }
  }
  TextBytes(&byte, 1, IsPrintableAscii(byte));
}

void Interpreter::BeforeBreak() {
  DropPartialCharacter();
  if (high_surrogate_ != 0) FlushSurrogate();
}

void Interpreter::ControlSymbol(std::uint8_t symbol) {
  if (symbol == '*') {
    ignorable_ = true;
    return;
  }
  const bool in_text = !words_skipped_;
  if (unicode_skip_ > 0 && in_text) {
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
      TextBytes(&symbol, 1, true);
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
        BeforeBreak();
        out().ParagraphEnd();
        ParagraphBoundary();
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
  } else if (state_.destination == Destination::kUprAnsiInFontTable && name == "ud") {
    SetDestination(Destination::kFontTable);
  } else if (state_.destination == Destination::kNestTableProps && name == "nestrow") {
    if (!state_.hidden && !state_.deleted) {
      BeforeBreak();
      out().RowEnd();
      ParagraphBoundary();
    }
  }
  return 0;
}

void Interpreter::BeginField() {
  // One field per group; fields inside skipped parts never get here, so this stays bounded.
  if (state_.opens_field) return;
  state_.opens_field = true;
  fields_.push_back(Field{std::string(), state_.out, state_.out->size()});
}

void Interpreter::EndField() {
  Field field = std::move(fields_.back());
  fields_.pop_back();
  if (!visible_ || field.out != state_.out || field.out->size() != field.size_before) return;
  std::optional<SymbolField> symbol = ParseSymbolField(field.instruction);
  if (!symbol) return;  // a field with no result shows nothing
  char32_t c = symbol->code;
  const SymbolFont font = SymbolFontOfName(symbol->font);
  if (!symbol->unicode && c >= 0x20 && c <= 0xFF) {
    if (font != SymbolFont::kNone) {
      c = SymbolFontTable(font)[c - 0x20];
    } else {
      c = DocumentPage()->single(static_cast<std::uint8_t>(c));
      if (c == kLeadByte) c = kReplacement;
    }
  } else if (c >= 0xF020 && c <= 0xF0FF && font != SymbolFont::kNone) {
    c = SymbolFontTable(font)[c - 0xF020];
  }
  Emit(c);
}

void Interpreter::BeginNote() {
  if (!visible_) {
    SetDestination(Destination::kSkip);  // a hidden or deleted note is not text
    return;
  }
  if (state_.note >= 0) return;  // a note inside a note: its text stays where it is
  if (notes_.size() >= Notes::kMaxNotes) {
    mark_pending_ = false;  // past the limit a note's text stays in the body, after its mark
    return;
  }
  Note& note = notes_.Add();
  if (mark_pending_) {
    note.mark = mark_text_;
    mark_pending_ = false;
  }
  state_.note = static_cast<std::int32_t>(notes_.size() - 1);
  state_.out = &note.text;
}

void Interpreter::MakeEndnote() {
  if (state_.note < 0) return;
  Note& note = notes_.at(static_cast<std::size_t>(state_.note));
  if (note.endnote) return;
  note.endnote = true;
  if (note.mark.empty()) return;
  // The body's mark was counted as a footnote before the note said otherwise.
  --footnotes_counted_;
  std::string mark = FormatNoteNumber(CountNote(endnotes_counted_), endnote_numbering_);
  if (mark_offset_ + note.mark.size() <= body_.size()) {
    body_.Replace(mark_offset_, note.mark.size(), mark);
  }
  note.mark = std::move(mark);
}

void Interpreter::NoteMark() {
  if (!visible_) return;
  if (state_.note >= 0) {
    const Note& note = notes_.at(static_cast<std::size_t>(state_.note));
    if (high_surrogate_ != 0) FlushSurrogate();
    out().AppendUtf8(note.mark.data(), note.mark.size());
    return;
  }
  if (&out() != &body_) return;
  mark_text_ = FormatNoteNumber(CountNote(footnotes_counted_), footnote_numbering_);
  if (high_surrogate_ != 0) FlushSurrogate();
  body_.AppendUtf8(mark_text_.data(), mark_text_.size());
  mark_offset_ = body_.size() - mark_text_.size();
  mark_pending_ = true;
}

std::uint64_t Interpreter::ControlWord(std::string_view name, bool has_parameter,
                                       std::int32_t parameter) {
  const bool ignorable = ignorable_;
  ignorable_ = false;
  if (words_skipped_) {
    return SkippedDestinationWord(name, has_parameter, parameter);
  }
  if (unicode_skip_ > 0) {
    // A control word inside a \uN fallback counts as one unit and is not acted on.
    --unicode_skip_;
    return name == "bin" ? BinaryLength(has_parameter, parameter) : 0;
  }
  if (after_end_) LeaveAfterEnd();
  const Keyword keyword = FindKeywordReadingAhead(name);
  if (keyword.action == Action::kIgnored || (ignorable && !OpensDestination(keyword.action))) {
    if (ignorable) SetDestination(Destination::kSkip);  // {\*\unknown ...} is not text
    return 0;
  }
  switch (keyword.action) {
    case Action::kIgnored:
      break;
    case Action::kDestination: {
      Destination destination = static_cast<Destination>(keyword.value);
      if (destination == Destination::kFontTable) defining_font_ = nullptr;
      // \upr inside the font table: its Unicode copy is still part of the table.
      if (destination == Destination::kUprAnsi && state_.destination == Destination::kFontTable) {
        destination = Destination::kUprAnsiInFontTable;
      }
      SetDestination(destination);
      break;
    }
    case Action::kCharacter:
      if (visible_) Emit(static_cast<char32_t>(keyword.value));
      break;
    case Action::kParagraph:
    case Action::kLineBreak:
    case Action::kCell:
    case Action::kRow:
    case Action::kNestRow:
      if (visible_) {
        BeforeBreak();
        switch (keyword.action) {
          case Action::kParagraph:
            out().ParagraphEnd();
            break;
          case Action::kLineBreak:
            out().LineBreak();
            break;
          case Action::kCell:
            out().CellEnd();
            break;
          default:
            out().RowEnd();
            break;
        }
        if (keyword.action != Action::kLineBreak) ParagraphBoundary();
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
        state_.associated_last = false;
        ResolveCodePage();
      }
      break;
    case Action::kAssociatedFont:
      if (!has_parameter || state_.destination == Destination::kFontTable) break;
      state_.associated_font = parameter;
      state_.associated_last = true;
      ResolveCodePage();
      break;
    case Action::kFontClass:
      state_.double_byte = keyword.value != 0;
      ResolveCodePage();
      break;
    case Action::kDirection:
      state_.right_to_left = keyword.value != 0;
      ResolveCodePage();
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
      const int code_page = keyword.value != 0 ? keyword.value : (has_parameter ? parameter : 0);
      if (code_page > 0) {
        document_code_page_ = code_page;
        document_page_ = nullptr;
        ++page_generation_;
        ResolveCodePage();
      }
      break;
    }
    case Action::kPlain:
      state_.font = -1;
      state_.associated_font = -1;
      state_.associated_last = false;
      state_.double_byte = false;
      state_.right_to_left = false;
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
    case Action::kListText:
      // A paragraph shows one list number, however many copies the writer left for old readers.
      if (list_text_seen_ && visible_) {
        SetDestination(Destination::kSkip);
      } else if (visible_) {
        list_text_seen_ = true;
      }
      break;
    case Action::kTextBox:
      if (visible_ && !state_.opens_text_box) {
        state_.opens_text_box = true;
        out().EnsureLineStart();
      }
      break;
    case Action::kField:
      BeginField();
      break;
    case Action::kFieldResult:
      break;  // the result is ordinary text
    case Action::kFootnote:
      BeginNote();
      break;
    case Action::kEndnote:
      MakeEndnote();
      break;
    case Action::kNoteMark:
      NoteMark();
      break;
    case Action::kNoteNumbering: {
      const auto numbering = static_cast<NoteNumbering>(keyword.value & 15);
      (keyword.value >= 16 ? endnote_numbering_ : footnote_numbering_) = numbering;
      break;
    }
    case Action::kNoteStart:
      if (has_parameter && parameter > 0) {
        (keyword.value != 0 ? endnotes_counted_ : footnotes_counted_) = parameter - 1;
      }
      break;
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
  state_.opens_field = false;
  state_.opens_text_box = false;
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
  const bool closes_field = state_.opens_field;
  const bool closes_text_box = state_.opens_text_box;
  state_ = saved_.back();
  saved_.pop_back();
  if (closed == Destination::kFontTable) {
    defining_font_ = nullptr;
    ++page_generation_;
    ResolveCodePage();  // fonts named before the table existed can be resolved now
  }
  UpdateMode();
  if (closes_field) EndField();
  if (closes_text_box && visible_) out().EnsureLineStart();
  if (saved_.empty()) after_end_ = true;
}

void Interpreter::Finish() {
  DropPartialCharacter();
  if (high_surrogate_ != 0 && visible_) FlushSurrogate();
  high_surrogate_ = 0;
}

}  // namespace richtext

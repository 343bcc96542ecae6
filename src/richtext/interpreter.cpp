#include "richtext/interpreter.h"

#include <algorithm>

// The dispatch of control symbols and words, and the group stack; the text tokens are in
// interpreter_text.cpp.

namespace richtext {
namespace {

// Destinations whose control words are not acted on (only \bin, and a few named below).
bool IsSkippedDestination(Destination destination) {
  return destination == Destination::kSkip || destination == Destination::kUprAnsi ||
         destination == Destination::kUprAnsiInFontTable ||
         destination == Destination::kNestTableProps ||
         destination == Destination::kFieldInstruction;
}

std::uint64_t BinaryLength(bool has_parameter, std::int32_t parameter) {
  return has_parameter && parameter > 0 ? static_cast<std::uint64_t>(parameter) : 0;
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
                   state_.destination != Destination::kFieldInstruction &&
                   !IsListText(state_.destination);
}

void Interpreter::SetDestination(Destination destination) {
  // Text destinations inside the font table are damage; the table stays a table.
  if (state_.destination == Destination::kFontTable && destination == Destination::kText) return;
  state_.destination = destination;
  UpdateMode();
}

// ---------------------------------------------------------------------------------------------
// Control symbols and words

void Interpreter::ControlSymbol(std::uint8_t symbol) {
  if (symbol == '*') {
    ignorable_ = true;
    return;
  }
  if (!words_skipped_ && decoder_.SkipFallbackUnit()) return;
  ignorable_ = false;
  switch (symbol) {
    case '\\':
    case '{':
    case '}':
      // Escaped bytes are text, and may be the trail byte of a double-byte character.
      if (after_end_) LeaveAfterEnd();
      RouteBytes(&symbol, 1, true);
      break;
    case '~':
      if (visible_) Emit(0x00A0);
      break;
    case '_':
      if (visible_) Emit(0x2011);
      break;
    case '\r':
    case '\n':
      Break(Action::kParagraph);  // a backslash before a line end (TextEdit writes this)
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
      decoder_.EndCharacter(out());
      out().RowEnd();
      lists_.ParagraphEnded(state_);
    }
  }
  return 0;
}

std::uint64_t Interpreter::UnusualWord(std::string_view name, bool has_parameter,
                                       std::int32_t parameter) {
  const bool ignorable = ignorable_;
  ignorable_ = false;
  if (words_skipped_) return SkippedDestinationWord(name, has_parameter, parameter);
  if (decoder_.SkipFallbackUnit()) {
    // A control word inside a \uN fallback counts as one unit and is not acted on.
    return name == "bin" ? BinaryLength(has_parameter, parameter) : 0;
  }
  if (after_end_) LeaveAfterEnd();
  const Keyword keyword = FindKeywordReadingAhead(name);
  if (keyword.action == Action::kIgnored) {
    if (ignorable) SetDestination(Destination::kSkip);  // {\*\unknown ...} is not text
    return 0;
  }
  // A known word after \* is read as it is: the \* asks to skip only what a reader does not know.
  return ActOn(keyword, has_parameter, parameter);
}

std::uint64_t Interpreter::ActOn(Keyword keyword, bool has_parameter, std::int32_t parameter) {
  switch (keyword.action) {
    case Action::kIgnored:
    case Action::kPassedOver:
      break;
    case Action::kDestination: {
      Destination destination = static_cast<Destination>(keyword.value);
      if (destination == Destination::kFontTable) fonts_.BeginTable();
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
      Break(keyword.action);
      break;
    case Action::kTab:
      if (visible_) Emit('\t');
      break;
    case Action::kUnicode:
      if (has_parameter) UnicodeWord(parameter);
      break;
    case Action::kUnicodeSkip:
      state_.unicode_skip = has_parameter ? std::max<std::int32_t>(parameter, 0) : 1;
      break;
    case Action::kBinary:
      return BinaryLength(has_parameter, parameter);
    case Action::kFont:
      if (!has_parameter) break;
      if (state_.destination == Destination::kFontTable) {
        fonts_.Declare(parameter);
      } else {
        state_.SetFont(parameter);  // a list level's font too, read when the level ends
        FontWordRead();
      }
      break;
    case Action::kAssociatedFont:
    case Action::kFontWord:
      FontStateWord(keyword, has_parameter, parameter);
      break;
    case Action::kDefaultFont:
      if (has_parameter) fonts_.SetDefaultFont(parameter);
      if (state_.font < 0) decoder_.DropPartialCharacter();
      break;
    case Action::kFontCharset:
      if (has_parameter) fonts_.SetCharset(parameter);
      break;
    case Action::kFontCodePage:
      if (has_parameter) fonts_.SetCodePage(parameter);
      break;
    case Action::kDocumentCodePage: {
      const int code_page = keyword.value != 0 ? keyword.value : (has_parameter ? parameter : 0);
      if (code_page > 0) {
        fonts_.SetDocumentCodePage(code_page);
        decoder_.DropPartialCharacter();
      }
      break;
    }
    case Action::kCocoa:
      fonts_.SetCocoa();
      break;
    case Action::kPlain:
      state_.PlainFont();
      state_.hidden = false;
      state_.deleted = false;
      FontWordRead();
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
      // Held until the paragraph shows its label; only the first copy of a paragraph counts.
      if (!visible_) break;
      if (TextBuilder* held = lists_.BeginListText()) {
        state_.out = held;
      } else {
        SetDestination(Destination::kSkip);
      }
      break;
    case Action::kList: {
      const std::optional<Destination> entered =
          lists_.Word(static_cast<ListWord>(keyword.value & 0xFF), keyword.value >> 8,
                      has_parameter, parameter, state_);
      if (entered) {
        SetDestination(*entered);
        state_.opens_list_part = true;
      }
      break;
    }
    case Action::kParagraphDefaults:
      state_.drop_cap = false;
      if (state_.destination == Destination::kText) lists_.ParagraphDefaults(state_);
      break;
    case Action::kDropCap:
      state_.drop_cap = has_parameter && (parameter == 1 || parameter == 2);
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
      if (state_.note >= 0) notes_->MakeEndnote(state_.note, body_);
      break;
    case Action::kNoteMark:
      NoteMark();
      break;
    case Action::kNoteNumbering:
      notes_->SetNumbering(keyword.value >= 16, static_cast<NoteNumbering>(keyword.value & 15));
      break;
    case Action::kNoteStart:
      if (has_parameter && parameter > 0) notes_->SetStart(keyword.value != 0, parameter);
      break;
  }
  return 0;
}

std::size_t Interpreter::UnicodeBeforeEscapes(std::int32_t parameter, std::size_t escapes) {
  if (!UsualWord()) [[unlikely]] {
    // The general way; its key is read eight bytes wide.
    static constexpr char kName[kKeywordReadAhead] = {'u'};
    ControlWord(std::string_view(kName, 1), true, parameter);
  } else {
    UnicodeWord(parameter);
  }
  return decoder_.SkipFallbackUnits(escapes);
}

void Interpreter::UnicodeWord(std::int32_t parameter) {
  if (visible_) {
    Unicode(parameter);
  } else if (IsListText(state_.destination)) {
    lists_.CollectUnicode(UnicodeOfParameter(parameter), state_.destination);
  }
  decoder_.StartFallback(state_.unicode_skip);
}

void Interpreter::BeginField() {
  // One field per group; fields inside skipped parts never get here, so this stays bounded.
  if (state_.opens_field) return;
  state_.opens_field = true;
  fields_.Begin(out());
}

void Interpreter::BeginNote() {
  if (!visible_) {
    SetDestination(Destination::kSkip);  // a hidden or deleted note is not text
    return;
  }
  if (state_.note >= 0) return;  // a note inside a note: its text stays where it is
  const std::int32_t note = notes_->Begin(body_);
  if (note < 0) return;
  state_.note = note;
  state_.out = &notes_->OpenText();
}

void Interpreter::NoteMark() {
  if (!visible_) return;
  Shown();
  if (state_.note >= 0) {
    const std::string& mark = notes_->MarkOf(state_.note);
    decoder_.EmitUtf8(mark.data(), mark.size(), out());
    return;
  }
  if (&out() != &body_) return;
  const std::string& mark = notes_->NextBodyMark();
  decoder_.EmitUtf8(mark.data(), mark.size(), body_);
  notes_->BodyMarkWritten(body_);
}

// ---------------------------------------------------------------------------------------------
// Groups

void Interpreter::GroupOpen() {
  decoder_.DropPartialCharacter();
  decoder_.EndFallback();  // a group boundary ends a \uN fallback
  ignorable_ = false;
  if (after_end_) LeaveAfterEnd();
  if (saved_.size() < kMaxGroupDepth) [[likely]] {
    saved_.push_back(state_);
  } else if (!SaveDeep()) {
    ++unsaved_depth_;
    return;
  }
  state_.opens_field = false;
  state_.opens_text_box = false;
  state_.opens_list_part = false;
}

void Interpreter::GroupClose() {
  decoder_.DropPartialCharacter();
  decoder_.EndFallback();
  ignorable_ = false;
  if (unsaved_depth_ > 0) {
    --unsaved_depth_;
    return;
  }
  if (saved_.empty()) {
    after_end_ = true;  // a stray }: nothing to close, and what follows may be trailing space
    return;
  }
  // What the closing group leaves to do; the rest of its state is simply replaced.
  const Destination closed = state_.destination;
  const bool closes_field = state_.opens_field;
  const bool closes_text_box = state_.opens_text_box;
  const bool closes_note = state_.note >= 0;
  const bool closes_list_part = state_.opens_list_part;
  // Read from the saved copy: just after the copy, the fields could straddle two of its stores
  // and stall the load.
  const GroupState& outer = deep_.empty() ? saved_.back() : deep_.back().state;
  if (closes_list_part) lists_.GroupClosing(closed, state_);
  const bool label_changed = state_.Numbered() != outer.Numbered();
  state_ = outer;
  if (deep_.empty()) [[likely]] {
    saved_.pop_back();
  } else if (--deep_.back().groups == 0) {
    deep_.pop_back();
  }
  if (closed == Destination::kFontTable) fonts_.EndTable();
  if (closes_list_part) {
    lists_.GroupClosed(closed, fonts_, state_);
  } else if (label_changed) {
    lists_.Refresh(state_);  // the paragraph's properties are the outer group's again
  }
  UpdateMode();
  if (closes_field) {
    const std::u32string symbol = fields_.End(out(), fonts_);
    if (visible_) {
      for (char32_t c : symbol) Emit(c);
    }
  }
  if (closes_note && state_.note < 0) notes_->Ended(body_);
  if (closes_text_box && visible_) out().EnsureLineStart();
  if (saved_.empty()) after_end_ = true;
}

bool Interpreter::SaveDeep() {
  if (unsaved_depth_ > 0) return false;  // inside a group that shares its state already
  if (!deep_.empty() && deep_.back().state == state_) {
    ++deep_.back().groups;
    return true;
  }
  if (deep_.size() >= kMaxDeepStates) return false;
  deep_.push_back({state_, 1});
  return true;
}

void Interpreter::Finish() {
  if (visible_ && lists_.holds_text()) ShowLabel();  // a list text with nothing after it
  decoder_.Finish(out(), visible_);
}

}  // namespace richtext

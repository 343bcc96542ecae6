// The interpreter's text tokens: runs of plain and escaped bytes routed by destination (visible
// text, a font name, a field instruction, a list's texts), control bytes, \uN, and the ends of
// paragraphs, lines, cells and rows. The dispatch of control words is in interpreter.cpp.
#include <algorithm>

#include "richtext/interpreter.h"

namespace richtext {
namespace {

// Spaces held after the document's end; more are not kept (they would be noise anyway).
constexpr std::size_t kMaxHeldSpace = 4096;

}  // namespace

void Interpreter::TextRun(const std::uint8_t* bytes, std::size_t size, bool ascii) {
  run_decoded_ = false;
  if (decoder_.InFallback()) [[unlikely]] {
    const std::size_t skipped = decoder_.SkipFallbackBytes(CurrentPage(), bytes, size);
    bytes += skipped;
    size -= skipped;
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
  RouteBytes(bytes, size, ascii);
  run_decoded_ = true;
}

void Interpreter::RouteBytes(const std::uint8_t* bytes, std::size_t size, bool ascii) {
  if (visible_) {
    decoder_.Decode(CurrentPage(), bytes, size, ascii, Shown());
  } else {
    CollectHidden(bytes, size);
  }
}

void Interpreter::CollectHidden(const std::uint8_t* bytes, std::size_t size) {
  if (state_.destination == Destination::kFontTable) {
    fonts_.CollectName(bytes, size);
  } else if (state_.destination == Destination::kFieldInstruction) {
    fields_.CollectInstruction(bytes, size);
  } else {
    lists_.CollectBytes(bytes, size, state_.destination);
  }
}

// Like a text run, but each escaped byte is one fallback unit (no lead byte takes its trail
// along), and escaped spaces after the document's end are text at once. Outside visible text
// the bytes go one at a time, as the parts that collect them expect of escapes; where nothing
// collects them (hidden text, skipped groups), they go nowhere.
void Interpreter::HexRun(const std::uint8_t* bytes, std::size_t size) {
  if (decoder_.InFallback()) [[unlikely]] {
    const std::size_t skipped = decoder_.SkipFallbackUnits(size);
    bytes += skipped;
    size -= skipped;
    if (size == 0) return;
  }
  ignorable_ = false;
  if (after_end_) [[unlikely]]
    LeaveAfterEnd();
  if (visible_) {
    decoder_.Decode(CurrentPage(), bytes, size, false, Shown());
    return;
  }
  if (skipping_text_) return;
  for (const std::uint8_t* end = bytes + size; bytes < end; ++bytes) CollectHidden(bytes, 1);
}

void Interpreter::ControlByte(std::uint8_t byte) {
  if (byte != '\t') return;  // NUL and other control bytes are not text
  if (decoder_.SkipFallbackUnit()) return;
  if (after_end_) {
    if (held_space_.size() < kMaxHeldSpace) held_space_.push_back('\t');
    return;
  }
  if (visible_) Emit('\t');
}

void Interpreter::Unicode(std::int32_t parameter) {
  char32_t c = UnicodeOfParameter(parameter);
  // A page only then: a symbol font's private-use code, in the font of its class.
  if (c >= 0xF020 && c <= 0xF0FF) c = fonts_.PageOfFont(state_.FontOf(kHighFont))->ShownUnicode(c);
  decoder_.Unicode(c, Shown());
}

void Interpreter::ShowLabel() {
  if (state_.out == lists_.held_text()) return;  // the \listtext itself, being held
  const std::string label = lists_.TakeLabel(state_);
  decoder_.EmitUtf8(label.data(), label.size(), out());
}

void Interpreter::LeaveAfterEnd() {
  after_end_ = false;
  if (visible_) {
    for (char c : held_space_) Emit(static_cast<char32_t>(c));
  }
  held_space_.clear();
}

void Interpreter::Break(Action action) {
  if (!visible_) return;
  // An empty list paragraph still shows its label; a row's end is no paragraph.
  if (action != Action::kRow && action != Action::kNestRow) Shown();
  decoder_.EndCharacter(out());
  switch (action) {
    case Action::kParagraph:
      // A drop cap is the first letter of the next paragraph, framed beside it: no line end.
      if (!state_.drop_cap) out().ParagraphEnd();
      if (&out() == &body_) notes_->ParagraphEnded(body_);
      break;
    case Action::kLineBreak:
      out().LineBreak();
      return;
    case Action::kCell:
      out().CellEnd();
      break;
    default:
      out().RowEnd();
      break;
  }
  lists_.ParagraphEnded(state_);
}

}  // namespace richtext

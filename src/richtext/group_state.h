// What a group saves on { and restores on }: small, so that pushing it is a plain copy.
#pragma once

#include <array>
#include <cstdint>

#include "richtext/keywords.h"

namespace richtext {

class TextBuilder;

struct GroupState {
  TextBuilder* out = nullptr;  // the body, or the note being read
  std::int32_t font = -1;      // \fN; -1 for the default font (\deff)
  // The \afN of each font class given since the last \f (-1: none, the class has \f's font).
  std::array<std::int32_t, 4> class_fonts = {-1, -1, -1, -1};
  std::int32_t unicode_skip = 1;  // \ucN: fallback units after each \uN
  std::int32_t note = -1;         // index of the footnote or endnote being read
  // The paragraph's list: \lsN and \ilvlN, and its old numbering (\pn, an entry of the list
  // reader's; 0 for none). Paragraph properties are kept with the group like the others.
  std::int32_t list = 0;
  std::int32_t list_level = 0;
  std::uint16_t old_numbering = 0;
  Destination destination = Destination::kText;
  // \loch, \hich, \dbch, \ltrch, \rtlch, packed (see ClassWord).
  std::uint16_t font_words = 0;
  bool drop_cap = false;         // the paragraph is a drop cap, the start of the next one
  bool hidden = false;           // \v
  bool deleted = false;          // \deleted (tracked changes)
  bool opens_field = false;      // this group holds a \field
  bool opens_text_box = false;   // this group holds a text box's text
  bool opens_list_part = false;  // this group holds a list, level, override or old numbering

  bool operator==(const GroupState&) const = default;

  // The class of the 8-bit text that follows (the last \loch, \hich or \dbch; kComplexFont for
  // none); the class an \af names the font of (that one's, or kComplexFont after \ltrch or
  // \rtlch); \rtlch.
  FontClass text_class() const { return static_cast<FontClass>(font_words & 3); }
  FontClass associated_class() const {
    return static_cast<FontClass>(font_words >> kAssociatedClassShift & 3);
  }
  bool right_to_left() const { return (font_words & kRightToLeftBit) != 0; }

  // The font of a character of this class (-1: the default font): an \af given for its class
  // since the last \f, under \rtlch the complex-script one first; else the \f.
  std::int32_t FontOf(FontClass font_class) const {
    if (right_to_left() && class_fonts[kComplexFont] >= 0) return class_fonts[kComplexFont];
    if (font_class != kComplexFont && class_fonts[font_class] >= 0) return class_fonts[font_class];
    return font;
  }
  // The font of 8-bit text, whose class the last class word gives.
  std::int32_t TextFont() const { return FontOf(text_class()); }
  // \fN.
  void SetFont(std::int32_t number) {
    font = number;
    class_fonts = {-1, -1, -1, -1};
  }
  // No font named: \plain, and each list level's start.
  void PlainFont() {
    SetFont(-1);
    font_words = 0;
  }

  // The paragraph has a list or an old numbering: it may show a label.
  bool Numbered() const { return list > 0 || old_numbering != 0; }
};

}  // namespace richtext

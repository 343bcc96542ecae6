// What a group saves on { and restores on }: small, so that pushing it is a plain copy.
#pragma once

#include <cstdint>

#include "richtext/keywords.h"

namespace richtext {

class TextBuilder;

struct GroupState {
  TextBuilder* out = nullptr;         // the body, or the note being read
  std::int32_t font = -1;             // \fN; -1 for the default font (\deff)
  std::int32_t associated_font = -1;  // \afN
  std::int32_t unicode_skip = 1;      // \ucN: fallback units after each \uN
  std::int32_t note = -1;             // index of the footnote or endnote being read
  // The paragraph's list: \lsN and \ilvlN, and its old numbering (\pn, an entry of the list
  // reader's; 0 for none). Paragraph properties are kept with the group like the others.
  std::int32_t list = 0;
  std::int32_t list_level = 0;
  std::uint16_t old_numbering = 0;
  Destination destination = Destination::kText;
  bool hidden = false;           // \v
  bool deleted = false;          // \deleted (tracked changes)
  bool double_byte = false;      // \dbch: the text that follows is double-byte
  bool right_to_left = false;    // \rtlch
  bool associated_last = false;  // \af came after the last \f
  bool opens_field = false;      // this group holds a \field
  bool opens_text_box = false;   // this group holds a text box's text
  bool opens_list_part = false;  // this group holds a list, level, override or old numbering

  // The paragraph has a list or an old numbering: it may show a label.
  bool Numbered() const { return list > 0 || old_numbering != 0; }
};

}  // namespace richtext

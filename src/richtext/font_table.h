// The fonts a document declares, and the choice of code page for its 8-bit text: the font's
// \cpg or \fcharset, a symbol font's own table, or the document's page (\ansicpg, \mac, \pc),
// with \deff naming the font of text before any \f.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "richtext/code_page.h"
#include "richtext/inlining.h"
#include "richtext/symbol_fonts.h"

namespace richtext {

struct Font {
  int charset = -1;        // \fcharsetN; -1 when not given
  int code_page = 0;       // \cpgN; 0 when not given
  std::string name;        // the name as written, raw bytes, cut short (only its start matters)
  bool name_done = false;  // the ';' that ends the name has been seen
  // Symbol fonts are known by name; worked out once the name is complete.
  SymbolFont symbol = SymbolFont::kNone;
  bool symbol_known = false;
  // The code page last worked out for this font, valid while its generation is current.
  const CodePage* page = nullptr;
  std::uint32_t page_generation = 0;
};

class FontTable {
 public:
  // A document may declare any number of fonts; past this many, further ones are ignored so a
  // hostile font table cannot grow memory without end (real documents stay below a few hundred).
  static constexpr std::size_t kMaxFonts = 16384;
  static constexpr std::size_t kMaxNameLength = 64;

  // Reading the font table (\fonttbl): \fN declares a font, \fcharset, \cpg and the name's
  // bytes describe it, until the table ends.
  void BeginTable() { defining_ = nullptr; }
  void Declare(std::int32_t number);
  void SetCharset(std::int32_t charset) {
    if (defining_ == nullptr) return;
    defining_->charset = charset;
    ++generation_;
  }
  void SetCodePage(std::int32_t code_page) {
    if (defining_ == nullptr) return;
    defining_->code_page = code_page;
    ++generation_;
  }
  void CollectName(const std::uint8_t* bytes, std::size_t size);
  // Fonts named before the table was read can be resolved now.
  void EndTable() {
    defining_ = nullptr;
    ++generation_;
  }

  // \ansicpgN, \mac, \pc, \pca: the document's page, from here on.
  void SetDocumentCodePage(int code_page);
  // \cocoartfN: the document was written by Cocoa, whose \fcharset numbers from 77 are Mac
  // script codes, not Word's Mac charsets.
  void SetCocoa() {
    cocoa_ = true;
    ++generation_;
  }
  // \deffN: the font of text before any \f, from here on.
  void SetDefaultFont(std::int32_t number) {
    default_font_ = number;
    ++generation_;
  }

  // The page of 8-bit text in font number (-1: the default font).
  const CodePage* PageOfFont(std::int32_t number) {
    // Word names the font of nearly every run of text again: the last answer is kept. Every
    // change to a font, the document's page or the default font moves the generation on, so
    // no page worked out earlier outlives a change.
    if (number == last_font_ && last_generation_ == generation_) return last_page_;
    last_page_ = LookUpPageOfFont(number);
    last_font_ = number;
    last_generation_ = generation_;
    return last_page_;
  }
  // A symbol font's own page, whatever font number it has.
  const CodePage* PageOfSymbolFont(SymbolFont font) {
    return code_pages_.Get(CodePageOfSymbolFont(font), DocumentPage());
  }
  const CodePage* DocumentPage() {
    if (document_page_ == nullptr) document_page_ = code_pages_.Get(document_code_page_);
    return document_page_;
  }

 private:
  Font* Find(std::int32_t number) {
    auto found = fonts_.find(number);
    return found == fonts_.end() ? nullptr : &found->second;
  }

  // Cold, and kept out of the text paths that ask for a page: inlined, it gave each of them the
  // frame of a hash look-up.
  RTFPLAIN_NOINLINE const CodePage* LookUpPageOfFont(std::int32_t number);

  std::unordered_map<std::int32_t, Font> fonts_;
  Font* defining_ = nullptr;  // the font the font table is describing
  std::int32_t default_font_ = 0;
  bool cocoa_ = false;
  int document_code_page_ = 1252;
  const CodePage* document_page_ = nullptr;  // of document_code_page_, once looked up
  std::uint32_t generation_ = 1;
  CodePages code_pages_;
  std::int32_t last_font_ = 0;
  std::uint32_t last_generation_ = 0;  // 0: nothing kept yet
  const CodePage* last_page_ = nullptr;
};

// The Windows code page a \fcharset stands for; 0 for charsets that follow the document's page
// (DEFAULT, SYMBOL) and for unknown ones.
int CodePageOfCharset(int charset);
// The same in a document written by Cocoa, which numbers a Mac font's charset 77 plus its Mac
// script code; 0 for scripts rtfplain has no page for.
int CodePageOfCocoaCharset(int charset);

}  // namespace richtext

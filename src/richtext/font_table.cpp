#include "richtext/font_table.h"

#include "richtext/group_state.h"

namespace richtext {

void FontTable::Declare(std::int32_t number) {
  ++generation_;
  auto found = fonts_.find(number);
  if (found != fonts_.end()) {
    defining_ = &found->second;
  } else {
    defining_ = fonts_.size() < kMaxFonts ? &fonts_[number] : nullptr;
  }
}

void FontTable::CollectName(const std::uint8_t* bytes, std::size_t size) {
  if (defining_ == nullptr || defining_->name_done) return;
  defining_->symbol_known = false;
  ++generation_;
  for (std::size_t k = 0; k < size; ++k) {
    if (bytes[k] == ';') {
      defining_->name_done = true;
      return;
    }
    if (defining_->name.size() < kMaxNameLength) {
      defining_->name.push_back(static_cast<char>(bytes[k]));
    }
  }
}

void FontTable::SetDocumentCodePage(int code_page) {
  document_code_page_ = code_page;
  document_page_ = nullptr;
  ++generation_;
}

const CodePage* FontTable::LookUpPageOfFont(std::int32_t number) {
  if (number < 0) number = default_font_;
  const CodePage* document = DocumentPage();
  Font* font = Find(number);
  if (font == nullptr) return document;
  if (font->page != nullptr && font->page_generation == generation_) return font->page;
  if (!font->symbol_known) {
    font->symbol = SymbolFontOfName(font->name);
    font->symbol_known = font->name_done;
  }
  int code_page = CodePageOfSymbolFont(font->symbol);
  if (code_page == 0) {
    if (font->code_page > 0) {
      code_page = font->code_page;
    } else {
      code_page = cocoa_ ? CodePageOfCocoaCharset(font->charset) : CodePageOfCharset(font->charset);
    }
  }
  font->page = code_page > 0 ? code_pages_.Get(code_page, document) : document;
  font->page_generation = generation_;
  return font->page;
}

int CodePageOfCharset(int charset) {
  switch (charset) {
    case 77:
      return 10000;  // Mac Roman
    case 78:
      return 10001;  // Mac Japanese
    case 79:
      return 10003;  // Mac Korean
    case 80:
      return 10008;  // Mac simplified Chinese
    case 81:
      return 10002;  // Mac traditional Chinese
    case 83:
      return 10005;  // Mac Hebrew
    case 84:
      return 10004;  // Mac Arabic
    case 85:
      return 10006;  // Mac Greek
    case 86:
      return 10081;  // Mac Turkish
    case 87:
      return 10021;  // Mac Thai
    case 88:
      return 10029;  // Mac Central European
    case 89:
      return 10007;  // Mac Cyrillic
    case 128:
      return 932;  // Shift-JIS
    case 129:
      return 949;  // Hangul
    case 130:
      return 1361;  // Johab
    case 134:
      return 936;  // GB2312 / GBK
    case 136:
      return 950;  // Big5
    case 161:
      return 1253;  // Greek
    case 162:
      return 1254;  // Turkish
    case 163:
      return 1258;  // Vietnamese
    case 177:
      return 1255;  // Hebrew
    case 178:
      return 1256;  // Arabic
    case 179:
      return 1256;  // Arabic traditional
    case 180:
      return 1256;  // Arabic user
    case 181:
      return 1255;  // Hebrew user
    case 186:
      return 1257;  // Baltic
    case 204:
      return 1251;  // Cyrillic
    case 222:
      return 874;  // Thai
    case 238:
      return 1250;  // Central European
    case 254:
      return 437;  // PC 437
    case 255:
      return 850;  // OEM
    case 0:
      return 1252;  // ANSI is Western, whatever the document's page
    default:
      return 0;  // 1 DEFAULT, 2 SYMBOL and the unknown: the document's page
  }
}

int CodePageOfCocoaCharset(int charset) {
  // 77 + the Script Manager's script code (Inside Macintosh: Text), each script read in the Mac
  // code page of its name; the scripts without one (the Indic scripts, Lao, Georgian, Armenian,
  // Tibetan, Mongolian, Ethiopic, Vietnamese, the symbol scripts) follow the document's page.
  constexpr int kFirstScript = 77;
  constexpr int kLastScript = kFirstScript + 32;  // smUninterp
  if (charset < kFirstScript || charset > kLastScript) return CodePageOfCharset(charset);
  switch (charset - kFirstScript) {
    case 0:
      return 10000;  // smRoman
    case 1:
      return 10001;  // smJapanese
    case 2:
      return 10002;  // smTradChinese
    case 3:
      return 10003;  // smKorean
    case 4:
      return 10004;  // smArabic
    case 5:
      return 10005;  // smHebrew
    case 6:
      return 10006;  // smGreek
    case 7:
      return 10007;  // smCyrillic
    case 21:
      return 10021;  // smThai
    case 25:
      return 10008;  // smSimpChinese
    case 29:
      return 10029;  // smCentralEuroRoman
    default:
      return 0;
  }
}

}  // namespace richtext

#include "richtext/code_page.h"

#include <cstring>

#include "richtext/code_page_tables.h"
#include "richtext/symbol_fonts.h"

namespace richtext {

namespace tables = code_page_tables;

// The tables mark an undefined character or pair with the reader's own replacement character.
static_assert(tables::kUndefined == kReplacement);

CodePage::CodePage(int number, Kind kind) : number_(number), kind_(kind) {}

void CodePage::Finish() {
  for (int b = 0; b < 0x80; ++b) {
    if (single_[b] != static_cast<char32_t>(b)) ascii_transparent_ = false;
  }
  for (int b = 0; b < 256; ++b) {
    if (!IsSequence(single_[b])) {
      shown_[b] = TextBuilder::Encode(single_[b]);
      continue;
    }
    // The generator keeps a single-byte page's sequences within one ShownChar.
    ShownChar& shown = shown_[b];
    for (char16_t c : Sequence(single_[b])) {
      const ShownChar part = TextBuilder::Encode(c);
      if (shown.size + part.size > sizeof shown.bytes) break;
      std::memcpy(shown.bytes + shown.size, part.bytes, part.size);
      shown.size += part.size;
    }
  }
}

char32_t CodePage::pair(std::uint8_t lead, std::uint8_t trail) const {
  if (table_ == nullptr || table_->rows == nullptr || lead < table_->lead_first ||
      lead > table_->lead_last) {
    return kReplacement;
  }
  const tables::PairRow& row = table_->rows[lead - table_->lead_first];
  if (trail < row.first || trail > row.last) return kReplacement;
  return tables::kPairs[row.start + (trail - row.first)];
}

std::unique_ptr<CodePage> CodePage::BuiltIn(int number) {
  if (number == kUtf8CodePage) return Utf8();
  const tables::Table* table = tables::Find(number);
  if (table == nullptr) return nullptr;
  const Kind kind = table->rows != nullptr ? Kind::kDoubleByte : Kind::kSingleByte;
  std::unique_ptr<CodePage> page(new CodePage(number, kind));
  // Widened once per page, so that single() stays one load from a table of characters.
  for (int b = 0; b < 256; ++b) {
    const char16_t c = table->single[b];
    page->single_[b] = c == tables::kLead ? kLeadByte : static_cast<char32_t>(c);
  }
  page->table_ = table;
  page->Finish();
  return page;
}

std::unique_ptr<CodePage> CodePage::Utf8() {
  std::unique_ptr<CodePage> page(new CodePage(kUtf8CodePage, Kind::kUtf8));
  for (int b = 0; b < 256; ++b) page->single_[b] = b < 0x80 ? static_cast<char32_t>(b) : kLeadByte;
  return page;
}

std::unique_ptr<CodePage> CodePage::FromTable(int number, const std::array<char32_t, 224>& upper) {
  std::unique_ptr<CodePage> page(new CodePage(number, Kind::kSingleByte));
  for (int b = 0; b < 0x20; ++b) page->single_[b] = static_cast<char32_t>(b);
  for (int b = 0x20; b < 256; ++b) page->single_[b] = upper[b - 0x20];
  page->Finish();
  return page;
}

CodePages::CodePages() {
  auto page = CodePage::BuiltIn(1252);
  windows1252_ = page.get();
  pages_.emplace(1252, std::move(page));
}

CodePages::~CodePages() = default;

const CodePage* CodePages::Get(int number, const CodePage* fallback) {
  if (fallback == nullptr) fallback = windows1252_;
  // Numbers outside the Windows range name no code page; not remembering them keeps a hostile
  // document's thousands of made-up numbers from growing the map.
  const SymbolFont symbol = SymbolFontOfCodePage(number);
  if (symbol == SymbolFont::kNone && (number <= 0 || number > 65535)) return fallback;
  auto found = pages_.find(number);
  if (found == pages_.end()) {
    std::unique_ptr<CodePage> page;
    if (symbol != SymbolFont::kNone) {
      page = CodePage::FromTable(number, SymbolFontTable(symbol));
    } else {
      page = CodePage::BuiltIn(number);
    }
    found = pages_.emplace(number, std::move(page)).first;
  }
  return found->second ? found->second.get() : fallback;
}

}  // namespace richtext

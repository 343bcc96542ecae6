#include "richtext/code_page.h"

#include "platform/code_page_converter.h"
#include "richtext/symbol_fonts.h"

namespace richtext {
namespace {

// Windows-1252 at 0x80-0x9F; the rest of the page is Latin-1. Built in so that the default page
// of every RTF document never depends on the system's converters.
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

}  // namespace

struct CodePage::Impl {
  std::unique_ptr<platform::CodePageConverter> converter;
  // Rows of pair characters, one per lead byte, built when the lead byte is first met.
  std::array<std::unique_ptr<std::array<char32_t, 256>>, 256> rows;
};

CodePage::CodePage(int number, Kind kind) : number_(number), kind_(kind) {}
CodePage::~CodePage() = default;

char32_t CodePage::pair(std::uint8_t lead, std::uint8_t trail) const {
  if (!impl_ || !impl_->converter) return kReplacement;
  auto& row = impl_->rows[lead];
  if (!row) {
    row = std::make_unique<std::array<char32_t, 256>>();
    for (int t = 0; t < 256; ++t) {
      const std::uint8_t bytes[2] = {lead, static_cast<std::uint8_t>(t)};
      char32_t c = kReplacement;
      if (impl_->converter->Decode(bytes, 2, c) != platform::DecodeStatus::kOk) c = kReplacement;
      (*row)[t] = c;
    }
  }
  return (*row)[trail];
}

std::unique_ptr<CodePage> CodePage::FromSystem(int number) {
  if (number == kUtf8CodePage) return Utf8();
  auto converter = platform::CodePageConverter::Open(number);
  if (!converter) return nullptr;
  std::unique_ptr<CodePage> page(new CodePage(number, Kind::kSingleByte));
  bool any_lead = false;
  for (int b = 0; b < 256; ++b) {
    const std::uint8_t byte = static_cast<std::uint8_t>(b);
    char32_t c = kReplacement;
    switch (converter->Decode(&byte, 1, c)) {
      case platform::DecodeStatus::kOk:
        break;
      case platform::DecodeStatus::kIncomplete:
        c = kLeadByte;
        any_lead = true;
        break;
      case platform::DecodeStatus::kInvalid:
        c = kReplacement;
        break;
    }
    page->single_[b] = c;
    if (b < 0x80 && c != static_cast<char32_t>(b)) page->ascii_transparent_ = false;
  }
  if (any_lead) page->kind_ = Kind::kDoubleByte;
  page->impl_ = std::make_unique<Impl>();
  page->impl_->converter = std::move(converter);
  return page;
}

std::unique_ptr<CodePage> CodePage::Windows1252() {
  std::unique_ptr<CodePage> page(new CodePage(1252, Kind::kSingleByte));
  for (int b = 0; b < 256; ++b) page->single_[b] = static_cast<char32_t>(b);
  for (int b = 0; b < 32; ++b) page->single_[0x80 + b] = kWindows1252High[b];
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
  for (int b = 0x20; b < 0x80; ++b) {
    if (page->single_[b] != static_cast<char32_t>(b)) page->ascii_transparent_ = false;
  }
  return page;
}

CodePages::CodePages() {
  auto page = CodePage::Windows1252();
  windows1252_ = page.get();
  pages_.emplace(1252, std::move(page));
}

CodePages::~CodePages() = default;

const CodePage* CodePages::Get(int number, const CodePage* fallback) {
  // Numbers outside the Windows range name no code page; not remembering them keeps a hostile
  // document's thousands of made-up numbers from growing the map.
  const SymbolFont symbol = SymbolFontOfCodePage(number);
  if (symbol == SymbolFont::kNone && (number <= 0 || number > 65535)) {
    return fallback != nullptr ? fallback : windows1252_;
  }
  auto found = pages_.find(number);
  if (found == pages_.end()) {
    std::unique_ptr<CodePage> page;
    if (symbol != SymbolFont::kNone) {
      page = CodePage::FromTable(number, SymbolFontTable(symbol));
    } else {
      page = CodePage::FromSystem(number);
    }
    found = pages_.emplace(number, std::move(page)).first;
  }
  if (found->second) return found->second.get();
  return fallback != nullptr ? fallback : windows1252_;
}

}  // namespace richtext

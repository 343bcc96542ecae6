// The built-in code page tables against the system's own converter: iconv on Linux (where it has
// the page), the Win32 code-page API when the tests run on Windows or under Wine. The tables must
// agree byte for byte, apart from the differences listed in Expected() below. The Mac pages are
// Apple's instead, held against Perl's Encode module where it is installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "richtext/char_decoder.h"
#include "richtext/code_page.h"
#include "unit/code_page_converter.h"

namespace {

using platform::CodePageConverter;
using platform::DecodeStatus;
using richtext::CodePage;
using richtext::kLeadByte;
using richtext::kReplacement;

// Every page a document can name, and every page rtfplain decoded through the system before.
constexpr int kPages[] = {
    437, 708, 720, 737, 775, 850, 852, 855, 857, 860, 861, 862, 863, 864, 865, 866, 869, 874, 932,
    936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 1361, 10000, 10001, 10002,
    10003, 10004, 10005, 10006, 10007, 10008, 10010, 10017, 10021, 10029, 10079, 10081, 10082,
    20127, 20866, 20932, 20949, 21866, 28591, 28592, 28593, 28594, 28595, 28596, 28597, 28598,
    28599, 28603, 28605, 51932, 51936, 51949, 54936, 37, 500, 875, 1026,
    // From glibc's converters: single-byte EBCDIC pages,
    38, 256, 273, 274, 275, 277, 278, 280, 281, 282, 284, 285, 290, 297, 420, 423, 424, 803, 870,
    871, 880, 905, 918, 1025, 1047, 1070, 1079, 1081, 1084, 1097, 1112, 1122, 1123, 1130, 1132,
    1137, 1140, 1141, 1142, 1143, 1144, 1145, 1146, 1147, 1148, 1149, 1153, 1154, 1155, 1156, 1157,
    1158, 1160, 1164, 1166, 4517, 4899, 4971, 9030, 12712, 16804,
    // and IBM's PC pages and numbers for ISO 8859 and ASCII.
    367, 770, 771, 772, 773, 774, 813, 819, 848, 851, 856, 858, 868, 891, 901, 902, 903, 904, 912,
    915, 916, 920, 921, 922, 1004, 1008, 1046, 1089, 1124, 1125, 1129, 1133, 1161, 1162, 1163, 1167,
    1282, 4909, 5347, 9066, 9448};

bool PrivateUse(char32_t c) {
  return c >= 0xE000 && c <= 0xF8FF;
}

bool MacPage(int number) {
  return number >= 10000 && number < 20000;
}

// Where the table may differ from the system's converter, and why. `system` is the system's
// character, or kReplacement when it has none for the byte.
bool Expected(int page, int byte, char32_t table, char32_t system) {
  // Undefined bytes, decided once (scripts/generate_code_pages.py): the sources give them private
  // placeholders, U+0000, or an ASCII character from a byte above (20127 folding its upper half,
  // glibc's 1133).
  if (table == kReplacement &&
      (PrivateUse(system) || system == 0 || (byte >= 0x80 && system < 0x80))) {
    return true;
  }
  // Windows maps some holes to the C1 control of the same number (1252's five among them), which
  // iconv calls invalid; the text drops C1 controls either way.
  if (table == char32_t(byte) && byte >= 0x80 && byte < 0xA0) return system == kReplacement;
  // Where glibc's iconv reads a byte otherwise than Windows, which the tables follow: newer
  // editions of a standard (ISO 8859-7:2003's euro, drachma and ypogegrammeni, 8859-8's
  // direction marks, KOI8-U's Belarusian letters), 864's percent sign, 1255's holam haser, and
  // EBCDIC 875 and 1026.
  struct Difference {
    int page;
    int byte;
    char32_t windows;
  };
  static constexpr Difference kDifferences[] = {
      {864, 0x25, 0x0025},   {875, 0x6A, 0x007C},   {875, 0x74, 0x00A0},   {875, 0xDC, 0x001A},
      {875, 0xDD, 0x0387},   {875, 0xE1, 0x001A},   {875, 0xEC, 0x001A},   {875, 0xED, 0x001A},
      {875, 0xFC, 0x001A},   {875, 0xFD, 0x001A},   {1026, 0x9D, 0x00B8},  {1026, 0xBC, 0x00AF},
      {1255, 0xCA, 0x05BA},  {21866, 0xAE, 0x045E}, {21866, 0xBE, 0x040E}, {28597, 0xA1, 0x02BD},
      {28597, 0xA2, 0x02BC}, {28597, 0xA4, 0xFFFD}, {28597, 0xA5, 0xFFFD}, {28597, 0xAA, 0xFFFD},
      {28598, 0xAF, 0x203E}, {28598, 0xFD, 0xFFFD}, {28598, 0xFE, 0xFFFD},
  };
  for (const Difference& d : kDifferences) {
    if (d.page == page && d.byte == byte && d.windows == table) return true;
  }
  return false;
}

TEST(CodePageTables, EveryPageIsBuiltIn) {
  for (int number : kPages) {
    auto page = CodePage::BuiltIn(number);
    ASSERT_NE(page, nullptr) << number;
    EXPECT_EQ(page->number(), number);
  }
  EXPECT_EQ(CodePage::BuiltIn(0), nullptr);
  EXPECT_EQ(CodePage::BuiltIn(1200), nullptr);  // UTF-16 is no page of 8-bit text
  EXPECT_EQ(CodePage::BuiltIn(richtext::kUtf8CodePage)->kind(), CodePage::Kind::kUtf8);
}

TEST(CodePageTables, SingleBytesAgreeWithTheSystem) {
  int compared = 0;
  for (int number : kPages) {
    auto page = CodePage::BuiltIn(number);
    ASSERT_NE(page, nullptr) << number;
    if (page->kind() != CodePage::Kind::kSingleByte || MacPage(number)) continue;
    auto converter = CodePageConverter::Open(number);
    if (!converter) continue;
    ++compared;
    for (int b = 0; b < 256; ++b) {
      const std::uint8_t byte = static_cast<std::uint8_t>(b);
      char32_t system = kReplacement;
      if (converter->Decode(&byte, 1, system) != DecodeStatus::kOk) system = kReplacement;
      const char32_t table = page->single(byte);
      if (table != system && !Expected(number, b, table, system)) {
        char message[96];
        std::snprintf(message, sizeof message, "page %d byte %02X: table U+%04X, system U+%04X",
                      number, b, unsigned(table), unsigned(system));
        ADD_FAILURE() << message;
      }
    }
  }
  std::printf("compared %d single-byte pages with the system\n", compared);
}

TEST(CodePageTables, DoubleBytePages) {
  struct Case {
    int page;
    std::uint8_t lead;
    std::uint8_t trail;
    char32_t character;
  };
  const Case cases[] = {
      {932, 0x82, 0xA0, 0x3042},       {932, 0x81, 0x45, 0x30FB},  // the default character itself
      {932, 0xF0, 0x40, 0xE000},                                   // user-defined, kept
      {932, 0x82, 0x20, kReplacement}, {932, 0x85, 0x40, kReplacement},
      {936, 0xB0, 0xA1, 0x554A},       {949, 0xB0, 0xA1, 0xAC00},
      {950, 0xA4, 0x40, 0x4E00},       {1361, 0xD0, 0x65, 0xD55C},
      {10001, 0x82, 0xA0, 0x3042},     {20932, 0xA4, 0xA2, 0x3042},
      {51936, 0xD6, 0xD0, 0x4E2D},     {54936, 0xD6, 0xD0, 0x4E2D},
      {51949, 0xC7, 0xD1, 0xD55C},     {1252, 0x82, 0xA0, kReplacement},
  };
  for (const Case& c : cases) {
    auto page = CodePage::BuiltIn(c.page);
    ASSERT_NE(page, nullptr) << c.page;
    if (c.character != kReplacement) {
      EXPECT_EQ(page->single(c.lead), kLeadByte) << c.page;
    }
    EXPECT_EQ(page->pair(c.lead, c.trail), c.character)
        << c.page << " " << int{c.lead} << " " << int{c.trail};
  }
  auto page = CodePage::BuiltIn(932);
  EXPECT_EQ(page->single(0xB1), char32_t{0xFF71});
  EXPECT_EQ(page->single(0xA0), kReplacement);  // a private placeholder in Windows' table
}

// Apple's Mac tables, as the generator took them from Perl's Encode module: every code Perl
// decodes gives its characters, less Apple's transcoding hints (U+F860-U+F87F), both as text and
// as characters kept apart (a list's label).
TEST(CodePageTables, MacPagesAreApples) {
#ifdef _WIN32
  GTEST_SKIP() << "Perl's Encode is not run from Windows: Apple's pages are not checked";
#else
  struct ApplePage {
    int number;
    const char* perl_name;
  };
  static constexpr ApplePage kMacPages[] = {
      {10000, "MacRoman"},           {10001, "MacJapanese"},  {10002, "MacChineseTrad"},
      {10003, "MacKorean"},          {10004, "MacArabic"},    {10005, "MacHebrew"},
      {10006, "MacGreek"},           {10007, "MacCyrillic"},  {10008, "MacChineseSimp"},
      {10010, "MacRomanian"},        {10017, "MacCyrillic"},  {10021, "MacThai"},
      {10029, "MacCentralEurRoman"}, {10079, "MacIcelandic"}, {10081, "MacTurkish"},
      {10082, "MacCroatian"},
  };
  // Prints NAME CODE CHARACTER... (hex) for each byte Perl decodes alone, and each pair of a
  // byte that is no character alone.
  std::string command = R"(perl -MEncode -e '
    for my $name (@ARGV) {
      my $enc = find_encoding($name) or exit 1;
      for my $b (0 .. 255) {
        my $alone = chr $b;
        $enc->decode($alone, Encode::FB_QUIET);
        for my $code (length $alone ? map { chr($b) . chr($_) } 0 .. 255 : chr $b) {
          my $left = $code;
          my $text = $enc->decode($left, Encode::FB_QUIET);
          next if length $left;
          print join(" ", $name, unpack("H*", $code), map { sprintf "%X", ord } split //, $text);
          print "\n";
        }
      }
    }')";
  for (const ApplePage& mac : kMacPages) command += std::string(" ") + mac.perl_name;
  command += " 2>/dev/null";
  std::string output;
  if (FILE* perl = popen(command.c_str(), "r")) {
    char piece[65536];
    for (std::size_t got; (got = std::fread(piece, 1, sizeof piece, perl)) > 0;)
      output.append(piece, got);
    if (pclose(perl) != 0) output.clear();
  }
  if (output.empty()) GTEST_SKIP() << "no perl with Encode's Mac tables: Apple's pages not checked";

  std::map<int, std::unique_ptr<CodePage> > pages;
  for (const ApplePage& mac : kMacPages) pages[mac.number] = CodePage::BuiltIn(mac.number);
  std::map<int, int> compared;
  int failures = 0;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string name, code, hex;
    fields >> name >> code;
    std::vector<std::uint8_t> bytes;
    for (std::size_t k = 0; k + 1 < code.size(); k += 2)
      bytes.push_back(static_cast<std::uint8_t>(std::stoi(code.substr(k, 2), nullptr, 16)));
    std::u32string expected;
    while (fields >> hex) {
      const auto c = static_cast<char32_t>(std::stoul(hex, nullptr, 16));
      if (c < 0xF860 || c > 0xF87F) expected.push_back(c);
    }
    richtext::TextBuilder want;
    for (char32_t c : expected) want.AppendCodePoint(c);
    const std::string want_text = want.Finish();
    for (const ApplePage& mac : kMacPages) {
      if (name != mac.perl_name) continue;
      const CodePage* page = pages[mac.number].get();
      std::u32string chars;
      richtext::CharDecoder().DecodeInto(page, bytes.data(), bytes.size(), chars);
      richtext::TextBuilder text;
      richtext::CharDecoder().Decode(page, bytes.data(), bytes.size(), false, text);
      ++compared[mac.number];
      if ((chars != expected || text.Finish() != want_text) && ++failures <= 20)
        ADD_FAILURE() << "page " << mac.number << " code " << code << ": not Apple's " << line;
    }
  }
  EXPECT_EQ(failures, 0);
  for (const ApplePage& mac : kMacPages) EXPECT_GE(compared[mac.number], 128) << mac.number;
#endif
}

}  // namespace

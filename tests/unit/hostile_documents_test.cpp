// Documents made to hurt the reader: absurd nesting, sizes and numbers, cut-off input, broken
// escapes and font tables. Each converts to its best-effort text or is refused; never a crash,
// never text lost that the document plainly holds. Their time limit is the test's TIMEOUT.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "reader_in_pieces.h"
#include "richtext/reader.h"
#include "text_checks.h"

namespace {

using namespace std::string_literals;

constexpr std::size_t kMillion = 1000 * 1000;
const std::string kReplacement = "\xEF\xBF\xBD";

std::string Repeat(const std::string& unit, std::size_t times) {
  std::string out;
  out.reserve(unit.size() * times);
  for (std::size_t k = 0; k < times; ++k) out += unit;
  return out;
}

struct Case {
  const char* what;
  std::string rtf;
  std::string text;
};

void ExpectTexts(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    std::string text;
    ASSERT_EQ(richtext::ConvertBytes(c.rtf, text), richtext::ReadStatus::kOk) << c.what;
    EXPECT_EQ(text, c.text) << c.what;
    EXPECT_TRUE(testing_support::IsWellFormedText(text)) << c.what;
  }
}

TEST(HostileDocuments, HugeNestingAndStrayBraces) {
  ExpectTexts({
      {"a million nested groups, closed",
       "{\\rtf1 a" + Repeat("{", kMillion) + "b" + Repeat("}", kMillion) + "c}", "abc"},
      {"a million nested groups, never closed", "{\\rtf1 a" + Repeat("{", kMillion) + "b", "ab"},
      {"a million closing braces too many", "{\\rtf1 a}" + Repeat("}", kMillion) + "b", "ab"},
      {"hidden text deep inside keeps its state",
       "{\\rtf1 a{\\v " + Repeat("{", 100000) + "h" + Repeat("}", 100000) + "}b}", "ab"},
      {"a change past the states saved one per group is undone",
       "{\\rtf1 a" + Repeat("{", 70000) + "{\\v h}b", "ab"},
      {"changes in every group past them are each undone",
       "{\\rtf1 a" + Repeat("{\\v h{\\v0 s", 40000) + Repeat("}h}s", 40000) + "c}",
       "a" + Repeat("s", 80000) + "c"},
  });
}

// Text held until what follows decides it has a bound, whatever the document: past it, what was
// still open is decided as it stands, the same way however the input is split.
TEST(HostileDocuments, HeldTextIsDecidedPastItsBound) {
  const std::string mib = Repeat("x", 1 << 20);
  const std::vector<Case> cases = {
      {"a mark a MiB before its note's \\ftnalt stays a footnote's",
       "{\\rtf1 \\chftn{\\footnote\\ftnalt\\chftn e}a\\chftn " + mib +
           "{\\footnote\\ftnalt\\chftn f}}",
       "ia1" + mib + "\r\n1 f\r\ni e"},
      {"a list text is cut at 4 KiB", "{\\rtf1 {\\listtext " + Repeat("ab", 3000) + "}x}",
       Repeat("ab", 2048) + "x"},
      {"an old numbering text is cut before the character that crosses 4 KiB",
       "{\\rtf1 {\\pntext a" + Repeat("\\'e9", 3000) + "}x}",
       // Appended, not "a" + ...: GCC 12 on arm64 warns of an overlap that cannot happen.
       std::string("a").append(Repeat("\xC3\xA9", 2047)) + "x"},
  };
  ExpectTexts(cases);
  for (const Case& c : cases) {
    EXPECT_EQ(testing_support::ConvertInPieces(c.rtf, 1000), c.text) << c.what;
  }
}

TEST(HostileDocuments, OversizedWordsAndNumbers) {
  ExpectTexts({
      {"a control word of a million letters", "{\\rtf1 a\\" + Repeat("x", kMillion) + " b}", "ab"},
      {"a parameter of a thousand digits", "{\\rtf1 a\\fs" + Repeat("9", 1000) + " b}", "ab"},
      {"a negative parameter of a thousand digits", "{\\rtf1 a\\li-" + Repeat("9", 1000) + " b}",
       "ab"},
      // Past 32 bits a parameter is clamped: 2^32 + 65 must not wrap round to 'A'.
      {"\\u past 32 bits", "{\\rtf1 \\u4294967361?}", kReplacement},
      {"\\u negative past 32 bits", "{\\rtf1 \\u-4294967231?}", kReplacement},
      {"\\u of a thousand digits", "{\\rtf1 a\\u" + Repeat("7", 1000) + "?b}",
       "a" + kReplacement + "b"},
  });
}

TEST(HostileDocuments, BinaryDataOfEveryLength) {
  ExpectTexts({
      {"\\bin negative reads no data", "{\\rtf1 a\\bin-5 b}", "ab"},
      {"\\bin zero reads no data", "{\\rtf1 a\\bin0 b}", "ab"},
      {"\\bin without a number reads no data", "{\\rtf1 a\\bin b}", "ab"},
      {"\\bin data holds braces and backslashes", "{\\rtf1 a{\\pict\\bin4 }{\\x}b}", "ab"},
      {"\\bin far past the end", "{\\rtf1 a{\\pict\\bin999999999 xyz}", "a"},
      {"\\bin past 32 bits", "{\\rtf1 a{\\pict\\bin99999999999999 xyz}}", "a"},
  });
}

TEST(HostileDocuments, UnicodeOutOfRange) {
  ExpectTexts({
      {"\\uc huge eats the rest of its group only", "{\\rtf1{\\uc4294967297 \\u233 xyz}b}",
       "\xC3\xA9"
       "b"},
      {"\\uc negative skips nothing", "{\\rtf1\\uc-5 \\u233 x}", "\xC3\xA9x"},
      {"\\u past U+10FFFF", "{\\rtf1 \\u1114112?}", kReplacement},
      {"\\u below -32768", "{\\rtf1 \\u-32769?}", kReplacement},
      {"lone high surrogate then text", "{\\rtf1 \\u-10179?x}", kReplacement + "x"},
      {"lone low surrogate", "{\\rtf1 \\u-9216?x}", kReplacement + "x"},
      {"two high surrogates", "{\\rtf1 \\u-10179?\\u-10179?}", kReplacement + kReplacement},
      {"high surrogate at the very end", "{\\rtf1 a\\u-10179?", "a" + kReplacement},
      {"a surrogate pair", "{\\rtf1 \\u-10179?\\u-8704?}", "\xF0\x9F\x98\x80"},
  });
}

TEST(HostileDocuments, BrokenEscapesAndRawBytes) {
  ExpectTexts({
      {"\\' then no hex digit", "{\\rtf1 a\\'zzb}", "azzb"},
      {"\\' then one hex digit", "{\\rtf1 a\\'4zb}", "azb"},
      {"\\' at the end", "{\\rtf1 a\\'", "a"},
      {"NUL and other control bytes",
       "{\\rtf1 a\x00"
       "b\x01\x08\x0b\x0c\x1b\x1f\x7f"
       "c}"s,
       "abc"},
      {"a backslash then NUL",
       "{\\rtf1 a\\\x00"
       "b}"s,
       "ab"},
      // Windows reads 1252's five holes as the C1 controls, which plain text leaves out.
      {"C1 bytes of the document page", "{\\rtf1\\ansi a\\'81\\'8d\\'8f\\'90\\'9d b}", "a b"},
  });
}

TEST(HostileDocuments, FontTablesAndCodePagesThatDoNotExist) {
  std::string many = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl";
  for (int f = 0; f < 20000; ++f) {
    many += "{\\f" + std::to_string(f) + "\\fcharset204 F" + std::to_string(f) + ";}";
  }
  many += "}\\f5\\'e0\\f19999\\'e0}";
  ExpectTexts({
      // Past the table's limit, a font reads as the document's page: its text still shows.
      {"twenty thousand fonts", many, "\xD0\xB0\xC3\xA0"},
      {"a font defined twice: the later definition holds",
       "{\\rtf1{\\fonttbl{\\f0\\fcharset204 A;}{\\f0\\fcharset0 B;}}\\f0\\'e0}", "\xC3\xA0"},
      {"a font never defined", "{\\rtf1\\ansicpg1251{\\fonttbl{\\f0 A;}}\\f7\\'e0}", "\xD0\xB0"},
      {"a charset that does not exist",
       "{\\rtf1\\ansicpg1251{\\fonttbl{\\f0\\fcharset250 A;}}\\f0\\'e0}", "\xD0\xB0"},
      {"code pages that do not exist",
       "{\\rtf1\\ansicpg1251{\\fonttbl{\\f0\\cpg99999 A;}{\\f1\\cpg-4 B;}{\\f2\\cpg12345 C;}}"
       "\\f0\\'e0\\f1\\'e0\\f2\\'e0}",
       "\xD0\xB0\xD0\xB0\xD0\xB0"},
      {"a document page that does not exist", "{\\rtf1\\ansicpg77777 \\'e0}", "\xC3\xA0"},
      {"a negative document page", "{\\rtf1\\ansicpg-1252 \\'e0}", "\xC3\xA0"},
      {"a font name without end", "{\\rtf1{\\fonttbl{\\f0 " + Repeat("N", 100000) + "}}x}", "x"},
  });
}

TEST(HostileDocuments, CutOffInEveryKindOfPlace) {
  ExpectTexts({
      {"inside a control word", "{\\rtf1 ab\\pa", "ab"},
      {"inside a parameter", "{\\rtf1 ab\\fs2", "ab"},
      {"after a parameter's sign", "{\\rtf1 ab\\li-", "ab"},
      {"inside \\'h", "{\\rtf1 ab\\'e", "ab"},
      {"after a lone backslash", "{\\rtf1 ab\\", "ab"},
      {"inside \\bin data", "{\\rtf1 ab{\\pict\\bin10 xyz", "ab"},
      {"inside a \\u fallback", "{\\rtf1 ab\\uc2\\u233 \\'e", "ab\xC3\xA9"},
      {"a \\u word cut by the end still counts", "{\\rtf1 ab\\u233", "ab\xC3\xA9"},
      {"inside a double-byte character", "{\\rtf1\\ansicpg932 a\\'82", "a"},
      {"inside a UTF-8 sequence", "{\\rtf1\\ansicpg65001 a\xE2\x82", "a"},
      {"inside the font table", "{\\rtf1{\\fonttbl{\\f0 Ari", ""},
      {"inside an ignorable destination", "{\\rtf1 ab{\\*\\unknown x", "ab"},
  });
}

// A document with every kind of token, cut after each of its bytes: never a crash, always
// well-formed text, and the text of every cut at a group's end is the start of the whole text.
TEST(HostileDocuments, EveryPrefixOfARepresentativeDocument) {
  const std::string document =
      "\xEF\xBB\xBF{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fcharset0 Arial;}"
      "{\\f1\\fcharset128 MS Mincho;}{\\f2\\fcharset204 Cyr;}}{\\*\\generator x;}"
      "{\\info{\\title t}}\\uc1\\pard caf\\'e9 \\u8364?{\\f1 \\'82\\'a0}{\\f2 \\'e0} "
      "\\u-10179?\\u-8704? {\\pict\\bin6 {}\\\\\\}\\emdash\\par"
      "{\\field{\\*\\fldinst HYPERLINK}{\\fldrslt link}}\\tab end\\line\\~x\\par}";
  std::string whole;
  ASSERT_EQ(richtext::ConvertBytes(document, whole), richtext::ReadStatus::kOk);
  for (std::size_t cut = 0; cut < document.size(); ++cut) {
    std::string text;
    const richtext::ReadStatus status =
        richtext::ConvertBytes(std::string_view(document).substr(0, cut), text);
    const bool has_signature = cut >= 3 + 5;  // the byte-order mark and {\rtf
    ASSERT_EQ(status == richtext::ReadStatus::kOk, has_signature) << "cut at " << cut;
    EXPECT_TRUE(testing_support::IsWellFormedText(text)) << "cut at " << cut;
    if (cut > 0 && document[cut - 1] == '}') {
      EXPECT_EQ(whole.compare(0, text.size(), text), 0) << "cut at " << cut << ": " << text;
    }
  }
}

// Found by the reader fuzzer: spaces after the document's end were decoded with the text that
// followed them when both came in one piece, but held as plain spaces when split, so a page
// whose 0x20 is not a space (IBM 933) gave different text for different chunkings.
TEST(HostileDocuments, SpacesAfterTheEndGiveTheSameTextHoweverSplit) {
  const std::string inputs[] = {
      "{\\rtfs\\ansicpg933} \xA1",
      "{\\rtf1\\ansicpg933 a}   b",
      "{\\rtf1 a}" + Repeat(" ", 5000) + "b",
  };
  for (const std::string& input : inputs) {
    std::string whole;
    ASSERT_EQ(richtext::ConvertBytes(input, whole), richtext::ReadStatus::kOk);
    EXPECT_FALSE(whole.empty()) << input.substr(0, 30);
    EXPECT_EQ(testing_support::ConvertInPieces(input, 1), whole) << input.substr(0, 30);
  }
}

}  // namespace

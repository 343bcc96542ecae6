// What examples cannot show: chunk boundaries everywhere, signatures, raw bytes, real documents.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "reader_in_pieces.h"
#include "richtext/reader.h"

namespace {

std::string Convert(std::string_view rtf) {
  std::string text;
  EXPECT_EQ(richtext::ConvertBytes(rtf, text), richtext::ReadStatus::kOk);
  return text;
}

// Each half in a buffer of its own, so that a read past the first half's end is an error
// AddressSanitizer reports.
std::string ConvertSplitAt(std::string_view rtf, std::size_t at) {
  richtext::Reader reader;
  const std::vector<char> first(rtf.begin(), rtf.begin() + static_cast<std::ptrdiff_t>(at));
  const std::vector<char> second(rtf.begin() + static_cast<std::ptrdiff_t>(at), rtf.end());
  reader.Feed(first.data(), first.size());
  reader.Feed(second.data(), second.size());
  if (reader.Finish() != richtext::ReadStatus::kOk) return "<refused>";
  return reader.TakeText();
}

// Every kind of token straddles the split somewhere in this document.
constexpr std::string_view kEveryToken =
    "\xEF\xBB\xBF{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fcharset128 MS;}"
    "{\\f1\\fcharset0 Arial;}}\\uc2 "
    "\\'82\\'a0\\'82\xA0\x82\xA0 \\u26085\\'93\\'fa\\u-10179\\'81\\'48\\u-8704\\'81\\'48"
    "{\\f1 caf\\'e9 \\emdash\\par}{\\*\\unknown skipped{\\bin3 }}}}"
    "\\fs-24 {\\pict\\bin4 \\{}\\}x\\\r\ny\\tab z\r\n\\line end\\par}";

// Escapes read in place, joined by spaces, long enough for a run to end exactly at a split.
const std::string kLongEscapedRun = [] {
  std::string rtf = "{\\rtf1\\ansi\\ansicpg1251 x";
  for (int k = 0; k < 40; ++k) rtf += "\\'c1\\'ee ";
  return rtf + "\\par\\'c1\\b\\i\\par}";
}();

TEST(ReaderStream, EverySplitPointGivesTheSameText) {
  for (const std::string_view rtf : {kEveryToken, std::string_view(kLongEscapedRun)}) {
    const std::string whole = Convert(rtf);
    ASSERT_FALSE(whole.empty());
    for (std::size_t at = 0; at <= rtf.size(); ++at) {
      ASSERT_EQ(ConvertSplitAt(rtf, at), whole) << "split at " << at;
    }
  }
}

// Fed in pieces shorter than any token the scanner reads in place, so every token goes through
// its saved state: a document must give the same text both ways.
std::string ConvertInSmallPieces(std::string_view rtf) {
  return testing_support::ConvertInPieces(rtf, 61);
}

TEST(ReaderStream, TokensReadInPlaceMatchTokensReadInPieces) {
  const std::string padding(80, 'x');
  const std::string_view tokens[] = {
      "\\abcdefghijklmnopqrstuvwxyzabcdef ",   // 32 letters: the longest name
      "\\abcdefghijklmnopqrstuvwxyzabcdefg ",  // 33: matches nothing
      "\\par-",
      "\\par- x",
      "\\par-7 x",
      "\\par -",
      "\\u-",
      "\\u-x",
      "\\u2147483647 x",
      "\\u2147483648 x",
      "\\u-2147483648 x",
      "\\u-2147483649 x",
      "\\u0000000000000000000065 x",  // more digits than fit the window
      "\\u00000000000000066 x",
      "\\u000000000000000067 x",
      "\\u-0000000000000065 x",
      "\\u12345678901234567 x",
      "\\u123456789012345678 x",
      "\\u99999999999999999999999 x",
      "\\'4x",
      "\\'",
      "\\'g1",
      "\\'e9\\'E9",
      // Runs of escapes, with plain bytes between them: in text, a \\uN fallback, hidden
      // text, a font name, the level numbers, after the document's end, longer than one run.
      "\\'e9 \\'e9,\\'e9\\'\\'e9 x\\'e9\\\\'e9",
      "\\uc3\\u1234\\'e9 \\'e9 \\'e9 \\u1234 \\'e9 x",
      "{\\v \\'e9 \\'e9}\\'e9{\\fonttbl{\\f0 \\'e9 \\'3b\\'e9;}}",
      "{\\listtable{\\list{\\listlevel{\\levelnumbers\\'01\\'3b\\'03;}}}}",
      "}\\'e9 \\'e9  \\'e9{",
      "\\'c1\\'ee \\'c1\\'ee \\'c1\\'ee \\'c1\\'ee \\'c1\\'ee \\'c1\\'ee \\'c1\\'ee \\'c1\\'ee "
      "\\'c1\\'ee \\'c1\\'ee \\'c1\\'ee \\'c1\\'ee \\'c1\\'ee \\'c1\\'ee \\'c1\\'ee \\'c1\\'ee "
      "\\'c1\\'ee \\'c1\\'ee \\'c1\\'ee \\'c1\\'ee \\'c1\\'ee \\'c1\\'ee \\'c1\\'ee \\'c1\\'ee",
      // \\uN and the escapes of its fallback: fewer, more, or a bad one; inside a fallback,
      // after \\*, hidden, in the font table, a skipped group, after the document's end.
      "\\uc2\\u26085\\'93\\'fa\\'93\\'fa\\u26412\\'93\\g\\'fa\\u1\\'zz\\uc0\\u2\\'e9",
      "\\uc5\\u1234\\'e9\\'e9\\'e9\\'e9\\'e9\\'e9 x\\uc1\\u1234\\u1234\\'e9\\'e9",
      "{\\*\\u1234\\'e9\\'e9}{\\v\\u1234\\'e9\\'e9}{\\fonttbl{\\f0\\u1234\\'e9\\'e9;}}",
      "{\\*\\skip\\u1234\\'e9}}\\u1234\\'e9\\'e9{",
      "\\bin3 {}\\",
      "\\bin-3 ab",
      "\\bin0 ab",
      "\\~\\_\\-\\*x",
      "\\\\ \\{ \\}",
  };
  for (std::string_view token : tokens) {
    const std::string rtf = "{\\rtf1\\ansi " + padding + std::string(token) + padding + "}";
    EXPECT_EQ(ConvertInSmallPieces(rtf), Convert(rtf)) << token;
  }
}

TEST(ReaderStream, CorpusDocumentsReadInPlaceMatchReadInPieces) {
  int corpora = 0;
  for (const std::filesystem::path corpus :
       {RTFPLAIN_CORPUS_DIR, RTFPLAIN_CORPUS_WILD_DIR, RTFPLAIN_CORPUS_WILD3_DIR}) {
    if (!std::filesystem::is_directory(corpus)) {
      std::cout << "no corpus at " << corpus << ": skipped\n";
      continue;
    }
    ++corpora;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
      if (entry.path().extension() != ".rtf") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::stringstream bytes;
      bytes << in.rdbuf();
      std::string whole;
      if (richtext::ConvertBytes(bytes.str(), whole) != richtext::ReadStatus::kOk) continue;
      EXPECT_TRUE(ConvertInSmallPieces(bytes.str()) == whole) << entry.path().filename();
    }
  }
  if (corpora == 0) GTEST_SKIP() << "no corpus folder is there";
}

TEST(ReaderStream, DoubleByteCharactersInEveryForm) {
  // A lead byte and its trail byte pair up as \'hh\'hh, \'hh then raw, or raw; a trail byte
  // that is an ASCII letter belongs to the pair.
  EXPECT_EQ(Convert("{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0\\'82\xA0\x82\xA0\\'83\\'41\x83"
                    "A}"),
            "あああアア");
  EXPECT_EQ(Convert("{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0\\'ce\\'c4}"), "中文");
  EXPECT_EQ(Convert("{\\rtf1\\ansi\\ansicpg949 \\'c7\\'d1}"), "한");
  EXPECT_EQ(Convert("{\\rtf1\\ansi\\ansicpg950 \\'a4\\'a4}"), "中");
}

TEST(ReaderStream, Utf8CodePage) {
  EXPECT_EQ(Convert("{\\rtf1\\ansi\\ansicpg65001 caf\\'c3\\'a9 \xE2\x82\xAC \\'ff!}"),
            "café € \xEF\xBF\xBD!");
}

TEST(ReaderStream, UnknownCodePagesFallBackToTheDocumentPage) {
  EXPECT_EQ(Convert("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\cpg99999 X;}{\\f1\\fcharset250 Y;}}"
                    "\\f0\\'e0\\f1\\'e0}"),
            "аа");
  EXPECT_EQ(Convert("{\\rtf1\\ansi\\ansicpg77777 caf\\'e9}"), "café");
}

TEST(ReaderStream, EveryFontCharsetDecodesThroughItsCodePage) {
  // The document's page is 1251: charset 1 (DEFAULT) follows it, 0 (ANSI) is Western anyway.
  struct Case {
    int charset;
    std::string_view bytes;
    std::string_view text;
  };
  const Case cases[] = {
      {0, "\\'e9", "é"},         {1, "\\'e9", "й"},         {77, "\\'8e", "é"},
      {128, "\\'82\\'a0", "あ"}, {129, "\\'c7\\'d1", "한"}, {130, "\\'d0\\'65", "한"},
      {134, "\\'d6\\'d0", "中"}, {136, "\\'a4\\'a4", "中"}, {161, "\\'e1", "α"},
      {162, "\\'fd", "ı"},       {163, "\\'f5", "ơ"},       {177, "\\'f9", "ש"},
      {178, "\\'c7", "ا"},       {186, "\\'e0", "ą"},       {204, "\\'e0", "а"},
      {222, "\\'a1", "ก"},       {238, "\\'b3", "ł"},       {254, "\\'82", "é"},
      {255, "\\'a5", "Ñ"},
  };
  for (const Case& c : cases) {
    const std::string rtf = "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f5\\fcharset" +
                            std::to_string(c.charset) + " F;}}\\f5 " + std::string(c.bytes) + "}";
    EXPECT_EQ(Convert(rtf), c.text) << "charset " << c.charset;
  }
}

TEST(ReaderStream, Signatures) {
  using std::string_literals::operator""s;
  struct Case {
    std::string input;
    bool accepted;
  };
  const Case cases[] = {
      {"{\\rtf1}", true},
      {"{\\rtf}", true},
      {"\xEF\xBB\xBF{\\rtf1}", true},
      {"\xEF\xBB\xBF \r\n\t{\\rtf1}", true},
      {"{ \\rtf1}", true},
      {"", false},
      {"   ", false},
      {"{\\rt", false},
      {"{\\RTF1}", false},
      {"\xEF\xBB{\\rtf1}", false},
      {" \xEF\xBB\xBF{\\rtf1}", false},
      {"{\\*\\rtf1}", false},
      {"hello {\\rtf1}", false},
      {"\x00{\\rtf1}"s, false},
      {"\xEF\xBB\xBF", false},
      {"\x7F"
       "ELF\x02\x01\x01\x00\x00\x00"s,
       false},
      {std::string(30000, '\xFF'), false},
      {"Plain text that mentions {\\rtf1 only later}", false},
      {"%PDF-1.7 {\\rtf1}", false},
      {std::string(100000, ' ') + "x{\\rtf1}", false},
  };
  for (const Case& c : cases) {
    std::string text = "untouched";
    EXPECT_EQ(richtext::ConvertBytes(c.input, text) == richtext::ReadStatus::kOk, c.accepted)
        << "input: " << c.input.substr(0, 20);
    if (!c.accepted) {
      EXPECT_EQ(text, "untouched");
    }
  }
}

// A note mark may be rewritten until its note has ended, so the text after it is held back from
// the sink; a mark that no note follows, or whose note is far away, must not hold the rest of the
// document in memory.
TEST(ReaderStream, AMarkStopsHoldingTextAtTheParagraphEndOrPastItsBound) {
  const std::string far(2 << 20, 'x');
  const std::string documents[] = {
      "{\\rtf1 a\\chftn b\\par " + std::string(1000, 'x') + "\\par more",
      "{\\rtf1 a\\chftn b " + far + "{\\footnote\\ftnalt x}",
  };
  for (const std::string& rtf : documents) {
    testing_support::CollectingSink sink;
    richtext::Reader reader;
    reader.HandTextTo(sink, 1);
    reader.Feed(rtf.data(), rtf.size() - 10);
    EXPECT_GE(sink.text().size(), rtf.size() - 40) << rtf.substr(0, 20);
  }
}

}  // namespace

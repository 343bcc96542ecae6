// Writes the fuzzers' starting inputs: every reader example of tests/examples, the documents of
// tests/fixtures, a few small generated documents that reach the reader's rarer states, and
// argument texts for the splitter.
//
//   rtfplain_fuzz_seeds EXAMPLES_DIR FIXTURES_DIR READER_SEEDS_DIR ARGS_SEEDS_DIR
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "examples_file.h"

namespace {
namespace fs = std::filesystem;

std::string Repeat(const std::string& unit, int times) {
  std::string out;
  for (int k = 0; k < times; ++k) out += unit;
  return out;
}

// Small on purpose: the fuzzer grows them; big seeds only slow every run down.
std::vector<std::string> GeneratedDocuments() {
  using namespace std::string_literals;
  return {
      "{\\rtf1 " + Repeat("{", 300) + "deep" + Repeat("}", 300) + "}",
      "{\\rtf1 a}" + Repeat("}", 50) + " b",
      "{\\rtf1 a\\" + Repeat("x", 70) + " b\\fs" + Repeat("9", 40) + " c\\u99999999999 d}",
      "{\\rtf1 a{\\pict\\bin6 \x00\x01{}\\}b\\bin-5 c\\bin0 d{\\*\\objdata\\bin99999 x}}"s,
      "{\\rtf1\\uc2 \\u-10179\\'81\\'48\\u-8704\\'81\\'48 \\u55357?\\u56832?\\uc9999 \\u233 x}",
      "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 MS;}{\\f0\\fcharset0 Again;}}"
      "\\f0 \\'82\\'a0\x82\xa0\\f7 \\'e9}",
      "{\\rtf1\\ansicpg65001 caf\\'c3\\'a9 \xe2\x82\xac \\'ff\xc3}",
      "{\\rtf1{\\fonttbl{\\f1\\cpg99999 X;}{\\f2\\fcharset250 Y;}{\\f3\\fcharset136 Z;}}"
      "\\f1\\'e0\\f2\\'e0\\f3\\'a4\\'a4\\'a4}",
      "{\\rtf1\\trowd A\\cell\\cell B\\cell\\row{\\*\\nesttableprops\\nestrow}\\pard x\\par}",
      "{\\rtf1{\\upr{a}{\\*\\ud{\\u8364?}}}\\'zz\\'4z a\x00\x01\x7f\tb}"s,
      "\xef\xbb\xbf { \\rtf1{\\field{\\*\\fldinst x}{\\fldrslt shown}}{\\v hidden}\\line}",
  };
}

std::vector<std::string> ArgumentTexts() {
  using namespace std::string_literals;
  return {"a.rtf", "a b",      "\"my file.rtf\"", "\"unclosed", "a\"b c", "\t x  \t y ",
          "\"\"",  "\"a\"b c", "\x01 a",          "\x01\"ab\"", "\x01 ",  ""};
}

bool WriteSeed(const fs::path& folder, const std::string& name, const std::string& bytes) {
  std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: rtfplain_fuzz_seeds EXAMPLES_DIR FIXTURES_DIR READER_SEEDS_DIR "
                 "ARGS_SEEDS_DIR\n";
    return 2;
  }
  const fs::path examples = argv[1];
  const fs::path fixtures = argv[2];
  const fs::path reader_seeds = argv[3];
  const fs::path args_seeds = argv[4];
  fs::create_directories(reader_seeds);
  fs::create_directories(args_seeds);
  bool ok = true;
  int written = 0;
  for (const auto& entry : fs::directory_iterator(examples)) {
    if (entry.path().extension() != ".txt") continue;
    const std::string file = entry.path().filename().string();
    for (const auto& e : testing_support::ReadExamples(entry.path().string(), file)) {
      ok &= WriteSeed(reader_seeds, file + "-" + std::to_string(e.line), e.rtf);
      ++written;
    }
  }
  int documents = 0;
  for (const auto& entry : fs::directory_iterator(fixtures)) {
    if (entry.path().extension() != ".rtf") continue;
    std::error_code error;
    fs::copy_file(entry.path(), reader_seeds / entry.path().filename(),
                  fs::copy_options::overwrite_existing, error);
    ok &= !error;
    ++documents;
  }
  int generated = 0;
  for (const std::string& document : GeneratedDocuments()) {
    ok &= WriteSeed(reader_seeds, "generated-" + std::to_string(++generated), document);
  }
  int texts = 0;
  for (const std::string& text : ArgumentTexts()) {
    ok &= WriteSeed(args_seeds, "text-" + std::to_string(++texts), text);
  }
  std::cout << written << " examples, " << documents << " fixtures, " << generated
            << " generated documents, " << texts << " argument texts\n";
  return ok ? 0 : 1;
}

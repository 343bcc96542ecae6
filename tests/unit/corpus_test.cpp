// Real documents from many word processors, when the shared corpora are there: none leaks
// markup or shows U+FFFD that its own bytes do not force, and each shows a passage of its text as
// a reader sees it on the page.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "load_document.h"

namespace {
namespace fs = std::filesystem;

const fs::path kCorpus = RTFPLAIN_CORPUS_DIR;
const fs::path kWild = RTFPLAIN_CORPUS_WILD_DIR;
const fs::path kWild3 = RTFPLAIN_CORPUS_WILD3_DIR;

bool Convert(const fs::path& path, std::string& text) {
  std::optional<std::string> loaded = testing_support::LoadDocument(path);
  if (loaded) text = std::move(*loaded);
  return loaded.has_value();
}

fs::path Find(std::string_view prefix, const fs::path& corpus = kCorpus) {
  for (const auto& entry : fs::directory_iterator(corpus)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) return entry.path();
  }
  return {};
}

TEST(Corpus, NoDocumentLeaksMarkupOrLosesCharacters) {
  // Only this document's bytes force a U+FFFD: it holds surrogate halves without their pairs.
  const std::string_view forced = "004-unpaired-surrogates-textedit.rtf";
  // A run of zeros is a picture's hex leaking, except in this invoice's bank reference number.
  const std::string_view zeros_in_text = "a032-facturx-invoice.rtf";
  for (const fs::path& corpus : {kCorpus, kWild, kWild3}) {
    if (!fs::is_directory(corpus)) {
      std::cout << "no corpus at " << corpus << ": skipped\n";
      continue;
    }
    int read = 0;
    for (const auto& entry : fs::directory_iterator(corpus)) {
      if (entry.path().extension() != ".rtf") continue;
      std::string text;
      if (!Convert(entry.path(), text)) continue;
      ++read;
      for (std::string_view markup : {"\\par", "\\f0", "\\'", "{\\", "fonttbl", "0000000000"}) {
        if (markup == "0000000000" && entry.path().filename() == zeros_in_text) continue;
        EXPECT_EQ(text.find(markup), std::string::npos)
            << entry.path().filename() << " leaks " << markup;
      }
      // \u as text is real in places (c:\users, LaTeX's \usepackage); \u and a number is not.
      for (std::size_t at = text.find("\\u"); at != std::string::npos;
           at = text.find("\\u", at + 1)) {
        const std::size_t digit = at + (text.compare(at + 2, 1, "-") == 0 ? 3 : 2);
        EXPECT_FALSE(digit < text.size() && std::isdigit(static_cast<unsigned char>(text[digit])))
            << entry.path().filename() << " leaks \\u at " << at;
      }
      if (entry.path().filename() != forced) {
        EXPECT_EQ(text.find("\uFFFD"), std::string::npos) << entry.path().filename();
      }
    }
    EXPECT_GE(read, 50) << corpus;
  }
}

TEST(Corpus, EachWriterReadsCleanly) {
  if (!fs::is_directory(kCorpus)) GTEST_SKIP() << "no corpus at " << kCorpus;
  struct Case {
    const char* document;  // the file name's number
    const char* passage;
  };
  const Case cases[] = {
      // Word for Windows and Mac, many versions
      {"002-", "ゾルゲと尾崎、淡々と最期"},
      {"002-", "𐌲𐌿𐍄𐌹𐍃𐌺"},
      {"002-", "•\tBullet 1"},
      {"010-", "Svitky od Mrtvého moře"},
      {"032-", "Proszę o zapoznanie"},
      {"036-", "测试"},
      {"062-", "I love word documents."},
      {"064-", "פרטים אישיים"},
      {"084-", "Heading three\t1"},
      {"092-", "1 This is the actual content of the footnote."},
      {"098-", "Science et méthode"},
      {"100-", "αβχδεφγηιϕκλμνοπθρστυϖωξψζ"},
      {"102-", "ЗАЯВКА НА ПОЛУЧЕНИЕ"},
      {"118-", "Объект – у"},
      // WordPad and other rich-edit writers
      {"012-", "ä\të"},
      {"074-", "•\tA"},
      {"076-", "リリース ノート"},
      {"078-", "实验功能"},
      {"090-", "Iñtërnâtiônàlizætiøn☃💩"},
      {"110-", "Вова Петя"},
      {"120-", "مرسي يصدر"},
      // LibreOffice, OpenOffice, StarOffice
      {"008-", "ゾルゲの処刑記録"},
      {"034-", "Gesamt Calcium-Score"},
      {"046-", "柔道"},
      // TextEdit
      {"004-", "Unpaired hi"},
      {"038-", "印刷情况反映"},
      {"048-", "お読みください"},
      {"104-", "Je suis un document RTF"},
      // AbiWord
      {"066-", "Tons of Cool new Features!"},
      {"068-", "1 Heading Text - make sure we don't open a section in a footnote!"},
      // mail clients and generators
      {"016-", "Уважаемый клиент!"},
      {"024-", "Part of bigger picture"},
      {"060-", "1 Here is the footnote."},
      {"096-", "1中文\t2中文"},
      {"108-", "Давайте завтра"},
      {"116-", "±≥≤"},
  };
  for (const Case& c : cases) {
    const fs::path path = Find(c.document);
    ASSERT_FALSE(path.empty()) << c.document;
    std::string text;
    ASSERT_TRUE(Convert(path, text)) << path.filename();
    EXPECT_NE(text.find(c.passage), std::string::npos) << path.filename() << ": " << c.passage;
  }
}

TEST(Corpus, DocumentsThatAreNotRichTextAreRefused) {
  if (!fs::is_directory(kCorpus)) GTEST_SKIP() << "no corpus at " << kCorpus;
  for (const char* document : {"082-", "112-"}) {
    const fs::path path = Find(document);
    ASSERT_TRUE(fs::is_regular_file(path)) << document;  // a missing file is refused too
    std::string text;
    EXPECT_FALSE(Convert(path, text)) << document;
  }
}

// The second corpus: each writer family, and list labels as Word draws them from the tables.
TEST(Corpus, EachWriterOfTheWildReadsCleanly) {
  if (!fs::is_directory(kWild)) GTEST_SKIP() << "no corpus at " << kWild;
  const std::pair<const char*, const char*> cases[] = {
      {"001-", "Copyright © 2007 Free Software Foundation"},  // WordPad
      {"012-", "一、设计思路"},                               // Word, Chinese, a list label
      {"062-", "1.\tЗапуск инфраструктуры"},                  // LibreOffice, Russian
      {"098-", "HDF Java Products"},                          // LibreOffice
      {"121-", "•\tAllen Mod-Autoren"},                       // OpenOffice, a Symbol bullet
      {"128-", "Разработка оригинального мода"},              // Aspose
      {"207-", "帐号1：qin.he"},                              // TextEdit, Chinese
      {"213-", "d.\tIf the Work includes a \"NOTICE\""},      // Word, lists whose \pard is grouped
  };
  for (const auto& [document, passage] : cases) {
    const fs::path path = Find(document, kWild);
    ASSERT_FALSE(path.empty()) << document;
    std::string text;
    ASSERT_TRUE(Convert(path, text)) << path.filename();
    EXPECT_NE(text.find(passage), std::string::npos) << path.filename() << ": " << passage;
  }
}

}  // namespace

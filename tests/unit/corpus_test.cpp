// Real documents from many word processors, when the shared corpus is there: none leaks markup,
// and each shows a passage of its text as a reader sees it on the page.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "load_document.h"

namespace {
namespace fs = std::filesystem;

const fs::path kCorpus = RTFPLAIN_CORPUS_DIR;

bool Convert(const fs::path& path, std::string& text) {
  std::optional<std::string> loaded = testing_support::LoadDocument(path);
  if (loaded) text = std::move(*loaded);
  return loaded.has_value();
}

fs::path Find(std::string_view prefix) {
  for (const auto& entry : fs::directory_iterator(kCorpus)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) return entry.path();
  }
  return {};
}

TEST(Corpus, NoDocumentLeaksMarkup) {
  if (!fs::is_directory(kCorpus)) GTEST_SKIP() << "no corpus at " << kCorpus;
  int read = 0;
  for (const auto& entry : fs::directory_iterator(kCorpus)) {
    if (entry.path().extension() != ".rtf") continue;
    std::string text;
    if (!Convert(entry.path(), text)) continue;
    ++read;
    for (const char* markup : {"\\par", "\\f0", "\\'", "{\\", "\\u", "fonttbl", "0000000000"}) {
      EXPECT_EQ(text.find(markup), std::string::npos)
          << entry.path().filename() << " leaks " << markup;
    }
  }
  EXPECT_GE(read, 50);
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

}  // namespace

// Realistic documents in tests/fixtures, each beside the text a reader sees on the page.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "load_document.h"
#include "reader_in_pieces.h"
#include "richtext/reader.h"

namespace {
namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Expected files are written with LF line ends and a final line end; the reader gives CR LF and
// leaves the final paragraph end out.
std::string ExpectedText(const fs::path& path) {
  std::string lf = ReadBytes(path);
  if (!lf.empty() && lf.back() == '\n') lf.pop_back();
  std::string crlf;
  for (char c : lf) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf;
}

std::vector<fs::path> Fixtures() {
  std::vector<fs::path> documents;
  for (const auto& entry : fs::directory_iterator(RTFPLAIN_FIXTURES_DIR)) {
    if (entry.path().extension() == ".rtf") documents.push_back(entry.path());
  }
  std::sort(documents.begin(), documents.end());
  return documents;
}

TEST(Fixtures, EachDocumentGivesItsText) {
  const auto documents = Fixtures();
  ASSERT_GE(documents.size(), 10u);
  for (const fs::path& document : documents) {
    const std::optional<std::string> text = testing_support::LoadDocument(document);
    ASSERT_TRUE(text) << document.filename();
    EXPECT_EQ(*text, ExpectedText(fs::path(document).replace_extension(".txt")))
        << document.filename();
  }
}

TEST(Fixtures, SmallChunksGiveTheSameText) {
  // Chunk sizes that put every kind of token across a boundary somewhere in these documents.
  for (const fs::path& document : Fixtures()) {
    const std::string bytes = ReadBytes(document);
    std::string whole;
    ASSERT_EQ(richtext::ConvertBytes(bytes, whole), richtext::ReadStatus::kOk);
    for (std::size_t chunk : {1u, 2u, 3u, 7u, 64u}) {
      EXPECT_EQ(testing_support::ConvertInPieces(bytes, chunk), whole)
          << document.filename() << " in chunks of " << chunk;
    }
  }
}

}  // namespace

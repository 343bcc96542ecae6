// Realistic documents in tests/fixtures, each beside the text a reader sees on the page.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fixture_texts.h"
#include "load_document.h"
#include "reader_in_pieces.h"
#include "richtext/reader.h"

namespace {
namespace fs = std::filesystem;

using fixtures::ReadBytes;

std::vector<fs::path> Fixtures() {
  return fixtures::Documents(RTFPLAIN_FIXTURES_DIR);
}

TEST(Fixtures, EachDocumentGivesItsText) {
  const auto documents = Fixtures();
  ASSERT_GE(documents.size(), 10u);
  for (const fs::path& document : documents) {
    const std::optional<std::string> text = testing_support::LoadDocument(document);
    ASSERT_TRUE(text) << document.filename();
    EXPECT_EQ(*text, fixtures::ExpectedText(document, false)) << document.filename();
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

// Runs every example of tests/examples through the reader, in one piece, byte by byte, and
// handing its text over as it goes.
#include <gtest/gtest.h>

#include <filesystem>

#include "examples_file.h"
#include "reader_in_pieces.h"
#include "richtext/reader.h"

namespace {

using testing_support::Example;

std::vector<Example> AllExamples() {
  std::vector<Example> all;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(RTFPLAIN_EXAMPLES_DIR)) {
    if (entry.path().extension() == ".txt") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    auto examples = testing_support::ReadExamples(file.string(), file.filename().string());
    all.insert(all.end(), examples.begin(), examples.end());
  }
  return all;
}

std::string Where(const Example& e) {
  return e.file + ":" + std::to_string(e.line) + " (" + e.title + ")";
}

TEST(ReaderExamples, EachGivesItsText) {
  const std::vector<Example> examples = AllExamples();
  ASSERT_FALSE(examples.empty());
  for (const Example& e : examples) {
    std::string text;
    richtext::ReadStatus status = richtext::ConvertBytes(e.rtf, text);
    if (e.refused) {
      EXPECT_EQ(status, richtext::ReadStatus::kNotRichText) << Where(e);
      continue;
    }
    ASSERT_EQ(status, richtext::ReadStatus::kOk) << Where(e);
    EXPECT_EQ(text, e.expected) << Where(e);
  }
}

TEST(ReaderExamples, ByteByByteGivesTheSameText) {
  for (const Example& e : AllExamples()) {
    richtext::Reader reader;
    for (char c : e.rtf) reader.Feed(&c, 1);
    if (reader.Finish() != richtext::ReadStatus::kOk) {
      EXPECT_TRUE(e.refused) << Where(e);
      continue;
    }
    EXPECT_EQ(reader.TakeText(), e.expected) << Where(e);
  }
}

// Handing text over after every byte gives the sink every piece it could get: note marks
// rewritten later, fields, held paragraph and cell ends, text boxes starting lines. A sink that
// fails leaves the rest to the reader.
TEST(ReaderExamples, TextHandedOverGivesTheSameText) {
  for (int accepted : {-1, 0, 2}) {
    for (const Example& e : AllExamples()) {
      if (e.refused) continue;
      testing_support::CollectingSink sink(accepted);
      richtext::Reader reader;
      reader.HandTextTo(sink, 1);
      for (char c : e.rtf) reader.Feed(&c, 1);
      ASSERT_EQ(reader.Finish(), richtext::ReadStatus::kOk) << Where(e);
      EXPECT_EQ(sink.text() + reader.TakeText(), e.expected)
          << Where(e) << " (sink takes " << accepted << " pieces)";
    }
  }
}

}  // namespace

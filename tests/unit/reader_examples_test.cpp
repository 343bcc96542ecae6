// Runs every example of tests/examples through the reader, in one piece and byte by byte.
#include <gtest/gtest.h>

#include <filesystem>

#include "examples_file.h"
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

}  // namespace

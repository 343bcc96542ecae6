// The C API as a caller sees it, through the shared library: the program's text, in one call or
// streamed in pieces, and a status for every misuse.
#include <gtest/gtest.h>
#include <rtfplain.h>

#include "fixture_texts.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {
namespace fs = std::filesystem;

using fixtures::ReadBytes;

std::vector<fs::path> Fixtures() {
  return fixtures::Documents(RTFPLAIN_FIXTURES_DIR);
}

std::string OneShot(const std::string& rtf, unsigned flags, rtfplain_status* status) {
  char* text = nullptr;
  size_t length = 0;
  *status = rtfplain_to_text(rtf.data(), rtf.size(), flags, &text, &length);
  if (*status != RTFPLAIN_OK) {
    EXPECT_EQ(text, nullptr);
    return {};
  }
  EXPECT_EQ(text[length], '\0');
  std::string result(text, length);
  rtfplain_free(text);
  return result;
}

struct Collect {
  std::string text;
  int pieces_left = -1;  // stop when it reaches 0
};

int CollectPiece(void* user, const char* text, size_t length) {
  auto& collect = *static_cast<Collect*>(user);
  if (collect.pieces_left == 0) return 1;
  if (collect.pieces_left > 0) --collect.pieces_left;
  collect.text.append(text, length);
  return 0;
}

// Fed in random pieces; the rest from finish, or through the sink when rest is not wanted.
std::string Streamed(const std::string& rtf, unsigned flags, bool rest_to_sink, unsigned seed) {
  Collect collect;
  rtfplain_reader* reader = rtfplain_reader_new(flags, CollectPiece, &collect);
  std::mt19937 random(seed);
  for (std::size_t at = 0; at < rtf.size();) {
    const std::size_t piece = std::min<std::size_t>(1 + random() % 700, rtf.size() - at);
    EXPECT_EQ(rtfplain_reader_feed(reader, rtf.data() + at, piece), RTFPLAIN_OK);
    at += piece;
  }
  char* rest = nullptr;
  size_t length = 0;
  EXPECT_EQ(rtfplain_reader_finish(reader, rest_to_sink ? nullptr : &rest, &length), RTFPLAIN_OK);
  if (rest) collect.text.append(rest, length);
  rtfplain_free(rest);
  rtfplain_reader_free(reader);
  return collect.text;
}

TEST(CApi, GivesTheProgramsTextEveryWay) {
  const auto documents = Fixtures();
  ASSERT_GE(documents.size(), 10u);
  unsigned seed = 1;
  for (const fs::path& document : documents) {
    const std::string rtf = ReadBytes(document);
    for (const unsigned flags : {0u, unsigned{RTFPLAIN_LF}}) {
      const std::string expected = fixtures::ExpectedText(document, flags == RTFPLAIN_LF);
      rtfplain_status status;
      EXPECT_EQ(OneShot(rtf, flags, &status), expected) << document.filename();
      EXPECT_EQ(status, RTFPLAIN_OK);
      EXPECT_EQ(Streamed(rtf, flags, false, ++seed), expected) << document.filename();
      EXPECT_EQ(Streamed(rtf, flags, true, ++seed), expected) << document.filename();
    }
  }
}

TEST(CApi, WithoutASinkFinishGivesAllTheText) {
  const std::string rtf = "{\\rtf1 one\\par two\\par}";
  rtfplain_reader* reader = rtfplain_reader_new(0, nullptr, nullptr);
  for (char c : rtf) ASSERT_EQ(rtfplain_reader_feed(reader, &c, 1), RTFPLAIN_OK);
  char* text = nullptr;
  size_t length = 0;
  ASSERT_EQ(rtfplain_reader_finish(reader, &text, &length), RTFPLAIN_OK);
  EXPECT_EQ(std::string(text, length), "one\r\ntwo");
  rtfplain_free(text);
  rtfplain_reader_free(reader);
}

TEST(CApi, EveryMisuseAndFailureHasItsStatus) {
  const char rtf[] = "{\\rtf1 text}";
  char* text = nullptr;
  size_t length = 7;
  EXPECT_EQ(rtfplain_to_text(rtf, sizeof rtf - 1, 0, nullptr, &length), RTFPLAIN_MISUSE);
  EXPECT_EQ(rtfplain_to_text(nullptr, 4, 0, &text, &length), RTFPLAIN_MISUSE);
  EXPECT_EQ(rtfplain_to_text(rtf, sizeof rtf - 1, 0x80, &text, &length), RTFPLAIN_MISUSE);
  EXPECT_EQ(rtfplain_to_text(nullptr, 0, 0, &text, &length), RTFPLAIN_NOT_RTF);
  EXPECT_EQ(rtfplain_to_text("{\\rtx1}", 7, 0, &text, &length), RTFPLAIN_NOT_RTF);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(rtfplain_to_text(rtf, sizeof rtf - 1, 0, &text, nullptr), RTFPLAIN_OK);
  rtfplain_free(text);

  EXPECT_EQ(rtfplain_reader_new(0x80, nullptr, nullptr), nullptr);
  EXPECT_EQ(rtfplain_reader_feed(nullptr, rtf, 1), RTFPLAIN_MISUSE);
  EXPECT_EQ(rtfplain_reader_finish(nullptr, &text, &length), RTFPLAIN_MISUSE);
  rtfplain_reader_free(nullptr);
  rtfplain_free(nullptr);

  rtfplain_reader* reader = rtfplain_reader_new(0, nullptr, nullptr);
  EXPECT_EQ(rtfplain_reader_feed(reader, nullptr, 3), RTFPLAIN_MISUSE);
  EXPECT_EQ(rtfplain_reader_feed(reader, nullptr, 0), RTFPLAIN_OK);
  EXPECT_EQ(rtfplain_reader_feed(reader, rtf, sizeof rtf - 1), RTFPLAIN_OK);
  EXPECT_EQ(rtfplain_reader_finish(reader, nullptr, nullptr), RTFPLAIN_OK);
  EXPECT_EQ(rtfplain_reader_feed(reader, rtf, 1), RTFPLAIN_MISUSE);
  EXPECT_EQ(rtfplain_reader_finish(reader, &text, &length), RTFPLAIN_MISUSE);
  rtfplain_reader_free(reader);

  // Refused at the first byte that cannot begin a document, and from then on.
  reader = rtfplain_reader_new(0, nullptr, nullptr);
  EXPECT_EQ(rtfplain_reader_feed(reader, " {\\", 3), RTFPLAIN_OK);
  EXPECT_EQ(rtfplain_reader_feed(reader, "x", 1), RTFPLAIN_NOT_RTF);
  EXPECT_EQ(rtfplain_reader_feed(reader, rtf, 1), RTFPLAIN_NOT_RTF);
  EXPECT_EQ(rtfplain_reader_finish(reader, &text, &length), RTFPLAIN_NOT_RTF);
  rtfplain_reader_free(reader);

  reader = rtfplain_reader_new(0, nullptr, nullptr);
  EXPECT_EQ(rtfplain_reader_finish(reader, &text, &length), RTFPLAIN_NOT_RTF);  // no bytes
  rtfplain_reader_free(reader);

  for (int status = RTFPLAIN_OK; status <= RTFPLAIN_MISUSE + 1; ++status) {
    EXPECT_NE(rtfplain_status_text(static_cast<rtfplain_status>(status)), nullptr);
  }
  EXPECT_STREQ(rtfplain_version(), RTFPLAIN_PROJECT_VERSION);
}

TEST(CApi, ASinkThatStopsEndsTheReading) {
  std::string body = "{\\rtf1 ";
  for (int k = 0; k < 20000; ++k) body += "line\\par ";
  // Stopped by a feed (its second piece of text), and by finish handing over the rest.
  const struct {
    std::string rtf;
    int accepted;
    rtfplain_status last_feed;
  } cases[] = {{body + "}", 1, RTFPLAIN_SINK_STOPPED}, {"{\\rtf1 a}", 0, RTFPLAIN_OK}};
  for (const auto& c : cases) {
    Collect collect;
    collect.pieces_left = c.accepted;
    rtfplain_reader* reader = rtfplain_reader_new(0, CollectPiece, &collect);
    rtfplain_status status = RTFPLAIN_OK;
    for (std::size_t at = 0; at < c.rtf.size() && status == RTFPLAIN_OK; at += 4096) {
      status = rtfplain_reader_feed(reader, c.rtf.data() + at,
                                    std::min<std::size_t>(4096, c.rtf.size() - at));
    }
    EXPECT_EQ(status, c.last_feed);
    EXPECT_EQ(rtfplain_reader_finish(reader, nullptr, nullptr), RTFPLAIN_SINK_STOPPED);
    EXPECT_EQ(rtfplain_reader_feed(reader, "x", 1), RTFPLAIN_SINK_STOPPED);
    rtfplain_reader_free(reader);
  }
}

}  // namespace

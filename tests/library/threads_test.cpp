// Readers in different threads never touch each other: each thread converts the same documents,
// one-shot and streamed, and must get what one thread alone gets. Under ThreadSanitizer (the
// tsan preset) any shared state would show as a race.
#include <gtest/gtest.h>
#include <rtfplain.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {
namespace fs = std::filesystem;

std::vector<std::string> Documents() {
  std::vector<fs::path> paths;
  for (const auto& entry : fs::directory_iterator(RTFPLAIN_FIXTURES_DIR)) {
    if (entry.path().extension() == ".rtf") paths.push_back(entry.path());
  }
  std::sort(paths.begin(), paths.end());
  std::vector<std::string> documents;
  for (const fs::path& path : paths) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    documents.push_back(bytes.str());
  }
  // Notes past the reader's memory limit wait in a temporary file: each thread makes its own.
  std::string notes = "{\\rtf1 body";
  for (int k = 0; k < 600; ++k) {
    notes += "{\\footnote " + std::string(8000, 'n') + "}";
  }
  documents.push_back(notes + " end}");
  return documents;
}

int Append(void* user, const char* text, size_t length) {
  static_cast<std::string*>(user)->append(text, length);
  return 0;
}

std::string Convert(const std::string& rtf, bool streamed) {
  std::string text;
  if (!streamed) {
    char* all = nullptr;
    size_t length = 0;
    if (rtfplain_to_text(rtf.data(), rtf.size(), RTFPLAIN_LF, &all, &length) != RTFPLAIN_OK) {
      return "<failed>";
    }
    text.assign(all, length);
    rtfplain_free(all);
    return text;
  }
  rtfplain_reader* reader = rtfplain_reader_new(RTFPLAIN_LF, Append, &text);
  for (std::size_t at = 0; at < rtf.size(); at += 1000) {
    rtfplain_reader_feed(reader, rtf.data() + at, std::min<std::size_t>(1000, rtf.size() - at));
  }
  const bool ok = rtfplain_reader_finish(reader, nullptr, nullptr) == RTFPLAIN_OK;
  rtfplain_reader_free(reader);
  return ok ? text : "<failed>";
}

TEST(Threads, ReadersInThreadsGiveWhatOneThreadGives) {
  const std::vector<std::string> documents = Documents();
  std::vector<std::string> expected;
  for (const std::string& rtf : documents) expected.push_back(Convert(rtf, false));

  constexpr int kThreads = 4;
  std::vector<std::vector<std::string>> got(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (const std::string& rtf : documents) got[t].push_back(Convert(rtf, t % 2 == 1));
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(got[t], expected) << "thread " << t;
}

}  // namespace

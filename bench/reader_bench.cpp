// The reader on documents held in memory, without process start, file reads or output writes:
// for tuning the inner loops. Give it the folder the benchmark corpus was generated into.
//
//   rtfplain_reader_bench [benchmark flags] CORPUS_FOLDER
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "richtext/reader.h"

namespace {

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The whole reader as the program runs it: fed in the same 256 KiB pieces it reads a file in.
void ConvertInChunks(benchmark::State& state, const std::string& rtf) {
  constexpr std::size_t kChunk = 256 * 1024;
  for (auto _ : state) {
    richtext::Reader reader;
    reader.ExpectInputSize(rtf.size());
    for (std::size_t at = 0; at < rtf.size(); at += kChunk) {
      reader.Feed(rtf.data() + at, std::min(kChunk, rtf.size() - at));
    }
    if (reader.Finish() != richtext::ReadStatus::kOk) state.SkipWithError("not RTF");
    std::string text = reader.TakeText();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(rtf.size()));
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s [benchmark flags] CORPUS_FOLDER\n", argv[0]);
    return 2;
  }
  std::vector<std::filesystem::path> documents;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
    if (entry.path().extension() == ".rtf") documents.push_back(entry.path());
  }
  std::sort(documents.begin(), documents.end());
  // Held for the whole run: the benchmarks refer to them.
  static std::vector<std::string> contents;
  contents.reserve(documents.size());
  for (const auto& path : documents) {
    contents.push_back(ReadWhole(path));
    const std::string& rtf = contents.back();
    benchmark::RegisterBenchmark(path.stem().string().c_str(), [&rtf](benchmark::State& state) {
      ConvertInChunks(state, rtf);
    })->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// Every file the run opens is closed again, on the paths that succeed and on those that fail.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "driver/output_file.h"
#include "host/failure.h"
#include "load_document.h"

namespace {
namespace fs = std::filesystem;

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

class ResourceHygiene : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "rtfplain-fd-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    Write(dir_ / "a.rtf", "{\\rtf1 text}");
    Write(dir_ / "plain.txt", "not rich text");
    Write(dir_ / "empty.rtf", "");
    fs::create_directory(dir_ / "folder.rtf");
    ASSERT_EQ(mkfifo((dir_ / "fifo.rtf").c_str(), 0644), 0);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  fs::path dir_;
};

TEST_F(ResourceHygiene, LoadingClosesTheInputOnEveryPath) {
  const std::size_t before = OpenDescriptors();
  for (const char* name : {"a.rtf", "plain.txt", "empty.rtf", "folder.rtf", "fifo.rtf", "none"}) {
    testing_support::LoadDocument(dir_ / name);
    EXPECT_EQ(OpenDescriptors(), before) << name;
  }
}

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(ResourceHygiene, TextOutputClosesTheOutputOnEveryPath) {
  const std::size_t before = OpenDescriptors();
  const auto input = platform::IdentifyFile((dir_ / "a.rtf").string());
  ASSERT_TRUE(input.has_value());

  struct Written {
    const char* what;
    const char* handed_over;  // text given while the document is read
    bool existed;             // the output had a file before the run
    bool taken_meanwhile;     // a file took the output's name while the document was read
  };
  const Written written[] = {
      {"all at the end", "", false, false},
      {"a new output, partly while reading", "text ", false, false},
      {"an existing output", "text ", true, false},
      {"the name taken while reading", "text ", false, true},
  };
  for (const Written& w : written) {
    const fs::path path = dir_ / "out.txt";
    fs::remove(path);
    if (w.existed) Write(path, "an old and longer output");
    {
      mdlMain::TextOutput output(path.string());
      // Text the output refuses stays with the reader, and comes back at the end.
      std::string rest = "and the rest";
      if (*w.handed_over && !output.Write(w.handed_over)) rest = w.handed_over + rest;
      if (w.taken_meanwhile) Write(path, "a file that appeared");
      output.Finish(rest, input);
    }
    EXPECT_EQ(Contents(path), std::string(w.handed_over) + "and the rest\r\n") << w.what;
    EXPECT_EQ(OpenDescriptors(), before) << w.what;
  }

  struct Failing {
    const char* what;
    fs::path path;
  };
  const Failing failing[] = {
      {"the output is the input", dir_ / "a.rtf"},
      {"the folder is missing", dir_ / "missing" / "out.txt"},
      {"the output is a folder", dir_ / "folder.rtf"},
      {"the disk is full", "/dev/full"},
  };
  for (const Failing& f : failing) {
    for (bool handing_over : {false, true}) {
      {
        mdlMain::TextOutput output(f.path.string());
        if (handing_over) output.Write("text");
        EXPECT_THROW(output.Finish("text", input), host::Failure) << f.what;
      }
      EXPECT_EQ(OpenDescriptors(), before) << f.what;
    }
  }
  EXPECT_EQ(Contents(dir_ / "a.rtf"), "{\\rtf1 text}");
}

}  // namespace

// Every file the run opens is closed again, on the paths that succeed and on those that fail.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "driver/output_file.h"
#include "host/failure.h"
#include "richtext/reader.h"

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

TEST_F(ResourceHygiene, ConvertFileClosesTheInputOnEveryPath) {
  const std::size_t before = OpenDescriptors();
  for (const char* name : {"a.rtf", "plain.txt", "empty.rtf", "folder.rtf", "fifo.rtf", "none"}) {
    std::string text;
    richtext::ConvertFile((dir_ / name).string(), text);
    EXPECT_EQ(OpenDescriptors(), before) << name;
  }
}

TEST_F(ResourceHygiene, TextOutputClosesTheOutputOnEveryPath) {
  const std::size_t before = OpenDescriptors();
  const auto input = platform::IdentifyFile((dir_ / "a.rtf").string());
  ASSERT_TRUE(input.has_value());

  {
    mdlMain::TextOutput output;
    output.Open((dir_ / "out.txt").string(), input);
    output.Write("text");
    output.Close();
  }
  EXPECT_EQ(OpenDescriptors(), before) << "written and closed";

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
    {
      mdlMain::TextOutput output;
      EXPECT_THROW(
          {
            output.Open(f.path.string(), input);
            output.Write("text");
            output.Close();
          },
          host::Failure)
          << f.what;
    }
    EXPECT_EQ(OpenDescriptors(), before) << f.what;
  }
}

}  // namespace

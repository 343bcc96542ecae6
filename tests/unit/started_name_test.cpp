// The program's file found from its started name (argv[0] and PATH), as where /proc is missing.
#include "platform/linux/started_name.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class StartedName : public ::testing::Test {
 protected:
  // root/bin/tool (the program), root/cwd/tool (another), root/links/tool -> ../bin/tool, and
  // names that execvp passes over: root/plain/tool (not executable), root/folder/tool/.
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("started_name_test." + std::to_string(getpid()));
    for (const char* folder : {"bin", "cwd", "links", "plain", "folder/tool"}) {
      fs::create_directories(root_ / folder);
    }
    for (const char* file : {"bin/tool", "cwd/tool", "plain/tool"}) std::ofstream(root_ / file);
    fs::permissions(root_ / "bin/tool", fs::perms::owner_all);
    fs::permissions(root_ / "cwd/tool", fs::perms::owner_all);
    fs::permissions(root_ / "plain/tool", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("../bin/tool", root_ / "links/tool");
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path root_;
};

TEST_F(StartedName, FromArgumentZeroOrTheFirstMatchOnPath) {
  const std::string r = root_.string();
  const std::string bin = r + "/bin/tool";
  const std::string cwd_tool = r + "/cwd/tool";
  struct Case {
    std::string started;
    std::optional<std::string> path;
    std::string expected;  // empty: not found
  } cases[] = {
      {bin, std::nullopt, bin},              // a '/': PATH is not read
      {"../bin/tool", r + "/cwd", bin},      // relative to the cwd
      {"../links/tool", std::nullopt, bin},  // through a link, resolved
      {"../plain/tool", r + "/bin", ""},     // names no executable
      {"tool", r + "/none:" + r + "/plain:" + r + "/folder:" + r + "/links", bin},
      {"tool", r + "/none::" + r + "/bin", cwd_tool},  // empty entry: the cwd
      {"tool", std::string("../bin"), bin},            // relative entry
      {"tool", r + "/plain", ""},
      {"", r + "/bin", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.started + " with PATH " + c.path.value_or("(unset)"));
    const std::optional<std::string_view> path =
        c.path ? std::optional<std::string_view>(*c.path) : std::nullopt;
    EXPECT_EQ(platform::ResolveStartedName(c.started, path, r + "/cwd").value_or(""), c.expected);
  }
}

TEST(StartedNameDefaults, UnsetPathIsExecvpsDefault) {
  if (!fs::exists("/bin/sh")) GTEST_SKIP() << "no /bin/sh";
  EXPECT_EQ(platform::ResolveStartedName("sh", std::nullopt, "/").value_or(""),
            fs::canonical("/bin/sh").string());
}

}  // namespace

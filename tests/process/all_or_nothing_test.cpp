// Whatever ends a run (a full disk, the file-size limit, a kill), the output's name shows its
// earlier content, or nothing, or the whole new text: never a part, and no file of the run's is
// left beside it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>

#include "process/process_harness.h"
#include "process/run_contract.h"

namespace {
namespace fs = std::filesystem;
using testing_support::kConverted;
using testing_support::kDocument;
using testing_support::kDocumentText;
using testing_support::kFailed;
using testing_support::ListTree;
using testing_support::ReadFile;
using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::ScratchTool;
using testing_support::WriteFile;

const std::string kEarlier = "the earlier text\r\n";

// About `megabytes` of text, in numbered lines so that no part equals another.
std::string LongDocument(std::size_t megabytes) {
  std::string document = "{\\rtf1\\ansi ";
  document.reserve(megabytes * 1000000 + 64);
  for (std::size_t k = 0; document.size() < megabytes * 1000000; ++k) {
    document += "Line " + std::to_string(k) + " of plain words, one accent (caf\\'e9).\\par\n";
  }
  return document + "}";
}

// A file system mounted on a folder for one test; skipped, saying why, where that cannot be.
class Mount {
 public:
  Mount(const fs::path& where, const std::string& command) : where_(where) {
    mounted_ = std::system((command + " 2>/dev/null").c_str()) == 0;
  }
  ~Mount() {
    if (mounted_) umount2(where_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  fs::path where_;
  bool mounted_ = false;
};

// A run that fails leaves the name as it was, and nothing beside it; a small document still
// converts in the same place, so the failure is the large text's.
void ExpectLargeTextFailsWholly(const ScratchTool& t, const RunOptions& options) {
  WriteFile(t.tool() / "large.rtf", LongDocument(6));  // 5.9 MB of text
  WriteFile(t.tool() / "small.rtf", kDocument);
  for (const bool earlier : {false, true}) {
    SCOPED_TRACE(earlier ? "earlier output" : "new output");
    if (earlier) WriteFile(t.cwd() / "large.rtf.txt", kEarlier);
    const RunResult r = t.Run({"large.rtf"}, options);
    EXPECT_EQ(r.exit_status, kFailed);
    EXPECT_EQ(r.out + r.err, "");
    if (earlier) {
      EXPECT_EQ(ReadFile(t.cwd() / "large.rtf.txt"), kEarlier);
      EXPECT_EQ(ListTree(t.cwd()), std::vector<std::string>{"large.rtf.txt"});
    } else {
      EXPECT_EQ(ListTree(t.cwd()), std::vector<std::string>{});
    }
  }
  EXPECT_EQ(t.Run({"small.rtf"}, options).exit_status, kConverted);
  EXPECT_EQ(ReadFile(t.cwd() / "small.rtf.txt"), kDocumentText);
  EXPECT_EQ(ReadFile(t.cwd() / "large.rtf.txt"), kEarlier);
}

TEST(AllOrNothing, FileSizeLimit) {
  ScratchTool t;
  RunOptions limited;
  limited.file_size_limit = 1 << 20;
  ExpectLargeTextFailsWholly(t, limited);
}

TEST(AllOrNothing, FullDisk) {
  if (!testing_support::RunningAsRoot()) GTEST_SKIP() << "mounting a 1 MiB tmpfs needs root";
  ScratchTool t;
  const Mount tmpfs(t.cwd(),
                    "mount -t tmpfs -o size=1m,mode=0777 tmpfs '" + t.cwd().string() + "'");
  if (!tmpfs.mounted()) GTEST_SKIP() << "this system refuses to mount a tmpfs";
  ExpectLargeTextFailsWholly(t, {});
}

// Kills at moments spread over a whole run of a large document, over an earlier output: each
// leaves the earlier text or the whole new one. A nameless staged file vanishes with the run;
// only a kill in the instant between linking it under a hidden name and renaming it over the
// output can leave that name, holding the whole text. A staged file with a hidden name from the
// start (file systems without nameless files) is removed on SIGTERM, and may stay on SIGKILL.
void ExpectKillsLeaveTheEarlierOrTheWholeText(const ScratchTool& t, bool hidden_from_the_start) {
  WriteFile(t.tool() / "big.rtf", LongDocument(24));
  const fs::path output = t.cwd() / "big.rtf.txt";
  ASSERT_EQ(t.Run({"big.rtf"}).exit_status, kConverted);
  const std::string whole = ReadFile(output);
  // Timed over an earlier output, as the runs below: replacing one costs more than a new name.
  WriteFile(output, kEarlier);
  const RunResult whole_run = t.Run({"big.rtf"});
  ASSERT_EQ(whole_run.exit_status, kConverted);
  const std::regex hidden_name(R"(\.big\.rtf\.txt\.[0-9a-f]{8}\.tmp)");
  constexpr int kMoments = 14;
  int cut_short = 0, completed = 0, hidden_left = 0;
  for (const int signal_number : {SIGKILL, SIGTERM}) {
    for (int moment = 0; moment < kMoments; ++moment) {
      SCOPED_TRACE("signal " + std::to_string(signal_number) + ", moment " +
                   std::to_string(moment));
      WriteFile(output, kEarlier);
      // Up to twice a run's time: a busy machine slows some runs down.
      const double delay = whole_run.seconds * 2 * (moment + 0.5) / kMoments;
      const int pid = t.Start({"big.rtf"});
      const struct timespec pause = {static_cast<time_t>(delay),
                                     static_cast<long>((delay - static_cast<long>(delay)) * 1e9)};
      nanosleep(&pause, nullptr);
      kill(pid, signal_number);
      const RunResult r = t.Wait(pid);
      const std::string text = ReadFile(output);
      EXPECT_TRUE(text == kEarlier || text == whole) << text.size() << " bytes";
      (text == kEarlier ? cut_short : completed) += 1;
      if (r.exit_status != -1) {
        EXPECT_EQ(r.exit_status, kConverted);
      }
      for (const std::string& name : ListTree(t.cwd())) {
        if (name == "big.rtf.txt") continue;
        ++hidden_left;
        EXPECT_TRUE(std::regex_match(name, hidden_name)) << name;
        EXPECT_EQ(signal_number, SIGKILL) << name << " left on SIGTERM";
        if (!hidden_from_the_start) {
          EXPECT_EQ(ReadFile(t.cwd() / name), whole) << name;
        }
        fs::remove(t.cwd() / name);
      }
    }
  }
  // Moments that fell before the end and after it: the cases were met, not missed.
  EXPECT_GT(cut_short, 0);
  EXPECT_GT(completed, 0);
  std::cout << cut_short << " runs killed before their end, " << completed << " complete, "
            << hidden_left << " hidden files left by SIGKILL; a whole run " << whole_run.seconds
            << " s\n";
}

TEST(AllOrNothing, KillsDuringAReconversion) {
  ScratchTool t;
  ExpectKillsLeaveTheEarlierOrTheWholeText(t, false);
}

// A file system without nameless files (a FUSE one that does not offer them, like FAT, exFAT
// and many network ones): the text is staged under a hidden name in the output's folder.
TEST(AllOrNothing, WithoutNamelessFiles) {
  if (!testing_support::RunningAsRoot()) GTEST_SKIP() << "mounting bindfs needs root here";
  if (std::system("command -v bindfs >/dev/null") != 0) GTEST_SKIP() << "bindfs is missing";
  ScratchTool t;
  const fs::path backing = t.tool().parent_path() / "backing";
  fs::create_directory(backing);
  fs::permissions(backing, fs::perms::all);
  const Mount fuse(t.cwd(), "bindfs '" + backing.string() + "' '" + t.cwd().string() + "'");
  if (!fuse.mounted()) GTEST_SKIP() << "bindfs could not mount (no /dev/fuse?)";
  RunOptions limited;
  limited.file_size_limit = 1 << 20;
  ExpectLargeTextFailsWholly(t, limited);
  fs::remove(t.cwd() / "large.rtf.txt");
  fs::remove(t.cwd() / "small.rtf.txt");
  ExpectKillsLeaveTheEarlierOrTheWholeText(t, true);
}

// An earlier output is replaced by a new file with its permissions and owner, or, where it has
// other names or its folder takes no new file, copied into once the whole text is on disk.
TEST(AllOrNothing, EarlierOutputsKeepPermissionsOwnerAndOtherNames) {
  struct Case {
    const char* what;
    bool other_name, folder_read_only;
    bool replaced;  // a new file under the name, not the earlier one rewritten
  };
  const Case cases[] = {
      {"replaced", false, false, true},
      {"with another name", true, false, false},
      {"in a folder that takes no new file", false, true, false},
  };
  const std::string document = LongDocument(2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchTool t;
    WriteFile(t.tool() / "a.rtf", document);
    ASSERT_EQ(t.Run({"a.rtf"}).exit_status, kConverted);
    const std::string whole = ReadFile(t.cwd() / "a.rtf.txt");
    const fs::path folder = t.cwd() / "out";
    fs::create_directory(folder);
    fs::create_directory(t.tool() / "out");
    fs::rename(t.tool() / "a.rtf", t.tool() / "out" / "a.rtf");
    const fs::path output = folder / "a.rtf.txt";
    WriteFile(output, kEarlier);
    // Writable by the unprivileged run (nobody), as permission bits and not ownership decide.
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                           fs::perms::group_write | fs::perms::others_read |
                           fs::perms::others_write;
    fs::permissions(output, mode);
    const bool root = testing_support::RunningAsRoot();
    if (root) {
      ASSERT_EQ(chown(output.c_str(), 4321, 4321), 0);
    }
    if (c.other_name) fs::create_hard_link(output, t.cwd() / "other");
    fs::permissions(folder, c.folder_read_only ? fs::perms::owner_read | fs::perms::owner_exec |
                                                     fs::perms::others_read | fs::perms::others_exec
                                               : fs::perms::all);
    struct stat before;
    ASSERT_EQ(stat(output.c_str(), &before), 0);
    RunOptions options;
    options.unprivileged = c.folder_read_only;
    const RunResult r = t.Run({"out/a.rtf"}, options);
    EXPECT_EQ(r.exit_status, kConverted);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(ReadFile(output), whole);
    if (c.other_name) {
      EXPECT_EQ(ReadFile(t.cwd() / "other"), whole);
    }
    EXPECT_EQ(ListTree(folder), std::vector<std::string>{"a.rtf.txt"});
    struct stat after;
    ASSERT_EQ(stat(output.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino != before.st_ino, c.replaced);
    EXPECT_EQ(after.st_mode, before.st_mode);
    if (root) {
      EXPECT_EQ(after.st_uid, 4321u);
    }
  }
}

}  // namespace

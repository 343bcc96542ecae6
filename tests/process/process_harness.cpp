#include "process/process_harness.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {
namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

// The emulator's command line, words separated by '|'; none when the program is this machine's
// own.
std::vector<std::string> EmulatorWords() {
  std::vector<std::string> words;
  const std::string list = RTFPLAIN_EMULATOR;
  for (std::size_t start = 0; start < list.size();) {
    std::size_t end = list.find('|', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) words.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

}  // namespace

ScratchTool::ScratchTool() {
  std::string pattern = (fs::temp_directory_path() / "rtfplain-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  tool_ = root_ / "T";
  cwd_ = root_ / "C";
  fs::create_directory(tool_);
  fs::create_directory(cwd_);
  // Readable for the unprivileged runs; C writable by them.
  fs::permissions(root_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  fs::permissions(tool_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(cwd_, fs::perms::all);
  program_ = tool_ / "rtfplain";
  fs::copy_file(RTFPLAIN_EXE, program_);
}

ScratchTool::~ScratchTool() {
  std::error_code ignored;
  // Undo read-only bits that tests set, so that the tree can be removed.
  for (auto it = fs::recursive_directory_iterator(root_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (!it->is_symlink())
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(root_, ignored);
}

RunResult ScratchTool::Run(const std::vector<std::string>& arguments,
                           const RunOptions& options) const {
  const auto start = std::chrono::steady_clock::now();
  const int pid = Start(arguments, options);
  RunResult result = Wait(pid, options);
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

int ScratchTool::Start(const std::vector<std::string>& arguments, const RunOptions& options) const {
  const fs::path out_path = root_ / "stdout";
  const fs::path err_path = root_ / "stderr";
  const fs::path rss_path = root_ / "peak-rss";
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int in = open("/dev/null", O_RDONLY);
    if (out < 0 || err < 0 || in < 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (chdir(cwd_.c_str()) != 0) _exit(126);
    if (options.file_size_limit >= 0) {
      struct rlimit limit = {static_cast<rlim_t>(options.file_size_limit),
                             static_cast<rlim_t>(options.file_size_limit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (options.unprivileged && geteuid() == 0) {
      if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(126);
    }
    std::vector<char*> argv;
    const fs::path started = options.program.empty() ? program_ : options.program;
    std::string name = started.string();
    std::string time_program = "/usr/bin/time", format = "-f", percent_m = "%M", to = "-o";
    std::string rss_file = rss_path.string();
    if (options.measure_memory) {
      for (std::string* word : {&time_program, &format, &percent_m, &to, &rss_file}) {
        argv.push_back(word->data());
      }
    }
    // A program of another processor starts through its emulator (qemu-user for arm64).
    std::vector<std::string> emulator = EmulatorWords();
    for (std::string& word : emulator) argv.push_back(word.data());
    argv.push_back(name.data());
    std::vector<std::string> copies = arguments;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

RunResult ScratchTool::Wait(int pid, const RunOptions& options) const {
  const fs::path out_path = root_ / "stdout";
  const fs::path err_path = root_ / "stderr";
  const fs::path rss_path = root_ / "peak-rss";
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  RunResult result;
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadFile(out_path);
  result.err = ReadFile(err_path);
  if (options.measure_memory) {
    // The number is the last line; a failed run is noted on a line before it.
    std::istringstream rss(ReadFile(rss_path));
    for (std::string word; rss >> word;) {
      if (word.find_first_not_of("0123456789") == std::string::npos) {
        result.peak_rss_kib = std::stol(word);
      }
    }
    fs::remove(rss_path);
  }
  fs::remove(out_path);
  fs::remove(err_path);
  return result;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string> ListTree(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    names.push_back(fs::relative(entry.path(), folder).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool RunningAsRoot() {
  return geteuid() == 0;
}

}  // namespace testing_support

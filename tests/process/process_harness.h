// Runs the real program as a separate process: the program copied into a scratch tool folder T,
// started from another scratch folder C, with its output streams captured.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

struct RunResult {
  int exit_status = -1;  // -1 when the process did not exit normally (a crash, a signal)
  std::string out;
  std::string err;
  long peak_rss_kib = -1;  // the program's peak resident memory, when measured
  double seconds = 0;      // wall-clock time of the run
};

struct RunOptions {
  bool unprivileged = false;      // as root, drop to nobody so that permission bits count
  long file_size_limit = -1;      // RLIMIT_FSIZE in bytes, when not -1
  std::filesystem::path program;  // another name to start the program by (a link to it)
  // Run under /usr/bin/time to learn the peak memory. Measuring from here would count this
  // test process as well: a forked child starts with the parent's pages resident.
  bool measure_memory = false;
};

class ScratchTool {
 public:
  // Makes T (with a copy of the program) and C under a fresh temporary folder.
  ScratchTool();
  ~ScratchTool();

  const std::filesystem::path& tool() const { return tool_; }
  const std::filesystem::path& cwd() const { return cwd_; }
  const std::filesystem::path& program() const { return program_; }

  RunResult Run(const std::vector<std::string>& arguments, const RunOptions& options = {}) const;
  // The same run in two halves, so that the caller can act while it runs (send it a signal).
  int Start(const std::vector<std::string>& arguments, const RunOptions& options = {}) const;
  RunResult Wait(int pid, const RunOptions& options = {}) const;

 private:
  std::filesystem::path root_;
  std::filesystem::path tool_;
  std::filesystem::path cwd_;
  std::filesystem::path program_;
};

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);
// Every entry below a folder, relative to it, sorted.
std::vector<std::string> ListTree(const std::filesystem::path& folder);
bool RunningAsRoot();

}  // namespace testing_support

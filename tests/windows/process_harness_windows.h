// Runs the real rtfplain.exe as a separate Windows process from a raw command line, exactly as
// typed: the program copied into a scratch tool folder, started from another scratch folder,
// with its output streams captured.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

struct WindowsRun {
  int exit_status = -1;  // -1 when the process could not be started or did not end in time
  std::string out;
  std::string err;  // and, when the process could not be started, the harness's own note
};

class WindowsScratchTool {
 public:
  // Makes ROOT\<tool_folder_name> holding a copy of the program, and ROOT\C as the current
  // directory, under a fresh temporary folder.
  explicit WindowsScratchTool(const std::wstring& tool_folder_name = L"T");
  ~WindowsScratchTool();

  const std::filesystem::path& root() const { return root_; }
  const std::filesystem::path& tool() const { return tool_; }
  const std::filesystem::path& cwd() const { return cwd_; }
  const std::filesystem::path& program() const { return program_; }

  // Starts the program with the command line: its full name (quoted or not) followed, when
  // arguments is not empty, by one space and arguments as they stand.
  WindowsRun Run(const std::wstring& arguments, bool quote_program = true) const;
  // Starts the program by another name with the whole command line given.
  WindowsRun RunCommandLine(const std::filesystem::path& program,
                            const std::wstring& command_line) const;

 private:
  std::filesystem::path root_;
  std::filesystem::path tool_;
  std::filesystem::path cwd_;
  std::filesystem::path program_;
};

void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& path);
// Every entry below a folder, relative to it, sorted.
std::vector<std::filesystem::path> ListTree(const std::filesystem::path& folder);

}  // namespace testing_support

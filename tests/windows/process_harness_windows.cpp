#include "windows/process_harness_windows.h"

#include "platform/windows/windows_api.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {
namespace fs = std::filesystem;

namespace {

// A handle the child inherits as one of its standard streams.
HANDLE OpenInheritable(const fs::path& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE handle = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open a stream file");
  return handle;
}

}  // namespace

WindowsScratchTool::WindowsScratchTool(const std::wstring& tool_folder_name) {
  static int counter = 0;
  root_ = fs::temp_directory_path() / (L"rtfplain-test-" + std::to_wstring(GetCurrentProcessId()) +
                                       L"-" + std::to_wstring(++counter));
  fs::remove_all(root_);
  tool_ = root_ / tool_folder_name;
  cwd_ = root_ / L"C";
  fs::create_directories(tool_);
  fs::create_directories(cwd_);
  program_ = tool_ / L"rtfplain.exe";
  fs::copy_file(fs::path(RTFPLAIN_EXE), program_);
}

WindowsScratchTool::~WindowsScratchTool() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

WindowsRun WindowsScratchTool::Run(const std::wstring& arguments, bool quote_program) const {
  std::wstring line = quote_program ? L"\"" + program_.wstring() + L"\"" : program_.wstring();
  if (!arguments.empty()) line += L" " + arguments;
  return RunCommandLine(program_, line);
}

WindowsRun WindowsScratchTool::RunCommandLine(const fs::path& program,
                                              const std::wstring& command_line) const {
  const fs::path out_path = root_ / L"stdout";
  const fs::path err_path = root_ / L"stderr";
  HANDLE in = OpenInheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
  HANDLE out = OpenInheritable(out_path, GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = OpenInheritable(err_path, GENERIC_WRITE, CREATE_ALWAYS);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  // Wine under load now and then fails to create a process (ERROR_INTERNAL_ERROR) before any of
  // it ran; trying again says nothing about the program, so a few tries are allowed.
  BOOL started = FALSE;
  DWORD start_error = 0;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) Sleep(200);
    std::wstring mutable_line = command_line;  // CreateProcessW may write to it
    started = CreateProcessW(program.c_str(), mutable_line.data(), nullptr, nullptr, TRUE,
                             CREATE_NO_WINDOW, nullptr, cwd_.c_str(), &startup, &process);
    start_error = started ? 0 : GetLastError();
    if (!started && start_error != ERROR_INTERNAL_ERROR) break;
  }
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);

  WindowsRun result;
  if (started) {
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
      DWORD code = 0;
      if (GetExitCodeProcess(process.hProcess, &code)) result.exit_status = static_cast<int>(code);
    } else {
      TerminateProcess(process.hProcess, 125);
      WaitForSingleObject(process.hProcess, 10000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  result.out = ReadBytes(out_path);
  result.err = ReadBytes(err_path);
  if (!started)
    result.err += "(the harness could not start it: error " + std::to_string(start_error) + ")";
  std::error_code ignored;
  fs::remove(out_path, ignored);
  fs::remove(err_path, ignored);
  return result;
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<fs::path> ListTree(const fs::path& folder) {
  std::vector<fs::path> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    names.push_back(fs::relative(entry.path(), folder));
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace testing_support

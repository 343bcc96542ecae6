// The whole Windows run, started from raw command lines as Windows hands them over: the
// program's name quoted or not, backslash paths, drives, silence, exact bytes.
#include "platform/windows/windows_api.h"
//
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "process/run_contract.h"
#include "unit/examples_file.h"
#include "windows/process_harness_windows.h"

namespace {
namespace fs = std::filesystem;
using testing_support::kConverted;
using testing_support::kDocument;
using testing_support::kDocumentText;
using testing_support::kFailed;
using testing_support::kNotOneArgument;
using testing_support::ListTree;
using testing_support::ReadBytes;
using testing_support::WindowsRun;
using testing_support::WindowsScratchTool;
using testing_support::WriteBytes;

void ExpectSilent(const WindowsRun& r) {
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}

TEST(WindowsRun, QuotedProgramInAFolderWithSpacesAndAQuotedNameWithSpaces) {
  WindowsScratchTool t(L"Tool Folder");
  WriteBytes(t.tool() / L"my file.rtf", kDocument);
  WindowsRun r = t.Run(L"\"my file.rtf\"");
  EXPECT_EQ(r.exit_status, kConverted);
  ExpectSilent(r);
  EXPECT_EQ(ReadBytes(t.cwd() / L"my file.rtf.txt"), kDocumentText);
  EXPECT_FALSE(fs::exists(t.tool() / L"my file.rtf.txt"));
}

TEST(WindowsRun, UnquotedProgramNameAndSeparatorsAroundTheArgument) {
  WindowsScratchTool t;
  WriteBytes(t.tool() / L"report.rtf", kDocument);
  WriteBytes(t.tool() / L"b", kDocument);
  EXPECT_EQ(t.Run(L" \t report.rtf \t", false).exit_status, kConverted);
  EXPECT_EQ(t.Run(L"b", false).exit_status, kConverted);
  EXPECT_EQ(ListTree(t.cwd()), (std::vector<fs::path>{L"b.txt", L"report.rtf.txt"}));
  EXPECT_EQ(ReadBytes(t.cwd() / L"report.rtf.txt"), kDocumentText);
}

TEST(WindowsRun, TheProgramsNameIsNotAnArgumentHoweverItIsWritten) {
  // Quotes around part of the name, and a name whose folder holds a space, unquoted after it.
  WindowsScratchTool t(L"Tool Folder");
  WriteBytes(t.tool() / L"a.rtf", kDocument);
  const std::wstring folder = t.tool().wstring();
  WindowsRun r = t.RunCommandLine(t.program(), L"\"" + folder + L"\"\\rtfplain.exe a.rtf");
  EXPECT_EQ(r.exit_status, kConverted);
  ExpectSilent(r);
  EXPECT_EQ(ReadBytes(t.cwd() / L"a.rtf.txt"), kDocumentText);
}

TEST(WindowsRun, SplitterRulesOnTheRealCommandLine) {
  WindowsScratchTool t;
  WriteBytes(t.tool() / L"a", kDocument);
  WriteBytes(t.tool() / L"my file.rtf", kDocument);
  // The character after a closing quote is dropped; an unclosed quote runs to the end.
  EXPECT_EQ(t.Run(L"\"a\"b").exit_status, kConverted);
  EXPECT_EQ(t.Run(L"\"my file.rtf").exit_status, kConverted);
  EXPECT_EQ(ListTree(t.cwd()), (std::vector<fs::path>{L"a.txt", L"my file.rtf.txt"}));
}

TEST(WindowsRun, NotOneArgumentDoesNothing) {
  WindowsScratchTool t;
  WriteBytes(t.tool() / L"a.rtf", kDocument);
  for (const std::wstring arguments : {L"", L" \t ", L"a.rtf a.rtf", L"a.rtf\t\"b c\""}) {
    WindowsRun r = t.Run(arguments);
    EXPECT_EQ(r.exit_status, kNotOneArgument) << "[" << fs::path(arguments).string() << "]";
    ExpectSilent(r);
    EXPECT_TRUE(ListTree(t.cwd()).empty());
  }
}

TEST(WindowsRun, BackslashSubfolderNeedsTheSubfolderUnderTheCurrentDirectory) {
  WindowsScratchTool t;
  fs::create_directory(t.tool() / L"docs");
  WriteBytes(t.tool() / L"docs" / L"a.rtf", kDocument);
  WindowsRun missing = t.Run(L"docs\\a.rtf");
  EXPECT_EQ(missing.exit_status, kFailed);
  ExpectSilent(missing);
  EXPECT_TRUE(ListTree(t.cwd()).empty());

  fs::create_directory(t.cwd() / L"docs");
  WindowsRun r = t.Run(L"docs\\a.rtf");
  EXPECT_EQ(r.exit_status, kConverted);
  ExpectSilent(r);
  EXPECT_EQ(ReadBytes(t.cwd() / L"docs" / L"a.rtf.txt"), kDocumentText);
}

TEST(WindowsRun, AbsoluteAndStreamArgumentsReadNothingAndWriteNothing) {
  WindowsScratchTool t;
  WriteBytes(t.tool() / L"a.rtf", kDocument);
  // The joined paths T\D:\x\a.rtf and T\C:\...\T\a.rtf name no file; a root or an alternate
  // data stream (a.rtf::$DATA is a.rtf itself on NTFS) is refused as well.
  const std::wstring existing = t.tool().wstring() + L"\\a.rtf";
  for (const std::wstring& argument :
       {std::wstring(L"D:\\x\\a.rtf"), existing, std::wstring(L"\\x\\a.rtf"),
        std::wstring(L"/x/a.rtf"), std::wstring(L"a.rtf::$DATA"), std::wstring(L"a.rtf:s")}) {
    WindowsRun r = t.Run(L"\"" + argument + L"\"");
    EXPECT_EQ(r.exit_status, kFailed) << fs::path(argument).string();
    ExpectSilent(r);
  }
  EXPECT_TRUE(ListTree(t.cwd()).empty());
  EXPECT_EQ(ListTree(t.tool()), (std::vector<fs::path>{L"a.rtf", L"rtfplain.exe"}));
  EXPECT_FALSE(fs::exists(L"D:\\x\\a.rtf.txt"));
}

TEST(WindowsRun, FailedLoadLeavesAnEarlierOutputUntouched) {
  WindowsScratchTool t;
  WriteBytes(t.cwd() / L"a.rtf.txt", "earlier");
  WriteBytes(t.tool() / L"b.rtf", "not rich text at all");
  WriteBytes(t.cwd() / L"b.rtf.txt", "earlier b");
  fs::create_directory(t.tool() / L"folder.rtf");
  for (const std::wstring argument : {L"a.rtf", L"b.rtf", L"folder.rtf", L"\"\"", L"NUL"}) {
    WindowsRun r = t.Run(argument);
    EXPECT_EQ(r.exit_status, kFailed) << fs::path(argument).string();
    ExpectSilent(r);
  }
  EXPECT_EQ(ReadBytes(t.cwd() / L"a.rtf.txt"), "earlier");
  EXPECT_EQ(ReadBytes(t.cwd() / L"b.rtf.txt"), "earlier b");
  EXPECT_EQ(ListTree(t.cwd()), (std::vector<fs::path>{L"a.rtf.txt", L"b.rtf.txt"}));
}

TEST(WindowsRun, ExistingOutputIsReplacedAndAnEmptyDocumentGivesTheLineEnd) {
  WindowsScratchTool t;
  WriteBytes(t.tool() / L"a.rtf", "{\\rtf1 new}");
  WriteBytes(t.tool() / L"empty.rtf", "{\\rtf1}");
  WriteBytes(t.cwd() / L"a.rtf.txt", std::string(10000, 'x'));
  EXPECT_EQ(t.Run(L"a.rtf").exit_status, kConverted);
  EXPECT_EQ(t.Run(L"empty.rtf").exit_status, kConverted);
  EXPECT_EQ(ReadBytes(t.cwd() / L"a.rtf.txt"), "new\r\n");
  EXPECT_EQ(ReadBytes(t.cwd() / L"empty.rtf.txt"), "\r\n");
}

// The text is staged in a hidden file beside the output: a new output shows whole and not
// hidden, an earlier one is replaced, or copied into where it has other names, and nothing else
// is left.
TEST(WindowsRun, OutputsAppearWholeAndNothingElseIsLeft) {
  std::string document = "{\\rtf1 ", text;
  for (int k = 0; k < 100000; ++k) {
    document += "line " + std::to_string(k) + "\\par ";
    text += "line " + std::to_string(k) + "\r\n";
  }
  WindowsScratchTool t;
  WriteBytes(t.tool() / L"a.rtf", document + "}");
  const fs::path output = t.cwd() / L"a.rtf.txt";
  for (const char* what : {"new", "earlier", "earlier with another name"}) {
    const std::string earlier(what);
    if (earlier != "new") WriteBytes(output, "earlier");
    if (earlier == "earlier with another name") {
      ASSERT_TRUE(CreateHardLinkW((t.cwd() / L"other").c_str(), output.c_str(), nullptr));
    }
    WindowsRun r = t.Run(L"a.rtf");
    EXPECT_EQ(r.exit_status, kConverted) << what;
    ExpectSilent(r);
    EXPECT_EQ(ReadBytes(output), text) << what;
    EXPECT_EQ(GetFileAttributesW(output.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u) << what;
  }
  EXPECT_EQ(ReadBytes(t.cwd() / L"other"), text);
  EXPECT_EQ(ListTree(t.cwd()), (std::vector<fs::path>{L"a.rtf.txt", L"other"}));
}

// Paths past the classic 260 characters, in the tool's folder and the current one, without the
// system-wide long-path setting.
TEST(WindowsRun, DocumentDeepInAFolderTree) {
  WindowsScratchTool t;
  const std::wstring deep =
      std::wstring(90, L'd') + L"\\" + std::wstring(90, L'e') + L"\\" + std::wstring(90, L'f');
  const auto extended = [](const fs::path& path) { return fs::path(L"\\\\?\\" + path.wstring()); };
  ASSERT_TRUE(fs::create_directories(extended(t.tool() / deep)));
  ASSERT_TRUE(fs::create_directories(extended(t.cwd() / deep)));
  WriteBytes(extended(t.tool() / deep / L"a.rtf"), kDocument);
  ASSERT_GT((t.cwd() / deep / L"a.rtf.txt").wstring().size(), 260u);
  WindowsRun r = t.Run(deep + L"\\a.rtf");
  EXPECT_EQ(r.exit_status, kConverted);
  ExpectSilent(r);
  EXPECT_EQ(ReadBytes(extended(t.cwd() / deep / L"a.rtf.txt")), kDocumentText);
  std::error_code ignored;
  fs::remove_all(extended(t.root()), ignored);  // the harness's own removal stops at the limit
}

TEST(WindowsRun, OutputThatIsAFolderIsLeftAsItWas) {
  WindowsScratchTool t;
  WriteBytes(t.tool() / L"a.rtf", kDocument);
  fs::create_directory(t.cwd() / L"a.rtf.txt");
  WindowsRun folder = t.Run(L"a.rtf");
  EXPECT_EQ(folder.exit_status, kFailed);
  ExpectSilent(folder);
  EXPECT_TRUE(fs::is_directory(t.cwd() / L"a.rtf.txt"));
}

TEST(WindowsRun, ReadOnlyOutputIsNotWritten) {
  WindowsScratchTool t;
  WriteBytes(t.tool() / L"a.rtf", kDocument);
  const fs::path output = t.cwd() / L"a.rtf.txt";
  WriteBytes(output, "kept");
  SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_READONLY);
  // Wine run by root keeps the attribute but cannot refuse root the write.
  HANDLE probe = CreateFileW(output.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_NORMAL);
    GTEST_SKIP() << "the read-only attribute is not enforced for this user";
  }
  WindowsRun r = t.Run(L"a.rtf");
  SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(r.exit_status, kFailed);
  ExpectSilent(r);
  EXPECT_EQ(ReadBytes(output), "kept");
}

TEST(WindowsRun, OutputThatIsTheInputIsNeverEmptied) {
  WindowsScratchTool t;
  WriteBytes(t.tool() / L"a.rtf", kDocument);
  ASSERT_TRUE(
      CreateHardLinkW((t.cwd() / L"a.rtf.txt").c_str(), (t.tool() / L"a.rtf").c_str(), nullptr));
  WindowsRun r = t.Run(L"a.rtf");
  EXPECT_EQ(r.exit_status, kFailed);
  ExpectSilent(r);
  EXPECT_EQ(ReadBytes(t.tool() / L"a.rtf"), kDocument);
}

TEST(WindowsRun, NamesInAnyScript) {
  WindowsScratchTool t(L"\u0418\u043D\u0441\u0442\u0440\u0443\u043C\u0435\u043D\u0442");
  const std::wstring name = L"r\u00E9sum\u00E9 \u6587\u66F8 \U0001F600.rtf";
  WriteBytes(t.tool() / name, kDocument);
  WindowsRun r = t.Run(L"\"" + name + L"\"");
  EXPECT_EQ(r.exit_status, kConverted);
  ExpectSilent(r);
  EXPECT_EQ(ReadBytes(t.cwd() / (name + L".txt")), kDocumentText);
}

TEST(WindowsRun, ToolInADriveRootReadsWithOneSeparatorAfterTheDrive) {
  WindowsScratchTool t;
  // The root of the scratch folder's drive, where a stock Windows lets only administrators write
  // (Wine lets the prefix's owner): without the right the case cannot be set up here.
  const std::wstring stem = L"rtfplain-root-test-" + std::to_wstring(GetCurrentProcessId());
  const fs::path root = t.root().root_path();
  const fs::path program = root / (stem + L".exe");
  const fs::path document = root / (stem + L".rtf");
  std::error_code error;
  fs::copy_file(t.program(), program, fs::copy_options::overwrite_existing, error);
  if (error) GTEST_SKIP() << "cannot write to " << root.string();
  WriteBytes(document, kDocument);
  WindowsRun r = t.RunCommandLine(program, program.wstring() + L" " + stem + L".rtf");
  fs::remove(program, error);
  fs::remove(document, error);
  EXPECT_EQ(r.exit_status, kConverted);
  ExpectSilent(r);
  EXPECT_EQ(ReadBytes(t.cwd() / (stem + L".rtf.txt")), kDocumentText);
}

// Every literate example, through the real program: the Linux build's unit tests hold the same
// documents to the same bytes.
TEST(WindowsRun, EveryExampleConvertsToTheExpectedBytes) {
  WindowsScratchTool t;
  int count = 0;
  for (const auto& entry : fs::directory_iterator(RTFPLAIN_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".txt") continue;
    for (const testing_support::Example& example :
         testing_support::ReadExamples(entry.path().string(), entry.path().filename().string())) {
      const std::wstring name = L"example" + std::to_wstring(++count) + L".rtf";
      WriteBytes(t.tool() / name, example.rtf);
      WindowsRun r = t.Run(name);
      const std::string where = example.file + ":" + std::to_string(example.line);
      ExpectSilent(r);
      if (example.refused) {
        EXPECT_EQ(r.exit_status, kFailed) << where;
        EXPECT_FALSE(fs::exists(t.cwd() / (name + L".txt"))) << where;
      } else {
        EXPECT_EQ(r.exit_status, kConverted) << where;
        EXPECT_EQ(ReadBytes(t.cwd() / (name + L".txt")), example.expected + "\r\n") << where;
      }
    }
  }
  EXPECT_GT(count, 0);
}

std::wstring VersionString(const std::vector<char>& block, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueW(block.data(), key.c_str(), &value, &length) || length == 0) return L"";
  return std::wstring(static_cast<const wchar_t*>(value));
}

TEST(WindowsProgram, CarriesItsVersionResource) {
  const std::wstring program = fs::path(RTFPLAIN_EXE).wstring();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, block.data()));
  EXPECT_EQ(VersionString(block, L"ProductName"), L"rtfplain");
  EXPECT_EQ(VersionString(block, L"ProductVersion"), RTFPLAIN_VERSION);
  EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"rtfplain.exe");
  EXPECT_FALSE(VersionString(block, L"FileDescription").empty());
}

}  // namespace

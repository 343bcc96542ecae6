// The whole run, as a user starts it: paths, orders, exit statuses, exact bytes, silence.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "process/process_harness.h"
#include "process/run_contract.h"

namespace {
namespace fs = std::filesystem;
using testing_support::kConverted;
using testing_support::kDocument;
using testing_support::kDocumentText;
using testing_support::kFailed;
using testing_support::kNotOneArgument;
using testing_support::ListTree;
using testing_support::ReadFile;
using testing_support::RunResult;
using testing_support::ScratchTool;
using testing_support::WriteFile;

class RunTest : public testing::Test {
 protected:
  void ExpectSilent(const RunResult& r) {
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
  }
  ScratchTool t_;
};

TEST_F(RunTest, ConvertsFromTheToolFolderIntoTheCurrentDirectory) {
  WriteFile(t_.tool() / "report.rtf", kDocument);
  RunResult r = t_.Run({"report.rtf"});
  EXPECT_EQ(r.exit_status, kConverted);
  ExpectSilent(r);
  EXPECT_EQ(ReadFile(t_.cwd() / "report.rtf.txt"), kDocumentText);
  EXPECT_FALSE(fs::exists(t_.tool() / "report.rtf.txt"));
}

TEST_F(RunTest, NotOneArgumentDoesNothing) {
  WriteFile(t_.tool() / "a.rtf", kDocument);
  for (const auto& arguments : {std::vector<std::string>{}, {"a.rtf", "a.rtf"}, {"a", "b", "c"}}) {
    RunResult r = t_.Run(arguments);
    EXPECT_EQ(r.exit_status, kNotOneArgument) << arguments.size() << " arguments";
    ExpectSilent(r);
    EXPECT_TRUE(ListTree(t_.cwd()).empty());
  }
}

TEST_F(RunTest, NameWithSpacesAndOneLetterNames) {
  WriteFile(t_.tool() / "my file.rtf", kDocument);
  WriteFile(t_.tool() / "b", kDocument);
  EXPECT_EQ(t_.Run({"my file.rtf"}).exit_status, kConverted);
  EXPECT_EQ(t_.Run({"b"}).exit_status, kConverted);
  EXPECT_EQ(ListTree(t_.cwd()), (std::vector<std::string>{"b.txt", "my file.rtf.txt"}));
  EXPECT_EQ(ReadFile(t_.cwd() / "my file.rtf.txt"), kDocumentText);
}

TEST_F(RunTest, SubfolderArgumentNeedsTheSubfolderUnderTheCurrentDirectory) {
  fs::create_directory(t_.tool() / "docs");
  WriteFile(t_.tool() / "docs" / "a.rtf", kDocument);
  RunResult missing = t_.Run({"docs/a.rtf"});
  EXPECT_EQ(missing.exit_status, kFailed);
  ExpectSilent(missing);
  EXPECT_TRUE(ListTree(t_.cwd()).empty());

  fs::create_directory(t_.cwd() / "docs");
  EXPECT_EQ(t_.Run({"docs/a.rtf"}).exit_status, kConverted);
  EXPECT_EQ(ReadFile(t_.cwd() / "docs" / "a.rtf.txt"), kDocumentText);
}

TEST_F(RunTest, AbsoluteArgumentReadsNothing) {
  WriteFile(t_.tool() / "a.rtf", kDocument);
  const fs::path absolute = t_.tool() / "a.rtf";
  RunResult r = t_.Run({absolute.string()});
  EXPECT_EQ(r.exit_status, kFailed);
  ExpectSilent(r);
  EXPECT_FALSE(fs::exists(absolute.string() + ".txt"));
  EXPECT_TRUE(ListTree(t_.cwd()).empty());
}

TEST_F(RunTest, FailedLoadLeavesAnEarlierOutputUntouched) {
  WriteFile(t_.cwd() / "a.rtf.txt", "earlier");
  WriteFile(t_.tool() / "b.rtf", "not rich text at all");
  WriteFile(t_.cwd() / "b.rtf.txt", "earlier b");
  fs::create_directory(t_.tool() / "folder.rtf");
  for (const std::string argument : {"a.rtf", "b.rtf", "folder.rtf", ""}) {
    RunResult r = t_.Run({argument});
    EXPECT_EQ(r.exit_status, kFailed) << argument;
    ExpectSilent(r);
  }
  EXPECT_EQ(ReadFile(t_.cwd() / "a.rtf.txt"), "earlier");
  EXPECT_EQ(ReadFile(t_.cwd() / "b.rtf.txt"), "earlier b");
  EXPECT_EQ(ListTree(t_.cwd()), (std::vector<std::string>{"a.rtf.txt", "b.rtf.txt"}));
}

TEST_F(RunTest, ExistingOutputIsReplaced) {
  WriteFile(t_.tool() / "a.rtf", "{\\rtf1 new}");
  WriteFile(t_.cwd() / "a.rtf.txt", std::string(10000, 'x'));
  EXPECT_EQ(t_.Run({"a.rtf"}).exit_status, kConverted);
  EXPECT_EQ(ReadFile(t_.cwd() / "a.rtf.txt"), "new\r\n");
}

// A long text goes out while the document is read; a new output appears only complete, with the
// permissions any new output gets, and an existing one is rewritten in place: its permissions
// and its other names stay.
TEST_F(RunTest, LongTextReachesNewAndExistingOutputsAlike) {
  std::string document = "{\\rtf1 ";
  std::string expected;
  for (int k = 0; k < 40000; ++k) {
    document += "line " + std::to_string(k) + "\\par ";
    expected += "line " + std::to_string(k) + "\r\n";
  }
  document += "end\\chftn{\\footnote\\chftn  note}}";
  expected += "end1\r\n1 note\r\n";
  WriteFile(t_.tool() / "long.rtf", document);
  WriteFile(t_.tool() / "short.rtf", kDocument);

  EXPECT_EQ(t_.Run({"short.rtf"}).exit_status, kConverted);
  EXPECT_EQ(t_.Run({"long.rtf"}).exit_status, kConverted);
  EXPECT_EQ(ReadFile(t_.cwd() / "long.rtf.txt"), expected);
  EXPECT_EQ(ListTree(t_.cwd()), (std::vector<std::string>{"long.rtf.txt", "short.rtf.txt"}));
  EXPECT_EQ(fs::status(t_.cwd() / "long.rtf.txt").permissions(),
            fs::status(t_.cwd() / "short.rtf.txt").permissions());

  WriteFile(t_.cwd() / "long.rtf.txt", std::string(expected.size() * 2, 'x'));
  fs::permissions(t_.cwd() / "long.rtf.txt", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_hard_link(t_.cwd() / "long.rtf.txt", t_.cwd() / "other name");
  EXPECT_EQ(t_.Run({"long.rtf"}).exit_status, kConverted);
  EXPECT_EQ(ReadFile(t_.cwd() / "long.rtf.txt"), expected);
  EXPECT_EQ(ReadFile(t_.cwd() / "other name"), expected);
  EXPECT_EQ(fs::status(t_.cwd() / "long.rtf.txt").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(RunTest, EmptyDocumentGivesTheLineEndAlone) {
  WriteFile(t_.tool() / "empty.rtf", "{\\rtf1}");
  EXPECT_EQ(t_.Run({"empty.rtf"}).exit_status, kConverted);
  EXPECT_EQ(ReadFile(t_.cwd() / "empty.rtf.txt"), "\r\n");
}

TEST_F(RunTest, ReadOnlyOutputIsNotWritten) {
  WriteFile(t_.tool() / "a.rtf", kDocument);
  WriteFile(t_.cwd() / "a.rtf.txt", "kept");
  fs::permissions(t_.cwd() / "a.rtf.txt",
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  testing_support::RunOptions as_nobody;
  as_nobody.unprivileged = true;
  RunResult r = t_.Run({"a.rtf"}, as_nobody);
  EXPECT_EQ(r.exit_status, kFailed);
  ExpectSilent(r);
  EXPECT_EQ(ReadFile(t_.cwd() / "a.rtf.txt"), "kept");
}

TEST_F(RunTest, OutputThatIsTheInputIsNeverEmptied) {
  WriteFile(t_.tool() / "a.rtf", kDocument);
  fs::create_symlink(t_.tool() / "a.rtf", t_.cwd() / "a.rtf.txt");
  fs::create_hard_link(t_.tool() / "a.rtf", t_.tool() / "b.rtf");
  fs::create_hard_link(t_.tool() / "a.rtf", t_.cwd() / "b.rtf.txt");
  for (const char* argument : {"a.rtf", "b.rtf"}) {
    RunResult r = t_.Run({argument});
    EXPECT_EQ(r.exit_status, kFailed) << argument;
    ExpectSilent(r);
  }
  EXPECT_EQ(ReadFile(t_.tool() / "a.rtf"), kDocument);
}

TEST_F(RunTest, ArgumentsThatDoNotSplitBackAreRefused) {
  // Quote characters would make the splitter see other names than the ones given.
  WriteFile(t_.tool() / "a", kDocument);
  WriteFile(t_.tool() / "a\" b", kDocument);
  for (const char* argument : {"\"a", "a\" b"}) {
    RunResult r = t_.Run({argument});
    EXPECT_EQ(r.exit_status, kFailed) << argument;
    ExpectSilent(r);
  }
  EXPECT_TRUE(ListTree(t_.cwd()).empty());
}

TEST_F(RunTest, ToolStartedThroughALinkReadsFromItsOwnFolder) {
  WriteFile(t_.tool() / "a.rtf", kDocument);
  fs::create_symlink(t_.program(), t_.cwd() / "link");
  WriteFile(t_.cwd() / "a.rtf", "{\\rtf1 wrong folder}");
  testing_support::RunOptions through_link;
  through_link.program = t_.cwd() / "link";
  EXPECT_EQ(t_.Run({"a.rtf"}, through_link).exit_status, kConverted);
  EXPECT_EQ(ReadFile(t_.cwd() / "a.rtf.txt"), kDocumentText);
}

}  // namespace

#include "driver/paths.h"

#include <gtest/gtest.h>

namespace {

TEST(Paths, ToolFolderLosesOneTrailingSeparator) {
  EXPECT_EQ(mdlMain::ToolFolder("/opt/tool"), "/opt/tool");
  EXPECT_EQ(mdlMain::ToolFolder("/opt/tool/"), "/opt/tool");
  EXPECT_EQ(mdlMain::ToolFolder("/opt/tool//"), "/opt/tool/");
  EXPECT_EQ(mdlMain::ToolFolder("/"), "");
}

TEST(Paths, InputIsJoinedToTheToolFolderAsItStands) {
  EXPECT_EQ(mdlMain::InputPath("/t", "report.rtf"), "/t/report.rtf");
  EXPECT_EQ(mdlMain::InputPath("/t", "docs/a.rtf"), "/t/docs/a.rtf");
  EXPECT_EQ(mdlMain::InputPath("", "b"), "/b");
  EXPECT_EQ(mdlMain::InputPath("/t", ""), "/t/");
}

TEST(Paths, OutputAddsTxtToTheWholeArgument) {
  EXPECT_EQ(mdlMain::OutputPath("report.rtf"), "report.rtf.txt");
  EXPECT_EQ(mdlMain::OutputPath("report"), "report.txt");
  EXPECT_EQ(mdlMain::OutputPath("docs/a.rtf"), "docs/a.rtf.txt");
}

TEST(Paths, AbsoluteArguments) {
  EXPECT_TRUE(mdlMain::IsAbsoluteArgument("/x/a.rtf"));
  EXPECT_FALSE(mdlMain::IsAbsoluteArgument("x/a.rtf"));
  EXPECT_FALSE(mdlMain::IsAbsoluteArgument(""));
}

}  // namespace

#include "driver/paths.h"

#include <gtest/gtest.h>

#include "unit/native_text.h"

namespace {

using testing_support::Native;
using testing_support::NativePath;

// Written with '/', checked with the platform's own separator.
TEST(Paths, ToolFolderLosesOneTrailingSeparator) {
  EXPECT_EQ(mdlMain::ToolFolder(NativePath("/opt/tool")), NativePath("/opt/tool"));
  EXPECT_EQ(mdlMain::ToolFolder(NativePath("/opt/tool/")), NativePath("/opt/tool"));
  EXPECT_EQ(mdlMain::ToolFolder(NativePath("/opt/tool//")), NativePath("/opt/tool/"));
  EXPECT_EQ(mdlMain::ToolFolder(NativePath("/")), Native(""));
}

TEST(Paths, AbsoluteArguments) {
  EXPECT_TRUE(mdlMain::IsAbsoluteArgument(NativePath("/x/a.rtf")));
  EXPECT_FALSE(mdlMain::IsAbsoluteArgument(NativePath("x/a.rtf")));
  EXPECT_FALSE(mdlMain::IsAbsoluteArgument(Native("")));
}

#ifdef _WIN32
TEST(WindowsPaths, ToolInADriveRootGetsTheBareDrive) {
  EXPECT_EQ(mdlMain::ToolFolder(L"C:\\"), L"C:");
  EXPECT_EQ(mdlMain::InputPath(mdlMain::ToolFolder(L"C:\\"), L"a.rtf"), L"C:\\a.rtf");
}

TEST(WindowsPaths, ArgumentsFromARootAreRefusedButADriveIsLeftToTheFileLayer) {
  EXPECT_TRUE(mdlMain::IsAbsoluteArgument(L"\\x\\a.rtf"));
  EXPECT_TRUE(mdlMain::IsAbsoluteArgument(L"/x/a.rtf"));
  EXPECT_TRUE(mdlMain::IsAbsoluteArgument(L"\\\\server\\share\\a.rtf"));
  EXPECT_FALSE(mdlMain::IsAbsoluteArgument(L"D:\\x\\a.rtf"));
  EXPECT_EQ(mdlMain::InputPath(L"C:\\T", L"D:\\x\\a.rtf"), L"C:\\T\\D:\\x\\a.rtf");
}
#endif

}  // namespace

#include "platform/long_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::ExtendedLengthPath;

// A folder name of 100 characters: three of them pass the classic limit.
const std::wstring F(100, L'f');

TEST(LongPaths, ShortPathsStayAsTheyAre) {
  for (const std::wstring path : {L"a.rtf.txt", L"docs/a.rtf.txt", L"C:\\x\\..\\y.txt",
                                  L"\\\\server\\share\\a.txt", L"D:a.txt"}) {
    EXPECT_EQ(ExtendedLengthPath(path, L"C:\\work"), path);
  }
}

TEST(LongPaths, LongPathsBecomeAbsoluteExtendedAndNormalised) {
  const std::wstring deep = F + L"\\" + F + L"\\" + F;
  struct Case {
    const char* what;
    std::wstring path, current, expected;
  };
  const Case cases[] = {
      {"drive path", L"C:\\" + deep + L"\\a.txt", L"D:\\", L"\\\\?\\C:\\" + deep + L"\\a.txt"},
      {"forward slashes", L"c:/" + F + L"/" + F + L"/" + F + L"/a.txt", L"D:\\",
       L"\\\\?\\C:\\" + deep + L"\\a.txt"},
      {"relative to the current folder", F + L"\\" + F + L"\\a.txt", L"C:\\" + F,
       L"\\\\?\\C:\\" + deep + L"\\a.txt"},
      {"relative, current folder at a drive's root", deep + L"\\a.txt", L"C:\\",
       L"\\\\?\\C:\\" + deep + L"\\a.txt"},
      {"dot and dot-dot parts", L"C:\\" + F + L"\\.\\x\\..\\" + F + L"\\" + F + L"\\a.txt", L"C:\\",
       L"\\\\?\\C:\\" + deep + L"\\a.txt"},
      {"dot-dot never above the root", L"..\\..\\..\\" + deep + L"\\a.txt", L"C:\\w",
       L"\\\\?\\C:\\" + deep + L"\\a.txt"},
      {"trailing dots and spaces dropped", L"C:\\" + deep + L". \\a.txt.", L"C:\\",
       L"\\\\?\\C:\\" + deep + L"\\a.txt"},
      {"from the current drive's root", L"\\" + deep + L"\\a.txt", L"E:\\w",
       L"\\\\?\\E:\\" + deep + L"\\a.txt"},
      {"current drive, relative", L"c:" + deep + L"\\a.txt", L"C:\\",
       L"\\\\?\\C:\\" + deep + L"\\a.txt"},
      {"UNC", L"\\\\server\\share\\" + deep + L"\\a.txt", L"C:\\",
       L"\\\\?\\UNC\\server\\share\\" + deep + L"\\a.txt"},
      {"UNC, dot-dot stays in the share", L"//server/share/../" + deep + L"/a.txt", L"C:\\",
       L"\\\\?\\UNC\\server\\share\\" + deep + L"\\a.txt"},
      {"relative to a UNC current folder", deep + L"\\a.txt", L"\\\\server\\share",
       L"\\\\?\\UNC\\server\\share\\" + deep + L"\\a.txt"},
      {"already extended", L"\\\\?\\C:\\" + deep + L"\\..\\a.txt", L"C:\\",
       L"\\\\?\\C:\\" + deep + L"\\..\\a.txt"},
      {"another drive's current folder, which only the system knows", L"D:" + deep, L"C:\\",
       L"D:" + deep},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtendedLengthPath(c.path, c.current), c.expected) << c.what;
  }
}

TEST(LongPaths, TheLimitIsTheAbsolutePathsLength) {
  // C:\ and 256 characters: 259 fits a file, not a folder.
  const std::wstring name(256, L'n');
  EXPECT_EQ(ExtendedLengthPath(name, L"C:\\"), name);
  EXPECT_EQ(ExtendedLengthPath(name + L"x", L"C:\\"), L"\\\\?\\C:\\" + name + L"x");
  EXPECT_EQ(ExtendedLengthPath(name, L"C:\\", platform::kLongestClassicFolderPath),
            L"\\\\?\\C:\\" + name);
}

}  // namespace

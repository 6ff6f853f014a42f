// Machine facts through routines_API, on the platform of the build.
#include <gtest/gtest.h>

#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"
#include "platform/PlatformTest.h"
#include "system/routines_API.h"

namespace brim::test {
namespace {

using RoutinesAPI = PlatformTest;

TEST_F(RoutinesAPI, TemporaryNamesAreNewFilesInTheTemporaryDirectory) {
  auto temp = PlatformFiles().TempDirectory();
  ASSERT_TRUE(temp);
  std::string kept = GetTemporaryFileName(true);
  std::string dropped = GetTemporaryFileName(false);
  EXPECT_NE(kept, dropped);
  for (const auto& name : {kept, dropped}) {
    EXPECT_TRUE(SameText(name.substr(0, temp->size()), *temp)) << name;
    EXPECT_TRUE(SameText(name.substr(temp->size(), 3), "bat")) << name;
  }
  EXPECT_TRUE(Exists(kept));
  EXPECT_FALSE(Exists(dropped));
  PlatformFiles().DeleteFile(kept);
}

TEST_F(RoutinesAPI, WindowsDirectoriesExistWithoutTrailingBackslash) {
  for (const std::string& dir : {GetWindowsDirectoryPath(), GetSystemDirectoryPath()}) {
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '\\') << dir;
    auto attrs = PlatformFiles().GetAttributes(dir);
    ASSERT_TRUE(attrs) << dir;
    EXPECT_TRUE(*attrs & attrDirectory) << dir;
  }
  std::string windows = GetWindowsDirectoryPath();
  EXPECT_TRUE(SameText(GetSystemDirectoryPath().substr(0, windows.size() + 1), windows + "\\"));
}

TEST_F(RoutinesAPI, ThePlatformCodeMatchesTheReportedVersion) {
  auto version = PlatformSystem().GetVersionEx();
  ASSERT_TRUE(version);
  int code = GetWindowsPlatform();
  if (version->PlatformId == 2)
    EXPECT_EQ(code, version->Major == 3 && version->Minor == 51 ? wpWindowsNT35 : wpWindowsNT);
  else
    EXPECT_EQ(code, static_cast<int>(version->PlatformId));
}

}  // namespace
}  // namespace brim::test

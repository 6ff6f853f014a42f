// Machine facts through routines_API, on the platform of the build.
#include <gtest/gtest.h>

#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"
#include "platform/PlatformTest.h"
#include "system/routines_API.h"

namespace brim::test {
namespace {

using RoutinesAPI = PlatformTest;

TEST_F(RoutinesAPI, TemporaryFilesAreNewFilesInADirectoryOfTheSetupsOwn) {
  auto temp = PlatformFiles().TempDirectory();
  ASSERT_TRUE(temp);
  const std::string batch = CreateTemporaryFile(".bat"), archive = CreateTemporaryFile(".1");
  const std::string dir = ExtractFileDir(batch);
  EXPECT_NE(batch, archive);
  EXPECT_EQ(ExtractFileDir(archive), dir);
  EXPECT_TRUE(SameText(ExtractFileDir(dir) + "\\", *temp) && IsTemporaryFilesDirectory(dir)) << dir;
  EXPECT_EQ(ExtractFileExt(batch) + ExtractFileExt(archive) + ReadFile(batch).value_or("?"),
            ".bat.1");
  // The end takes the directory once it is empty.
  PlatformFiles().DeleteFile(batch);
  EndTemporaryFiles();
  EXPECT_TRUE(Exists(archive));
  PlatformFiles().DeleteFile(archive);
  const std::string second = TemporaryFilesDirectory();
  EXPECT_NE(second, dir) << "a new one after the end";
  EndTemporaryFiles();
  EXPECT_FALSE(Exists(second));
  PlatformFiles().RemoveDirectory(dir);
}

TEST_F(RoutinesAPI, BatchFilesCarryPathsQuotedAndRefuseWhatQuotesCannotHold) {
  EXPECT_EQ(BatchQuoted("C:\\R&D (1) ^x\\a b.bat"), "\"C:\\R&D (1) ^x\\a b.bat\"");
  for (const std::string path : {"C:\\50%\\a.bat", "C:\\\"a\".bat", "C:\\a\r\nb.bat"})
    EXPECT_THROW(BatchQuoted(path), EAPIRoutines) << path;
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

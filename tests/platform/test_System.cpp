// What the system calls answer on Windows, checked on whichever backend this
// build has.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/PlatformTest.h"

namespace brim::test {
namespace {

class System : public PlatformTest {
 protected:
  ISystemService& system = PlatformSystem();
};

TEST_F(System, VersionIsA32BitWindows) {
  auto version = system.GetVersionEx();
  ASSERT_TRUE(version);
  EXPECT_TRUE(version->PlatformId == 1 || version->PlatformId == 2) << version->PlatformId;
  EXPECT_GE(version->Major, 3u);
}

TEST_F(System, WindowsAndSystemDirectoriesExistWithoutTrailingBackslash) {
  auto windows = system.WindowsDirectory();
  auto systemDir = system.SystemDirectory();
  ASSERT_TRUE(windows && systemDir);
  for (const std::string& dir : {*windows, *systemDir}) {
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '\\') << dir;
    auto attributes = PlatformFiles().GetAttributes(dir);
    ASSERT_TRUE(attributes) << dir;
    EXPECT_TRUE(*attributes & attrDirectory) << dir;
  }
  EXPECT_EQ(system.CompareText(systemDir->substr(0, windows->size()), *windows), 0)
      << "the system directory lies in the Windows directory";
}

TEST_F(System, CompareTextIgnoresCaseOfAsciiAndLatin1Letters) {
  EXPECT_EQ(system.CompareText("Program Files", "PROGRAM FILES"), 0);
  EXPECT_EQ(system.CompareText("caf\xE9", "CAF\xC9"), 0);
  EXPECT_LT(system.CompareText("apple", "Banana"), 0);
  EXPECT_GT(system.CompareText("Banana", "apple"), 0);
  EXPECT_LT(system.CompareText("abc", "abcd"), 0);
  EXPECT_LT(system.CompareText("e", "\xE9"), 0) << "an accent sorts after the plain letter";
  EXPECT_LT(system.CompareText("\xE9", "f"), 0) << "an accented letter sorts with its letter";
}

TEST_F(System, LocalTimeRoundTripsAndMatchesTheClock) {
  const int64_t utc = 132000000000000000LL;
  int64_t local = system.UtcToLocalFileTime(utc);
  EXPECT_EQ(system.LocalToUtcFileTime(local), utc);
  EXPECT_EQ((local - utc) % (15 * 60 * 10000000LL), 0) << "zones differ by quarter hours";

  WriteFile(At("now.txt"), "x");
  auto file = PlatformFiles().Open(At("now.txt"), accRead, shareRead, TFileCreation::OpenExisting);
  ASSERT_TRUE(file);
  auto written = file->LastWriteTime();
  ASSERT_TRUE(written);
  TDateTime fileDate = LocalFileTimeToDateTime(system.UtcToLocalFileTime(*written));
  EXPECT_LT(std::abs(system.Now() - fileDate), 1.0 / 24 / 60)
      << "Now is local time, like file dates";
}

TEST_F(System, TickCountDoesNotGoBack) {
  uint32_t first = system.TickCount();
  uint32_t second = system.TickCount();
  EXPECT_GE(second, first);
}

TEST_F(System, LastErrorIsKeptAndExplained) {
  system.SetLastError(1234);
  EXPECT_EQ(system.LastError(), 1234u);
  EXPECT_FALSE(PlatformFiles().GetAttributes(At("missing.txt")));
  EXPECT_EQ(system.LastError(), errFileNotFound);
  for (uint32_t code : {errFileNotFound, errSharingViolation, errAccessDenied}) {
    std::string text = system.ErrorMessage(code);
    ASSERT_FALSE(text.empty()) << code;
    EXPECT_NE(text.back(), '\n') << code;
    EXPECT_NE(text.back(), '\r') << code;
  }
  EXPECT_NE(system.ErrorMessage(errFileNotFound), system.ErrorMessage(errPathNotFound));
}

}  // namespace
}  // namespace brim::test

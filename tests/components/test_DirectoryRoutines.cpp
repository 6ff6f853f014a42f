// Creating directory paths, on the platform of the build.
#include <gtest/gtest.h>

#include "common/exceptions_Brimwell.h"
#include "components/cmp_TVersion.h"
#include "platform/PlatformTest.h"

namespace brim::test {
namespace {

using DirectoryRoutines = PlatformTest;

TEST_F(DirectoryRoutines, CreatesEveryMissingParent) {
  EXPECT_TRUE(CreateDirectoryPath(At("a\\b\\c\\")));
  EXPECT_TRUE(DirectoryPresent(At("a\\b\\c")));
  EXPECT_TRUE(CreateDirectoryPath(At("a\\b\\c")));  // already there
  EXPECT_FALSE(DirectoryPresent(At("a\\b\\c\\d")));
}

TEST_F(DirectoryRoutines, ADriveRootSucceedsAndAnEmptyPathRaises) {
  EXPECT_TRUE(CreateDirectoryPath("C:\\"));
  EXPECT_TRUE(CreateDirectoryPath("C:"));
  try {
    CreateDirectoryPath("");
    FAIL() << "an empty path was accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unable to create directory");
  }
}

TEST_F(DirectoryRoutines, AFileInTheWayFails) {
  WriteFile(At("file"), "x");
  EXPECT_FALSE(DirectoryPresent(At("file")));
  EXPECT_FALSE(CreateDirectoryPath(At("file\\sub")));
  EXPECT_FALSE(DirectoryPresent(At("file\\sub")));
}

}  // namespace
}  // namespace brim::test

// The running program as the platform sees it: its own file, and the
// resources bound into it (the install definition travels as one).
#include <gtest/gtest.h>

#include "common/routines_Strings.h"
#include "platform/PlatformTest.h"

namespace brim::test {
namespace {

using ModuleTest = PlatformTest;

#ifdef _WIN32
constexpr char kProgramName[] = "brim_tests.exe";
#else
constexpr char kProgramName[] = "brim_tests";
#endif

TEST_F(ModuleTest, FileNameIsTheRunningProgramAndExists) {
  std::string path = PlatformModule().ModuleFileName();
  std::string name = path.substr(path.find_last_of('\\') + 1);
  EXPECT_TRUE(SameText(name, kProgramName)) << path;
  auto attributes = PlatformFiles().GetAttributes(path);
  ASSERT_TRUE(attributes.has_value()) << path << ": error " << PlatformSystem().LastError();
  EXPECT_EQ(*attributes & attrDirectory, 0u) << path;
}

TEST_F(ModuleTest, MissingResourceGivesNothing) {
  EXPECT_FALSE(PlatformModule().LoadResource("BRIMWELLNOSUCHRESOURCE").has_value());
#ifdef _WIN32
  EXPECT_EQ(PlatformSystem().LastError(), errResourceNameNotFound);
#endif
}

TEST_F(ModuleTest, MissingBitmapGivesNothing) {
  EXPECT_FALSE(PlatformModule().LoadBitmapResource("INSTALLTHEME1").has_value());
}

#ifdef _WIN32
// The bitmap comes back as the very file it was made from.
TEST_F(ModuleTest, BitmapResourceIsTheWholeBitmapFile) {
  auto expected = ReadFile(std::string(BRIMWELL_SOURCE_DIR) + "\\tests\\platform\\ModuleTest.bmp");
  ASSERT_TRUE(expected.has_value());
  auto bitmap = PlatformModule().LoadBitmapResource("BRIMWELLTESTBMP");
  ASSERT_TRUE(bitmap.has_value()) << "error " << PlatformSystem().LastError();
  EXPECT_EQ(*bitmap, *expected);
}

// ModuleTest.rc binds ModuleTest.bin into the test program as BRIMWELLTEST.
TEST_F(ModuleTest, ResourceGivesEveryByteOfWhatWasBound) {
  auto expected = ReadFile(std::string(BRIMWELL_SOURCE_DIR) + "\\tests\\platform\\ModuleTest.bin");
  ASSERT_TRUE(expected.has_value());
  ASSERT_NE(expected->find('\0'), std::string::npos) << "the sample must hold NUL bytes";
  auto resource = PlatformModule().LoadResource("BRIMWELLTEST");
  ASSERT_TRUE(resource.has_value()) << "error " << PlatformSystem().LastError();
  EXPECT_EQ(*resource, *expected);
}
#endif

}  // namespace
}  // namespace brim::test

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

// Blanks separate, quotes group and vanish, a backslash is just a character:
// the loading program passes the drive root of the floppy as "-sA:\".
TEST(CommandLineSplit, SplitsAsTheSystemsProgramsDo) {
  const struct {
    const char* line;
    std::vector<std::string> arguments;
  } cases[] = {
      {R"(SETUP.EXE "-sA:\" "A:\SETUP.EXE")", {"SETUP.EXE", "-sA:\\", "A:\\SETUP.EXE"}},
      {R"("C:\My Apps\setup.exe" -d "-sC:\My Build")",
       {"C:\\My Apps\\setup.exe", "-d", "-sC:\\My Build"}},
      {"  a\t\tb  ", {"a", "b"}},
      {R"(x a"b c"d "" e)", {"x", "ab cd", "", "e"}},
      {R"(x "open end)", {"x", "open end"}},
      {R"(x \"y\")", {"x", "\\y\\"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.arguments) << c.line;
}

// The system keeps the line on win32, with the program first; posix passes
// the arguments split and there is no line.
TEST_F(ModuleTest, CommandLineStartsWithTheProgram) {
  std::optional<std::string> line = PlatformModule().CommandLine();
#ifdef _WIN32
  ASSERT_TRUE(line.has_value());
  std::vector<std::string> arguments = SplitCommandLine(*line);
  ASSERT_FALSE(arguments.empty()) << *line;
  EXPECT_NE(UpperCase(arguments[0]).find("BRIM_TESTS"), std::string::npos) << *line;
#else
  EXPECT_FALSE(line.has_value());
  char program[] = "brimsetup", flag[] = "-sA:\\";
  char* argv[] = {program, flag};
  EXPECT_EQ(ProgramArgumentsOf(2, argv), std::vector<std::string>{"-sA:\\"});
#endif
}

TEST_F(ModuleTest, MissingResourceGivesNothing) {
  EXPECT_FALSE(PlatformModule().LoadResource("BRIMWELLNOSUCHRESOURCE").has_value());
#ifdef _WIN32
  EXPECT_EQ(PlatformSystem().LastError(), errResourceNameNotFound);
#endif
}

TEST_F(ModuleTest, MissingBitmapGivesNothing) {
  EXPECT_FALSE(PlatformModule().LoadBitmapResource("BRIMWELLNOSUCHBITMAP").has_value());
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

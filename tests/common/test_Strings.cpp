#include <gtest/gtest.h>

#include "common/DateTime.h"
#include "common/routines_Strings.h"

namespace brim {
namespace {

TEST(Strings, JoinPathAddsOneBackslashOnlyWhenNeeded) {
  EXPECT_EQ(JoinPath("C:\\Program Files", "App"), "C:\\Program Files\\App");
  EXPECT_EQ(JoinPath("C:\\", "App"), "C:\\App");
  EXPECT_EQ(JoinPath("", "App"), "App");
  EXPECT_EQ(JoinPath("C:\\Dir\\", "\\App"), "C:\\Dir\\\\App") << "the name is taken as given";
}

TEST(Strings, TheDirectoryOfAFileHasNoTrailingBackslash) {
  EXPECT_EQ(ExtractFileDir("C:\\Program Files\\Setup\\setup.exe"), "C:\\Program Files\\Setup");
  EXPECT_EQ(ExtractFileDir("C:\\setup.exe"), "C:");
  EXPECT_EQ(ExtractFileDir("A:setup.exe"), "A:");
  EXPECT_EQ(ExtractFileDir("\\\\server\\share\\setup.exe"), "\\\\server\\share");
  EXPECT_EQ(ExtractFileDir("setup.exe"), "");
}

TEST(Strings, RemoveTrailingBackslashRemovesExactlyOne) {
  EXPECT_EQ(RemoveTrailingBackslash("C:\\Dir\\"), "C:\\Dir");
  EXPECT_EQ(RemoveTrailingBackslash("C:\\Dir\\\\"), "C:\\Dir\\");
  EXPECT_EQ(RemoveTrailingBackslash("C:\\Dir"), "C:\\Dir");
  EXPECT_EQ(RemoveTrailingBackslash(""), "");
}

TEST(Strings, SemicolonFieldsAreOneBasedAndWholeTextWithoutSeparator) {
  EXPECT_EQ(SemicolonField("10;Welcome;x", 1), "10");
  EXPECT_EQ(SemicolonField("10;Welcome;x", 2), "Welcome");
  EXPECT_EQ(SemicolonField("10;Welcome;x", 3), "x");
  EXPECT_EQ(SemicolonField("10;Welcome;x", 4), "");
  EXPECT_EQ(SemicolonField("10;Welcome;x", 0), "");
  EXPECT_EQ(SemicolonField("no separator", 3), "no separator");
  EXPECT_EQ(SemicolonField("a;;c", 2), "");
}

TEST(Strings, SplitKeepsEmptyFields) {
  EXPECT_EQ(SplitSemicolons("a;;c;"), (std::vector<std::string>{"a", "", "c", ""}));
  EXPECT_EQ(SplitSemicolons("one"), (std::vector<std::string>{"one"}));
  EXPECT_TRUE(SplitSemicolons("").empty());
}

// A text file's lines: a last line without its end counts, an end after
// the last line makes no empty one, and a CR stays for the reader.
TEST(Strings, LinesSplitAsAFileIsRead) {
  using V = std::vector<std::string>;
  const struct {
    const char* text;
    V lines;
  } cases[] = {
      {"", {}},           {"a\nb\n", {"a", "b"}},   {"a\nb", {"a", "b"}},
      {"\n\n", {"", ""}}, {"x\r\ny", {"x\r", "y"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
}

TEST(Strings, CaseInsensitiveComparisonFoldsOnlyAsciiLetters) {
  EXPECT_TRUE(SameText("TInstallFile", "tinstallfile"));
  EXPECT_FALSE(SameText("abc", "abd"));
  EXPECT_FALSE(SameText("\xE9", "\xC9")) << "bytes above 127 are compared as they are";
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  EXPECT_EQ(CompareText("", ""), 0);
}

TEST(Strings, IntegerParsingRejectsGarbageAndOverflow) {
  long long v = 0;
  EXPECT_TRUE(TryStrToInt64("-128", v));
  EXPECT_EQ(v, -128);
  EXPECT_TRUE(TryStrToInt64("$FF", v));
  EXPECT_EQ(v, 255);
  EXPECT_TRUE(TryStrToInt64("-9223372036854775808", v));
  EXPECT_EQ(v, INT64_MIN);
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", v));
  EXPECT_FALSE(TryStrToInt64("12a", v));
  EXPECT_FALSE(TryStrToInt64("", v));
  EXPECT_FALSE(TryStrToInt64("-", v));
}

TEST(DateTime, FileTimesKeepTwoSecondResolution) {
  TDateTime d = 0;
  ASSERT_TRUE(TryEncodeDateTime({2026, 12, 7, 14, 30, 17, 500}, d));
  int64_t ft = DateTimeToLocalFileTime(d);
  TDateTime back = LocalFileTimeToDateTime(ft);
  TDateTimeParts p = DecodeDateTime(back);
  EXPECT_EQ(p.Year, 2026);
  EXPECT_EQ(p.Month, 12);
  EXPECT_EQ(p.Day, 7);
  EXPECT_EQ(p.Hour, 14);
  EXPECT_EQ(p.Minute, 30);
  EXPECT_EQ(p.Second, 16) << "odd seconds fall to the even second below";
  EXPECT_EQ(p.Millisecond, 0);
  // A date that already sits on an even second survives unchanged.
  EXPECT_DOUBLE_EQ(LocalFileTimeToDateTime(DateTimeToLocalFileTime(back)), back);
}

TEST(DateTime, EpochsAgree) {
  // 1601-01-01 is tick 0; 1899-12-30 is day 0 of a date value.
  EXPECT_EQ(DateTimeToLocalFileTime(0.0), 109205LL * 86400 * 10000000);
  TDateTime d;
  ASSERT_TRUE(TryEncodeDateTime({2000, 1, 1, 0, 0, 0, 0}, d));
  EXPECT_DOUBLE_EQ(d, 36526.0);
  ASSERT_TRUE(TryEncodeDateTime({1980, 1, 1, 12, 0, 0, 0}, d));
  EXPECT_DOUBLE_EQ(FileDateToDateTime(DateTimeToFileDate(d)), d);
  EXPECT_EQ(DateTimeToFileDate(0.0), 0u) << "1899 cannot be a packed file date";
  EXPECT_FALSE(TryEncodeDateTime({2026, 2, 29, 0, 0, 0, 0}, d));
  EXPECT_TRUE(TryEncodeDateTime({2024, 2, 29, 0, 0, 0, 0}, d));
}

}  // namespace
}  // namespace brim

// Texts in the code page of their font's character set, read as UTF-8 and
// back, on both backends; and the face that shows a character set when the
// asked one is missing.
#include <gtest/gtest.h>

#include "platform/CodePages.h"
#include "platform/FontFallback.h"
#include "platform/Platform.h"

namespace brim::test {
namespace {

TEST(CodePages, EachCharacterSetsBytesReadAsItsScript) {
  struct {
    int32_t charset;
    const char* bytes;
    const char* utf8;
  } cases[] = {
      {0, "Zur\xFC" "ck \x80", "Zur\xC3\xBC" "ck \xE2\x82\xAC"},
      {128, "\x8E\x9F\x82\xD6 >", "\xE6\xAC\xA1\xE3\x81\xB8 >"},
      {129, "\xBC\xB3\xC4\xA1", "\xEC\x84\xA4\xEC\xB9\x98"},
      {134, "\xB0\xB2\xD7\xB0", "\xE5\xAE\x89\xE8\xA3\x85"},
      {136, "\xB3\x5D\xA9\x77", "\xE8\xA8\xAD\xE5\xAE\x9A"},
      {161, "\xA2\xEA\xF5\xF1\xEF", "\xCE\x86\xCE\xBA\xCF\x85\xCF\x81\xCE\xBF"},
      {177, "\xF9\xEC\xE5\xED", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"},
      {204, "\xC4\xE0\xEB\xE5\xE5", "\xD0\x94\xD0\xB0\xD0\xBB\xD0\xB5\xD0\xB5"},
      {238, "Zako\xF1" "cz", "Zako\xC5\x84" "cz"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.charset);
    EXPECT_EQ(Utf8FromCharset(c.bytes, c.charset), c.utf8);
    EXPECT_EQ(CharsetFromUtf8(c.utf8, c.charset), c.bytes);
  }
  // The default character set is the system's code page; a character the
  // code page lacks becomes '?'.
  EXPECT_EQ(CodePageOfCharset(charsetDefault), PlatformSystem().AnsiCodePage());
  EXPECT_EQ(CharsetFromUtf8("\xE3\x82\x88 ok", charsetAnsi), "? ok");
  // UTF-8 beyond the 16-bit plane travels as a pair; a broken sequence reads as U+FFFD.
  EXPECT_EQ(WideFromUtf8("\xF0\x9F\x98\x80").size(), 2u);
  EXPECT_EQ(Utf8FromWide(WideFromUtf8("\xF0\x9F\x98\x80")), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8FromWide(WideFromUtf8("a\xC3")), "a\xEF\xBF\xBD");
  EXPECT_EQ(Utf8FromWide(WideFromUtf8("\xC0\xAF")), "\xEF\xBF\xBD\xEF\xBF\xBD") << "an overlong slash";
}

TEST(FontFallback, AMissingFaceGivesWayToAnInstalledOneOfItsScript) {
  struct {
    const char* requested;
    int32_t charset;
    std::vector<std::string> installed;
    const char* chosen;
  } cases[] = {
      {"Arial", 0, {"DejaVu Sans", "Arial"}, "Arial"},
      {"arial", 0, {"Arial"}, "arial"},
      {"Arial", 0, {"@Font", "Liberation Sans", "Tahoma"}, "Tahoma"},
      {"MS PGothic", 128, {"@WenQuanYi Micro Hei", "WenQuanYi Micro Hei", "MS Gothic"}, "MS Gothic"},
      {"MS PGothic", 128, {"Odd Face", "WenQuanYi Micro Hei"}, "WenQuanYi Micro Hei"},
      {"Batang", 129, {"@Odd", "Odd Face"}, "Odd Face"},
      {"SimSun", 134, {}, "SimSun"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ChooseFontFace(c.requested, c.charset, c.installed), c.chosen) << c.requested << " " << c.charset;
}

}  // namespace
}  // namespace brim::test

// Fonts added to and removed from the running system, checked on whichever
// backend this build has, and what the substitute machine records of them.
#include <gtest/gtest.h>

#include "platform/FontService.h"
#include "platform/PlatformTest.h"
#ifndef _WIN32
#include "platform/posix/PosixFonts.h"
#endif

namespace brim::test {
namespace {

// A TrueType font of the host; under Wine and on the substitute machine Z:
// is the host's /.
constexpr char kHostFont[] = "Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf";

using Fonts = PlatformTest;

std::string Utf16BE(const std::string& ascii) {
  std::string wide;
  for (char c : ascii) wide += std::string{'\0', c};
  return wide;
}

TEST_F(Fonts, AnAddedFontFileCanBeRemovedOnce) {
  auto bytes = ReadFile(kHostFont);
  ASSERT_TRUE(bytes) << "no TrueType font at " << kHostFont
                     << ": install the package fonts-dejavu-core";
  // Renamed to a family the system does not have yet: a running Windows
  // (Wine, which knows the host's fonts) takes a copy of a font it has as
  // the font it has, and then has nothing of the copy's to remove.
  for (const auto& [from, to] : {std::pair{std::string("DejaVu Sans"), std::string("Brimwell Ts")},
                                 {Utf16BE("DejaVu Sans"), Utf16BE("Brimwell Ts")}})
    for (size_t at = bytes->find(from); at != std::string::npos; at = bytes->find(from, at))
      bytes->replace(at, from.size(), to);
  std::string font = At("Brimwell Test.ttf");
  WriteFile(font, *bytes);
  IFontService& fonts = NativeFontService();
  int count = 0;
  TPlatformError added = fonts.AddFontResource(font, count);
  EXPECT_FALSE(added.Failed()) << added.Describe();
  EXPECT_EQ(count, 1);
#ifndef _WIN32
  EXPECT_EQ(LoadedFonts(), (std::map<std::string, int>{{font, 1}}));
#endif
  EXPECT_FALSE(fonts.BroadcastFontChange().Failed());
  EXPECT_FALSE(fonts.RemoveFontResource(font).Failed());
  EXPECT_TRUE(fonts.RemoveFontResource(font).Failed()) << "removed twice";
  EXPECT_FALSE(fonts.BroadcastFontChange().Failed());
#ifndef _WIN32
  EXPECT_TRUE(LoadedFonts().empty());
  EXPECT_EQ(FontChangeBroadcasts(), 2);
#endif
}

TEST_F(Fonts, WhatIsNoFontFileIsNotAdded) {
  WriteFile(At("readme.ttf"), "This is not a font, only its name says so.");
  for (const std::string& path : {At("missing.ttf"), At("readme.ttf"), At("nodir\\a.ttf")}) {
    int count = 7;
    TPlatformError error = NativeFontService().AddFontResource(path, count);
    EXPECT_TRUE(error.Failed()) << path;
    EXPECT_EQ(error.Domain, TErrorDomain::Win32) << path;
    EXPECT_EQ(count, 0) << path;
  }
}

#ifndef _WIN32
// A 16-bit NE file whose resource table holds one type with count entries.
std::string NeFile(uint16_t type, uint16_t count) {
  std::string bytes = "MZ" + std::string(0x3A, '\0') + std::string("\x40\0\0\0", 4);
  bytes += "NE" + std::string(0x22, '\0') + std::string("\x40\0", 2) + std::string(0x1A, '\0');
  bytes += std::string("\4\0", 2);  // alignment shift
  bytes += std::string{static_cast<char>(type & 0xFF), static_cast<char>(type >> 8),
                       static_cast<char>(count), 0, 0, 0, 0, 0};
  return bytes + std::string(12u * count + 2, '\0');
}

TEST(FontFiles, FontsAreCountedByTheirHeader) {
  struct Case {
    std::string Bytes;
    int Fonts;
  } cases[] = {
      {std::string("\0\1\0\0", 4) + std::string(12, '\0'), 1},        // TrueType
      {"OTTO" + std::string(12, '\0'), 1},                            // OpenType (CFF)
      {std::string("ttcf\0\1\0\0\0\0\0\3", 12) + std::string(12, '\0'), 3},  // a collection of 3
      {std::string("ttcf\0\1\0\0\0\0\0\x09", 12) + std::string(12, '\0'), 0},  // offsets cut off
      {"MZ" + std::string(60, '\0'), 0},                              // a program
      {NeFile(0x8008, 2), 2},                                         // a .fon with two sizes
      {NeFile(0x800E, 1), 0},                                         // a 16-bit program
      {std::string("\0\1\0", 3), 0},                                  // too short
  };
  for (const auto& c : cases) EXPECT_EQ(FontsInFile(c.Bytes), c.Fonts) << c.Bytes.substr(0, 4);
}
#endif

}  // namespace
}  // namespace brim::test

// The substitute machine's own PE and version block readers: resources by
// name, number and language, export names, files with appended data, and
// damaged files and blocks, which must read as "none" without reading
// outside their bytes (the ASan build runs these too).
#ifndef _WIN32

#include <gtest/gtest.h>

#include <memory>

#include "platform/PEResources.h"
#include "platform/PlatformTest.h"
#include "platform/TestPE.h"
#include "platform/posix/VersionBlock.h"

namespace brim::test {
namespace {

TTestVersion SmallVersion() {
  TTestVersion v;
  v.FileVersion = {3, 1, 4, 1592};
  v.StringTables = {{0x0409, 1252, {{"CompanyName", "Brimwell"}, {"ProductName", "Damage"}}}};
  return v;
}

const char* const kQueries[] = {"\\", "\\VarFileInfo\\Translation",
                                "\\StringFileInfo\\040904E4\\CompanyName",
                                "\\StringFileInfo\\040904E4\\ProductName"};

// Everything a reader may ask of a file; the answers of an intact file.
struct TAnswers {
  std::optional<std::string> Block;
  std::vector<std::optional<std::string>> Values;
  std::vector<std::string> Exports;
};

TAnswers Ask(std::string_view bytes) {
  TExactBytes exact(bytes);
  TAnswers a;
  auto image = TPEImage::Read(exact.View());
  if (!image) return a;
  a.Exports = image->ExportedNames();
  image->ResourceNames(TResourceId::Of(rtVersion));
  if (auto data = image->Resource(TResourceId::Of(rtVersion), TResourceId::Of(1))) {
    a.Block = std::string(*data);
    TExactBytes block(*data);
    for (const char* q : kQueries) a.Values.push_back(QueryVersionValue(block.View(), q));
  }
  return a;
}

// A value the block answers for a text key: text without NUL, or, when the
// damage made the node binary, a run of the block's own bytes.
bool TextOrBytesOf(const std::string& value, const std::string& block) {
  return value.find('\0') == std::string::npos || block.find(value) != std::string::npos;
}

// Where the version block of a built file ends.
size_t EndOfVersion(const std::string& file) {
  std::string block = BuildVersionBlock(SmallVersion());
  size_t at = file.find(block);
  return at == std::string::npos ? 0 : at + block.size();
}

// ---------------------------------------------------------------------------

TEST(PEResources, HeadersOfBothWidthsAreRead) {
  std::string pe32 = BuildPEWithVersion(SmallVersion());
  auto image = TPEImage::Read(pe32);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->Machine(), 0x14C);
  EXPECT_FALSE(image->IsPE32Plus());
  ASSERT_EQ(image->Sections().size(), 2u);
  EXPECT_EQ(image->Sections()[1].Name, ".rsrc");
  EXPECT_EQ(image->ImageEnd(), pe32.size());

  std::string pe64 = BuildPEWithVersion(SmallVersion(), {.PE32Plus = true, .Exports = {}});
  image = TPEImage::Read(pe64);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->Machine(), 0x8664);
  EXPECT_TRUE(image->IsPE32Plus());
  EXPECT_TRUE(image->Resource(TResourceId::Of(rtVersion), TResourceId::Of(1)).has_value());
}

TEST(PEResources, NamedResourcesMatchWithoutRegardToCase) {
  std::string file = BuildPEWithResources({
      {TResourceId::Of(rtRCData), TResourceId::Named("TINSTALATOR"), 0x0409, "definition"},
      {TResourceId::Of(rtRCData), TResourceId::Named("TMAINFORM"), 0x0409, "form"},
      {TResourceId::Of(rtRCData), TResourceId::Of(7), 0x0409, "seven"},
  });
  auto image = TPEImage::Read(file);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->Resource(TResourceId::Of(rtRCData), TResourceId::Named("TInstalator")),
            "definition");
  EXPECT_EQ(image->Resource(TResourceId::Of(rtRCData), TResourceId::Named("tmainform")), "form");
  EXPECT_EQ(image->Resource(TResourceId::Of(rtRCData), TResourceId::Named("#7")), "seven");
  EXPECT_FALSE(
      image->Resource(TResourceId::Of(rtRCData), TResourceId::Named("TINSTALL")).has_value());
  EXPECT_FALSE(image->Resource(TResourceId::Of(rtVersion), TResourceId::Of(7)).has_value())
      << "a number of another type";
  EXPECT_EQ(image->ResourceNames(TResourceId::Of(rtRCData)),
            (std::vector<TResourceId>{TResourceId::Named("TINSTALATOR"),
                                      TResourceId::Named("TMAINFORM"), TResourceId::Of(7)}));
}

TEST(PEResources, ExportedNamesAreListed) {
  std::string dll =
      BuildPEWithoutResources({.Exports = {"DllUnregisterServer", "DllRegisterServer"}});
  EXPECT_EQ(ExportedNames(dll),
            (std::vector<std::string>{"DllRegisterServer", "DllUnregisterServer"}));
  EXPECT_TRUE(ExportedNames(BuildPEWithoutResources()).empty());
  EXPECT_TRUE(ExportedNames("not a program").empty());
}

// ---------------------------------------------------------------------------

TEST(DamagedPEFiles, ATruncatedFileGivesTheWholeResourceOrNone) {
  std::string file = BuildPEWithVersion(SmallVersion(), {.Exports = {"DllRegisterServer"}});
  TAnswers whole = Ask(file);
  ASSERT_TRUE(whole.Block.has_value());
  ASSERT_EQ(whole.Exports, std::vector<std::string>{"DllRegisterServer"});
  for (size_t length = 0; length < file.size(); ++length) {
    TAnswers cut = Ask(std::string_view(file).substr(0, length));
    if (cut.Block) {
      EXPECT_EQ(cut.Block, whole.Block) << "cut at " << length;
    }
    if (!cut.Exports.empty()) {
      EXPECT_EQ(cut.Exports, whole.Exports) << "cut at " << length;
    }
  }
  EXPECT_FALSE(Ask(std::string_view(file).substr(0, EndOfVersion(file) - 1)).Block.has_value())
      << "a resource missing its last byte is no resource";
}

// Whatever a damaged file answers comes from its own bytes and is whole: a
// resource is a run of the file, a fixed info keeps its signature, names and
// texts hold no NUL. A change inside the version block's bytes leaves the
// directories that find it intact, so the block is still found, with the
// change, and the exports are the same.
TEST(DamagedPEFiles, AnyChangedByteIsSurvived) {
  std::string file = BuildPEWithVersion(SmallVersion(), {.Exports = {"DllRegisterServer"}});
  TAnswers whole = Ask(file);
  ASSERT_TRUE(whole.Block.has_value());
  size_t blockEnd = EndOfVersion(file), blockStart = blockEnd - whole.Block->size();
  ASSERT_GT(blockEnd, 0u);
  for (size_t at = 0; at < file.size(); ++at) {
    for (unsigned char value : {0x00, 0x7F, 0x80, 0xFF}) {
      if (static_cast<unsigned char>(file[at]) == value) continue;
      std::string changed = file;
      changed[at] = static_cast<char>(value);
      TAnswers a = Ask(changed);  // must neither crash nor read outside the bytes
      std::string where = "byte " + std::to_string(at) + " = " + std::to_string(value);
      if (a.Block) {
        EXPECT_NE(changed.find(*a.Block), std::string::npos) << where;
      }
      for (const auto& name : a.Exports) {
        EXPECT_FALSE(name.empty()) << where;
        EXPECT_EQ(name.find('\0'), std::string::npos) << where;
        EXPECT_NE(changed.find(name), std::string::npos) << where;
      }
      if (!a.Values.empty() && a.Values[0]) {
        ASSERT_EQ(a.Values[0]->size(), 52u) << where;
        EXPECT_EQ(a.Values[0]->substr(0, 4), "\xBD\x04\xEF\xFE") << where;
      }
      for (size_t i = 2; i < a.Values.size(); ++i) {
        if (a.Values[i]) {
          EXPECT_TRUE(TextOrBytesOf(*a.Values[i], *a.Block)) << where;
        }
      }
      if (at >= blockStart && at < blockEnd) {
        ASSERT_TRUE(a.Block.has_value()) << where;
        EXPECT_EQ(*a.Block, changed.substr(blockStart, blockEnd - blockStart)) << where;
        EXPECT_EQ(a.Exports, whole.Exports) << where;
      }
    }
  }
}

// ---------------------------------------------------------------------------

TEST(VersionBlock, ATruncatedBlockAnswersNotFoundOrTheRightValue) {
  std::string block = BuildVersionBlock(SmallVersion());
  std::vector<std::optional<std::string>> whole;
  for (const char* q : kQueries) whole.push_back(QueryVersionValue(block, q));
  ASSERT_TRUE(whole[0] && whole[1] && whole[2] && whole[3]);
  for (size_t length = 0; length < block.size(); ++length) {
    TExactBytes cut(std::string_view(block).substr(0, length));
    for (size_t i = 0; i < std::size(kQueries); ++i) {
      auto value = QueryVersionValue(cut.View(), kQueries[i]);
      if (value) {
        EXPECT_EQ(value, whole[i]) << kQueries[i] << " cut at " << length;
      }
    }
  }
}

// A damaged block answers "not found" or a value that fits the block: a
// fixed info of 52 bytes with its signature, texts without NUL and no
// longer than the block holds. A change inside one value's bytes touches
// no structure: that value changes by the one byte (a text is cut at a
// NUL), every other query answers as before.
TEST(VersionBlock, AnyChangedByteIsSurvived) {
  std::string block = BuildVersionBlock(SmallVersion());
  std::vector<std::optional<std::string>> whole;
  for (const char* q : kQueries) whole.push_back(QueryVersionValue(block, q));
  auto offsetOf = [&block](std::u16string_view text) {
    return block.find(std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2));
  };
  size_t fixed = block.find("\xBD\x04\xEF\xFE");
  const struct {
    size_t query;
    size_t start, size;  // the value's bytes in the block
  } values[] = {{0, fixed + 4, 48}, {2, offsetOf(u"Brimwell"), 16}, {3, offsetOf(u"Damage"), 12}};
  for (const auto& v : values) ASSERT_LT(v.start, block.size()) << kQueries[v.query];
  for (size_t at = 0; at < block.size(); ++at) {
    for (unsigned char value : {0x00, 0x01, 0x7F, 0xFF}) {
      if (static_cast<unsigned char>(block[at]) == value) continue;
      std::string changed = block;
      changed[at] = static_cast<char>(value);
      TExactBytes exact(changed);
      std::vector<std::optional<std::string>> answers;
      for (const char* q : kQueries) answers.push_back(QueryVersionValue(exact.View(), q));
      std::string where = "byte " + std::to_string(at) + " = " + std::to_string(value);
      if (answers[0]) {
        ASSERT_EQ(answers[0]->size(), 52u) << where;
        EXPECT_EQ(answers[0]->substr(0, 4), "\xBD\x04\xEF\xFE") << where;
      }
      if (answers[1]) {
        EXPECT_LE(answers[1]->size(), block.size()) << where;
      }
      for (size_t i = 2; i < answers.size(); ++i) {
        if (!answers[i]) continue;
        EXPECT_TRUE(TextOrBytesOf(*answers[i], changed)) << where;
        EXPECT_LE(answers[i]->size(), block.size() / 2) << where;
      }
      for (const auto& v : values) {
        if (at < v.start || at >= v.start + v.size) continue;
        for (size_t i = 0; i < answers.size(); ++i) {
          if (i != v.query) {
            EXPECT_EQ(answers[i], whole[i]) << kQueries[i] << ", " << where;
          }
        }
        ASSERT_TRUE(answers[v.query].has_value()) << where;
        const std::string& was = *whole[v.query];
        const std::string& now = *answers[v.query];
        size_t same = 0;
        while (same < now.size() && same < was.size() && now[same] == was[same]) ++same;
        if (v.query == 0) {
          EXPECT_EQ(now.substr(same + 1), was.substr(same + 1)) << "one byte differs, " << where;
        } else {
          // The character at the change differs or ends the text.
          EXPECT_EQ(same, (at - v.start) / 2) << where;
          if (now.size() > same) {
            EXPECT_EQ(now.substr(same + 1), was.substr(same + 1)) << where;
          }
        }
      }
    }
  }
}

TEST(VersionBlock, FixedInfoWithoutItsSignatureIsNotFound) {
  std::string block = BuildVersionBlock(SmallVersion());
  size_t signature = block.find("\xBD\x04\xEF\xFE");
  ASSERT_NE(signature, std::string::npos);
  block[signature] = 0;
  EXPECT_FALSE(QueryVersionValue(block, "\\").has_value());
  EXPECT_TRUE(QueryVersionValue(block, "\\StringFileInfo\\040904E4\\CompanyName").has_value());
}

TEST(VersionBlock, AStringLengthCountedInBytesStillReadsTheString) {
  // Some resource tools store a string's length in bytes, not characters.
  std::string block = BuildVersionBlock(SmallVersion());
  std::u16string key = u"CompanyName";
  size_t at = block.find(std::string(reinterpret_cast<const char*>(key.data()), key.size() * 2));
  ASSERT_NE(at, std::string::npos);
  size_t node = at - 6;
  block[node + 2] = static_cast<char>(block[node + 2] * 2);
  EXPECT_EQ(QueryVersionValue(block, "\\StringFileInfo\\040904E4\\CompanyName"), "Brimwell");
  EXPECT_EQ(QueryVersionValue(block, "\\StringFileInfo\\040904E4\\ProductName"), "Damage");
}

TEST(VersionBlock, AnsiConversionRoundTripsEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  std::u16string wide = Utf16FromAnsi(all);
  ASSERT_EQ(wide.size(), all.size());
  EXPECT_EQ(wide[0x80 - 1], u'\u20AC');
  EXPECT_EQ(wide[0x99 - 1], u'\u2122');
  EXPECT_EQ(AnsiFromUtf16(wide), all);
  EXPECT_EQ(AnsiFromUtf16(u"\u0100\U0001F600x"), "??x") << "one '?' per character";
}

// The machine's language picks the code page Windows would, and text goes
// to it and back; what the code page lacks is one '?'.
TEST(VersionBlock, TheLanguageChoosesTheAnsiCodePage) {
  const struct {
    uint16_t language;
    uint32_t codePage;
    std::u16string text;
    std::string ansi;
  } cases[] = {
      {0x0409, 1252, u"\u20AC\u2122\u0142", "\x80\x99?"},
      {0x0415, 1250, u"\u0142\u017C\u00DF", "\xB3\xBF\xDF"},
      {0x0419, 1251, u"\u0416\u00E9", "\xC6?"},
      {0x0408, 1253, u"\u03A9", "\xD9"},
      {0x041F, 1254, u"\u011F", "\xF0"},
      {0x040D, 1255, u"\u05D0", "\xE0"},
      {0x0401, 1256, u"\u0627", "\xC7"},
      {0x0427, 1257, u"\u0161", "\xF0"},
      {0x0411, 932, u"\u65E5x", "\x93\xFAx"},
      {0x0804, 936, u"\u4E2D", "\xD6\xD0"},
      {0x0412, 949, u"\uD55C", "\xC7\xD1"},
      {0x0404, 950, u"\u4E2D", "\xA4\xA4"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AnsiCodePageOfLanguage(c.language), c.codePage) << std::hex << c.language;
    EXPECT_EQ(AnsiFromUtf16(c.text, c.codePage), c.ansi) << c.codePage;
    if (c.ansi.find('?') == std::string::npos) {
      EXPECT_EQ(Utf16FromAnsi(c.ansi, c.codePage), c.text) << c.codePage;
    }
  }
}

// ---------------------------------------------------------------------------

class SubstituteVersions : public PlatformTest {};

TEST_F(SubstituteVersions, AVersionFarIntoASelfExtractorIsRead) {
  // A large resource ahead of the version moves it past the first 64 KiB;
  // the archive of a self-extracting setup follows the image.
  std::string file = BuildPEWithResources({
      {TResourceId::Of(rtRCData), TResourceId::Of(1), 0x0409, std::string(200000, 'r')},
      {TResourceId::Of(rtVersion), TResourceId::Of(1), 0x0409, BuildVersionBlock(SmallVersion())},
  });
  ASSERT_GT(EndOfVersion(file), 65536u);
  WriteFile(At("setup.exe"), file + std::string(300000, 'a'));
  auto block = PlatformVersions().GetFileVersionInfo(At("setup.exe"));
  ASSERT_TRUE(block.has_value());
  EXPECT_EQ(PlatformVersions().QueryValue(*block, "\\StringFileInfo\\040904E4\\CompanyName"),
            "Brimwell");
}

TEST_F(SubstituteVersions, ADamagedFileHasNoVersionAndSaysSo) {
  std::string file = BuildPEWithVersion(SmallVersion());
  WriteFile(At("cut.dll"), file.substr(0, EndOfVersion(file) - 1));
  PlatformSystem().SetLastError(errSuccess);
  EXPECT_EQ(PlatformVersions().GetFileVersionInfoSize(At("cut.dll")), 0u);
  EXPECT_EQ(PlatformSystem().LastError(), errResourceTypeNotFound);
}

TEST_F(SubstituteVersions, AVersionResourceNotNumberedOneIsStillRead) {
  std::string file = BuildPEWithResources({{TResourceId::Of(rtVersion), TResourceId::Of(2), 0x0409,
                                            BuildVersionBlock(SmallVersion())}});
  WriteFile(At("two.dll"), file);
  EXPECT_NE(PlatformVersions().GetFileVersionInfoSize(At("two.dll")), 0u);
}

}  // namespace
}  // namespace brim::test

#endif  // _WIN32

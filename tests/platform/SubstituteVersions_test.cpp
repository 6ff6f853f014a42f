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

// The bytes in a heap block of exactly their size, so that reading one
// byte past the end is an error the sanitizer reports.
class TExactBytes {
 public:
  explicit TExactBytes(std::string_view bytes)
      : data_(new char[bytes.size() ? bytes.size() : 1]), size_(bytes.size()) {
    std::copy(bytes.begin(), bytes.end(), data_.get());
  }
  std::string_view View() const { return {data_.get(), size_}; }

 private:
  std::unique_ptr<char[]> data_;
  size_t size_;
};

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

TEST(DamagedPEFiles, AnyChangedByteIsSurvived) {
  std::string file = BuildPEWithVersion(SmallVersion(), {.Exports = {"DllRegisterServer"}});
  for (size_t at = 0; at < file.size(); ++at) {
    for (unsigned char value : {0x00, 0x7F, 0x80, 0xFF}) {
      std::string changed = file;
      changed[at] = static_cast<char>(value);
      Ask(changed);  // must neither crash nor read outside the bytes
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

TEST(VersionBlock, AnyChangedByteIsSurvived) {
  std::string block = BuildVersionBlock(SmallVersion());
  for (size_t at = 0; at < block.size(); ++at) {
    for (unsigned char value : {0x00, 0x01, 0x7F, 0xFF}) {
      std::string changed = block;
      changed[at] = static_cast<char>(value);
      TExactBytes exact(changed);
      for (const char* q : kQueries) QueryVersionValue(exact.View(), q);
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
  EXPECT_EQ(wide[0x80 - 1], u'\u20AC');
  EXPECT_EQ(wide[0x99 - 1], u'\u2122');
  EXPECT_EQ(AnsiFromUtf16(wide), all);
  EXPECT_EQ(AnsiFromUtf16(u"\u0100\U0001F600x"), "??x") << "one '?' per character";
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

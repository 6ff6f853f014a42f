// The version resource calls on either backend: a built executable is
// written into the scratch directory and read back through
// PlatformVersions(), as the replace decision reads installed files.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/PlatformTest.h"
#include "platform/TestPE.h"

namespace brim::test {
namespace {

uint32_t Word32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, bytes.data() + at, 4);  // both backends run on little-endian x86
  return v;
}

class VersionResources : public PlatformTest {
 protected:
  // A DLL of version 2.5.17.3001, product 2.5.0.0, with an English and a
  // German string table.
  static TTestVersion SampleVersion() {
    TTestVersion v;
    v.FileVersion = {2, 5, 17, 3001};
    v.ProductVersion = {2, 5, 0, 0};
    v.FileOS = 0x40004;
    v.FileType = 2;
    v.Translations = {{0x0409, 1252}, {0x0407, 1252}};
    v.StringTables = {
        {0x0409,
         1252,
         {{"CompanyName", "Brimwell Test Company"},
          {"FileDescription", "Sample library"},
          {"ProductVersion", "2.5 beta"},
          {"LegalCopyright", "Copyright \u00a9 Brimwell"},
          {"Comment", ""}}},
        {0x0407,
         1252,
         {{"CompanyName", "Brimwell Testfirma"}, {"FileDescription", "Beispielbibliothek"}}},
    };
    return v;
  }

  // Writes the file and reads its version block; fails the test without one.
  std::string BlockOf(const std::string& name, const std::string& contents) {
    std::string path = At(name);
    WriteFile(path, contents);
    auto& versions = PlatformVersions();
    EXPECT_NE(versions.GetFileVersionInfoSize(path), 0u) << path;
    auto block = versions.GetFileVersionInfo(path);
    EXPECT_TRUE(block.has_value()) << path;
    return block.value_or("");
  }

  std::optional<std::string> Query(const std::string& block, const std::string& subBlock) {
    return PlatformVersions().QueryValue(block, subBlock);
  }

  // The size the backend reports for a file, with its error code.
  uint32_t SizeOf(const std::string& path, uint32_t& error) {
    PlatformSystem().SetLastError(errSuccess);
    uint32_t size = PlatformVersions().GetFileVersionInfoSize(path);
    error = PlatformSystem().LastError();
    return size;
  }
};

TEST_F(VersionResources, FixedInfoCarriesTheFileAndProductVersions) {
  std::string block = BlockOf("sample.dll", BuildPEWithVersion(SampleVersion()));
  auto fixed = Query(block, "\\");
  ASSERT_TRUE(fixed.has_value());
  ASSERT_EQ(fixed->size(), 52u);
  EXPECT_EQ(Word32(*fixed, 0), 0xFEEF04BDu) << "signature";
  EXPECT_EQ(Word32(*fixed, 8), (2u << 16) | 5u) << "file version, most significant";
  EXPECT_EQ(Word32(*fixed, 12), (17u << 16) | 3001u) << "file version, least significant";
  EXPECT_EQ(Word32(*fixed, 16), (2u << 16) | 5u) << "product version, most significant";
  EXPECT_EQ(Word32(*fixed, 20), 0u) << "product version, least significant";
  EXPECT_EQ(Word32(*fixed, 32), 0x40004u) << "file OS";
  EXPECT_EQ(Word32(*fixed, 36), 2u) << "file type";
}

TEST_F(VersionResources, A64BitFileIsReadToo) {
  TTestVersion v;
  v.FileVersion = {10, 0, 19041, 1};
  auto fixed =
      Query(BlockOf("x64.dll", BuildPEWithVersion(v, {.PE32Plus = true, .Exports = {}})), "\\");
  ASSERT_TRUE(fixed.has_value());
  EXPECT_EQ(Word32(*fixed, 8), 10u << 16);
  EXPECT_EQ(Word32(*fixed, 12), (19041u << 16) | 1u);
}

TEST_F(VersionResources, TranslationGivesLanguageAndCodePageWords) {
  std::string block = BlockOf("sample.dll", BuildPEWithVersion(SampleVersion()));
  auto translation = Query(block, "\\VarFileInfo\\Translation");
  ASSERT_TRUE(translation.has_value());
  EXPECT_EQ(*translation, std::string("\x09\x04\xE4\x04\x07\x04\xE4\x04", 8));
}

TEST_F(VersionResources, StringsComeFromTheTableOfTheChosenLanguage) {
  std::string block = BlockOf("sample.dll", BuildPEWithVersion(SampleVersion()));
  EXPECT_EQ(Query(block, "\\StringFileInfo\\040904E4\\CompanyName"), "Brimwell Test Company");
  EXPECT_EQ(Query(block, "\\StringFileInfo\\040904E4\\ProductVersion"), "2.5 beta");
  EXPECT_EQ(Query(block, "\\StringFileInfo\\040704E4\\CompanyName"), "Brimwell Testfirma");
  EXPECT_EQ(Query(block, "\\StringFileInfo\\040704E4\\FileDescription"), "Beispielbibliothek");
  EXPECT_EQ(Query(block, "\\StringFileInfo\\040904E4\\Comment"), "") << "present, and empty";
}

TEST_F(VersionResources, KeysAreFoundWithoutRegardToCase) {
  std::string block = BlockOf("sample.dll", BuildPEWithVersion(SampleVersion()));
  EXPECT_EQ(Query(block, "\\stringfileinfo\\040904e4\\COMPANYNAME"), "Brimwell Test Company");
  EXPECT_TRUE(Query(block, "\\varfileinfo\\translation").has_value());
}

TEST_F(VersionResources, TextIsConvertedToTheAnsiCodePage) {
  TTestVersion v;
  v.StringTables = {{0x0409, 1252, {{"Comment", "Caf\u00e9 \u20ac \u65e5"}}}};
  std::string block = BlockOf("accents.dll", BuildPEWithVersion(v));
  // e-acute and the euro sign exist in code page 1252; the CJK character does not.
  EXPECT_EQ(Query(block, "\\StringFileInfo\\040904E4\\Comment"), "Caf\xE9 \x80 ?");
  EXPECT_EQ(Query(BlockOf("sample.dll", BuildPEWithVersion(SampleVersion())),
                  "\\StringFileInfo\\040904E4\\LegalCopyright"),
            "Copyright \xA9 Brimwell");
}

TEST_F(VersionResources, MissingStringsAndTablesAreNotFound) {
  std::string block = BlockOf("sample.dll", BuildPEWithVersion(SampleVersion()));
  EXPECT_FALSE(Query(block, "\\StringFileInfo\\040904E4\\SpecialBuild").has_value());
  EXPECT_FALSE(Query(block, "\\StringFileInfo\\040C04E4\\CompanyName").has_value())
      << "no French table";
  EXPECT_FALSE(Query(block, "\\StringFileInfo\\040704E4\\ProductVersion").has_value())
      << "a string of another table does not leak into the German one";
}

TEST_F(VersionResources, AFileWithoutVersionHasNone) {
  uint32_t error = 0;
  std::string noResources = At("plain.exe");
  WriteFile(noResources, BuildPEWithoutResources());
  EXPECT_EQ(SizeOf(noResources, error), 0u);
  EXPECT_NE(error, errSuccess);
  EXPECT_FALSE(PlatformVersions().GetFileVersionInfo(noResources).has_value());

  std::string otherResources = At("other.exe");
  WriteFile(otherResources,
            BuildPEWithResources(
                {{TResourceId::Of(rtRCData), TResourceId::Named("TINSTALATOR"), 0x0409, "data"}}));
  EXPECT_EQ(SizeOf(otherResources, error), 0u);
  EXPECT_NE(error, errSuccess);
  EXPECT_FALSE(PlatformVersions().GetFileVersionInfo(otherResources).has_value());
}

TEST_F(VersionResources, AFileThatIsNotAProgramHasNoVersion) {
  uint32_t error = 0;
  std::string text = At("readme.txt");
  WriteFile(text, "This is the readme of the product, not a program.\r\n");
  EXPECT_EQ(SizeOf(text, error), 0u);
  EXPECT_NE(error, errSuccess);
  std::string empty = At("empty.dll");
  WriteFile(empty, "");
  EXPECT_EQ(SizeOf(empty, error), 0u);
}

TEST_F(VersionResources, AMissingFileHasNoVersion) {
  uint32_t error = 0;
  EXPECT_EQ(SizeOf(At("missing.dll"), error), 0u);
  EXPECT_EQ(error, errFileNotFound);
  EXPECT_FALSE(PlatformVersions().GetFileVersionInfo(At("missing.dll")).has_value());
}

}  // namespace
}  // namespace brim::test

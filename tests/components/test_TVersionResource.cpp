// The file version reader and the replace decision, on the platform of the
// build: executables made by the test (TestPE.h) are written to the scratch
// directory and read through the platform's version calls, so the same
// tests run on the substitute machine and on Windows under Wine.
#include <gtest/gtest.h>

#include "common/DateTime.h"
#include "components/cmp_TVersion.h"
#include "engine/DefinitionTestForm.h"
#include "engine/InstallDefinition.h"
#include "objects/ClassRegistry.h"
#include "platform/PlatformTest.h"
#include "platform/TestPE.h"

namespace brim::test {
namespace {

TEST(CompareVersions, ComparesNumbersAsNumbersAndOtherPartsAsText) {
  EXPECT_EQ(TVersionResource::CompareVersions("1.2", "1.10"), 2);
  EXPECT_EQ(TVersionResource::CompareVersions("1.10", "1.2"), 1);
  EXPECT_EQ(TVersionResource::CompareVersions("1.2a", "1.2b"), 2);
  EXPECT_EQ(TVersionResource::CompareVersions("1.2b", "1.2a"), 1);
  EXPECT_EQ(TVersionResource::CompareVersions("2.0.0.1", "2.0.0.1"), 0);
}

TEST(CompareVersions, AMissingPartMakesTheOtherVersionNewer) {
  EXPECT_EQ(TVersionResource::CompareVersions("1.2.0", "1.2"), 1);
  EXPECT_EQ(TVersionResource::CompareVersions("1.2", "1.2.0"), 2);
  EXPECT_EQ(TVersionResource::CompareVersions("", ""), 0);
  EXPECT_EQ(TVersionResource::CompareVersions("1.0.0.0", ""), 1);
  EXPECT_EQ(TVersionResource::CompareVersions("", "0.0.0.1"), 2);
}

TEST(VersionResourceTables, LanguageNumbersAndCodePagesSelectTheStringTable) {
  EXPECT_EQ(LanguageNumber(TVersionLanguage::lnUSEnglish), 1033);
  EXPECT_EQ(LanguageNumber(TVersionLanguage::lnBahasa), 1057);
  EXPECT_EQ(LanguageNumber(TVersionLanguage::lnSimplifiedChinese), 2052);
  EXPECT_EQ(LanguageNumber(TVersionLanguage::lnSwissFrench), 4108);
  EXPECT_EQ(CodePage(TVersionCharacterSet::csASCII), 0);
  EXPECT_EQ(CodePage(TVersionCharacterSet::csUnicode), 1200);
  EXPECT_EQ(CodePage(TVersionCharacterSet::csArabic), 1256);
  EXPECT_EQ(VersionLanguageInfo.Values.size(), 45u);
  EXPECT_EQ(VersionCharacterSetInfo.Values.size(), 12u);
}

class VersionReader : public PlatformTest {
 protected:

  // A library of version 2.5.17.3001 with English, German and Unicode
  // Japanese string tables.
  static TTestVersion Library() {
    TTestVersion v;
    v.FileVersion = {2, 5, 17, 3001};
    v.ProductVersion = {2, 5, 0, 0};
    v.FileOS = 0x40004;
    v.FileType = 2;
    v.StringTables = {
        {0x0409,
         1252,
         {{"CompanyName", "Brimwell Test Company"},
          {"FileDescription", "Sample library"},
          {"FileVersion", "9.9 (not the fixed one)"},
          {"InternalName", "sample"},
          {"LegalCopyright", "(c) Brimwell"},
          {"LegalTradeMarks", "Brimwell"},
          {"OriginalFileName", "SAMPLE.DLL"},
          {"PrivateBuild", "private"},
          {"ProductName", "Sample"},
          {"ProductVersion", "2.5 beta"},
          {"SpecialBuild", "special"},
          {"Comment", "a comment"}}},
        {0x0407, 1252, {{"CompanyName", "Brimwell Testfirma"}}},
        {0x0411, 1200, {{"CompanyName", "Japan company"}}},
    };
    return v;
  }

  static TTestVersion OfVersion(uint16_t major, uint16_t minor) {
    TTestVersion v;
    v.FileVersion = {major, minor, 0, 0};
    return v;
  }

  std::string Write(const std::string& name, const TTestVersion& version) {
    std::string path = At(name);
    WriteFile(path, BuildPEWithVersion(version));
    return path;
  }

  static void ExpectEmpty(const TVersionInfo& info) {
    for (const std::string* field :
         {&info.Comment, &info.CompanyName, &info.FileDescription, &info.FileVersion,
          &info.InternalName, &info.LegalCopyright, &info.LegalTradeMarks, &info.OriginalFileName,
          &info.PrivateBuild, &info.ProductName, &info.ProductVersion, &info.SpecialBuild,
          &info.FileOS, &info.FileType, &info.FileSubType})
      EXPECT_EQ(*field, "");
    EXPECT_EQ(info.LanguageNumber, 0);
  }
};

TEST_F(VersionReader, ReadsTheFixedBlockAndTheDefaultStringTable) {
  TVersionResource reader(nullptr);
  reader.SetFileName(Write("sample.dll", Library()));
  const TVersionInfo& info = reader.VersionInfo;
  EXPECT_EQ(info.FileVersion, "2.5.17.3001") << "the numeric form, never the string";
  EXPECT_EQ(info.ProductVersion, "2.5 beta") << "the string is preferred";
  EXPECT_EQ(info.FileOS, "Windows NT with 32 bit Windows");
  EXPECT_EQ(info.FileType, "Dynamic-Link Library");
  EXPECT_EQ(info.FileSubType, "");
  EXPECT_EQ(info.LanguageNumber, 9) << "low 10 bits of 0x0409";
  EXPECT_EQ(info.CompanyName, "Brimwell Test Company");
  EXPECT_EQ(info.FileDescription, "Sample library");
  EXPECT_EQ(info.InternalName, "sample");
  EXPECT_EQ(info.LegalCopyright, "(c) Brimwell");
  EXPECT_EQ(info.LegalTradeMarks, "Brimwell");
  EXPECT_EQ(info.OriginalFileName, "SAMPLE.DLL");
  EXPECT_EQ(info.PrivateBuild, "private");
  EXPECT_EQ(info.ProductName, "Sample");
  EXPECT_EQ(info.SpecialBuild, "special");
  EXPECT_EQ(info.Comment, "a comment");
}

TEST_F(VersionReader, LanguageAndCharacterSetChooseAnotherTableAndReadAgain) {
  TVersionResource reader(nullptr);
  reader.SetFileName(Write("sample.dll", Library()));
  reader.SetLanguage(TVersionLanguage::lnGerman);
  EXPECT_EQ(reader.VersionInfo.CompanyName, "Brimwell Testfirma");
  EXPECT_EQ(reader.VersionInfo.ProductVersion, "2.5.0.0") << "no string there: the numeric form";
  EXPECT_EQ(reader.VersionInfo.FileDescription, "") << "left over from the English table";
  reader.SetLanguage(TVersionLanguage::lnJapanese);
  EXPECT_EQ(reader.VersionInfo.CompanyName, "") << "Japanese is there in Unicode only";
  reader.SetCharacterSet(TVersionCharacterSet::csUnicode);
  EXPECT_EQ(reader.VersionInfo.CompanyName, "Japan company");
}

TEST_F(VersionReader, AFileWithoutAResourceLeavesEveryFieldEmpty) {
  WriteFile(At("plain.txt"), "not an executable");
  WriteFile(At("bare.exe"), BuildPEWithoutResources());
  TVersionResource reader(nullptr);
  for (const char* name : {"plain.txt", "bare.exe", "missing.dll"}) {
    reader.SetFileName(Write("sample.dll", Library()));
    ASSERT_EQ(reader.VersionInfo.FileType, "Dynamic-Link Library");
    reader.SetFileName(At(name));
    SCOPED_TRACE(name);
    ExpectEmpty(reader.VersionInfo);
  }
}

TEST_F(VersionReader, DriversAndFontsHaveSubtypesAndOddValuesAreUnknown) {
  TTestVersion driver;
  driver.FileType = 3;
  driver.FileSubtype = 10;
  driver.FileOS = 0x10001;
  TTestVersion font;
  font.FileType = 4;
  font.FileSubtype = 3;
  font.FileOS = 4;
  TTestVersion odd;
  odd.FileType = 6;
  odd.FileSubtype = 3;
  odd.FileOS = 0x50000;
  TTestVersion oddDriver;
  oddDriver.FileType = 3;
  oddDriver.FileSubtype = 11;
  TVersionResource reader(nullptr);
  reader.SetFileName(Write("driver.drv", driver));
  EXPECT_EQ(reader.VersionInfo.FileType, "Device Driver");
  EXPECT_EQ(reader.VersionInfo.FileSubType, "Communications");
  EXPECT_EQ(reader.VersionInfo.FileOS, "Windows 3.0 or later with MS-Dos");
  reader.SetFileName(Write("font.fon", font));
  EXPECT_EQ(reader.VersionInfo.FileType, "Font");
  EXPECT_EQ(reader.VersionInfo.FileSubType, "TrueType");
  EXPECT_EQ(reader.VersionInfo.FileOS, "32 bit Windows");
  reader.SetFileName(Write("odd.bin", odd));
  EXPECT_EQ(reader.VersionInfo.FileType, "Unknown");
  EXPECT_EQ(reader.VersionInfo.FileSubType, "");
  EXPECT_EQ(reader.VersionInfo.FileOS, "Unknown");
  reader.SetFileName(Write("odd.drv", oddDriver));
  EXPECT_EQ(reader.VersionInfo.FileSubType, "Unknown");
}

TEST_F(VersionReader, TheLanguageNumberNeedsExactlyOneTranslation) {
  TTestVersion version;
  version.Translations = {{0x0C0C, 1252}};
  TVersionResource reader(nullptr);
  reader.SetFileName(Write("canadian.dll", version));
  EXPECT_EQ(reader.VersionInfo.LanguageNumber, 0x0C) << "0x0C0C cut to its low 10 bits";
  version.Translations.emplace_back(0x0407, 1252);
  reader.SetFileName(Write("two.dll", version));
  EXPECT_EQ(reader.VersionInfo.LanguageNumber, 0);
  EXPECT_EQ(reader.VersionInfo.FileVersion, "1.0.0.0");
}

TEST_F(VersionReader, TheSharedReaderIsMadeOnFirstUse) {
  std::string path = Write("sample.dll", Library());
  EXPECT_EQ(FileVersionOf(path), "2.5.17.3001");
  TVersionResource* first = &TVersionResource::Shared();
  EXPECT_EQ(first->FileName(), path);
  EXPECT_EQ(FileVersionOf(At("missing.dll")), "");
  EXPECT_EQ(&TVersionResource::Shared(), first);
}

TEST_F(VersionReader, ADefinitionStoresOnlyAnotherFileAndReadsItWhenLoaded) {
  RegisterStreamClasses();
  std::string path = Write("sample.dll", Library());
  auto form = LoadComponents("object Version: TVersionResource\n  FileName = '" + path +
                             "'\n  Language = lnGerman\nend\n");
  auto* version = form->Find<TVersionResource>("Version");
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->VersionInfo.CompanyName, "Brimwell Testfirma");
  EXPECT_EQ(SavedNames(*form, "Version"), (std::vector<std::string>{"FileName", "Language"}))
      << "nothing of VersionInfo is written";

  auto own = LoadComponents("object Version: TVersionResource\nend\n");
  auto* ownVersion = own->Find<TVersionResource>("Version");
  ASSERT_NE(ownVersion, nullptr);
  EXPECT_EQ(ownVersion->FileName(), PlatformModule().ModuleFileName());
  EXPECT_TRUE(SavedNames(*own, "Version").empty()) << "the program's own path is not written";
}

// The replace decision against files in the scratch directory.
class ReplaceDecision : public VersionReader {
 protected:
  // A file whose last-write time is the local date given.
  std::string WriteDated(const std::string& name, const std::string& data, TDateTime date) {
    std::string path = At(name);
    WriteFile(path, data);
    auto file = PlatformFiles().Open(path, accRead | accWrite, shareRead, TFileCreation::OpenExisting);
    EXPECT_TRUE(file && file->SetLastWriteTime(
                            PlatformSystem().LocalToUtcFileTime(DateTimeToLocalFileTime(date))))
        << path;
    return path;
  }

  TDateTime Date(int year, int month, int day, int hour, int minute, int second) {
    TDateTime date = 0;
    EXPECT_TRUE(TryEncodeDateTime({year, month, day, hour, minute, second, 0}, date));
    return date;
  }
};

TEST_F(ReplaceDecision, ByVersion) {
  WriteFile(At("plain.dll"), "no resource");
  std::string existing = Write("v2.dll", OfVersion(2, 0));
  EXPECT_EQ(TVersionResource::IsFileNewer("1.0.0.0", 0, At("plain.dll"), TOverwriteType::owVersion),
            vrNewer);
  EXPECT_EQ(TVersionResource::IsFileNewer("2.0.0.0", 0, existing, TOverwriteType::owVersion), vrSame);
  EXPECT_EQ(TVersionResource::IsFileNewer("2.0.0.1", 0, existing, TOverwriteType::owVersion),
            vrNewer);
  EXPECT_EQ(TVersionResource::IsFileNewer("1.10.0.0", 0, existing, TOverwriteType::owVersion),
            vrKeepExisting);
}

TEST_F(ReplaceDecision, ByDate) {
  TDateTime noon = Date(2001, 6, 15, 12, 0, 0);
  std::string existing = WriteDated("data.txt", "x", noon);
  EXPECT_EQ(TVersionResource::IsFileNewer("", noon, existing, TOverwriteType::owDate), vrSame);
  EXPECT_EQ(TVersionResource::IsFileNewer("", Date(2001, 6, 15, 12, 0, 2), existing,
                                          TOverwriteType::owDate),
            vrNewer);
  EXPECT_EQ(TVersionResource::IsFileNewer("", Date(2001, 6, 15, 11, 59, 58), existing,
                                          TOverwriteType::owDate),
            vrKeepExisting);
  EXPECT_EQ(TVersionResource::IsFileNewer("", noon, At("missing.txt"), TOverwriteType::owDate),
            vrNoDecision);
}

TEST_F(ReplaceDecision, ByVersionThenDate) {
  TDateTime noon = Date(2001, 6, 15, 12, 0, 0);
  TDateTime later = Date(2001, 6, 16, 12, 0, 0);
  std::string existing = WriteDated("v2.dll", BuildPEWithVersion(OfVersion(2, 0)), noon);
  EXPECT_EQ(TVersionResource::IsFileNewer("2.0.0.0", later, existing,
                                          TOverwriteType::owVersionDate),
            vrNewer)
      << "equal versions: the later date wins";
  EXPECT_EQ(TVersionResource::IsFileNewer("2.0.0.0", noon, existing, TOverwriteType::owVersionDate),
            vrSame);
  EXPECT_EQ(TVersionResource::IsFileNewer("1.0.0.0", later, existing,
                                          TOverwriteType::owVersionDate),
            vrKeepExisting)
      << "an older version loses whatever its date";
  EXPECT_EQ(TVersionResource::IsFileNewer("3.0.0.0", Date(1990, 1, 1, 0, 0, 0), existing,
                                          TOverwriteType::owVersionDate),
            vrNewer);
}

// The versions decide before the existing file is opened for its date: a
// file held by another program with no sharing still loses to a versioned
// archive file, and only equal versions need the date.
TEST_F(ReplaceDecision, VersionsDecideBeforeTheDateIsRead) {
  TDateTime noon = Date(2001, 6, 15, 12, 0, 0);
  std::string held = WriteDated("held.dll", "no resource", noon);
  auto holder = PlatformFiles().Open(held, accRead | accWrite, shareNone, TFileCreation::OpenExisting);
  ASSERT_TRUE(holder);
  struct Case {
    const char* archived;
    int expected;
  };
  for (const Case& c : std::vector<Case>{{"1.0.0.0", vrNewer}, {"", vrNoDecision}})
    EXPECT_EQ(TVersionResource::IsFileNewer(c.archived, noon, held, TOverwriteType::owVersionDate),
              c.expected)
        << c.archived;
}

TEST_F(ReplaceDecision, AlwaysAndNeverDoNotReadTheFiles) {
  WriteFile(At("there.txt"), "x");
  for (const char* path : {"there.txt", "missing.txt"})
    EXPECT_EQ(TVersionResource::IsFileNewer("", 0, At(path), TOverwriteType::owAlways), vrNewer);
  EXPECT_EQ(TVersionResource::IsFileNewer("", 0, At("there.txt"), TOverwriteType::owNever),
            vrKeepExisting);
  EXPECT_EQ(TVersionResource::IsFileNewer("", 0, At("missing.txt"), TOverwriteType::owNever),
            vrNewer);
  EXPECT_EQ(TVersionResource::IsFileNewer("", 0, "  ", TOverwriteType::owNever), vrNewer);
}

TEST_F(ReplaceDecision, BetweenTwoFilesOnDisk) {
  TDateTime noon = Date(2001, 6, 15, 12, 0, 0);
  std::string older = WriteDated("v1.dll", BuildPEWithVersion(OfVersion(1, 0)), noon);
  std::string newer = WriteDated("v2.dll", BuildPEWithVersion(OfVersion(2, 0)), noon);
  std::string copy = WriteDated("v2copy.dll", BuildPEWithVersion(OfVersion(2, 0)),
                                Date(2001, 6, 16, 12, 0, 0));
  EXPECT_EQ(TVersionResource::IsFileNewerByName(newer, older, TOverwriteType::owVersion), vrNewer);
  EXPECT_EQ(TVersionResource::IsFileNewerByName(older, newer, TOverwriteType::owVersion),
            vrKeepExisting);
  EXPECT_EQ(TVersionResource::IsFileNewerByName(newer, copy, TOverwriteType::owDate),
            vrKeepExisting);
  EXPECT_EQ(TVersionResource::IsFileNewerByName(copy, newer, TOverwriteType::owVersionDate),
            vrNewer);
  EXPECT_EQ(TVersionResource::IsFileNewerByName(newer, older, TOverwriteType::owDate), vrSame);
  // Either file missing in a date mode: no decision, and no exception.
  EXPECT_EQ(TVersionResource::IsFileNewerByName(At("gone.dll"), newer, TOverwriteType::owDate),
            vrNoDecision);
  EXPECT_EQ(TVersionResource::IsFileNewerByName(newer, At("gone.dll"),
                                                TOverwriteType::owVersionDate),
            vrNoDecision);
}

}  // namespace
}  // namespace brim::test

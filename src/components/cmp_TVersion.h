// The file version unit: TVersionResource reads the version resource of a
// file and exposes its fields as strings; the class-level comparisons decide
// whether an archived file may replace an existing one (by version, by
// date or by both); and the directory routines used when files are
// installed and archives written.
#pragma once

#include <cstdint>
#include <string>

#include "common/DateTime.h"
#include "common/types_Brimwell.h"
#include "objects/TComponent.h"

namespace brim {

// The languages of a version resource's string table, in enumeration
// order; LanguageNumber gives the Windows language number of each.
enum class TVersionLanguage {
  lnArabic, lnBulgarian, lnCatalan, lnTraditionalChinese, lnCzech, lnDanish, lnGerman,
  lnGreek, lnUSEnglish, lnCastilianSpanish, lnFinnish, lnFrench, lnHebrew, lnHungarian,
  lnIcelandic, lnItalian, lnJapanese, lnKorean, lnDutch, lnNorwegianBokmal, lnPolish,
  lnBrazilianPortuguese, lnRhaetoRomanic, lnRomanian, lnRussian, lnCroatoSerbian, lnSlovak,
  lnAlbanian, lnSwedish, lnThai, lnTurkish, lnUrdu, lnBahasa, lnSimplifiedChinese,
  lnSwissGerman, lnUKEnglish, lnMexicanSpanish, lnBelgianFrench, lnSwissItalian,
  lnBelgianDutch, lnNorwegianNynorsk, lnPortuguese, lnSerboCroatian, lnCanadianFrench,
  lnSwissFrench
};
extern const TEnumInfo VersionLanguageInfo;
uint16_t LanguageNumber(TVersionLanguage language);

// The code pages of a version resource's string table.
enum class TVersionCharacterSet {
  csASCII, csJapan, csKorea, csTaiwan, csUnicode, csLatin2, csCyrillic, csMultilingual,
  csGreek, csTurkish, csHebrew, csArabic
};
extern const TEnumInfo VersionCharacterSetInfo;
uint16_t CodePage(TVersionCharacterSet characterSet);

// The values read from a version resource; empty when the file has none.
class TVersionInfo : public TPersistent {
  BRIM_CLASS(TVersionInfo)

 public:
  void Clear();

  std::string Comment;
  std::string CompanyName;
  std::string FileDescription;
  // Always the numeric form of the fixed block: "2.0.0.1".
  std::string FileVersion;
  std::string InternalName;
  std::string LegalCopyright;
  std::string LegalTradeMarks;
  std::string OriginalFileName;
  // Low 10 bits of the first word of "\VarFileInfo\Translation".
  uint16_t LanguageNumber = 0;
  std::string PrivateBuild;
  std::string ProductName;
  std::string ProductVersion;
  std::string SpecialBuild;
  std::string FileOS;
  std::string FileType;
  std::string FileSubType;
};

// The replace decision of IsFileNewer and IsFileNewerByName.
inline constexpr int vrNoDecision = 0;    // the existing file could not be opened
inline constexpr int vrSame = 1;          // same version (or date)
inline constexpr int vrNewer = 2;         // the new file is newer, or the mode overwrites
inline constexpr int vrKeepExisting = 3;  // the existing file wins

class TVersionResource : public TComponent {
  BRIM_CLASS(TVersionResource)

 public:
  // Reads the program's own executable.
  explicit TVersionResource(TComponent* owner);

  // Setting any of these stores the value and reads the file again.
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& value);
  TVersionLanguage Language() const { return language_; }
  void SetLanguage(TVersionLanguage value);
  TVersionCharacterSet CharacterSet() const { return characterSet_; }
  void SetCharacterSet(TVersionCharacterSet value);

  // Reads the file once the definition has set every property.
  void Loaded() override;

  TVersionInfo VersionInfo;

  // 0 when a and b are equal, 1 when a is newer, 2 when b is newer.
  static int CompareVersions(const std::string& a, const std::string& b);
  // May an archived file (its version and date) replace existingPath?
  static int IsFileNewer(const std::string& archivedVersion, TDateTime archivedDate,
                         const std::string& existingPath, TOverwriteType mode);
  // The same between two files on disk.
  static int IsFileNewerByName(const std::string& newPath, const std::string& existingPath,
                               TOverwriteType mode);

  // The install session's instance, created on first use and freed when
  // the session ends.
  static TVersionResource& Shared();

 private:
  void ReadFile();

  std::string fileName_;
  TVersionLanguage language_ = TVersionLanguage::lnUSEnglish;
  TVersionCharacterSet characterSet_ = TVersionCharacterSet::csMultilingual;
};

// The FileVersion of a file as the shared reader reports it (empty when
// the file has no version resource).
std::string FileVersionOf(const std::string& path);

// Whether path names an existing directory.
bool DirectoryPresent(const std::string& path);
// Creates a directory and every missing parent. A drive root (a path
// shorter than three characters once one trailing backslash is removed)
// and an existing directory succeed at once. An empty path raises
// "Unable to create directory".
bool CreateDirectoryPath(const std::string& path);

}  // namespace brim

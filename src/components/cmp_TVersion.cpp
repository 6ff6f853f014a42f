// The file version reader over the platform's version service, the replace
// decision built on it, and the directory routines over the file service.
#include "components/cmp_TVersion.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "common/LittleEndian.h"
#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"
#include "platform/Platform.h"
#include "session/InstallSession.h"

namespace brim {

const TEnumInfo VersionLanguageInfo(
    "TVersionLanguage",
    {"lnArabic", "lnBulgarian", "lnCatalan", "lnTraditionalChinese", "lnCzech", "lnDanish",
     "lnGerman", "lnGreek", "lnUSEnglish", "lnCastilianSpanish", "lnFinnish", "lnFrench",
     "lnHebrew", "lnHungarian", "lnIcelandic", "lnItalian", "lnJapanese", "lnKorean", "lnDutch",
     "lnNorwegianBokmal", "lnPolish", "lnBrazilianPortuguese", "lnRhaetoRomanic", "lnRomanian",
     "lnRussian", "lnCroatoSerbian", "lnSlovak", "lnAlbanian", "lnSwedish", "lnThai",
     "lnTurkish", "lnUrdu", "lnBahasa", "lnSimplifiedChinese", "lnSwissGerman", "lnUKEnglish",
     "lnMexicanSpanish", "lnBelgianFrench", "lnSwissItalian", "lnBelgianDutch",
     "lnNorwegianNynorsk", "lnPortuguese", "lnSerboCroatian", "lnCanadianFrench",
     "lnSwissFrench"});

const TEnumInfo VersionCharacterSetInfo(
    "TVersionCharacterSet",
    {"csASCII", "csJapan", "csKorea", "csTaiwan", "csUnicode", "csLatin2", "csCyrillic",
     "csMultilingual", "csGreek", "csTurkish", "csHebrew", "csArabic"});

uint16_t LanguageNumber(TVersionLanguage language) {
  static constexpr uint16_t numbers[] = {
      1025, 1026, 1027, 1028, 1029, 1030, 1031, 1032, 1033, 1034, 1035, 1036, 1037, 1038, 1039,
      1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047, 1048, 1049, 1050, 1051, 1052, 1053, 1054,
      1055, 1056, 1057, 2052, 2055, 2057, 2058, 2060, 2064, 2067, 2068, 2070, 2074, 3084, 4108};
  static_assert(std::size(numbers) == static_cast<size_t>(TVersionLanguage::lnSwissFrench) + 1);
  return numbers[static_cast<size_t>(language)];
}

uint16_t CodePage(TVersionCharacterSet characterSet) {
  static constexpr uint16_t pages[] = {0,    932,  949,  950,  1200, 1250,
                                       1251, 1252, 1253, 1254, 1255, 1256};
  static_assert(std::size(pages) == static_cast<size_t>(TVersionCharacterSet::csArabic) + 1);
  return pages[static_cast<size_t>(characterSet)];
}

// ---------------------------------------------------------------------------
// TVersionInfo

void TVersionInfo::Clear() {
  for (std::string* field :
       {&Comment, &CompanyName, &FileDescription, &FileVersion, &InternalName, &LegalCopyright,
        &LegalTradeMarks, &OriginalFileName, &PrivateBuild, &ProductName, &ProductVersion,
        &SpecialBuild, &FileOS, &FileType, &FileSubType})
    field->clear();
  LanguageNumber = 0;
}

const TClassInfo& TVersionInfo::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TVersionInfo> b("TVersionInfo", &TPersistent::StaticClass());
    // What was read from the file: shown, never written to a definition.
    auto readOnly = [&b](const char* name, std::string TVersionInfo::*field) {
      b.String(name, Field(field)).StoredWhen([](const TVersionInfo&) { return false; });
    };
    readOnly("Comment", &TVersionInfo::Comment);
    readOnly("CompanyName", &TVersionInfo::CompanyName);
    readOnly("FileDescription", &TVersionInfo::FileDescription);
    readOnly("FileVersion", &TVersionInfo::FileVersion);
    readOnly("InternalName", &TVersionInfo::InternalName);
    readOnly("LegalCopyright", &TVersionInfo::LegalCopyright);
    readOnly("LegalTradeMarks", &TVersionInfo::LegalTradeMarks);
    readOnly("OriginalFileName", &TVersionInfo::OriginalFileName);
    readOnly("PrivateBuild", &TVersionInfo::PrivateBuild);
    readOnly("ProductName", &TVersionInfo::ProductName);
    readOnly("ProductVersion", &TVersionInfo::ProductVersion);
    readOnly("SpecialBuild", &TVersionInfo::SpecialBuild);
    readOnly("FileOS", &TVersionInfo::FileOS);
    readOnly("FileType", &TVersionInfo::FileType);
    readOnly("FileSubType", &TVersionInfo::FileSubType);
    return b.Build();
  }();
  return info;
}

// ---------------------------------------------------------------------------
// Reading a version resource

namespace {

// The fixed block (VS_FIXEDFILEINFO) as VerQueryValue gives it for "\".
struct TFixedFileInfo {
  uint32_t FileVersionMS = 0, FileVersionLS = 0;
  uint32_t ProductVersionMS = 0, ProductVersionLS = 0;
  uint32_t FileOS = 0, FileType = 0, FileSubtype = 0;
};

uint32_t DWordAt(const std::string& bytes, size_t at) {
  return static_cast<uint32_t>(ReadLittleEndian(bytes.data() + at, 4));
}

std::optional<TFixedFileInfo> ParseFixedInfo(const std::string& bytes) {
  if (bytes.size() < 44) return std::nullopt;
  TFixedFileInfo info;
  info.FileVersionMS = DWordAt(bytes, 8);
  info.FileVersionLS = DWordAt(bytes, 12);
  info.ProductVersionMS = DWordAt(bytes, 16);
  info.ProductVersionLS = DWordAt(bytes, 20);
  info.FileOS = DWordAt(bytes, 32);
  info.FileType = DWordAt(bytes, 36);
  info.FileSubtype = DWordAt(bytes, 40);
  return info;
}

// Four upper-case hexadecimal digits.
std::string Hex4(uint16_t value) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text(4, '0');
  for (int i = 3; i >= 0; --i, value >>= 4) text[i] = digits[value & 0xF];
  return text;
}

// "2.0.0.1" from the two double words of a version.
std::string VersionText(uint32_t mostSignificant, uint32_t leastSignificant) {
  return Format("%d.%d.%d.%d", mostSignificant >> 16, mostSignificant & 0xFFFF,
                leastSignificant >> 16, leastSignificant & 0xFFFF);
}

struct TCodeName {
  uint32_t Code;
  const char* Name;
};

std::string NameOf(uint32_t code, std::initializer_list<TCodeName> table) {
  for (const TCodeName& entry : table)
    if (entry.Code == code) return entry.Name;
  return "Unknown";
}

std::string FileOSName(uint32_t os) {
  return NameOf(os, {{1, "Windows 3.0 or later"},
                     {2, "16 bit OS/2 Presentation Manager"},
                     {3, "32 bit OS/2 Presentation Manager"},
                     {4, "32 bit Windows"},
                     {0x10000, "MS-Dos"},
                     {0x10001, "Windows 3.0 or later with MS-Dos"},
                     {0x10004, "32 bit Windows with MS-Dos"},
                     {0x20000, "16 bit OS/2"},
                     {0x20002, "16 bit OS/2 with Presentation Manager"},
                     {0x30000, "32 bit OS/2"},
                     {0x30003, "32 bit OS/2 with Presentation Manager"},
                     {0x40000, "Windows NT"},
                     {0x40004, "Windows NT with 32 bit Windows"}});
}

std::string FileTypeName(uint32_t type) {
  return NameOf(type, {{1, "Application"},
                       {2, "Dynamic-Link Library"},
                       {3, "Device Driver"},
                       {4, "Font"},
                       {5, "Virtual Device Driver"},
                       {7, "Static-Link Library"}});
}

// Only drivers and fonts have subtypes.
std::string FileSubTypeName(uint32_t type, uint32_t subtype) {
  if (type == 3)
    return NameOf(subtype, {{1, "Printer"},
                            {2, "Keyboard"},
                            {3, "Language"},
                            {4, "Display"},
                            {5, "Mouse"},
                            {6, "Network"},
                            {7, "System"},
                            {8, "Installable"},
                            {9, "Sound"},
                            {10, "Communications"}});
  if (type == 4) return NameOf(subtype, {{1, "Raster"}, {2, "Vector"}, {3, "TrueType"}});
  return "";
}

}  // namespace

// ---------------------------------------------------------------------------
// TVersionResource

TVersionResource::TVersionResource(TComponent* owner)
    : TComponent(owner), fileName_(PlatformModule().ModuleFileName()) {
  ReadFile();
}

void TVersionResource::SetFileName(const std::string& value) {
  fileName_ = value;
  if (!HasState(csLoading)) ReadFile();
}

void TVersionResource::SetLanguage(TVersionLanguage value) {
  language_ = value;
  if (!HasState(csLoading)) ReadFile();
}

void TVersionResource::SetCharacterSet(TVersionCharacterSet value) {
  characterSet_ = value;
  if (!HasState(csLoading)) ReadFile();
}

void TVersionResource::Loaded() {
  TComponent::Loaded();
  ReadFile();
}

void TVersionResource::ReadFile() {
  VersionInfo.Clear();
  IVersionService& versions = PlatformVersions();
  if (versions.GetFileVersionInfoSize(fileName_) == 0) return;
  auto block = versions.GetFileVersionInfo(fileName_);
  if (!block) return;
  auto rootValue = versions.QueryValue(*block, "\\");
  auto fixed = rootValue ? ParseFixedInfo(*rootValue) : std::nullopt;
  if (!fixed) return;

  auto translation = versions.QueryValue(*block, "\\VarFileInfo\\Translation");
  if (translation && translation->size() == 4)
    VersionInfo.LanguageNumber = (static_cast<unsigned char>((*translation)[0]) |
                                  static_cast<unsigned char>((*translation)[1]) << 8) &
                                 0x3FF;

  VersionInfo.FileVersion = VersionText(fixed->FileVersionMS, fixed->FileVersionLS);
  VersionInfo.ProductVersion = VersionText(fixed->ProductVersionMS, fixed->ProductVersionLS);
  VersionInfo.FileOS = FileOSName(fixed->FileOS);
  VersionInfo.FileType = FileTypeName(fixed->FileType);
  VersionInfo.FileSubType = FileSubTypeName(fixed->FileType, fixed->FileSubtype);

  // The string table of the chosen language and code page. "FileVersion"
  // is not among them: the numeric form above always stands.
  std::string prefix = "\\StringFileInfo\\" + Hex4(LanguageNumber(language_)) +
                       Hex4(CodePage(characterSet_)) + "\\";
  const std::pair<const char*, std::string TVersionInfo::*> strings[] = {
      {"Comment", &TVersionInfo::Comment},
      {"CompanyName", &TVersionInfo::CompanyName},
      {"FileDescription", &TVersionInfo::FileDescription},
      {"InternalName", &TVersionInfo::InternalName},
      {"LegalCopyright", &TVersionInfo::LegalCopyright},
      {"LegalTradeMarks", &TVersionInfo::LegalTradeMarks},
      {"OriginalFileName", &TVersionInfo::OriginalFileName},
      {"PrivateBuild", &TVersionInfo::PrivateBuild},
      {"ProductName", &TVersionInfo::ProductName},
      {"ProductVersion", &TVersionInfo::ProductVersion},
      {"SpecialBuild", &TVersionInfo::SpecialBuild}};
  for (const auto& [name, field] : strings)
    if (auto value = versions.QueryValue(*block, prefix + name)) VersionInfo.*field = *value;
}

const TClassInfo& TVersionResource::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TVersionResource> b("TVersionResource", &TComponent::StaticClass());
    b.Creatable();
    // The program's own path is the constructor's value, so only another
    // file is written.
    b.String("FileName", Methods(&TVersionResource::FileName, &TVersionResource::SetFileName),
             std::nullopt)
        .StoredWhen([](const TVersionResource& v) {
          return v.FileName() != PlatformModule().ModuleFileName();
        });
    b.Enumeration("Language", Methods(&TVersionResource::Language, &TVersionResource::SetLanguage),
                  VersionLanguageInfo, static_cast<int64_t>(TVersionLanguage::lnUSEnglish));
    b.Enumeration("CharacterSet",
                  Methods(&TVersionResource::CharacterSet, &TVersionResource::SetCharacterSet),
                  VersionCharacterSetInfo,
                  static_cast<int64_t>(TVersionCharacterSet::csMultilingual));
    b.Object("VersionInfo", [](TVersionResource& v) { return &v.VersionInfo; });
    return b.Build();
  }();
  return info;
}

// ---------------------------------------------------------------------------
// The shared reader

namespace {
// The session's reader, freed when the session ends.
struct TSharedVersionReader {
  TVersionResource* Reader = nullptr;
  ~TSharedVersionReader() {
    if (Reader) Reader->Free();
  }
};
}  // namespace

TVersionResource& TVersionResource::Shared() {
  TSharedVersionReader& shared = CurrentSession().State<TSharedVersionReader>();
  if (!shared.Reader) shared.Reader = new TVersionResource(nullptr);
  return *shared.Reader;
}

std::string FileVersionOf(const std::string& path) {
  TVersionResource& reader = TVersionResource::Shared();
  reader.SetFileName(path);
  return reader.VersionInfo.FileVersion;
}

// ---------------------------------------------------------------------------
// The replace decision

namespace {

// The last-write date of a file opened for reading with all sharing
// allowed, as a local date; empty when it cannot be opened or read.
std::optional<TDateTime> FileDateOf(const std::string& path) {
  auto file = PlatformFiles().Open(path, accRead, shareRead | shareWrite | shareDelete,
                                   TFileCreation::OpenExisting);
  if (!file) return std::nullopt;
  auto utc = file->LastWriteTime();
  if (!utc) return std::nullopt;
  return LocalFileTimeToDateTime(PlatformSystem().UtcToLocalFileTime(*utc));
}

// Dates are whole even seconds; anything below a millisecond is the
// rounding of the floating-point day count, not a difference.
int CompareDates(TDateTime newDate, TDateTime existingDate) {
  constexpr double millisecond = 1.0 / (24.0 * 60 * 60 * 1000);
  if (std::fabs(newDate - existingDate) < millisecond) return vrSame;
  return newDate > existingDate ? vrNewer : vrKeepExisting;
}

int VersionDecision(const std::string& newVersion, const std::string& existingVersion) {
  switch (TVersionResource::CompareVersions(newVersion, existingVersion)) {
    case 0: return vrSame;
    case 1: return vrNewer;
    default: return vrKeepExisting;
  }
}

// The version modes decide by the versions alone unless they are equal;
// empty when the dates must decide.
std::optional<int> DecisionByVersion(TOverwriteType mode, const std::string& newVersion,
                                     const std::string& existingPath) {
  if (mode != TOverwriteType::owVersion && mode != TOverwriteType::owVersionDate) return std::nullopt;
  int byVersion = VersionDecision(newVersion, FileVersionOf(existingPath));
  if (mode == TOverwriteType::owVersion || byVersion != vrSame) return byVersion;
  return std::nullopt;
}

// owAlways and owNever decide without reading either file.
std::optional<int> DecisionWithoutFiles(const std::string& existingPath, TOverwriteType mode) {
  if (mode == TOverwriteType::owAlways) return vrNewer;
  if (mode == TOverwriteType::owNever) {
    bool present = !Trim(existingPath).empty() && PlatformFiles().GetAttributes(existingPath);
    return present ? vrKeepExisting : vrNewer;
  }
  return std::nullopt;
}

}  // namespace

int TVersionResource::CompareVersions(const std::string& a, const std::string& b) {
  std::vector<std::string> partsA = SplitText(a, '.'), partsB = SplitText(b, '.');
  for (size_t i = 0;; ++i) {
    bool hasA = i < partsA.size(), hasB = i < partsB.size();
    if (!hasA && !hasB) return 0;
    if (!hasA) return 2;
    if (!hasB) return 1;
    long long numberA = 0, numberB = 0;
    if (TryStrToInt64(partsA[i], numberA) && TryStrToInt64(partsB[i], numberB)) {
      if (numberA != numberB) return numberA < numberB ? 2 : 1;
    } else {
      int order = partsA[i].compare(partsB[i]);
      if (order != 0) return order < 0 ? 2 : 1;
    }
  }
}

int TVersionResource::IsFileNewer(const std::string& archivedVersion, TDateTime archivedDate,
                                  const std::string& existingPath, TOverwriteType mode) {
  if (auto decided = DecisionWithoutFiles(existingPath, mode)) return *decided;
  // The existing file's date is read only when the versions leave it open.
  if (auto decided = DecisionByVersion(mode, archivedVersion, existingPath)) return *decided;
  auto existingDate = FileDateOf(existingPath);
  if (!existingDate) return vrNoDecision;
  return CompareDates(archivedDate, *existingDate);
}

int TVersionResource::IsFileNewerByName(const std::string& newPath,
                                        const std::string& existingPath, TOverwriteType mode) {
  if (auto decided = DecisionWithoutFiles(existingPath, mode)) return *decided;
  // Between two files on disk the date modes open both files before
  // anything else: either one missing leaves no decision.
  TDateTime dates[2] = {0, 0};
  if (mode == TOverwriteType::owDate || mode == TOverwriteType::owVersionDate) {
    try {
      const std::string* paths[2] = {&newPath, &existingPath};
      for (int i = 0; i < 2; ++i) {
        auto date = FileDateOf(*paths[i]);
        if (!date) throw Exception("Cannot open %s in TVersionResource.IsFileNewerByName", *paths[i]);
        dates[i] = *date;
      }
    } catch (const Exception&) {
      return vrNoDecision;
    }
  }
  if (auto decided = DecisionByVersion(mode, FileVersionOf(newPath), existingPath)) return *decided;
  return CompareDates(dates[0], dates[1]);
}

// ---------------------------------------------------------------------------
// Directories

bool DirectoryPresent(const std::string& path) {
  auto attributes = PlatformFiles().GetAttributes(path);
  return attributes && (*attributes & attrDirectory) != 0;
}

bool CreateDirectoryPath(const std::string& path) {
  if (path.empty()) throw Exception(std::string("Unable to create directory"));
  std::string directory = RemoveTrailingBackslash(path);
  if (directory.size() < 3 || DirectoryPresent(directory)) return true;
  size_t slash = directory.rfind('\\');
  bool parentMade = true;
  if (slash != std::string::npos) {
    // A path rooted at the current drive ("\dir") has the drive's root as
    // its parent, which always exists.
    std::string parent = directory.substr(0, slash);
    if (!parent.empty()) parentMade = CreateDirectoryPath(parent);
  }
  return parentMade && PlatformFiles().CreateDirectory(directory);
}

}  // namespace brim

#include "components/cmp_TInstallFont.h"

#include "common/routines_Strings.h"
#include "platform/FontService.h"
#include "platform/PlatformServices.h"
#include "platform/SystemService.h"
#include "session/InstallLog.h"
#include "system/routines_API.h"
#include "system/routines_Registry.h"

namespace brim {

namespace {

constexpr int kCurrentUser = 2;  // TRootKeys ordinals
constexpr int kLocalMachine = 4;
constexpr const char* kShellFolders = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace

std::string TInstallFont::FontsFolder() {
  std::string folder = ReadRegistryString(kCurrentUser, kShellFolders, "Fonts", "");
  if (folder.empty()) folder = PlatformSystem().SystemDirectory().value_or("");
  return RemoveTrailingBackslash(folder);
}

void TInstallFont::ReplaceFile() {
  const std::string original = DestName;
  TCustomInstallFile::ReplaceFile();
  // A font held by the running system needs no replacing at the restart:
  // the new one goes under a name of its own beside it.
  if (InUse) {
    InUse = false;
    DestName = original;
  }
  const std::string directory = DestinationPath();
  const std::string base = ChangeFileExt(DestName, ""), extension = ExtractFileExt(DestName);
  std::string name;
  for (int n = 1;; ++n) {
    name = base + std::to_string(n) + extension;
    if (!FileExists(JoinPath(directory, name))) break;
  }
  DestName = name;
}

void TInstallFont::Install() {
  TCustomInstallFile::Install();
  const std::string file = DestinationFile();
  int fonts = 0;
  TPlatformError error = PlatformFonts().AddFontResource(file, fonts);
  if (fonts == 0)
    throw TCaused<IEInstallFont>(error, "Could not install the font %s. Component: %s", FontName, Name());
  // Running programs learn of the new font; one that misses it sees it at its next start.
  PlatformFonts().BroadcastFontChange();
  const std::string directory = DestinationPath();
  WriteRegistryString(kLocalMachine, FontsRegistryKey, FontName,
                      SameText(directory, FontsFolder()) ? DestName : file);
  LogEvent(TLogKind::Font, FontName + ": " + file + " added and registered");
}

const TClassInfo& TInstallFont::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstallFont> b("TInstallFont", &TCustomInstallFile::StaticClass());
    b.Creatable();
    PublishInstallProperties(
        b, {"ArchiveFile", "ArchiveFileType", "AddToArchive", "Container", "DestDir", "DestDirType",
            "Include", "InstallTypes", "Net", "NetLocation", "Uninstall", "ActiveX", "DestName",
            "FileName"});
    b.Enumeration("FileType", Methods(&TInstallFont::GetFontFileType, &TInstallFont::SetFontFileType),
                  InstallFileTypeInfo, static_cast<int64_t>(TInstallFileType::iftNormal));
    PublishInstallProperties(b, {"IncludeFromDir", "OverwriteMode", "RegisterAsHelp", "UpdateDLLCounter"});
    b.String("FontName", Field(&TInstallFont::FontName), "A New Font");
    PublishInstallProperties(b, {"Order", "State", "UniqueID", BRIM_INSTALL_FILE_EVENTS});
    return b.Build();
  }();
  return info;
}

}  // namespace brim

#include "components/cmp_TUninstallEXE.h"

#include "common/routines_Strings.h"
#include "session/InstallSession.h"
#include "system/routines_Registry.h"

namespace brim {

namespace {
constexpr int kLocalMachine = 4;  // TRootKeys ordinal of HKEY_LOCAL_MACHINE
}  // namespace

TUninstallEXE::~TUninstallEXE() {
  if (IInstallation* install = CurrentInstallation(); install && !install->IsDestroying())
    install->UninstallerRemoved();
}

void TUninstallEXE::WriteUninstallInfo(const std::string& key) {
  IInstallation* install = CurrentInstallation();
  if (!install)
    throw IEUninstallEXE(
        "%s could not write information about the uninstall to the registry because there was no "
        "TInstall component",
        Name());
  std::string product = Trim(install->ProductName());
  WriteRegistryString(kLocalMachine, key, "DisplayName", product);
  WriteRegistryString(kLocalMachine, key, "UninstallString",
                      DestinationPath() + "\\" + DestName + " " + product);
  // The uninstaller speaks the language the setup ran in.
  if (std::string language = install->LanguageName(); !language.empty())
    WriteRegistryString(kLocalMachine, key, "SetupLanguage", language);
}

const TClassInfo& TUninstallEXE::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TUninstallEXE> b("TUninstallEXE", &TCustomInstallFile::StaticClass());
    b.Creatable();
    PublishInstallProperties(b, {"ArchiveFile", "ArchiveFileType", "AddToArchive", "Container",
                                 "DestDir", "DestDirType", "Include", "InstallTypes"});
    b.Boolean("Net", Methods(&TFileRelated::Net, &TFileRelated::SetNet), true);
    PublishInstallProperties(b, {"NetLocation", "DestName", "FileName", "FileType",
                                 "IncludeFromDir", "OverwriteMode", "UpdateDLLCounter", "Order",
                                 "State", "UniqueID", BRIM_INSTALL_FILE_EVENTS});
    return b.Build();
  }();
  return info;
}

}  // namespace brim

#include "components/cmp_TUninstallEXE.h"

#include "common/routines_Strings.h"
#include "session/InstallLog.h"
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
  const std::string product = Trim(install->ProductName());
  // The path is quoted: unquoted, "C:\Program Files\..." would let a planted
  // "C:\Program.exe" run in its place. The product name is the argument.
  const std::string program = "\"" + DestinationFile() + "\"";
  auto write = [&](const std::string& name, const std::string& value) {
    WriteRegistryString(kLocalMachine, key, name, value);
    LogEvent(TLogKind::Registry, "HKEY_LOCAL_MACHINE" + key + " " + name + " = \"" + value + "\"");
  };
  auto writeNumber = [&](const std::string& name, int32_t value) {
    WriteRegistryInteger(kLocalMachine, key, name, value);
    LogEvent(TLogKind::Registry,
             "HKEY_LOCAL_MACHINE" + key + " " + name + " = " + std::to_string(value));
  };
  write("DisplayName", product);
  write("UninstallString", program + " " + product);
  write("QuietUninstallString", program + " /S " + product);
  write("DisplayIcon", DestinationFile());
  TInstallContainer& root = install->RootContainer();
  write("InstallLocation", root.DestinationPath());
  if (!Trim(install->ProductVersion()).empty())
    write("DisplayVersion", Trim(install->ProductVersion()));
  if (!Trim(install->Publisher()).empty()) write("Publisher", Trim(install->Publisher()));
  if (!Trim(install->AboutURL()).empty()) write("URLInfoAbout", Trim(install->AboutURL()));
  // The selected files of the whole installation, in KB rounded up.
  int64_t bytes = 0;
  if (auto* files = dynamic_cast<TFileContainer*>(&root)) bytes = files->SelectedSize(false);
  writeNumber("EstimatedSize", static_cast<int32_t>((bytes + 1023) / 1024));
  // The setup neither changes nor repairs an installation.
  writeNumber("NoModify", 1);
  writeNumber("NoRepair", 1);
  // The uninstaller speaks the language the setup ran in.
  if (std::string language = install->LanguageName(); !language.empty())
    write("SetupLanguage", language);
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

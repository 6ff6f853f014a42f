#include "components/cmp_TUninstallEXE.h"

namespace brim {

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

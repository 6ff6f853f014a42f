#include "components/cmp_TInstallFont.h"

namespace brim {

const TClassInfo& TInstallFont::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstallFont> b("TInstallFont", &TCustomInstallFile::StaticClass());
    b.Creatable();
    PublishInstallProperties(
        b, {"ArchiveFile", "ArchiveFileType", "AddToArchive", "Container", "DestDir", "DestDirType",
            "Include", "InstallTypes", "Net", "NetLocation", "Uninstall", "ActiveX", "DestName",
            "FileName", "FileType", "IncludeFromDir", "OverwriteMode", "RegisterAsHelp",
            "UpdateDLLCounter"});
    b.String("FontName", Field(&TInstallFont::FontName), "A New Font");
    PublishInstallProperties(b, {"Order", "State", "UniqueID", BRIM_INSTALL_FILE_EVENTS});
    return b.Build();
  }();
  return info;
}

}  // namespace brim

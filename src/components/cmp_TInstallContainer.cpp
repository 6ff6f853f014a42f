#include "components/cmp_TInstallContainer.h"

namespace brim {

const TEnumInfo InstallTypeInfo("TInstallType", InstallTypeNames);
const TEnumInfo LzhCommandInfo("TlzhCommand", LzhCommandNames);
const TEnumInfo OverwriteTypeInfo("TOverwriteType", OverwriteTypeNames);
const TEnumInfo InstallFileTypeInfo("TInstallFileType",
                                    {"iftNormal", "iftJustADLL", "iftApplicationSpecificDLL",
                                     "iftVendorSharedDLL", "iftSystemWideDLL"});
const TEnumInfo InstallFileStateInfo("TInstallFileState",
                                     {"ifsNone", "ifsCompress", "ifsInstall", "ifsCopying"});

int TInstallContainer::RegisteredType() const {
  throw IEInstallContainer("Class must declare a registered type");
}

TFileRelated::TFileRelated(TComponent* owner) : TInstallObject(owner) {
  ProcessWithContainer = true;
}

TCustomInstallFile::TCustomInstallFile(TComponent* owner) : TFileRelated(owner) {
  SetNet(false);
}

// The bases publish nothing: each published class chooses its properties.

const TClassInfo& TInstallContainer::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TInstallContainer>("TInstallContainer", &TComponent::StaticClass()).Build();
  return info;
}

const TClassInfo& TInstallObject::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TInstallObject>("TInstallObject", &TInstallContainer::StaticClass()).Build();
  return info;
}

const TClassInfo& TFileRelated::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFileRelated>("TFileRelated", &TInstallObject::StaticClass()).Build();
  return info;
}

const TClassInfo& TFileContainer::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFileContainer>("TFileContainer", &TFileRelated::StaticClass()).Build();
  return info;
}

const TClassInfo& TInstallDirectory::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstallDirectory> b("TInstallDirectory", &TFileContainer::StaticClass());
    b.Creatable();
    PublishInstallProperties(
        b, {"AddToArchive", "ArchiveFile", "ArchiveFileType", "Container", "Description", "DestDir",
            "DestDirType", "Include", "InstallTypes", "NetLocation", "OnAfterInstallObjects",
            "OnAfterProcess", "OnBeforeInstallObjects", "OnBeforeProcess", "OnDataReceived",
            "OnNewDisk", "OnReplacing", "OnStatus"});
    return b.Build();
  }();
  return info;
}

const TClassInfo& TInstallGroupDialogOptions::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TInstallGroupDialogOptions>("TInstallGroupDialogOptions",
                                                &TPersistent::StaticClass())
          .Boolean("AllowChangeDir", Field(&TInstallGroupDialogOptions::AllowChangeDir), true)
          .Boolean("AllowExcludeInclude", Field(&TInstallGroupDialogOptions::AllowExcludeInclude),
                   true)
          .Object("Description", [](TInstallGroupDialogOptions& o) { return &o.Description; })
          .Boolean("DisplayDirectory", Field(&TInstallGroupDialogOptions::DisplayDirectory), true)
          .Object("SmallIcon", [](TInstallGroupDialogOptions& o) { return &o.SmallIcon; })
          .Boolean("ShowRegardlessOfInclude",
                   Field(&TInstallGroupDialogOptions::ShowRegardlessOfInclude), true)
          .Build();
  return info;
}

const TClassInfo& TCustomInstallGroup::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomInstallGroup>("TCustomInstallGroup", &TFileContainer::StaticClass())
          .Build();
  return info;
}

const TClassInfo& TInstallGroup::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstallGroup> b("TInstallGroup", &TCustomInstallGroup::StaticClass());
    b.Creatable();
    PublishInstallProperties(
        b, {"AddToArchive", "ArchiveFile", "ArchiveFileType", "Container", "Description", "DestDir",
            "DestDirType", "DialogOptions", "Include", "InstallTypes", "NetLocation",
            "OnAfterInstallObjects", "OnAfterProcess", "OnBeforeInstallObjects", "OnBeforeProcess",
            "OnDataReceived", "OnNewDisk", "OnReplacing", "OnStatus"});
    return b.Build();
  }();
  return info;
}

const TClassInfo& TCustomInstallFile::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomInstallFile>("TCustomInstallFile", &TFileRelated::StaticClass()).Build();
  return info;
}

const TClassInfo& TInstallFile::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstallFile> b("TInstallFile", &TCustomInstallFile::StaticClass());
    b.Creatable();
    PublishInstallProperties(
        b, {"ArchiveFile", "ArchiveFileType", "AddToArchive", "Container", "DestDir", "DestDirType",
            "Include", "InstallTypes", "Net", "NetLocation", "Uninstall", "ActiveX", "DestName",
            "FileName", "FileType", "IncludeFromDir", "OverwriteMode", "RegisterAsHelp",
            "RunAfterInstall", "UpdateDLLCounter", "UniqueID", BRIM_INSTALL_FILE_EVENTS});
    return b.Build();
  }();
  return info;
}

}  // namespace brim

#include "shortcuts/cmp_TInstallShellLink.h"

namespace brim {

const TEnumInfo MethodTypeInfo("TMethodType",
                               {"mtAutoDetect", "mtShellLinkInterface", "mtProgramManager"});

TCustomShellLinkGroup::TCustomShellLinkGroup(TComponent* owner) : TInstallObject(owner) {
  // Groups are made in their own phase of the run.
  ProcessWithContainer = false;
}

TMainLinkGroup::TMainLinkGroup(TComponent* owner) : TCustomShellLinkGroup(owner) {
  SetDestDir("\\MainFolderName");
}

TCustomInstallShellLink::TCustomInstallShellLink(TComponent* owner) : TInstallObject(owner) {
  // Shortcuts are made in their own phase of the run.
  ProcessWithContainer = false;
}

const TClassInfo& TCustomShellLinkGroup::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomShellLinkGroup>("TCustomShellLinkGroup", &TInstallObject::StaticClass())
          .Build();
  return info;
}

const TClassInfo& TMainLinkGroup::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TMainLinkGroup> b("TMainLinkGroup", &TCustomShellLinkGroup::StaticClass());
    b.Creatable();
    PublishInstallProperties(b, {"Container"});
    // The constructor's folder name depends on the product, so the name is
    // always written.
    b.String("DestDir", Methods(&TInstallContainer::DestDir, &TInstallContainer::SetDestDir),
             std::nullopt);
    PublishInstallProperties(b, {"Include", "OnAfterProcess", "OnBeforeProcess"});
    return b.Build();
  }();
  return info;
}

const TClassInfo& TCustomInstallShellLink::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomInstallShellLink>("TCustomInstallShellLink", &TInstallObject::StaticClass())
          .Build();
  return info;
}

namespace {

// Adds the shortcut properties that both published classes share, by name.
template <class T>
void PublishLinkProperty(TClassBuilder<T>& b, std::string_view name) {
  using L = TCustomInstallShellLink;
  if (name == "HotKey") b.Integer("HotKey", Field(&L::HotKey));
  else if (name == "IconFilePath") b.String("IconFilePath", Field(&L::IconFilePath));
  else if (name == "IconIndex") b.Integer("IconIndex", Field(&L::IconIndex));
  else if (name == "LinkName") b.String("LinkName", Field(&L::LinkName));
  else if (name == "Method")
    b.Enumeration("Method", Field(&L::Method), MethodTypeInfo,
                  static_cast<int64_t>(TMethodType::mtAutoDetect));
  else if (name == "ObjectLink") b.template Reference<TInstallContainer>("ObjectLink", Field(&L::ObjectLink));
  else if (name == "ObjectLocation") b.String("ObjectLocation", Field(&L::ObjectLocation));
  else if (name == "ObjectLocationType")
    b.template Reference<TCustomPathSpecifier>("ObjectLocationType", Field(&L::ObjectLocationType));
  else if (name == "Parameters") b.String("Parameters", Field(&L::Parameters));
  else if (name == "WorkingDir") b.String("WorkingDir", Field(&L::WorkingDir));
  else PublishInstallProperty(b, name);
}

template <class T>
void PublishLinkProperties(TClassBuilder<T>& b, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names) PublishLinkProperty(b, n);
}

}  // namespace

const TClassInfo& TInstallShellLink::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstallShellLink> b("TInstallShellLink", &TCustomInstallShellLink::StaticClass());
    b.Creatable();
    PublishLinkProperties(
        b, {"Container", "DestDir", "DestDirType", "Include", "HotKey", "IconFilePath", "IconIndex",
            "LinkName", "Method", "ObjectLink", "ObjectLocation", "ObjectLocationType",
            "Parameters", "WorkingDir", "Uninstall", "OnAfterProcess", "OnBeforeProcess"});
    return b.Build();
  }();
  return info;
}

const TClassInfo& TInstallMainLink::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstallMainLink> b("TInstallMainLink", &TCustomInstallShellLink::StaticClass());
    b.Creatable();
    PublishLinkProperties(
        b, {"DestDir", "Include", "HotKey", "LinkName", "Method", "ObjectLink", "ObjectLocation",
            "ObjectLocationType", "Parameters", "Uninstall", "OnAfterProcess", "OnBeforeProcess"});
    return b.Build();
  }();
  return info;
}

const TStandardSpecifierTexts& TpsObjectLink::Texts() {
  static const TStandardSpecifierTexts texts{
      "psObjectLink", "Path of the file or file group in the ObjectLink property",
      "Path of the file or file group in the ObjectLink property"};
  return texts;
}

const TClassInfo& TpsObjectLink::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TpsObjectLink>("TpsObjectLink", &TStandardPathSpecifier::StaticClass())
          .Creatable()
          .Build();
  return info;
}

}  // namespace brim

#include "engine/cmp_TInstallRegistry.h"

namespace brim {

const TEnumInfo RegistryEntryTypeInfo("TRegistryEntryType", {"retText", "retInteger", "retBoolean"});
const TEnumInfo KeySpecifierInfo("TKeySpecifier",
                                 {"ksAbsolute", "ksCompanyName", "ksProductName", "ksVersion"});
const TEnumInfo RootKeysInfo("TRootKeys", {"hkClassesRoot", "hkCurrentConfig", "hkCurrentUser",
                                           "hkDynData", "hkLocalMachine", "hkUsers"});

const TClassInfo& TRegistryEntry::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TRegistryEntry>("TRegistryEntry", &TCollectionItem::StaticClass())
          .Item()
          .Boolean("Boolean", Field(&TRegistryEntry::Boolean))
          .Enumeration("EntryType", Field(&TRegistryEntry::EntryType), RegistryEntryTypeInfo)
          .String("Ident", Field(&TRegistryEntry::Ident))
          .Integer("Integer", Field(&TRegistryEntry::Integer))
          .Reference<TCustomPathSpecifier>("PathSpecifier", Field(&TRegistryEntry::PathSpecifier))
          .String("Text", Field(&TRegistryEntry::Text))
          .Build();
  return info;
}

namespace {
TCustomInstallRegistry* RequireOwner(TCustomInstallRegistry* owner) {
  if (!owner) throw IERegistryEntries("Cannot create a TRegistryEntries component with a Nil Owner");
  return owner;
}
}  // namespace

TRegistryEntries::TRegistryEntries(TCustomInstallRegistry* owner)
    : TCollection(TRegistryEntry::StaticClass(), RequireOwner(owner)) {}

const TClassInfo& TRegistryEntries::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TRegistryEntries>("TRegistryEntries", &TCollection::StaticClass()).Build();
  return info;
}

TCustomInstallRegistry::TCustomInstallRegistry(TComponent* owner) : TInstallObject(owner) {
  // Written in the registry phase, not with the container's members.
  ProcessWithContainer = false;
}

const TClassInfo& TCustomInstallRegistry::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomInstallRegistry>("TCustomInstallRegistry", &TInstallObject::StaticClass())
          .Build();
  return info;
}

const TClassInfo& TInstallRegistry::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstallRegistry> b("TInstallRegistry", &TCustomInstallRegistry::StaticClass());
    b.Creatable();
    PublishInstallProperties(b, {"Container"});
    b.Object("Entries", [](TInstallRegistry& r) { return &r.Entries; });
    PublishInstallProperties(b, {"InstallTypes"});
    b.String("Key", Field(&TCustomInstallRegistry::Key), "\\SOFTWARE\\MyStuff")
        .Enumeration("KeySpecifierType", Field(&TCustomInstallRegistry::KeySpecifierType),
                     KeySpecifierInfo)
        .Enumeration("RootKey", Field(&TCustomInstallRegistry::RootKey), RootKeysInfo,
                     static_cast<int64_t>(TRootKeys::hkLocalMachine));
    PublishInstallProperties(b, {"Uninstall", "OnAfterProcess", "OnBeforeProcess"});
    b.Event("OnBeforeWriteEntry", &TCustomInstallRegistry::OnBeforeWriteEntry);
    return b.Build();
  }();
  return info;
}

}  // namespace brim

#include "engine/cmp_TInstallRegistry.h"

#include <algorithm>

#include "common/routines_Strings.h"
#include "engine/cmp_TInstall.h"
#include "paths/routines_ExpandPaths.h"
#include "session/InstallLog.h"
#include "session/InstallSession.h"
#include "system/cmp_TQmbxRegistry.h"
#include "system/routines_Registry.h"

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
          .Boolean("Boolean", Methods(&TRegistryEntry::Boolean, &TRegistryEntry::SetBoolean))
          .Enumeration("EntryType", Field(&TRegistryEntry::EntryType), RegistryEntryTypeInfo)
          .String("Ident", Field(&TRegistryEntry::Ident))
          .Integer("Integer", Methods(&TRegistryEntry::Integer, &TRegistryEntry::SetInteger))
          .Reference<TCustomPathSpecifier>(
              "PathSpecifier", Methods(&TRegistryEntry::PathSpecifier, &TRegistryEntry::SetPathSpecifier))
          .String("Text", Methods(&TRegistryEntry::Text, &TRegistryEntry::SetText))
          .Build();
  return info;
}

TCustomInstallRegistry* TRegistryEntry::Owner() const {
  return Collection() ? dynamic_cast<TCustomInstallRegistry*>(Collection()->GetOwner()) : nullptr;
}

bool TRegistryEntry::Loading() const {
  TCustomInstallRegistry* owner = Owner();
  return owner && owner->HasState(csLoading);
}

void TRegistryEntry::SetBoolean(bool value) {
  boolean_ = value;
  if (!Loading()) EntryType = TRegistryEntryType::retBoolean;
}

void TRegistryEntry::SetInteger(int32_t value) {
  integer_ = value;
  if (!Loading()) EntryType = TRegistryEntryType::retInteger;
}

void TRegistryEntry::SetText(const std::string& value) {
  text_ = value;
  if (!Loading()) EntryType = TRegistryEntryType::retText;
}

void TRegistryEntry::SetPathSpecifier(TCustomPathSpecifier* value) {
  TCustomInstallRegistry* owner = Owner();
  // A specifier being freed only takes itself away; the type stays.
  if (!value && pathSpecifier_ && pathSpecifier_->HasState(csDestroying)) {
    pathSpecifier_ = nullptr;
    return;
  }
  if (!Loading()) {
    if (value) {
      value->Validate(owner);
      text_ = "%p";
    }
    EntryType = TRegistryEntryType::retText;
  }
  pathSpecifier_ = value;
  if (value && owner) owner->FreeNotification(value);
}

void TRegistryEntry::Assign(const TPersistent& source) {
  const auto* entry = dynamic_cast<const TRegistryEntry*>(&source);
  if (!entry) return TCollectionItem::Assign(source);
  boolean_ = entry->boolean_;
  EntryType = entry->EntryType;
  Ident = entry->Ident;
  integer_ = entry->integer_;
  pathSpecifier_ = entry->pathSpecifier_;
  if (pathSpecifier_ && Owner()) Owner()->FreeNotification(pathSpecifier_);
  text_ = entry->text_;
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

namespace {

struct TRegistryListState {
  TInstallRegistryList List;
};

constexpr int kLocalMachine = static_cast<int>(TRootKeys::hkLocalMachine);

bool DerivedKey(TKeySpecifier type) { return type != TKeySpecifier::ksAbsolute; }

[[noreturn]] void NoInstall() {
  throw IEInstallRegistry("There is no TInstall component in your project");
}

}  // namespace

void TInstallRegistryList::Add(TCustomInstallRegistry* registry) {
  if (!registry) throw IEInstallRegistryList("Cannot add blank entry to the registry list");
  items_.push_back(registry);
}

void TInstallRegistryList::Remove(TCustomInstallRegistry* registry) {
  items_.erase(std::remove(items_.begin(), items_.end(), registry), items_.end());
}

TInstallRegistryList& InstallRegistries() { return CurrentSession().State<TRegistryListState>().List; }

void RegistriesLoseInstallation() {
  if (auto* state = CurrentSession().FindState<TRegistryListState>())
    for (TCustomInstallRegistry* registry : state->List.Items()) registry->InstallationDestroyed();
}

TCustomInstallRegistry::TCustomInstallRegistry(TComponent* owner) : TInstallObject(owner) {
  // Written in the registry phase, not with the container's members.
  ProcessWithContainer = false;
  InstallRegistries().Add(this);
}

TCustomInstallRegistry::~TCustomInstallRegistry() {
  if (auto* state = CurrentSession().FindState<TRegistryListState>()) state->List.Remove(this);
}

void TCustomInstallRegistry::Loaded() {
  TInstallObject::Loaded();
  for (int i = 0; i < Entries.Count(); ++i) {
    TRegistryEntry* entry = Entries.Entries(i);
    entry->Registry = this;
    if (entry->PathSpecifier()) FreeNotification(entry->PathSpecifier());
  }
}

void TCustomInstallRegistry::Notification(TComponent* component, TOperation operation) {
  TInstallObject::Notification(component, operation);
  if (operation != TOperation::opRemove || !component) return;
  for (int i = 0; i < Entries.Count(); ++i)
    if (Entries.Entries(i)->PathSpecifier() == component) Entries.Entries(i)->ForgetPathSpecifier();
}

void TCustomInstallRegistry::InstallationDestroyed() {
  if (DerivedKey(keySpecifierType_)) keySpecifierType_ = TKeySpecifier::ksAbsolute;
}

void TCustomInstallRegistry::HandleEvent(TInstallContainer*, int code, TPersistent*) {
  if (code == bcWriteRegistry) Process();
}

void TCustomInstallRegistry::SetKey(const std::string& value) {
  key_ = !HasState(csLoading) && DerivedKey(keySpecifierType_) ? std::string() : value;
}

void TCustomInstallRegistry::SetKeySpecifierType(TKeySpecifier value) {
  if (!HasState(csLoading) && DerivedKey(value)) {
    if (!CurrentInstall()) NoInstall();
    key_.clear();
    RootKey = TRootKeys::hkLocalMachine;
  }
  keySpecifierType_ = value;
}

std::string TCustomInstallRegistry::GetKeyPath() const {
  if (keySpecifierType_ == TKeySpecifier::ksAbsolute) return RemoveTrailingBackslash(key_);
  TCustomInstall* install = CurrentInstall();
  if (!install) NoInstall();
  const TInstallInformation& info = install->Information;
  std::string path = "\\SOFTWARE\\" + info.CompanyName;
  if (keySpecifierType_ == TKeySpecifier::ksCompanyName) return path;
  path += "\\" + info.ProductName;
  if (keySpecifierType_ == TKeySpecifier::ksProductName) return path;
  return path + "\\" + info.Version;
}

std::string TCustomInstallRegistry::GetValueText(const TRegistryEntry& entry) {
  if (!entry.PathSpecifier()) return entry.Text();
  return SubstitutePath(entry.Text(), entry.PathSpecifier()->GetPath(this));
}

void TCustomInstallRegistry::WriteEntry(const TRegistryEntry& entry, TRootKeys root,
                                        const std::string& keyPath) {
  TQmbxRegistry registry;
  registry.SetRootKeyOrdinal(static_cast<int>(root));
  if (!registry.OpenKey(keyPath, true))
    throw IERegistryEntry("%s cannot create the key %s in the registry", Name(), keyPath);
  std::string written;
  switch (entry.EntryType) {
    case TRegistryEntryType::retText:
      written = GetValueText(entry);
      registry.WriteString(entry.Ident, written);
      written = "\"" + written + "\"";
      break;
    case TRegistryEntryType::retInteger:
      registry.WriteInteger(entry.Ident, entry.Integer());
      written = std::to_string(entry.Integer());
      break;
    case TRegistryEntryType::retBoolean:
      registry.WriteInteger(entry.Ident, entry.Boolean() ? 1 : 0);
      written = entry.Boolean() ? "1" : "0";
      break;
  }
  LogEvent(TLogKind::Registry, std::string(RootKeyName(registry.RootKey())) +
                                   (StartsWithText(keyPath, "\\") ? "" : "\\") + keyPath + " " +
                                   entry.Ident + " = " + written);
}

void TCustomInstallRegistry::ProcessContents() {
  std::string keyPath = GetKeyPath();
  for (int i = 0; i < Entries.Count(); ++i) {
    TRegistryEntry* entry = Entries.Entries(i);
    bool proceed = true;
    if (OnBeforeWriteEntry) OnBeforeWriteEntry(this, entry, proceed);
    if (proceed) WriteEntry(*entry, RootKey, keyPath);
  }
  ProcessMembers();
}

void TCustomInstallRegistry::WriteUninstallInfo(const std::string& key) {
  std::string keys = JoinPath(key, "RegistryKeys");
  int32_t n = StrToInt(ReadRegistryString(kLocalMachine, keys, "Entries", "0")) + 1;
  std::string record = JoinPath(keys, "RegistryKey" + std::to_string(n));
  WriteRegistryString(kLocalMachine, record, "Key", GetKeyPath());
  WriteRegistryInteger(kLocalMachine, record, "Root", static_cast<int32_t>(RootKey));
  std::string values = JoinPath(record, "Entries");
  for (int i = 0; i < Entries.Count(); ++i)
    WriteRegistryString(kLocalMachine, values, Entries.Entries(i)->Ident,
                        GetValueText(*Entries.Entries(i)));
  // Counted once it is whole: a record cut short by a failed write is
  // never read as one naming no key, and the next install writes over it.
  WriteRegistryString(kLocalMachine, keys, "Entries", std::to_string(n));
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
    b.String("Key", Methods(&TCustomInstallRegistry::Key, &TCustomInstallRegistry::SetKey),
             "\\SOFTWARE\\MyStuff")
        .Enumeration("KeySpecifierType",
                     Methods(&TCustomInstallRegistry::KeySpecifierType,
                             &TCustomInstallRegistry::SetKeySpecifierType),
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

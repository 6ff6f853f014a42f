// TInstallRegistry: writes one registry key with a list of named values in
// the registry phase of a run and records them for the uninstaller. The
// key is absolute or formed from the company, product and version of the
// installation; values are text (with "%p" filled from a path specifier),
// integers or booleans.
#pragma once

#include <string>

#include "components/cmp_TInstallContainer.h"
#include "objects/TCollection.h"

namespace brim {

BRIM_IEXCEPTION_CLASS(IEInstallRegistry, IException);
BRIM_IEXCEPTION_CLASS(IEInstallRegistryList, IException);
BRIM_IEXCEPTION_CLASS(IERegistryEntries, IException);
BRIM_IEXCEPTION_CLASS(IERegistryEntry, IException);

enum class TRegistryEntryType { retText, retInteger, retBoolean };
extern const TEnumInfo RegistryEntryTypeInfo;

// How the key path is formed.
enum class TKeySpecifier { ksAbsolute, ksCompanyName, ksProductName, ksVersion };
extern const TEnumInfo KeySpecifierInfo;

// The predefined keys, in the order of their ordinals.
enum class TRootKeys { hkClassesRoot, hkCurrentConfig, hkCurrentUser, hkDynData, hkLocalMachine, hkUsers };
extern const TEnumInfo RootKeysInfo;

class TCustomInstallRegistry;

// One value of a registry component.
class TRegistryEntry : public TCollectionItem {
  BRIM_CLASS(TRegistryEntry)

 public:
  explicit TRegistryEntry(TCollection* collection) : TCollectionItem(collection) {}

  bool Boolean = false;
  TRegistryEntryType EntryType = TRegistryEntryType::retText;
  // The value name.
  std::string Ident;
  int32_t Integer = 0;
  // Fills "%p" in Text.
  TCustomPathSpecifier* PathSpecifier = nullptr;
  std::string Text;
  // The registry component the entry belongs to, set once it has loaded.
  TCustomInstallRegistry* Registry = nullptr;
};

// The entries of one registry component.
class TRegistryEntries : public TCollection {
  BRIM_CLASS(TRegistryEntries)

 public:
  // Refuses to exist without its registry component.
  explicit TRegistryEntries(TCustomInstallRegistry* owner);
  TRegistryEntry* Entries(int i) const { return ItemAs<TRegistryEntry>(i); }
};

using TBeforeWriteEntryEvent =
    TEvent<void(TComponent* Sender, TRegistryEntry* Entry, bool& Continue)>;

class TCustomInstallRegistry : public TInstallObject {
  BRIM_CLASS(TCustomInstallRegistry)

 public:
  explicit TCustomInstallRegistry(TComponent* owner);
  int RegisteredType() const override { return rtInstallRegistry; }

  TRegistryEntries Entries{this};
  // The key path when KeySpecifierType is ksAbsolute.
  std::string Key = "\\SOFTWARE\\MyStuff";
  TKeySpecifier KeySpecifierType = TKeySpecifier::ksAbsolute;
  TRootKeys RootKey = TRootKeys::hkLocalMachine;

  TBeforeWriteEntryEvent OnBeforeWriteEntry;
};

class TInstallRegistry : public TCustomInstallRegistry {
  BRIM_CLASS(TInstallRegistry)

 public:
  explicit TInstallRegistry(TComponent* owner) : TCustomInstallRegistry(owner) {}
};

}  // namespace brim

// TInstallRegistry: writes one registry key with a list of named values in
// the registry phase of a run and records them for the uninstaller. The
// key is absolute or formed from the company, product and version of the
// installation; values are text (with "%p" filled from a path specifier),
// integers or booleans.
#pragma once

#include <string>
#include <vector>

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

// One value of a registry component. Outside loading, setting Boolean,
// Integer or Text also sets the EntryType that writes it, and a path
// specifier makes the value its path ("%p").
class TRegistryEntry : public TCollectionItem {
  BRIM_CLASS(TRegistryEntry)

 public:
  explicit TRegistryEntry(TCollection* collection) : TCollectionItem(collection) {}
  // Copies the six properties of another entry.
  void Assign(const TPersistent& source) override;

  bool Boolean() const { return boolean_; }
  void SetBoolean(bool value);
  int32_t Integer() const { return integer_; }
  void SetInteger(int32_t value);
  const std::string& Text() const { return text_; }
  void SetText(const std::string& value);
  // Fills "%p" in Text; the specifier first validates the registry component.
  TCustomPathSpecifier* PathSpecifier() const { return pathSpecifier_; }
  void SetPathSpecifier(TCustomPathSpecifier* value);
  // The specifier is gone: the entry forgets it and keeps its EntryType.
  void ForgetPathSpecifier() { pathSpecifier_ = nullptr; }

  TRegistryEntryType EntryType = TRegistryEntryType::retText;
  // The value name.
  std::string Ident;
  // The registry component the entry belongs to, set once it has loaded.
  TCustomInstallRegistry* Registry = nullptr;

 private:
  TCustomInstallRegistry* Owner() const;
  bool Loading() const;

  bool boolean_ = false;
  int32_t integer_ = 0;
  TCustomPathSpecifier* pathSpecifier_ = nullptr;
  std::string text_;
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

// The code on which a registry component processes itself.
inline constexpr int bcWriteRegistry = -968;

class TCustomInstallRegistry : public TInstallObject {
  BRIM_CLASS(TCustomInstallRegistry)

 public:
  // Joins the session's list of registry components.
  explicit TCustomInstallRegistry(TComponent* owner);
  ~TCustomInstallRegistry() override;
  int RegisteredType() const override { return rtInstallRegistry; }
  // Every entry learns its registry component.
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  // The installation is going: a derived key becomes an absolute one.
  void InstallationDestroyed();
  void HandleEvent(TInstallContainer* sender, int code, TPersistent* parameter) override;

  const std::string& Key() const { return key_; }
  // A key derived from the installation's names stores no key of its own.
  void SetKey(const std::string& value);
  TKeySpecifier KeySpecifierType() const { return keySpecifierType_; }
  // A derived key clears Key and writes under HKEY_LOCAL_MACHINE; it needs
  // the installation.
  void SetKeySpecifierType(TKeySpecifier value);

  // The key path that is written.
  std::string GetKeyPath() const;
  // The entry's Text, its "%p" filled from its path specifier.
  std::string GetValueText(const TRegistryEntry& entry);
  // Writes one value under the root's key path, creating the key.
  void WriteEntry(const TRegistryEntry& entry, TRootKeys root, const std::string& keyPath);
  // Records the key and its values under the product's "RegistryKeys".
  void WriteUninstallInfo(const std::string& key) override;

  TRegistryEntries Entries{this};
  TRootKeys RootKey = TRootKeys::hkLocalMachine;

  TBeforeWriteEntryEvent OnBeforeWriteEntry;

 protected:
  // Writes every entry the OnBeforeWriteEntry handler lets through, then
  // processes the component's own members.
  void ProcessContents() override;

 private:
  std::string key_ = "\\SOFTWARE\\MyStuff";
  TKeySpecifier keySpecifierType_ = TKeySpecifier::ksAbsolute;
};

class TInstallRegistry : public TCustomInstallRegistry {
  BRIM_CLASS(TInstallRegistry)

 public:
  explicit TInstallRegistry(TComponent* owner) : TCustomInstallRegistry(owner) {}
};

// Every live registry component, in creation order.
class TInstallRegistryList {
 public:
  // A null component is refused.
  void Add(TCustomInstallRegistry* registry);
  void Remove(TCustomInstallRegistry* registry);
  const std::vector<TCustomInstallRegistry*>& Items() const { return items_; }

 private:
  std::vector<TCustomInstallRegistry*> items_;
};

// The session's registry components.
TInstallRegistryList& InstallRegistries();
// The installation is going: every registry component of the session
// learns it (nothing is made while the session ends).
void RegistriesLoseInstallation();

}  // namespace brim

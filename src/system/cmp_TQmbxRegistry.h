// TQmbxRegistry: the registry access class every part of the system uses.
// It holds a current root and a current key. A key path that begins with a
// backslash is taken from the root; any other path is relative to the
// current key. Deleting a key deletes its whole tree.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/exceptions_Brimwell.h"
#include "platform/Platform.h"

namespace brim {

// A registry read or write that the registry refused (not translated).
BRIM_EXCEPTION_CLASS(EQmbxRegistry, EBrimwellAbnormal);

// The predefined key of a root ordinal (the order of TRootKeys: classes
// root, current config, current user, dyn data, local machine, users);
// an ordinal outside 0 to 5 gives fallback.
TRegRoot RootKeyOfOrdinal(int ordinal, TRegRoot fallback);

class TQmbxRegistry {
 public:
  TQmbxRegistry() = default;
  explicit TQmbxRegistry(TRegRoot root) : root_(root) {}

  TRegRoot RootKey() const { return root_; }
  // Changing the root closes the current key.
  void SetRootKey(TRegRoot root);
  // Sets the root from a TRootKeys ordinal; one outside 0 to 5 leaves it unchanged.
  void SetRootKeyOrdinal(int ordinal);
  // The current key's path below the root, without a leading backslash.
  const std::string& CurrentPath() const { return path_; }
  bool HasCurrentKey() const { return key_ != nullptr; }

  // Opens a key with all access and makes it current; with canCreate a
  // missing key (and its parents) is created.
  bool OpenKey(const std::string& key, bool canCreate);
  bool OpenKeyReadOnly(const std::string& key);
  // Whether a key exists: opened read-only and closed again.
  bool KeyExists(const std::string& key);
  // Deletes every subkey, recursively, then the key; true when the last
  // deletion succeeded.
  bool DeleteKey(const std::string& key);
  void CloseKey();

  // The operations below work on the current key (the root when none is open).
  bool ValueExists(const std::string& name);
  std::vector<std::string> GetKeyNames();
  std::vector<std::string> GetValueNames();
  // An absent value reads as the empty text; a value that is not text raises.
  std::string ReadString(const std::string& name);
  // An absent value or one that is not a 32-bit integer raises.
  int32_t ReadInteger(const std::string& name);
  void WriteString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, int32_t value);
  void WriteBinaryData(const std::string& name, const std::string& bytes);
  // An absent value or one that is not binary raises.
  std::string ReadBinaryData(const std::string& name);
  // A double (a date, say) as an 8-byte REG_BINARY value; reading raises
  // for an absent value or one of another type or size.
  void WriteFloat(const std::string& name, double value);
  double ReadFloat(const std::string& name);
  bool DeleteValue(const std::string& name);
  bool FlushKey();

  // The full name of the current key for messages ("HKEY_CURRENT_USER\Software\X").
  std::string CurrentKeyName() const;

 private:
  // The path below the root that key names, by the leading-backslash rule.
  std::string Resolve(const std::string& key) const;
  IRegistryKey& Current();
  void Write(const std::string& name, const TRegValue& value);

  TRegRoot root_ = TRegRoot::CurrentUser;
  std::string path_;
  std::unique_ptr<IRegistryKey> key_;
};

}  // namespace brim

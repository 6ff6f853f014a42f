// The registry: predefined keys, values and open keys (the Reg* calls).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brim {

// The predefined keys, with their Windows handle values.
enum class TRegRoot : uint32_t {
  ClassesRoot = 0x80000000u,
  CurrentUser = 0x80000001u,
  LocalMachine = 0x80000002u,
  Users = 0x80000003u,
  CurrentConfig = 0x80000005u,
  DynData = 0x80000006u,
};

// "HKEY_LOCAL_MACHINE" and so on, as regedit and messages name the roots.
const char* RootKeyName(TRegRoot root);

// The Windows value types (REG_*) the system reads and writes.
enum class TRegType : uint32_t {
  None = 0,
  String = 1,        // REG_SZ
  ExpandString = 2,  // REG_EXPAND_SZ
  Binary = 3,        // REG_BINARY
  DWord = 4,         // REG_DWORD, little-endian
  MultiString = 7,   // REG_MULTI_SZ
};

// One value as stored. For String and ExpandString, Data is the text without
// its terminating NUL; for MultiString the raw bytes (each string followed by
// a NUL, then one more NUL); for every other type the raw bytes.
struct TRegValue {
  TRegType Type = TRegType::None;
  std::string Data;

  static TRegValue Text(std::string text) { return {TRegType::String, std::move(text)}; }
  static TRegValue Integer(int32_t value);
  static TRegValue Bytes(std::string bytes) { return {TRegType::Binary, std::move(bytes)}; }
  // The 32-bit value of a DWord (or any 4-byte value); empty otherwise.
  std::optional<int32_t> AsInteger() const;
  // The strings of a MultiString, in order.
  std::vector<std::string> AsStrings() const;
  static TRegValue Strings(const std::vector<std::string>& strings);
  bool operator==(const TRegValue&) const = default;
};

// An open key. Destroying it closes it.
class IRegistryKey {
 public:
  virtual ~IRegistryKey() = default;
  // Names in the registry's enumeration order (stable between calls).
  virtual std::vector<std::string> SubKeyNames() = 0;
  virtual std::vector<std::string> ValueNames() = 0;
  // "" names the key's default value.
  virtual std::optional<TRegValue> ReadValue(const std::string& name) = 0;
  virtual bool WriteValue(const std::string& name, const TRegValue& value) = 0;
  virtual bool DeleteValue(const std::string& name) = 0;
  // Makes what was written durable (RegFlushKey).
  virtual bool Flush() = 0;
};

enum class TRegAccess { Read, All };

class IRegistryService {
 public:
  virtual ~IRegistryService() = default;
  // Opens Root\Path; Path has no leading backslash and "" is the root itself.
  // Null when the key does not exist or access is refused. A key opened for
  // Read refuses writes (errAccessDenied).
  virtual std::unique_ptr<IRegistryKey> OpenKey(TRegRoot root, const std::string& path,
                                                TRegAccess access) = 0;
  // Opens Root\Path with all access, creating it and any missing parents.
  virtual std::unique_ptr<IRegistryKey> CreateKey(TRegRoot root, const std::string& path) = 0;
  // Deletes a key that has no subkeys (a key with subkeys is refused, as on
  // Windows NT). Callers delete trees from the leaves up.
  virtual bool DeleteKey(TRegRoot root, const std::string& path) = 0;
};

}  // namespace brim

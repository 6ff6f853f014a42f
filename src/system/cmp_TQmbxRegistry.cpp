// The registry access class over the platform's registry service.
#include "system/cmp_TQmbxRegistry.h"

#include <cstring>

#include "common/routines_Strings.h"

namespace brim {

TRegRoot RootKeyOfOrdinal(int ordinal, TRegRoot fallback) {
  static const TRegRoot roots[] = {TRegRoot::ClassesRoot, TRegRoot::CurrentConfig, TRegRoot::CurrentUser,
                                   TRegRoot::DynData,     TRegRoot::LocalMachine,  TRegRoot::Users};
  if (ordinal < 0 || ordinal > 5) return fallback;
  return roots[ordinal];
}

void TQmbxRegistry::SetRootKey(TRegRoot root) {
  CloseKey();
  root_ = root;
}

void TQmbxRegistry::SetRootKeyOrdinal(int ordinal) { SetRootKey(RootKeyOfOrdinal(ordinal, root_)); }

std::string TQmbxRegistry::Resolve(const std::string& key) const {
  if (!key.empty() && key[0] == '\\') return RemoveTrailingBackslash(key.substr(1));
  if (path_.empty()) return RemoveTrailingBackslash(key);
  if (key.empty()) return path_;
  return path_ + "\\" + RemoveTrailingBackslash(key);
}

bool TQmbxRegistry::OpenKey(const std::string& key, bool canCreate) {
  std::string path = Resolve(key);
  auto& registry = PlatformRegistry();
  auto opened = canCreate ? registry.CreateKey(root_, path) : registry.OpenKey(root_, path, TRegAccess::All);
  if (!opened) return false;
  key_ = std::move(opened);
  path_ = path;
  return true;
}

bool TQmbxRegistry::OpenKeyReadOnly(const std::string& key) {
  std::string path = Resolve(key);
  auto opened = PlatformRegistry().OpenKey(root_, path, TRegAccess::Read);
  if (!opened) return false;
  key_ = std::move(opened);
  path_ = path;
  return true;
}

bool TQmbxRegistry::KeyExists(const std::string& key) {
  return PlatformRegistry().OpenKey(root_, Resolve(key), TRegAccess::Read) != nullptr;
}

namespace {
bool DeleteTree(IRegistryService& registry, TRegRoot root, const std::string& path) {
  std::vector<std::string> children;
  if (auto key = registry.OpenKey(root, path, TRegAccess::Read)) children = key->SubKeyNames();
  for (const auto& child : children) DeleteTree(registry, root, path + "\\" + child);
  return registry.DeleteKey(root, path);
}
}  // namespace

bool TQmbxRegistry::DeleteKey(const std::string& key) {
  std::string path = Resolve(key);
  if (path.empty()) return false;  // never the root itself
  // A current key inside the tree would keep a handle to a deleted key.
  if (key_ && (SameText(path_, path) || SameText(path_.substr(0, path.size() + 1), path + "\\"))) CloseKey();
  return DeleteTree(PlatformRegistry(), root_, path);
}

void TQmbxRegistry::CloseKey() {
  if (key_) key_->Flush();
  key_.reset();
  path_.clear();
}

IRegistryKey& TQmbxRegistry::Current() {
  if (!key_) {
    key_ = PlatformRegistry().OpenKey(root_, "", TRegAccess::All);
    if (!key_)
      throw TCaused<EQmbxRegistry>(TPlatformError::Last(), "Cannot open the registry root %s",
                                   std::string(RootKeyName(root_)));
  }
  return *key_;
}

std::string TQmbxRegistry::CurrentKeyName() const {
  std::string name = RootKeyName(root_);
  if (!path_.empty()) name += "\\" + path_;
  return name;
}

bool TQmbxRegistry::ValueExists(const std::string& name) { return Current().ReadValue(name).has_value(); }

std::vector<std::string> TQmbxRegistry::GetKeyNames() { return Current().SubKeyNames(); }

std::vector<std::string> TQmbxRegistry::GetValueNames() { return Current().ValueNames(); }

std::string TQmbxRegistry::ReadString(const std::string& name) {
  auto value = Current().ReadValue(name);
  if (!value) return "";
  if (value->Type != TRegType::String && value->Type != TRegType::ExpandString)
    throw EQmbxRegistry("The registry value %s of the key %s is not text", name, CurrentKeyName());
  return value->Data;
}

int32_t TQmbxRegistry::ReadInteger(const std::string& name) {
  auto value = Current().ReadValue(name);
  if (!value)
    throw TCaused<EQmbxRegistry>(TPlatformError::Last(), "Cannot read the registry value %s of the key %s",
                                 name, CurrentKeyName());
  auto number = value->AsInteger();
  if (value->Type != TRegType::DWord || !number)
    throw EQmbxRegistry("The registry value %s of the key %s is not an integer", name, CurrentKeyName());
  return *number;
}

void TQmbxRegistry::Write(const std::string& name, const TRegValue& value) {
  if (!Current().WriteValue(name, value)) {
    uint32_t code = PlatformSystem().LastError();
    throw TCaused<EQmbxRegistry>(TPlatformError::Win32(code),
                                 "Cannot write the registry value %s of the key %s: %s", name,
                                 CurrentKeyName(), PlatformSystem().ErrorMessage(code));
  }
}

void TQmbxRegistry::WriteString(const std::string& name, const std::string& value) {
  Write(name, TRegValue::Text(value));
}

void TQmbxRegistry::WriteInteger(const std::string& name, int32_t value) {
  Write(name, TRegValue::Integer(value));
}

void TQmbxRegistry::WriteBinaryData(const std::string& name, const std::string& bytes) {
  Write(name, TRegValue::Bytes(bytes));
}

std::string TQmbxRegistry::ReadBinaryData(const std::string& name) {
  auto value = Current().ReadValue(name);
  if (!value)
    throw TCaused<EQmbxRegistry>(TPlatformError::Last(), "Cannot read the registry value %s of the key %s",
                                 name, CurrentKeyName());
  if (value->Type != TRegType::Binary)
    throw EQmbxRegistry("The registry value %s of the key %s is not binary", name, CurrentKeyName());
  return value->Data;
}

void TQmbxRegistry::WriteFloat(const std::string& name, double value) {
  static_assert(sizeof value == 8);
  std::string bytes(8, '\0');
  std::memcpy(bytes.data(), &value, 8);  // little-endian, as on x86 Windows
  WriteBinaryData(name, bytes);
}

double TQmbxRegistry::ReadFloat(const std::string& name) {
  std::string bytes = ReadBinaryData(name);
  if (bytes.size() != 8)
    throw EQmbxRegistry("The registry value %s of the key %s is not an 8-byte number", name, CurrentKeyName());
  double value = 0;
  std::memcpy(&value, bytes.data(), 8);
  return value;
}

bool TQmbxRegistry::DeleteValue(const std::string& name) { return Current().DeleteValue(name); }

bool TQmbxRegistry::FlushKey() { return Current().Flush(); }

}  // namespace brim

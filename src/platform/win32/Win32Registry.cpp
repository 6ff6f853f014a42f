// The registry through advapi32. Every Reg* call returns its error instead of
// setting it; RegResult hands it to SetLastError so LastError() reports it.
#include "platform/win32/Win32Registry.h"

#include "platform/NativeServices.h"

namespace brim {

namespace {

HKEY RootKey(TRegRoot root) {
  // The predefined keys are sign-extended 32-bit values, as the HKEY_* macros make them.
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

// Key names are at most 255 characters; value names at most 16383.
constexpr DWORD kKeyNameSize = 256;
constexpr DWORD kValueNameSize = 16384;

// Enumerates names with RegEnumKeyExA or RegEnumValueA, index by index, in
// the registry's own order, until the call reports no more items.
template <class EnumCall>
std::vector<std::string> EnumerateNames(DWORD maxSize, EnumCall call) {
  std::vector<std::string> names;
  std::string buffer(maxSize, '\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(buffer.size());
    LONG result = call(index, buffer.data(), &length);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (!RegResult(result)) break;
    names.emplace_back(buffer.data(), length);
  }
  return names;
}

}  // namespace

std::vector<std::string> TWin32RegistryKey::SubKeyNames() {
  HKEY key = key_.Get();
  return EnumerateNames(kKeyNameSize, [key](DWORD index, char* name, DWORD* length) {
    return ::RegEnumKeyExA(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
  });
}

std::vector<std::string> TWin32RegistryKey::ValueNames() {
  HKEY key = key_.Get();
  return EnumerateNames(kValueNameSize, [key](DWORD index, char* name, DWORD* length) {
    return ::RegEnumValueA(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
  });
}

std::optional<TRegValue> TWin32RegistryKey::ReadValue(const std::string& name) {
  std::string data(256, '\0');
  DWORD type = REG_NONE;
  for (;;) {
    DWORD size = static_cast<DWORD>(data.size());
    LONG result = ::RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(data.data()), &size);
    if (result == ERROR_MORE_DATA) {
      // size now holds what the value needs; it may grow again before the next call.
      data.assign(size + 256, '\0');
      continue;
    }
    if (!RegResult(result)) return std::nullopt;
    data.resize(size);
    break;
  }
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    // The text ends at its NUL; a value written without one ends with its data.
    size_t end = data.find('\0');
    if (end != std::string::npos) data.resize(end);
  }
  return TRegValue{static_cast<TRegType>(type), std::move(data)};
}

bool TWin32RegistryKey::WriteValue(const std::string& name, const TRegValue& value) {
  std::string data = value.Data;
  if (value.Type == TRegType::String || value.Type == TRegType::ExpandString) data += '\0';
  return RegResult(::RegSetValueExA(key_.Get(), name.c_str(), 0, static_cast<DWORD>(value.Type),
                                    reinterpret_cast<const BYTE*>(data.data()),
                                    static_cast<DWORD>(data.size())));
}

bool TWin32RegistryKey::DeleteValue(const std::string& name) {
  return RegResult(::RegDeleteValueA(key_.Get(), name.c_str()));
}

bool TWin32RegistryKey::Flush() { return RegResult(::RegFlushKey(key_.Get())); }

std::unique_ptr<IRegistryKey> TWin32Registry::OpenKey(TRegRoot root, const std::string& path,
                                                      TRegAccess access) {
  TRegKeyHandle key;
  REGSAM sam = access == TRegAccess::All ? KEY_ALL_ACCESS : KEY_READ;
  if (!RegResult(::RegOpenKeyExA(RootKey(root), path.c_str(), 0, sam, key.Receive()))) {
    return nullptr;
  }
  return std::make_unique<TWin32RegistryKey>(std::move(key));
}

std::unique_ptr<IRegistryKey> TWin32Registry::CreateKey(TRegRoot root, const std::string& path) {
  TRegKeyHandle key;
  DWORD disposition = 0;
  if (!RegResult(::RegCreateKeyExA(RootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_ALL_ACCESS, nullptr, key.Receive(), &disposition))) {
    return nullptr;
  }
  return std::make_unique<TWin32RegistryKey>(std::move(key));
}

bool TWin32Registry::DeleteKey(TRegRoot root, const std::string& path) {
  return RegResult(::RegDeleteKeyA(RootKey(root), path.c_str()));
}

IRegistryService& NativeRegistry() {
  static TWin32Registry registry;
  return registry;
}

}  // namespace brim

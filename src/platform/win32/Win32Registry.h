// The registry of the win32 backend: the Reg*A calls of advapi32 behind
// IRegistryService and IRegistryKey.
#pragma once

#include "platform/Platform.h"
#include "platform/win32/Win32Handles.h"

namespace brim {

// An open key; the handle is closed with the object.
class TWin32RegistryKey : public IRegistryKey {
 public:
  explicit TWin32RegistryKey(TRegKeyHandle key) : key_(std::move(key)) {}

  std::vector<std::string> SubKeyNames() override;
  std::vector<std::string> ValueNames() override;
  std::optional<TRegValue> ReadValue(const std::string& name) override;
  bool WriteValue(const std::string& name, const TRegValue& value) override;
  bool DeleteValue(const std::string& name) override;
  bool Flush() override;

 private:
  TRegKeyHandle key_;
};

class TWin32Registry : public IRegistryService {
 public:
  std::unique_ptr<IRegistryKey> OpenKey(TRegRoot root, const std::string& path,
                                        TRegAccess access) override;
  std::unique_ptr<IRegistryKey> CreateKey(TRegRoot root, const std::string& path) override;
  bool DeleteKey(TRegRoot root, const std::string& path) override;
};

}  // namespace brim

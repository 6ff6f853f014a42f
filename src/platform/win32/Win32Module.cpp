// The running program through kernel32.
#include "platform/win32/Win32Module.h"

#include "platform/NativeServices.h"
#include "platform/win32/Win32Api.h"

namespace brim {

std::string TWin32Module::ModuleFileName() {
  // A buffer too small gets the name cut to its size (and, on XP, without a
  // NUL), so grow until the name leaves room.
  std::string buffer(MAX_PATH + 1, '\0');
  for (;;) {
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), size);
    if (length == 0) return std::string();
    if (length < size) {
      buffer.resize(length);
      return buffer;
    }
    buffer.assign(buffer.size() * 2, '\0');
  }
}

std::optional<std::string> TWin32Module::LoadResource(const std::string& name) {
  // A missing resource leaves ERROR_RESOURCE_NAME_NOT_FOUND (or ..._TYPE_...
  // when the program has no RT_RCDATA at all) for LastError().
  HRSRC resource = ::FindResourceA(nullptr, name.c_str(), RT_RCDATA);
  if (!resource) return std::nullopt;
  // Resources of a loaded module live as long as the module: nothing to free.
  HGLOBAL loaded = ::LoadResource(nullptr, resource);
  if (!loaded) return std::nullopt;
  const void* data = ::LockResource(loaded);
  DWORD size = ::SizeofResource(nullptr, resource);
  if (size == 0) return std::string();
  if (!data) return std::nullopt;
  return std::string(static_cast<const char*>(data), size);
}

std::optional<std::string> TWin32Module::LoadBitmapResource(const std::string& name) {
  HRSRC resource = ::FindResourceA(nullptr, name.c_str(), RT_BITMAP);
  if (!resource) return std::nullopt;
  HGLOBAL loaded = ::LoadResource(nullptr, resource);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) return std::nullopt;
  std::optional<std::string> file = BitmapFileOfResource(
      std::string(static_cast<const char*>(data), ::SizeofResource(nullptr, resource)));
  if (!file) ::SetLastError(ERROR_INVALID_DATA);
  return file;
}

IModuleService& NativeModule() {
  static TWin32Module module;
  return module;
}

std::optional<std::string> TWin32Module::CommandLine() {
  const char* line = ::GetCommandLineA();
  if (!line) return std::nullopt;
  return std::string(line);
}

}  // namespace brim

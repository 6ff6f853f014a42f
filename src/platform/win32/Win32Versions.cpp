// Version resources through version.dll, loaded from the system directory
// on first use (it is not one of the system's known libraries).
#include "platform/win32/Win32Versions.h"

#include <cstring>

#include "common/routines_Strings.h"
#include "platform/NativeServices.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Libraries.h"

namespace brim {

namespace {

// The three entry points; the library stays loaded for the program's life.
struct TVersionApi {
  decltype(&::GetFileVersionInfoSizeA) InfoSize = nullptr;
  decltype(&::GetFileVersionInfoA) Info = nullptr;
  decltype(&::VerQueryValueA) QueryValue = nullptr;
  DWORD LoadError = 0;
};

const TVersionApi& VersionApi() {
  static const TVersionApi api = [] {
    TVersionApi found;
    HMODULE module = LoadSystemLibrary("VERSION.DLL");
    if (!(ResolveEntry(module, found.InfoSize, "GetFileVersionInfoSizeA") &&
          ResolveEntry(module, found.Info, "GetFileVersionInfoA") &&
          ResolveEntry(module, found.QueryValue, "VerQueryValueA"))) {
      found = {};
      found.LoadError = ::GetLastError();
    }
    return found;
  }();
  if (!api.InfoSize) ::SetLastError(api.LoadError);
  return api;
}

}  // namespace

uint32_t TWin32Versions::GetFileVersionInfoSize(const std::string& path) {
  const TVersionApi& api = VersionApi();
  if (!api.InfoSize) return 0;
  DWORD unused = 0;
  return api.InfoSize(path.c_str(), &unused);
}

std::optional<std::string> TWin32Versions::GetFileVersionInfo(const std::string& path) {
  DWORD size = GetFileVersionInfoSize(path);
  if (size == 0) return std::nullopt;
  std::string block(size, '\0');
  if (!VersionApi().Info(path.c_str(), 0, size, block.data())) return std::nullopt;
  return block;
}

std::optional<std::string> TWin32Versions::QueryValue(const std::string& block,
                                                      const std::string& subBlock) {
  // VerQueryValueA trusts the block: it must hold the length its first word
  // declares. It also writes into it: on NT the block is Unicode and the ANSI
  // text of a string value is made in the room GetFileVersionInfoSizeA asked
  // for beyond that length. So it works on a copy with that room.
  size_t declared = block.size() >= 2 ? static_cast<unsigned char>(block[0]) |
                                            static_cast<unsigned char>(block[1]) << 8
                                      : 0;
  if (declared < 6 || declared > block.size()) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  const TVersionApi& api = VersionApi();
  if (!api.QueryValue) return std::nullopt;
  std::string work = block;
  if (work.size() < 3 * declared) work.resize(3 * declared, '\0');
  void* value = nullptr;
  UINT length = 0;
  ::SetLastError(ERROR_SUCCESS);
  if (!api.QueryValue(work.data(), subBlock.c_str(), &value, &length) || !value) {
    // The call does not always say why; what it means is that the value is not there.
    if (::GetLastError() == ERROR_SUCCESS) ::SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return std::nullopt;
  }
  const char* bytes = static_cast<const char*>(value);
  size_t start = !subBlock.empty() && subBlock[0] == '\\' ? 1 : 0;
  if (StartsWithText(subBlock.substr(start), "StringFileInfo")) {
    // Text: the length counts characters, the NUL included on some systems.
    return std::string(bytes, strnlen(bytes, length));
  }
  return std::string(bytes, length);
}

IVersionService& NativeVersions() {
  static TWin32Versions versions;
  return versions;
}

}  // namespace brim

// Loading libraries from the system directory alone.
#include "platform/win32/Win32Libraries.h"

#include "platform/ModuleService.h"

#include <cctype>

namespace brim {

namespace {

// The flags' values, for headers that declare them only for newer targets.
constexpr DWORD kSearchDllLoadDir = 0x00000100;  // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
constexpr DWORD kSearchSystem32 = 0x00000800;    // LOAD_LIBRARY_SEARCH_SYSTEM32

using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
using TSetDllDirectory = BOOL(WINAPI*)(LPCSTR);

HMODULE Kernel32() { return ::GetModuleHandleA("KERNEL32.DLL"); }

TSetDefaultDllDirectories SetDefaultDllDirectoriesEntry() {
  static const TSetDefaultDllDirectories entry = [] {
    TSetDefaultDllDirectories found = nullptr;
    ResolveEntry(Kernel32(), found, "SetDefaultDllDirectories");
    return found;
  }();
  return entry;
}

bool IsAbsolutePath(const std::string& path) {
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
      separator(path[2]))
    return true;
  return path.size() >= 3 && separator(path[0]) && separator(path[1]);
}

}  // namespace

bool LibrarySearchFlagsAvailable() { return SetDefaultDllDirectoriesEntry() != nullptr; }

// The system directory alone where the system can be told so; elsewhere at
// least the current directory leaves the search.
void RestrictLibrarySearch() {
  if (auto setDefault = SetDefaultDllDirectoriesEntry()) {
    setDefault(kSearchSystem32);
    return;
  }
  TSetDllDirectory setDirectory = nullptr;
  if (ResolveEntry(Kernel32(), setDirectory, "SetDllDirectoryA")) setDirectory("");
}

HMODULE LoadSystemLibrary(const char* name, DWORD extraFlags) {
  auto directory = ApiText([](char* buffer, DWORD size) {
    return static_cast<DWORD>(::GetSystemDirectoryA(buffer, size));
  });
  if (!directory) return nullptr;
  std::string path = *directory;
  if (!path.empty() && path.back() != '\\') path += '\\';
  path += name;
  // A library read as data runs nothing and loads no dependencies.
  DWORD flags = extraFlags;
  if (!(extraFlags & LOAD_LIBRARY_AS_DATAFILE))
    flags |= LibrarySearchFlagsAvailable() ? kSearchSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH;
  return ::LoadLibraryExA(path.c_str(), nullptr, flags);
}

HMODULE LoadLibraryAt(const std::string& path) {
  if (!IsAbsolutePath(path)) {
    ::SetLastError(ERROR_BAD_PATHNAME);
    return nullptr;
  }
  // The search flags take backslashes only.
  std::string native = path;
  for (char& c : native)
    if (c == '/') c = '\\';
  DWORD flags = LibrarySearchFlagsAvailable() ? kSearchDllLoadDir | kSearchSystem32
                                              : LOAD_WITH_ALTERED_SEARCH_PATH;
  return ::LoadLibraryExA(native.c_str(), nullptr, flags);
}

}  // namespace brim

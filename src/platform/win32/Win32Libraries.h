// How the win32 programs load libraries. A library asked for by its bare
// name, unless the system knows it (KnownDLLs), is looked for first in the
// program's own folder, and a DLL of that name planted beside an elevated
// setup.exe (in a download folder) would run inside it. So the programs
// import only the system's known libraries, restrict the search to the
// system directory as they start, and load every other library through
// here: by its full path in the system directory.
#pragma once

#include <string>

#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Handles.h"

namespace brim {

// Whether the system takes the LOAD_LIBRARY_SEARCH_* flags (Windows 8 and
// later; Vista and 7 with update KB2533623). Without them a library's own
// dependencies are found by the old search order.
bool LibrarySearchFlagsAvailable();

// A library of the system directory by its file name ("VERSION.DLL"),
// loaded by its full path there; its dependencies come from the system
// directory too where the system takes the search flags. extraFlags such as
// LOAD_LIBRARY_AS_DATAFILE are passed on. Null with the system's error.
HMODULE LoadSystemLibrary(const char* name, DWORD extraFlags = 0);

// A library at an absolute path (a COM server being registered), its
// dependencies taken from its own folder and the system directory. A
// relative path is refused with ERROR_BAD_PATHNAME: the search would find
// whatever file of that name lies in the program's folder.
HMODULE LoadLibraryAt(const std::string& path);

// An entry point of a loaded library as the function type of its
// declaration; false (and a null function) when the library lacks it.
template <class F>
bool ResolveEntry(HMODULE module, F& function, const char* name) {
  function = module ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
                    : nullptr;
  return function != nullptr;
}

// A library loaded for a while, freed when its holder ends.
struct TLibraryTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::FreeLibrary(h); }
};
using TLibraryHandle = TScopedHandle<TLibraryTraits>;

}  // namespace brim

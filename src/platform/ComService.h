// The COM-level calls of an installation: registering and unregistering an
// in-process server by its file, saving a shell link (.lnk), and the
// shell's folder browser. The first three return its HRESULT (TErrorDomain::HResult). The service initialises COM
// itself on its first call (CoInitialize, on the installation's one
// thread) and uninitialises it when the program ends.
//
// win32: LoadLibraryExA of the server's absolute path (its dependencies from
// its own folder and the system directory) and its "DllRegisterServer" or
// "DllUnregisterServer"; IShellLinkA and IPersistFile::Save;
// SHBrowseForFolderA with an added create-folder button and path edit.
// posix: the substitute machine reads the server's PE export table for the
// entry point and records the registration in its machine.ini (section
// [ComServers]). Shell links are written and read as .lnk files in the
// Shell Link binary format that Windows reads. The machine has no folder
// browser to show.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/PlatformError.h"

namespace brim {

// HRESULTs the services return and callers test for.
inline constexpr uint32_t hrOk = 0;
inline constexpr uint32_t hrNotImplemented = 0x80004001u;         // E_NOTIMPL
inline constexpr uint32_t hrFail = 0x80004005u;                   // E_FAIL
inline constexpr uint32_t hrInvalidArg = 0x80070057u;             // E_INVALIDARG
inline constexpr uint32_t hrFileNotFound = 0x80070002u;           // HRESULT_FROM_WIN32(2)
inline constexpr uint32_t hrPathNotFound = 0x80070003u;           // HRESULT_FROM_WIN32(3)
inline constexpr uint32_t hrBadExeFormat = 0x800700C1u;           // HRESULT_FROM_WIN32(193)
inline constexpr uint32_t hrProcNotFound = 0x8007007Fu;           // HRESULT_FROM_WIN32(127)
inline constexpr uint32_t hrBadPathname = 0x800700A1u;            // HRESULT_FROM_WIN32(161)

// An HRESULT that carries a Windows error code (HRESULT_FROM_WIN32).
constexpr uint32_t HResultFromWin32(uint32_t code) {
  return code == 0 || (code & 0x80000000u) ? code : (code & 0xFFFFu) | 0x80070000u;
}

// What a shell link holds.
struct TShellLink {
  std::string Target;            // the file it starts
  std::string Arguments;
  std::string WorkingDirectory;
  std::string Description;
  std::string IconPath;          // empty: the target's own icon
  int IconIndex = 0;
  uint32_t ShowCommand = 1;      // SW_SHOWNORMAL, SW_SHOWMINNOACTIVE (7), SW_SHOWMAXIMIZED (3)
  uint16_t HotKey = 0;           // virtual key in the low byte, HOTKEYF_* flags in the high byte
};

// The step of saving a shell link that failed: making the link object
// (CoCreateInstance of the shell link class for IShellLinkA), one of the
// calls that set its fields, in this order, or saving it (IPersistFile).
enum class TShellLinkStep {
  Create,
  SetPath,
  SetHotkey,
  SetArguments,
  SetWorkingDirectory,
  SetIconLocation,
  Save
};

// The step of a server registration that failed: loading the library,
// finding its entry point, or the entry point's own result.
enum class TServerStep { Load, FindEntry, Call };

// How the folder browser is opened.
struct TFolderBrowserOptions {
  std::string Directory;         // the folder to preselect (its deepest existing part)
  bool ShowCreateButton = true;  // add a button that makes a new folder
  bool ShowPathEdit = true;      // add an edit box where a path can be typed
};

// How the folder browser ended.
struct TFolderBrowserResult {
  bool Chosen = false;             // the user pressed OK
  std::string Path;                // the folder of the returned item, when chosen
  std::string CurrentPath;         // the path shown last: the selection, or what was typed
  bool RecreateRequested = false;  // a folder was made: open the browser again on CurrentPath
};

class IComService {
 public:
  virtual ~IComService() = default;
  // Loads the server and calls its "DllRegisterServer" (or
  // "DllUnregisterServer" when unregister is set). On win32 a path without
  // its folder fails with hrBadPathname, unloaded. On failure failedStep,
  // when given, receives the step that failed.
  virtual TPlatformError RegisterServer(const std::string& path, bool unregister = false,
                                        TServerStep* failedStep = nullptr) = 0;
  // Saves the link as the file path (its name ends in ".lnk"). The icon
  // location is set only when IconPath is not empty. On failure
  // failedStep, when given, receives the step that failed.
  virtual TPlatformError SaveShellLink(const std::string& path, const TShellLink& link,
                                       TShellLinkStep* failedStep = nullptr) = 0;
  // Reads the shell link file at path into link.
  virtual TPlatformError LoadShellLink(const std::string& path, TShellLink& link) = 0;
  // Shows the shell's folder browser, modal to the active window, and
  // returns how it ended. Empty, with the last error set, when the
  // platform has no browser to show (errNotSupported).
  virtual std::optional<TFolderBrowserResult> BrowseForFolder(const TFolderBrowserOptions& options) = 0;
};

// The COM service of the platform this program was built for.
IComService& NativeComService();

}  // namespace brim

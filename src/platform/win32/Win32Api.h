// How the win32 backend reaches the Windows API. This is the one place it
// includes <windows.h>: the ANSI/Unicode macros whose names the platform
// interfaces use (CopyFile, DeleteFile, GetVersionEx, ...) are removed, so
// those names stay the interfaces' own and the backend calls the "A"
// functions by their real names.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#undef CopyFile
#undef DeleteFile
#undef MoveFile
#undef CreateDirectory
#undef RemoveDirectory
#undef SetCurrentDirectory
#undef WriteProfileString
#undef GetVersionEx
#undef GetFileVersionInfo
#undef GetFileVersionInfoSize
#undef CreateWindow
#undef MessageBox

namespace brim {

// Runs a call that fills a text buffer the way GetTempPathA and its kin do:
// it returns the length of the text, or the size it needs (NUL included)
// when the buffer is too small, or 0 on failure. The buffer grows until the
// text fits; empty when the call fails (its error stays in GetLastError).
std::optional<std::string> ApiText(const std::function<DWORD(char* buffer, DWORD size)>& call,
                                   DWORD firstSize = MAX_PATH + 1);

// A registry call's result as the thread's last error: true on success.
bool RegResult(LONG result);

}  // namespace brim

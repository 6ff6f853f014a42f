// Wrappers of the Windows services the engine asks for facts about the
// machine. Their failures raise EAPIRoutines with untranslated messages.
#pragma once

#include <optional>
#include <string>

namespace brim {

// The platform code: 0 Win32s, 1 the Windows 95 family, 2 Windows NT,
// 3 Windows NT 3.5x, 4 any other platform.
int GetWindowsPlatform();

inline constexpr int wpWin32s = 0;
inline constexpr int wpWindows95 = 1;
inline constexpr int wpWindowsNT = 2;
inline constexpr int wpWindowsNT35 = 3;
inline constexpr int wpOther = 4;

// A new unique file name in the temporary directory with the prefix "bat".
// The system creates the file; unless keep is true it is deleted at once
// and only the name is used.
std::string GetTemporaryFileName(bool keep);

// Whether the path names a file (not a directory) that exists.
bool FileExists(const std::string& path);

// The whole of a small file; empty when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);
// Writes bytes as the whole of the file, replacing it; false (the last
// error set) when it cannot be made or the write comes up short.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// The Windows system directory and the Windows directory, without a
// trailing backslash.
std::string GetSystemDirectoryPath();
std::string GetWindowsDirectoryPath();

}  // namespace brim

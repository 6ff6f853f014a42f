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

// The setup's own temporary directory: made exclusively under the
// temporary directory at first use (a name that is taken, link or not, is
// passed over for a fresh one), so no other program has planted anything
// in it. The same directory serves the whole process while it stays.
std::string TemporaryFilesDirectory();

// A new empty file in the setup's own temporary directory (or in the
// directory given), "bat" followed by random hexadecimal digits and
// extension (".bat"), made exclusively and never through a link; its path.
// Raises EAPIRoutines when the system refuses.
std::string CreateTemporaryFile(const std::string& extension, const std::string& directory = "");

// Removes the setup's own temporary directory when it is empty and forgets
// it; a later request makes a new one.
void EndTemporaryFiles();

// Whether dir is a directory TemporaryFilesDirectory made (of this process
// or an earlier one): the name it gives, directly under a temporary
// directory.
bool IsTemporaryFilesDirectory(const std::string& dir);

// A path as a batch file line carries it: in double quotes, so blanks and
// the command separators ("&", "|", "(", ")", "^") stay part of it. Raises
// EAPIRoutines for a path no quoting keeps whole: a double quote, a "%"
// (expanded even inside quotes) or a line break.
std::string BatchQuoted(const std::string& path);

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

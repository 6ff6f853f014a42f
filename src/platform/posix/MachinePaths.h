// Windows paths on the substitute machine: made absolute against the
// process's current directory and normalised as GetFullPathName does, then
// mapped to host paths (C: is <root>/drive_c, A: is <root>/drive_a, Z: is the
// host's /, another letter X is <root>/drive_x when that directory exists).
// Names are found as Windows finds them: the exact name first, then without
// regard to case, then as a short name. And back: a host path as the Windows
// path that reaches it, and the short (8.3) form of a path.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

namespace brim {

// An absolute Windows path taken apart.
struct TWindowsPath {
  char Drive = 'C';  // upper case
  std::vector<std::string> Parts;
  bool TrailingBackslash = false;  // as given ("C:\dir\"), kept by FullPathName

  // "C:\a\b"; the root is "C:\".
  std::string Text() const;
  TWindowsPath Parent() const;
  bool IsRoot() const { return Parts.empty(); }
};

// GetFullPathName's work: relative paths against the current directory,
// "/" taken as "\", "." and ".." folded, trailing dots and blanks of a name
// stripped. Empty, with the last error set, for UNC paths (errPathNotFound)
// and names Windows refuses (errInvalidName). With wildcardsInLast the last
// name may hold "*" and "?" (FindFiles patterns) and keeps its dots.
std::optional<TWindowsPath> ParseWindowsPath(const std::string& path, bool wildcardsInLast = false);

// The process's current directory, a Windows path; at first the host's
// working directory as the machine sees it.
std::string MachineCurrentDirectory();
void SetMachineCurrentDirectory(const std::string& windowsPath);

// The host directory of a drive's root ("/" for Z:); empty when the machine
// has no such drive.
std::optional<std::string> DriveHostRoot(char drive);

// A Windows path resolved on the host.
struct TMachinePath {
  TWindowsPath Windows;  // long names, in the case found on disk
  std::string Host;      // the host path of the entry
  std::string HostDir;   // its host directory
  std::string Name;      // its name there (as given when it does not exist)
  bool Exists = false;
  bool IsDirectory = false;
  // The host's stat of the entry, when the lookup took it and it is not a
  // link (so stat and lstat agree): the caller need not ask again.
  std::optional<struct stat> Stat;
};

// Resolves a path whose directories all exist; the last name may be
// missing (Exists false). A path that exists as spelled costs one lstat; a
// name in another letter case is found through an index of each
// directory's names, kept current by the host's change notifications so
// that a change made by any process is seen. Empty with errPathNotFound when a directory on
// the way is missing or not a directory, or with the error of the parse.
std::optional<TMachinePath> ResolveMachinePath(const std::string& path);
std::optional<TMachinePath> ResolveMachinePath(const TWindowsPath& path);

// Whether that index may rely on the host's change notifications (the
// default). Without them it trusts a directory's listing only while the
// directory's time stamps are unchanged and were older than the file
// system's clock granularity when it was listed.
void UseHostChangeNotifications(bool use);

// The Windows path of a host path: C:\..., A:\... inside the machine's
// drives, otherwise Z:\... .
std::string WindowsPathOfHost(const std::string& hostPath);

// GetShortPathName of an existing entry: every name in its 8.3 form.
std::optional<std::string> ShortPathOf(const TMachinePath& path);

// The names in a host directory, without "." and "..", sorted by byte.
std::vector<std::string> ListHostDirectory(const std::string& hostDir);

// Joins a host directory and a name ("/" + "usr" is "/usr").
std::string HostJoin(const std::string& dir, const std::string& name);

// Whether a Windows file name holds a character no Windows name may hold
// ("<>:\"|?*" and control characters; "*" and "?" allowed with wildcards).
bool HasInvalidNameChars(const std::string& name, bool wildcards);

}  // namespace brim

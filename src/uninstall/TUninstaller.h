// The uninstaller's work: applying an uninstall record to the machine. It
// unregisters the COM servers, counts shared files down (a file still
// counted stays), removes the fonts, files and shortcuts listed, the
// registry values listed and their keys once empty, the folders the files
// leave empty, the record and last the uninstaller's own file. A file in
// use goes at the next start of Windows.
//
// It trusts the record only as far as TRemovalGuard allows: a damaged or
// hostile record never makes it remove a system folder or anything outside
// what was installed. Every entry it refuses or fails on is reported in the
// outcome and the install log; none stops the others.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "uninstall/UninstallRecord.h"

namespace brim {

// The safety rules of removal, in one place.
class TRemovalGuard {
 public:
  // Learns this machine's system and profile folders: the Windows, system,
  // temporary, program files and common files folders and the shell
  // folders of the user and of all users, with every folder above them.
  TRemovalGuard();

  // Why the file may not be removed, or "" when it may. A file may be
  // removed when its path is absolute on a fixed local drive (not A: or
  // B:, not a network path), has no empty, "." or ".." parts and no
  // characters a file name cannot hold, names no folder, and passes
  // through no link or junction.
  std::string WhyRefused(const std::string& path) const;
  // A folder never removed: a drive root, a system or profile folder, or a
  // folder holding one of them.
  bool IsProtectedFolder(const std::string& folder) const;
  // The file lies in the Windows folder or below it; the fonts folder is
  // part of it.
  bool InWindowsFolder(const std::string& path) const;
  bool InFontsFolder(const std::string& path) const;
  const std::string& FontsFolder() const { return fonts_; }
  // A registry key never removed, even when empty: a root or a key right
  // below one, and the keys above the system's own CurrentVersion keys.
  static bool IsProtectedKey(const std::string& key);

 private:
  void Protect(const std::string& folder);
  std::set<std::string> protected_;   // upper case, without a trailing backslash
  std::vector<std::string> windows_;  // the Windows folder, long and short
  std::string fonts_;
};

// What one uninstall did.
struct TUninstallOutcome {
  int Removed = 0;                     // files, fonts, values, keys and folders removed
  std::vector<std::string> AtRestart;  // what goes at the next start of Windows
  std::vector<std::string> Problems;   // each refused or failed entry: "WHAT: why"
  bool RestartRequired() const { return !AtRestart.empty(); }
};

class TUninstaller {
 public:
  explicit TUninstaller(TUninstallRecord record) : record_(std::move(record)) {}
  // Removes what the record lists, then the record and the uninstaller.
  TUninstallOutcome Run();

 private:
  // How SharedDLLs counts a file after its entries are taken off.
  enum class TShare { NotCounted, StillUsed, Released };
  void RemoveFile(const std::string& path, int occurrences, const TUninstallServer* server);
  TShare UnshareFile(const std::string& path, int occurrences);
  void RemoveFontsOf(const std::string& path);
  void RemoveHelpOf(const std::string& path);
  void Unregister(const TUninstallServer& server);
  bool DeleteOrDefer(const std::string& path);
  void RemoveRegistryKey(const TUninstallRegistryKey& key);
  void DeleteValue(TRegRoot root, const std::string& key, const std::string& name);
  void DeleteKeyWhileEmpty(TRegRoot root, std::string key);
  void RemoveEmptyFolders(std::string folder);
  void RemoveUninstaller();
  void Problem(const std::string& what, const std::string& why);

  TUninstallRecord record_;
  TRemovalGuard guard_;
  TUninstallOutcome outcome_;
  std::set<std::string> folders_;  // of removed files, to remove once empty
  std::set<std::string> pending_;  // upper case: what goes at the restart
};

}  // namespace brim

// Applying the uninstall record, under the safety rules of TRemovalGuard.
#include "uninstall/TUninstaller.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>

#include "common/routines_Strings.h"
#include "components/cmp_TInstallFont.h"
#include "paths/routines_ExpandPaths.h"
#include "platform/ComService.h"
#include "platform/FontService.h"
#include "platform/PlatformError.h"
#include "platform/PlatformServices.h"
#include "platform/ProgramRemoval.h"
#include "session/InstallLog.h"

namespace brim {

namespace {

constexpr const char* kSharedDLLsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr const char* kHelpKey = "SOFTWARE\\Microsoft\\Windows\\Help";
constexpr const char* kShellFolderKeys[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"};
// The keys whose parents are the system's own and stay, even when empty.
constexpr const char* kSystemKeys[] = {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                       "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                       "SOFTWARE\\Classes", "SYSTEM\\CurrentControlSet\\Control"};
// A COM server program gets this long to unregister itself.
constexpr uint32_t kUnregisterTimeoutMs = 60000;

std::string Normal(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return UpperCase(path);
}

std::string ParentOf(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

// The path's folders from the drive root down, each without a trailing backslash.
std::vector<std::string> FoldersAbove(const std::string& path) {
  std::vector<std::string> folders;
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
    folders.push_back(path.substr(0, at));
  return folders;
}

bool IsPrefixFolder(const std::string& folder, const std::string& path) {
  const std::string f = Normal(folder), p = UpperCase(path);
  return !f.empty() && p.size() > f.size() && p.compare(0, f.size(), f) == 0 && p[f.size()] == '\\';
}

std::string RootName(TRegRoot root) { return RootKeyName(root); }

std::string Failure(const char* what) {
  return std::string(what) + " (" + TPlatformError::Last().Describe() + ")";
}

std::vector<std::string> SplitKey(const std::string& key) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= key.size()) {
    size_t end = key.find('\\', start);
    if (end == std::string::npos) end = key.size();
    parts.push_back(key.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::optional<std::string> ReadText(TRegRoot root, const std::string& key,
                                    const std::string& name) {
  auto opened = PlatformRegistry().OpenKey(root, key, TRegAccess::Read);
  if (!opened) return std::nullopt;
  auto value = opened->ReadValue(name);
  if (!value || (value->Type != TRegType::String && value->Type != TRegType::ExpandString))
    return std::nullopt;
  return value->Data;
}

}  // namespace

// ---- The safety rules ----

TRemovalGuard::TRemovalGuard() {
  ISystemService& system = PlatformSystem();
  std::vector<std::string> folders;
  if (auto windows = system.WindowsDirectory()) {
    folders.push_back(*windows);
    windows_.push_back(Normal(*windows));
    if (auto shortName = PlatformFiles().ShortPathName(*windows))
      windows_.push_back(Normal(*shortName));
  }
  if (auto systemDir = system.SystemDirectory()) folders.push_back(*systemDir);
  if (auto temp = PlatformFiles().TempDirectory()) folders.push_back(*temp);
  folders.push_back(GetProgramFilesFolder());
  folders.push_back(GetCommonFilesFolder());
  for (TRegRoot root : {TRegRoot::CurrentUser, TRegRoot::LocalMachine})
    for (const char* key : kShellFolderKeys)
      if (auto opened = PlatformRegistry().OpenKey(root, key, TRegAccess::Read))
        for (const std::string& name : opened->ValueNames())
          if (auto value = opened->ReadValue(name); value && value->Type == TRegType::String)
            folders.push_back(value->Data);
  fonts_ = Normal(TInstallFont::FontsFolder());
  folders.push_back(fonts_);
  for (const std::string& folder : folders) {
    if (folder.size() < 3 || folder[1] != ':') continue;
    Protect(folder);
    if (auto shortName = PlatformFiles().ShortPathName(folder)) Protect(*shortName);
  }
}

void TRemovalGuard::Protect(const std::string& folder) {
  protected_.insert(Normal(folder));
  for (const std::string& above : FoldersAbove(folder)) protected_.insert(Normal(above));
}

bool TRemovalGuard::IsProtectedFolder(const std::string& folder) const {
  const std::string f = Normal(folder);
  return f.size() <= 3 || protected_.count(f) > 0;
}

bool TRemovalGuard::InWindowsFolder(const std::string& path) const {
  return std::any_of(windows_.begin(), windows_.end(),
                     [&](const std::string& w) { return IsPrefixFolder(w, path); });
}

bool TRemovalGuard::InFontsFolder(const std::string& path) const {
  return SameText(ParentOf(path), fonts_);
}

std::string TRemovalGuard::WhyRefused(const std::string& path) const {
  if (path.size() < 4 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':' ||
      path[2] != '\\')
    return "not an absolute path on a local drive";
  const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
  if (drive == 'A' || drive == 'B') return "on a removable drive";
  for (const std::string& part : SplitKey(path.substr(3))) {
    if (part.empty() || part == "." || part == "..") return "has an empty, \".\" or \"..\" part";
    // Windows drops trailing dots and blanks: "Windows." would name "Windows".
    if (part.back() == '.' || part.back() == ' ' ||
        part.find_first_of("*?\"<>|:/") != std::string::npos ||
        std::any_of(part.begin(), part.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 32; }))
      return "holds a name no file can have";
  }
  if (IsProtectedFolder(path)) return "is a system or profile folder";
  IFileService& files = PlatformFiles();
  // The system and profile folders may be links of the system's own (Wine
  // links the desktop to the host's); below them, a link leads out of what
  // was installed.
  for (const std::string& folder : FoldersAbove(path)) {
    if (IsProtectedFolder(folder)) continue;
    if (auto attributes = files.GetAttributes(folder);
        attributes && (*attributes & attrReparsePoint))
      return "passes through the link or junction " + folder;
  }
  if (auto attributes = files.GetAttributes(path)) {
    if (*attributes & attrReparsePoint) return "is a link or junction";
    if (*attributes & attrDirectory) return "is a folder, not a file";
  }
  return "";
}

bool TRemovalGuard::IsProtectedKey(const std::string& key) {
  const std::vector<std::string> parts = SplitKey(key);
  if (parts.size() <= 1 ||
      std::any_of(parts.begin(), parts.end(), [](auto& p) { return p.empty(); }))
    return true;
  const std::string k = UpperCase(key);
  for (const char* systemKey : kSystemKeys) {
    const std::string s = UpperCase(systemKey);
    if (s == k || (s.size() > k.size() && s.compare(0, k.size(), k) == 0 && s[k.size()] == '\\'))
      return true;
  }
  return false;
}

// ---- The uninstall ----

void TUninstaller::Problem(const std::string& what, const std::string& why) {
  outcome_.Problems.push_back(what + ": " + why);
  LogEvent(TLogKind::Error, what + ": not removed: " + why);
}

TUninstallOutcome TUninstaller::Run() {
  LogEvent(TLogKind::Phase, "Uninstalling " + record_.ProductName);
  // Each entry of a file stands for one count of it: a product installed
  // twice over itself lists its shared files twice and counted them twice.
  std::vector<std::string> order;
  std::map<std::string, int> occurrences;
  std::map<std::string, const TUninstallServer*> servers;
  auto note = [&](const std::string& path) {
    if (occurrences[UpperCase(path)]++ == 0) order.push_back(path);
  };
  for (const TUninstallServer& server : record_.Servers) {
    note(server.Path);
    servers.emplace(UpperCase(server.Path), &server);
  }
  for (const std::string& path : record_.Files) note(path);
  for (const std::string& path : order) {
    const std::string upper = UpperCase(path);
    auto server = servers.find(upper);
    RemoveFile(path, occurrences[upper], server == servers.end() ? nullptr : server->second);
  }
  for (const TUninstallRegistryKey& key : record_.RegistryKeys) RemoveRegistryKey(key);

  // The folders the files leave empty, the deepest first.
  std::vector<std::string> folders(folders_.begin(), folders_.end());
  std::sort(folders.begin(), folders.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  for (const std::string& folder : folders) RemoveEmptyFolders(folder);
  for (const char* key : {kSharedDLLsKey, kHelpKey, FontsRegistryKey + 1})
    DeleteKeyWhileEmpty(TRegRoot::LocalMachine, key);

  // The record goes last but for the uninstaller itself.
  IRegistryService& registry = PlatformRegistry();
  std::vector<std::string> keys{record_.Key};
  for (size_t i = 0; i < keys.size(); ++i)
    if (auto opened = registry.OpenKey(TRegRoot::LocalMachine, keys[i], TRegAccess::Read))
      for (const std::string& name : opened->SubKeyNames()) keys.push_back(keys[i] + "\\" + name);
  bool removed = true;
  for (auto key = keys.rbegin(); key != keys.rend(); ++key)
    if (!registry.DeleteKey(TRegRoot::LocalMachine, *key)) {
      Problem(RootName(TRegRoot::LocalMachine) + "\\" + *key, Failure("the key could not be deleted"));
      removed = false;
    }
  if (removed) LogEvent(TLogKind::Registry, "HKEY_LOCAL_MACHINE\\" + record_.Key + ": removed");
  DeleteKeyWhileEmpty(TRegRoot::LocalMachine, ParentOf(record_.Key));
  RemoveUninstaller();
  return outcome_;
}

void TUninstaller::RemoveFile(const std::string& path, int occurrences,
                              const TUninstallServer* server) {
  if (std::string why = guard_.WhyRefused(path); !why.empty())
    return Problem(path, "refused: " + why);
  const TShare share = UnshareFile(path, occurrences);
  if (share == TShare::StillUsed) {
    // Still counted for another product: it stays, with all it registered.
    LogEvent(TLogKind::File, path + ": kept, still used by other programs");
    return;
  }
  if (share == TShare::NotCounted && guard_.InWindowsFolder(path) && !guard_.InFontsFolder(path))
    return Problem(path,
                   "refused: in the Windows folder and not a shared file counted in SharedDLLs");
  folders_.insert(ParentOf(path));
  if (!PlatformFiles().GetAttributes(path)) {
    LogEvent(TLogKind::File, path + ": already gone");
    return;
  }
  if (server) Unregister(*server);
  RemoveFontsOf(path);
  RemoveHelpOf(path);
  if (DeleteOrDefer(path)) LogEvent(TLogKind::File, path + ": removed");
}

// Counts the shared file down by its entries.
TUninstaller::TShare TUninstaller::UnshareFile(const std::string& path, int occurrences) {
  auto key = PlatformRegistry().OpenKey(TRegRoot::LocalMachine, kSharedDLLsKey, TRegAccess::All);
  if (!key) return TShare::NotCounted;
  // The count is kept under the short form of the path, or else the long one.
  std::vector<std::string> names;
  if (auto shortName = PlatformFiles().ShortPathName(path)) names.push_back(*shortName);
  names.push_back(path);
  for (const std::string& name : names) {
    auto value = key->ReadValue(name);
    std::optional<int32_t> count = value ? value->AsInteger() : std::nullopt;
    if (!count) continue;
    const int32_t left = *count - occurrences;
    const std::string what = RootName(TRegRoot::LocalMachine) + "\\" + kSharedDLLsKey + "\\" + name;
    if (left <= 0) {
      DeleteValue(TRegRoot::LocalMachine, kSharedDLLsKey, name);
      return TShare::Released;
    }
    if (key->WriteValue(name, TRegValue::Integer(left)))
      LogEvent(TLogKind::Registry, what + ": " + std::to_string(left));
    else
      Problem(what, Failure("the count could not be lowered"));
    return TShare::StillUsed;
  }
  return TShare::NotCounted;
}

void TUninstaller::Unregister(const TUninstallServer& server) {
  if (server.Executable) {
    auto code = PlatformProcesses().RunProgram("\"" + server.Path + "\" /UNREGSERVER",
                                               TShowWindow::Hide, kUnregisterTimeoutMs);
    if (!code || *code != 0)
      return Problem(server.Path, code ? "/UNREGSERVER ended with " + std::to_string(*code)
                                       : Failure("/UNREGSERVER could not be run"));
  } else {
    TServerStep step = TServerStep::Load;
    TPlatformError error = PlatformCom().RegisterServer(server.Path, true, &step);
    if (error.Failed())
      return Problem(server.Path, "DllUnregisterServer failed (" + error.Describe() + ")");
  }
  LogEvent(TLogKind::Registration, server.Path + ": unregistered");
}

void TUninstaller::RemoveFontsOf(const std::string& path) {
  auto key =
      PlatformRegistry().OpenKey(TRegRoot::LocalMachine, FontsRegistryKey + 1, TRegAccess::Read);
  if (!key) return;
  bool any = false;
  for (const std::string& name : key->ValueNames()) {
    auto value = key->ReadValue(name);
    if (!value || value->Type != TRegType::String) continue;
    // A font in the fonts folder is registered by its file name alone.
    const bool named = SameText(value->Data, path) ||
                       (guard_.InFontsFolder(path) && SameText(value->Data, ExtractFileName(path)));
    if (!named) continue;
    any = true;
    DeleteValue(TRegRoot::LocalMachine, FontsRegistryKey + 1, name);
    LogEvent(TLogKind::Font, name + ": removed");
  }
  if (!any && !guard_.InFontsFolder(path)) return;
  PlatformFonts().RemoveFontResource(path);
  if (any) PlatformFonts().BroadcastFontChange();
}

void TUninstaller::RemoveHelpOf(const std::string& path) {
  const std::string name = UpperCase(ExtractFileName(path));
  auto folder = ReadText(TRegRoot::LocalMachine, kHelpKey, name);
  if (folder && SameText(*folder, ParentOf(path)))
    DeleteValue(TRegRoot::LocalMachine, kHelpKey, name);
}

// Deletes the file now, or at the restart when it is in use.
bool TUninstaller::DeleteOrDefer(const std::string& path) {
  IFileService& files = PlatformFiles();
  if (auto attributes = files.GetAttributes(path); attributes && (*attributes & attrReadOnly))
    files.SetAttributes(path, *attributes & ~attrReadOnly);
  if (files.DeleteFile(path)) {
    ++outcome_.Removed;
    return true;
  }
  const std::string failed = Failure("could not be deleted");
  if (!files.MoveFileAtReboot(path, "", false)) {
    Problem(path, failed);
    return false;
  }
  outcome_.AtRestart.push_back(path);
  pending_.insert(UpperCase(path));
  LogEvent(TLogKind::File, path + ": in use, removed at the restart");
  return false;
}

void TUninstaller::RemoveRegistryKey(const TUninstallRegistryKey& key) {
  const std::string name = RootName(key.Root) + "\\" + key.Key;
  // Values of the system's own keys are never taken, whatever the record says.
  if (TRemovalGuard::IsProtectedKey(key.Key))
    return Problem(name, "refused: a root key, one right below it, or a key of the system");
  for (const std::string& value : key.Values) DeleteValue(key.Root, key.Key, value);
  DeleteKeyWhileEmpty(key.Root, key.Key);
}

void TUninstaller::DeleteValue(TRegRoot root, const std::string& key, const std::string& name) {
  auto opened = PlatformRegistry().OpenKey(root, key, TRegAccess::All);
  if (!opened || !opened->ReadValue(name)) return;  // gone already
  const std::string what = RootName(root) + "\\" + key + "\\" + name;
  if (!opened->DeleteValue(name)) return Problem(what, Failure("the value could not be deleted"));
  ++outcome_.Removed;
  LogEvent(TLogKind::Registry, what + ": removed");
}

void TUninstaller::DeleteKeyWhileEmpty(TRegRoot root, std::string key) {
  IRegistryService& registry = PlatformRegistry();
  for (; !TRemovalGuard::IsProtectedKey(key); key = ParentOf(key)) {
    auto opened = registry.OpenKey(root, key, TRegAccess::Read);
    if (!opened) continue;
    if (!opened->ValueNames().empty() || !opened->SubKeyNames().empty()) return;
    opened.reset();
    if (!registry.DeleteKey(root, key))
      return Problem(RootName(root) + "\\" + key, Failure("the empty key could not be deleted"));
    ++outcome_.Removed;
    LogEvent(TLogKind::Registry, RootName(root) + "\\" + key + ": removed");
  }
}

void TUninstaller::RemoveEmptyFolders(std::string folder) {
  IFileService& files = PlatformFiles();
  for (; !folder.empty() && !guard_.IsProtectedFolder(folder); folder = ParentOf(folder)) {
    if (!files.GetAttributes(folder)) continue;
    std::vector<TFindEntry> entries = files.FindFiles(folder + "\\*");
    if (entries.empty()) {
      if (!files.RemoveDirectory(folder))
        return Problem(folder, Failure("the folder could not be removed"));
      ++outcome_.Removed;
      LogEvent(TLogKind::File, folder + ": removed");
      continue;
    }
    // A folder that holds only what goes at the restart goes after it.
    const bool pendingOnly = std::all_of(entries.begin(), entries.end(), [&](const TFindEntry& e) {
      return pending_.count(UpperCase(folder + "\\" + e.Name)) > 0;
    });
    if (!pendingOnly || !files.MoveFileAtReboot(folder, "", false)) return;
    outcome_.AtRestart.push_back(folder);
    pending_.insert(UpperCase(folder));
  }
}

void TUninstaller::RemoveUninstaller() {
  const std::string& path = record_.UninstallerPath;
  if (path.empty()) return;
  if (std::string why = guard_.WhyRefused(path); !why.empty())
    return Problem(path, "refused: " + why);
  if (!PlatformFiles().GetAttributes(path)) return;
  std::vector<std::string> folders;
  for (std::string folder = ParentOf(path); !folder.empty() && !guard_.IsProtectedFolder(folder);
       folder = ParentOf(folder))
    folders.push_back(folder);
  // The running program's own file cannot be deleted while it runs.
  const std::string running = PlatformModule().ModuleFileName();
  auto shortRunning = PlatformFiles().ShortPathName(running);
  auto shortPath = PlatformFiles().ShortPathName(path);
  const bool isRunning =
      SameText(running, path) || (shortRunning && shortPath && SameText(*shortRunning, *shortPath));
  if (!isRunning) {
    if (DeleteOrDefer(path)) LogEvent(TLogKind::File, path + ": removed");
    if (!folders.empty()) RemoveEmptyFolders(folders.front());
    return;
  }
  switch (RemoveFileAfterExit(path, folders)) {
    case TRemovalResult::Removed: ++outcome_.Removed; break;
    case TRemovalResult::AfterExit:
      LogEvent(TLogKind::File, path + ": removed when the uninstaller ends");
      break;
    case TRemovalResult::AtRestart: outcome_.AtRestart.push_back(path); break;
    case TRemovalResult::Failed: Problem(path, Failure("could not be deleted")); break;
  }
}

}  // namespace brim

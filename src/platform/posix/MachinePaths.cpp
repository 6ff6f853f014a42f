// Windows paths to host paths and back on the substitute machine.
#include "platform/posix/MachinePaths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include "common/routines_Strings.h"
#include "platform/Platform.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/ShortNames.h"
#include "platform/posix/SubstituteMachine.h"

namespace brim {

namespace {

std::mutex currentDirectoryMutex;
std::string currentDirectory;  // empty until first asked

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char UpperLetter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// A name as Windows keeps it: without trailing dots and blanks.
std::string StripTrailingDotsAndBlanks(const std::string& name) {
  size_t end = name.size();
  while (end > 0 && (name[end - 1] == '.' || name[end - 1] == ' ')) --end;
  return name.substr(0, end);
}

bool HasWildcards(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

bool IsHostDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HostEntryExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// Whether two names are equal ignoring the case of A-Z (as SameText), on
// the directory entry's own characters: no copy per entry.
bool SameName(const char* entry, const std::string& name) {
  size_t i = 0;
  for (; entry[i] != '\0'; ++i)
    if (i >= name.size() || UpperLetter(entry[i]) != UpperLetter(name[i])) return false;
  return i == name.size();
}

// The entry of dir that equals name regardless of case; the first in byte
// order when several do, so the same one is found every time. One pass over
// the directory without sorting or copying it: looking up a missing name is
// what every newly created file costs.
std::optional<std::string> FindEntryIgnoringCase(const std::string& dir, const std::string& name) {
  std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(dir.c_str()), ::closedir);
  if (!listing) return std::nullopt;
  std::optional<std::string> found;
  while (dirent* entry = ::readdir(listing.get())) {
    const char* entryName = entry->d_name;
    if (std::strcmp(entryName, ".") == 0 || std::strcmp(entryName, "..") == 0) continue;
    if (SameName(entryName, name) && (!found || std::strcmp(entryName, found->c_str()) < 0))
      found = entryName;
  }
  return found;
}

// The name of the entry of dir that name reaches, as Windows finds it.
std::optional<std::string> FindEntry(const std::string& dir, const std::string& name) {
  if (HostEntryExists(HostJoin(dir, name))) return name;
  if (auto entry = FindEntryIgnoringCase(dir, name)) return entry;
  return LongNameOfShort(dir, name);
}

}  // namespace

std::string TWindowsPath::Text() const {
  std::string text{Drive, ':', '\\'};
  for (size_t i = 0; i < Parts.size(); ++i) {
    if (i) text += '\\';
    text += Parts[i];
  }
  if (TrailingBackslash && !Parts.empty()) text += '\\';
  return text;
}

TWindowsPath TWindowsPath::Parent() const {
  TWindowsPath parent = *this;
  if (!parent.Parts.empty()) parent.Parts.pop_back();
  parent.TrailingBackslash = false;
  return parent;
}

bool HasInvalidNameChars(const std::string& name, bool wildcards) {
  for (unsigned char c : name) {
    if (c < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|') return true;
    if (!wildcards && (c == '*' || c == '?')) return true;
  }
  return false;
}

std::optional<TWindowsPath> ParseWindowsPath(const std::string& path, bool wildcardsInLast) {
  std::string s = path;
  std::replace(s.begin(), s.end(), '/', '\\');
  // "\\?\C:\..." and "\??\C:\..." name the same file as "C:\...".
  if (s.starts_with("\\\\?\\") || s.starts_with("\\??\\")) s = s.substr(4);
  if (s.empty() || s.starts_with("\\\\")) {  // network paths do not exist on the machine
    SetMachineLastError(errPathNotFound);
    return std::nullopt;
  }
  TWindowsPath result;
  std::string rest;
  if (s.size() >= 2 && IsLetter(s[0]) && s[1] == ':') {
    result.Drive = UpperLetter(s[0]);
    rest = s.substr(2);
    if (rest.empty() || rest[0] != '\\') {  // "C:name": relative to that drive's directory
      auto current = ParseWindowsPath(MachineCurrentDirectory());
      if (current && current->Drive == result.Drive) result.Parts = current->Parts;
    }
  } else {
    auto current = ParseWindowsPath(MachineCurrentDirectory());
    if (!current) return std::nullopt;
    result.Drive = current->Drive;
    if (s[0] != '\\') result.Parts = current->Parts;
    rest = s;
  }
  result.TrailingBackslash = !rest.empty() && rest.back() == '\\';
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('\\', start);
    if (end == std::string::npos) end = rest.size();
    std::string name = rest.substr(start, end - start);
    bool last = rest.find_first_not_of('\\', end) == std::string::npos;
    start = end + 1;
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (!result.Parts.empty()) result.Parts.pop_back();
      continue;
    }
    bool pattern = last && wildcardsInLast && HasWildcards(name);
    if (!pattern) name = StripTrailingDotsAndBlanks(name);
    if (name.empty()) continue;
    if (HasInvalidNameChars(name, last && wildcardsInLast)) {
      SetMachineLastError(errInvalidName);
      return std::nullopt;
    }
    result.Parts.push_back(name);
  }
  return result;
}

std::string MachineCurrentDirectory() {
  std::lock_guard<std::mutex> guard(currentDirectoryMutex);
  if (currentDirectory.empty()) {
    char buffer[4096];
    currentDirectory = ::getcwd(buffer, sizeof buffer) ? WindowsPathOfHost(buffer) : "C:\\";
  }
  return currentDirectory;
}

void SetMachineCurrentDirectory(const std::string& windowsPath) {
  std::lock_guard<std::mutex> guard(currentDirectoryMutex);
  currentDirectory = windowsPath;
}

std::optional<std::string> DriveHostRoot(char drive) {
  drive = UpperLetter(drive);
  if (drive == 'Z') return std::string("/");
  if (!IsLetter(drive)) return std::nullopt;
  std::string dir =
      TSubstituteMachine::Current().HostFile(std::string("drive_") + static_cast<char>(drive + 32));
  if (!IsHostDirectory(dir)) return std::nullopt;
  return dir;
}

std::optional<TMachinePath> ResolveMachinePath(const std::string& path) {
  auto parsed = ParseWindowsPath(path);
  if (!parsed) return std::nullopt;
  return ResolveMachinePath(*parsed);
}

std::optional<TMachinePath> ResolveMachinePath(const TWindowsPath& path) {
  auto root = DriveHostRoot(path.Drive);
  if (!root) {
    SetMachineLastError(errPathNotFound);
    return std::nullopt;
  }
  TMachinePath result;
  result.Windows.Drive = path.Drive;
  result.Windows.TrailingBackslash = path.TrailingBackslash;
  result.Host = *root;
  result.Exists = true;
  result.IsDirectory = true;
  for (size_t i = 0; i < path.Parts.size(); ++i) {
    bool last = i + 1 == path.Parts.size();
    auto found = FindEntry(result.Host, path.Parts[i]);
    if (!found && !last) {
      SetMachineLastError(errPathNotFound);
      return std::nullopt;
    }
    result.HostDir = result.Host;
    result.Name = found.value_or(path.Parts[i]);
    result.Host = HostJoin(result.HostDir, result.Name);
    result.Windows.Parts.push_back(result.Name);
    result.Exists = found.has_value();
    result.IsDirectory = result.Exists && IsHostDirectory(result.Host);
    if (!last && !result.IsDirectory) {
      SetMachineLastError(errPathNotFound);
      return std::nullopt;
    }
  }
  if (path.Parts.empty()) result.HostDir = result.Host;
  return result;
}

std::string WindowsPathOfHost(const std::string& hostPath) {
  const std::string& root = TSubstituteMachine::Current().Root();
  std::string prefix = root + "/drive_";
  if (hostPath.starts_with(prefix) && hostPath.size() > prefix.size() &&
      IsLetter(hostPath[prefix.size()]) &&
      (hostPath.size() == prefix.size() + 1 || hostPath[prefix.size() + 1] == '/')) {
    char drive = UpperLetter(hostPath[prefix.size()]);
    if (drive != 'Z') {
      std::string rest = hostPath.substr(prefix.size() + 1);
      std::replace(rest.begin(), rest.end(), '/', '\\');
      while (rest.size() > 1 && rest.back() == '\\') rest.pop_back();
      return std::string{drive, ':'} + (rest.empty() ? "\\" : rest);
    }
  }
  std::string rest = hostPath;
  std::replace(rest.begin(), rest.end(), '/', '\\');
  while (rest.size() > 1 && rest.back() == '\\') rest.pop_back();
  return "Z:" + (rest.empty() ? std::string("\\") : rest);
}

std::optional<std::string> ShortPathOf(const TMachinePath& path) {
  auto root = DriveHostRoot(path.Windows.Drive);
  if (!root || !path.Exists) {
    SetMachineLastError(root ? errFileNotFound : errPathNotFound);
    return std::nullopt;
  }
  TWindowsPath shortPath;
  shortPath.Drive = path.Windows.Drive;
  shortPath.TrailingBackslash = path.Windows.TrailingBackslash;
  std::string host = *root;
  for (const auto& name : path.Windows.Parts) {
    std::string shortName = ShortNameOf(host, name);
    if (shortName.empty()) {
      SetMachineLastError(errAccessDenied);
      return std::nullopt;
    }
    shortPath.Parts.push_back(shortName);
    host = HostJoin(host, name);
  }
  return shortPath.Text();
}

std::vector<std::string> ListHostDirectory(const std::string& hostDir) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(hostDir.c_str());
  if (!dir) return names;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::string HostJoin(const std::string& dir, const std::string& name) {
  if (!dir.empty() && dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

}  // namespace brim

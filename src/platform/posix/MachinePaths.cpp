// Windows paths to host paths and back on the substitute machine.
#include "platform/posix/MachinePaths.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <unordered_map>

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

std::string FoldName(const char* name) {
  std::string folded(name);
  for (char& c : folded) c = UpperLetter(c);
  return folded;
}

// What tells that a directory changed: its identity, its time stamps to
// the nanosecond, its link count and size.
struct TDirectoryStamp {
  dev_t Device = 0;
  ino_t Inode = 0;
  timespec Modified{}, Changed{};
  nlink_t Links = 0;
  off_t Size = 0;

  static TDirectoryStamp Of(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_mtim, st.st_ctim, st.st_nlink, st.st_size};
  }
  bool operator==(const TDirectoryStamp& o) const {
    return Device == o.Device && Inode == o.Inode && Modified.tv_sec == o.Modified.tv_sec &&
           Modified.tv_nsec == o.Modified.tv_nsec && Changed.tv_sec == o.Changed.tv_sec &&
           Changed.tv_nsec == o.Changed.tv_nsec && Links == o.Links && Size == o.Size;
  }
};

// A directory's time stamps only tell a change apart once the clock has
// moved on past them: another change within the same tick of the file
// system's clock leaves them as they are. Two seconds covers the coarsest
// host file systems.
constexpr time_t kStampGranularitySeconds = 2;

bool StampIsSettled(const TDirectoryStamp& stamp) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  time_t latest = std::max(stamp.Modified.tv_sec, stamp.Changed.tv_sec);
  return now.tv_sec - latest > kStampGranularitySeconds;
}

// The names of host directories folded to upper case (A-Z), so that a name
// in another letter case is found without listing the directory again.
//
// An index stays valid while the host's change notifications (inotify)
// report every creation, deletion and rename in the directory, by this
// process or any other; they are read before each use and applied to the
// names, so the machine's own file service keeps its indexes current by
// the changes it makes. A directory whose identity changed is listed
// anew. Where notifications cannot be had, an index is trusted only while
// the directory's stamp is the one it was listed with and that stamp was
// older than the clock's granularity when it was taken.
class TNameIndex {
 public:
  // The entry of dir (whose stat is st) that equals name regardless of
  // case; the first in byte order when several do.
  std::optional<std::string> Find(const std::string& dir, const struct stat& st,
                                  const std::string& name) {
    std::lock_guard<std::mutex> guard(mutex_);
    ReadNotifications();
    TDirectoryStamp stamp = TDirectoryStamp::Of(st);
    auto it = dirs_.find(dir);
    if (it != dirs_.end() && Current(it->second, stamp)) return it->second.Lookup(name);
    Forget(it);
    auto listed = List(dir, stamp);
    if (!listed) return std::nullopt;
    auto found = listed->Lookup(name);
    // One neither watched nor settled would not pass for current: not kept.
    if (listed->Watch >= 0 || listed->Settled) {
      if (dirs_.size() >= kMaxDirectories) Forget(dirs_.begin());
      if (listed->Watch >= 0) byWatch_[listed->Watch] = dir;
      dirs_.emplace(dir, std::move(*listed));
    }
    return found;
  }

  void SetUseNotifications(bool use) {
    std::lock_guard<std::mutex> guard(mutex_);
    while (!dirs_.empty()) Forget(dirs_.begin());
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    useNotifications_ = use;
  }

  // A child made by fork shares the notification descriptor: it starts
  // without indexes of its own.
  void ForgetInChild() {
    new (&mutex_) std::mutex;  // a parent's thread may have held it
    dirs_.clear();
    byWatch_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  struct TDirectory {
    TDirectoryStamp Stamp;
    bool Settled = false;
    int Watch = -1;
    std::unordered_map<std::string, std::vector<std::string>> Names;

    void Add(const char* name) {
      auto& names = Names[FoldName(name)];
      if (std::find(names.begin(), names.end(), name) == names.end()) names.emplace_back(name);
    }
    void Remove(const char* name) {
      auto it = Names.find(FoldName(name));
      if (it != Names.end()) std::erase(it->second, std::string(name));
    }
    std::optional<std::string> Lookup(const std::string& name) const {
      auto it = Names.find(FoldName(name.c_str()));
      if (it == Names.end() || it->second.empty()) return std::nullopt;
      return *std::min_element(it->second.begin(), it->second.end());
    }
  };
  using TDirs = std::unordered_map<std::string, TDirectory>;

  // At most this many directories are indexed; the rest are listed.
  static constexpr size_t kMaxDirectories = 256;

  bool Current(const TDirectory& d, const TDirectoryStamp& stamp) const {
    if (d.Stamp.Device != stamp.Device || d.Stamp.Inode != stamp.Inode) return false;
    if (d.Watch >= 0) return true;
    return d.Settled && d.Stamp == stamp;
  }

  std::optional<TDirectory> List(const std::string& dir, const TDirectoryStamp& stamp) {
    constexpr uint32_t mask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                              IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    TDirectory d;
    d.Stamp = stamp;
    d.Settled = StampIsSettled(stamp);
    // Watched before it is read, so no change falls between the two.
    if (Notifications()) {
      d.Watch = ::inotify_add_watch(fd_, dir.c_str(), mask);
      // Another host path of the same directory holds this watch: it goes.
      if (d.Watch >= 0 && byWatch_.count(d.Watch)) {
        Forget(dirs_.find(byWatch_[d.Watch]));
        d.Watch = ::inotify_add_watch(fd_, dir.c_str(), mask);
      }
    }
    std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(dir.c_str()), ::closedir);
    if (!listing) {
      if (d.Watch >= 0) ::inotify_rm_watch(fd_, d.Watch);
      return std::nullopt;
    }
    while (dirent* entry = ::readdir(listing.get()))
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
        d.Add(entry->d_name);
    return d;
  }

  void Forget(TDirs::iterator it) {
    if (it == dirs_.end()) return;
    if (it->second.Watch >= 0) {
      byWatch_.erase(it->second.Watch);
      ::inotify_rm_watch(fd_, it->second.Watch);
    }
    dirs_.erase(it);
  }

  bool Notifications() {
    if (!useNotifications_) return false;
    if (fd_ < 0) {
      fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
      if (fd_ < 0) useNotifications_ = false;
    }
    return fd_ >= 0;
  }

  // Applies every reported change to the indexes.
  void ReadNotifications() {
    if (fd_ < 0) return;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
      ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      bool drained = static_cast<size_t>(n) + sizeof(inotify_event) + NAME_MAX + 1 <= sizeof buffer;
    for (ssize_t at = 0; at < n;) {
        auto* event = reinterpret_cast<inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        if (event->mask & IN_Q_OVERFLOW) {
          while (!dirs_.empty()) Forget(dirs_.begin());
          continue;
        }
        auto watched = byWatch_.find(event->wd);
        if (watched == byWatch_.end()) continue;
        auto dir = dirs_.find(watched->second);
        if (dir == dirs_.end()) continue;
        if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
          Forget(dir);
        } else if (event->len > 0) {
          if (event->mask & (IN_CREATE | IN_MOVED_TO)) dir->second.Add(event->name);
          if (event->mask & (IN_DELETE | IN_MOVED_FROM)) dir->second.Remove(event->name);
        }
      }
      // Room was left for another event: none was waiting.
      if (drained) return;
    }
  }

  std::mutex mutex_;
  TDirs dirs_;
  std::unordered_map<int, std::string> byWatch_;
  int fd_ = -1;
  bool useNotifications_ = true;
};

TNameIndex& NameIndex() {
  static TNameIndex* index = [] {
    auto* made = new TNameIndex;  // lives to the end: used by static destructors too
    ::pthread_atfork(nullptr, nullptr, [] { NameIndex().ForgetInChild(); });
    return made;
  }();
  return *index;
}

// The name of the entry of dir (whose stat is st) that name reaches, as
// Windows finds it: exactly, in another letter case, or as a short name.
std::optional<std::string> FindEntryIn(const std::string& dir, const struct stat& st,
                                       const std::string& name) {
  if (auto entry = NameIndex().Find(dir, st, name)) return entry;
  return LongNameOfShort(dir, name);
}

// The same where name is not known to be missing in its exact spelling.
std::optional<std::string> FindEntry(const std::string& dir, const std::string& name) {
  if (HostEntryExists(HostJoin(dir, name))) return name;
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0) return std::nullopt;
  return FindEntryIn(dir, st, name);
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

namespace {

// The host directory of a drive's root, not asking whether it exists.
std::optional<std::string> DriveHostRootUnchecked(char drive) {
  drive = UpperLetter(drive);
  if (drive == 'Z') return std::string("/");
  if (!IsLetter(drive)) return std::nullopt;
  return TSubstituteMachine::Current().HostFile(std::string("drive_") +
                                                static_cast<char>(drive + 32));
}

// Most paths name what exists in the spelling given, or a new entry of a
// directory that does: one lstat of the whole host path answers the first,
// a stat of its directory and the index of names the second. Empty when
// the path needs the walk name by name (a directory in another case or as
// a short name, a missing drive or directory).
std::optional<TMachinePath> ResolveAsSpelled(const TWindowsPath& path) {
  auto root = DriveHostRootUnchecked(path.Drive);
  if (!root || path.Parts.empty()) return std::nullopt;
  TMachinePath result;
  result.Windows = path;
  result.HostDir = *root;
  for (size_t i = 0; i + 1 < path.Parts.size(); ++i)
    result.HostDir = HostJoin(result.HostDir, path.Parts[i]);
  result.Name = path.Parts.back();
  result.Host = HostJoin(result.HostDir, result.Name);
  struct stat st {};
  if (::lstat(result.Host.c_str(), &st) == 0) {
    result.Exists = true;
    result.IsDirectory = S_ISDIR(st.st_mode) || (S_ISLNK(st.st_mode) && IsHostDirectory(result.Host));
    if (!S_ISLNK(st.st_mode)) result.Stat = st;
    return result;
  }
  if (errno != ENOENT) return std::nullopt;
  struct stat dir {};
  if (::stat(result.HostDir.c_str(), &dir) != 0 || !S_ISDIR(dir.st_mode)) return std::nullopt;
  if (auto found = FindEntryIn(result.HostDir, dir, result.Name)) {
    result.Name = *found;
    result.Host = HostJoin(result.HostDir, result.Name);
    result.Windows.Parts.back() = result.Name;
    result.Exists = true;
    result.IsDirectory = IsHostDirectory(result.Host);
  }
  return result;
}

}  // namespace

std::optional<TMachinePath> ResolveMachinePath(const TWindowsPath& path) {
  if (auto spelled = ResolveAsSpelled(path)) return spelled;
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

void UseHostChangeNotifications(bool use) { NameIndex().SetUseNotifications(use); }

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

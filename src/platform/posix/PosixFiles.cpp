// IFileService of the substitute machine.
#include "platform/posix/PosixFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "common/routines_Strings.h"
#include "platform/NativeServices.h"
#include "platform/posix/MachineLocks.h"
#include "platform/posix/MachinePaths.h"
#include "platform/posix/PendingRenames.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/ShortNames.h"
#include "platform/posix/SubstituteMachine.h"

namespace brim {

namespace {

constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;

int64_t TicksOfTimespec(const timespec& ts) {
  return (static_cast<int64_t>(ts.tv_sec) + kSecondsFrom1601To1970) * kTicksPerSecond +
         ts.tv_nsec / 100;
}

timespec TimespecOfTicks(int64_t ticks) {
  int64_t seconds = ticks / kTicksPerSecond;
  int64_t rest = ticks % kTicksPerSecond;
  if (rest < 0) {
    rest += kTicksPerSecond;
    --seconds;
  }
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(seconds - kSecondsFrom1601To1970);
  ts.tv_nsec = static_cast<long>(rest * 100);
  return ts;
}

bool FailErrno() { return FailWith(WindowsErrorOfErrno(errno)); }

TFileIdentity IdentityOf(const struct stat& st) { return {st.st_dev, st.st_ino}; }

bool HostStat(const std::string& path, struct stat& st) { return ::stat(path.c_str(), &st) == 0; }

bool IsReadOnly(const struct stat& st) { return !(st.st_mode & S_IWUSR); }

bool IsHostLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

uint32_t AttributesOf(const struct stat& st) {
  uint32_t attributes = S_ISDIR(st.st_mode) ? attrDirectory : attrArchive;
  if (IsReadOnly(st)) attributes |= attrReadOnly;
  return attributes ? attributes : attrNormal;
}

bool OnFloppy(const TMachinePath& path) { return path.Windows.Drive == 'A'; }

uint64_t TreeBytes(const std::string& hostPath) {
  struct stat st {};
  if (::lstat(hostPath.c_str(), &st) != 0) return 0;
  if (S_ISREG(st.st_mode)) return static_cast<uint64_t>(st.st_size);
  if (!S_ISDIR(st.st_mode)) return 0;
  uint64_t total = 0;
  for (const auto& name : ListHostDirectory(hostPath)) total += TreeBytes(HostJoin(hostPath, name));
  return total;
}

uint64_t FloppyBytesFree() {
  uint64_t capacity = TSubstituteMachine::Current().FloppyCapacity();
  uint64_t used = FloppyBytesUsed();
  return used >= capacity ? 0 : capacity - used;
}

bool HasWildcards(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

char FoldCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// Windows wildcard matching without regard to case: "*" any run, "?" one
// character.
bool Glob(const char* p, const char* s) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*s) {
    if (*p == '?' || (*p != '*' && *p && FoldCase(*p) == FoldCase(*s))) {
      ++p;
      ++s;
    } else if (*p == '*') {
      star = p++;
      resume = s;
    } else if (star) {
      p = star + 1;
      s = ++resume;
    } else {
      return false;
    }
  }
  while (*p == '*') ++p;
  return !*p;
}

// FindFirstFile's pattern rules: "*.*" matches every name, "x.*" matches
// "x" too, a pattern ending in "." matches names without an extension.
bool MatchesPattern(const std::string& pattern, const std::string& name) {
  if (pattern == "*" || pattern == "*.*") return true;
  if (pattern.ends_with(".*") && Glob(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str()))
    return true;
  if (pattern.size() > 1 && pattern.back() == '.')
    return name.find('.') == std::string::npos &&
           Glob(pattern.substr(0, pattern.size() - 1).c_str(), name.c_str());
  return Glob(pattern.c_str(), name.c_str());
}

// Copies the bytes of one host file to another, keeping the source's
// modification time, read-only permission and execute permission.
bool CopyHostFile(const std::string& from, const std::string& to) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return FailErrno();
  struct stat st {};
  ::fstat(in, &st);
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) {
    int error = errno;
    ::close(in);
    return FailWith(WindowsErrorOfErrno(error));
  }
  char buffer[65536];
  bool ok = true;
  int error = 0;
  for (;;) {
    ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0) ok = false, error = errno;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        ok = false;
        error = w < 0 ? errno : ENOSPC;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  if (ok) {
    timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    ::futimens(out, times);
    struct stat os {};
    ::fstat(out, &os);
    // A program stays runnable, as a copy of a Windows program does.
    mode_t mode = os.st_mode & 07777;
    if (st.st_mode & 0111) mode |= (mode & 0444) >> 2;
    if (IsReadOnly(st)) mode &= ~0222;
    if (mode != (os.st_mode & 07777)) ::fchmod(out, mode);
  }
  ::close(in);
  if (::close(out) != 0 && ok) ok = false, error = errno;
  if (!ok) {
    ::unlink(to.c_str());
    return FailWith(WindowsErrorOfErrno(error));
  }
  return true;
}

// An open file: a host descriptor registered with the sharing table while
// it lives.
class TPosixFile : public IFile {
 public:
  TPosixFile(int fd, uint64_t ticket, uint32_t access, bool floppy)
      : fd_(fd), ticket_(ticket), access_(access), floppy_(floppy) {}
  ~TPosixFile() override {
    ReleaseFileOpen(ticket_);
    ::close(fd_);
  }

  bool Read(void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    if (!(access_ & accRead)) return FailWith(errAccessDenied);
    char* out = static_cast<char*>(buffer);
    while (done < count) {
      ssize_t n = ::read(fd_, out + done, count - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return FailErrno();
      if (n == 0) break;
      done += static_cast<uint32_t>(n);
    }
    return true;
  }

  bool Write(const void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    if (!(access_ & accWrite)) return FailWith(errAccessDenied);
    uint32_t fits = count;
    if (floppy_) fits = FloppyRoomFor(count);
    const char* in = static_cast<const char*>(buffer);
    while (done < fits) {
      ssize_t n = ::write(fd_, in + done, fits - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return n < 0 ? FailErrno() : FailWith(errDiskFull);
      done += static_cast<uint32_t>(n);
    }
    KeepSetTime();
    if (fits < count) return FailWith(errDiskFull);
    return true;
  }

  std::optional<int64_t> Seek(int64_t offset, TSeekOrigin origin) override {
    int whence = origin == TSeekOrigin::Begin     ? SEEK_SET
                 : origin == TSeekOrigin::Current ? SEEK_CUR
                                                  : SEEK_END;
    off_t position = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (position < 0) {
      FailErrno();
      return std::nullopt;
    }
    return static_cast<int64_t>(position);
  }

  std::optional<int64_t> Size() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
      FailErrno();
      return std::nullopt;
    }
    return static_cast<int64_t>(st.st_size);
  }

  bool SetEnd() override {
    if (!(access_ & accWrite)) return FailWith(errAccessDenied);
    off_t position = ::lseek(fd_, 0, SEEK_CUR);
    struct stat st {};
    if (position < 0 || ::fstat(fd_, &st) != 0) return FailErrno();
    if (floppy_ && position > st.st_size &&
        static_cast<uint64_t>(position - st.st_size) > FloppyBytesFree())
      return FailWith(errDiskFull);
    if (::ftruncate(fd_, position) != 0) return FailErrno();
    KeepSetTime();
    return true;
  }

  std::optional<int64_t> LastWriteTime() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
      FailErrno();
      return std::nullopt;
    }
    return TicksOfTimespec(st.st_mtim);
  }

  bool SetLastWriteTime(int64_t utcTicks) override {
    if (!(access_ & accWrite)) return FailWith(errAccessDenied);
    setTime_ = utcTicks;
    hasSetTime_ = true;
    timespec times[2] = {{0, UTIME_OMIT}, TimespecOfTicks(utcTicks)};
    if (::futimens(fd_, times) != 0) return FailErrno();
    return true;
  }

 private:
  // How many of count bytes written at the current position still fit on
  // the floppy.
  uint32_t FloppyRoomFor(uint32_t count) {
    off_t position = ::lseek(fd_, 0, SEEK_CUR);
    struct stat st {};
    if (position < 0 || ::fstat(fd_, &st) != 0) return count;
    int64_t end = static_cast<int64_t>(position) + count;
    if (end <= st.st_size) return count;
    uint64_t growth = static_cast<uint64_t>(end - std::max<int64_t>(st.st_size, position));
    uint64_t gap = position > st.st_size ? static_cast<uint64_t>(position - st.st_size) : 0;
    uint64_t available = FloppyBytesFree();
    if (growth + gap <= available) return count;
    uint64_t room = available > gap ? available - gap : 0;
    uint64_t overwrite = static_cast<uint64_t>(count) - growth;
    return static_cast<uint32_t>(std::min<uint64_t>(count, overwrite + room));
  }

  // A time set through the handle stays, as on Windows, when later writes
  // go through the same handle.
  void KeepSetTime() {
    if (!hasSetTime_) return;
    timespec times[2] = {{0, UTIME_OMIT}, TimespecOfTicks(setTime_)};
    ::futimens(fd_, times);
  }

  int fd_;
  uint64_t ticket_;
  uint32_t access_;
  bool floppy_;
  bool hasSetTime_ = false;
  int64_t setTime_ = 0;
};

// Resolves a path that must name an existing entry; errFileNotFound when
// only its last name is missing.
std::optional<TMachinePath> ResolveExisting(const std::string& path) {
  auto resolved = ResolveMachinePath(path);
  if (!resolved) return std::nullopt;
  if (!resolved->Exists) {
    SetMachineLastError(errFileNotFound);
    return std::nullopt;
  }
  return resolved;
}

// The host file of a profile (INI) file: a bare name is in the Windows
// directory.
std::optional<TMachinePath> ResolveProfile(const std::string& file) {
  std::string path = file;
  if (file.find_first_of("\\/:") == std::string::npos)
    path = JoinPath(TSubstituteMachine::Current().WindowsDirectory(), file);
  return ResolveMachinePath(path);
}

class TPosixFileService : public IFileService {
 public:
  std::unique_ptr<IFile> Open(const std::string& path, uint32_t access, uint32_t share,
                              TFileCreation creation) override {
    auto p = ResolveMachinePath(path);
    if (!p) return nullptr;
    if (p->IsDirectory || p->Windows.IsRoot()) return Fail(errAccessDenied);
    bool exists = p->Exists;
    switch (creation) {
      case TFileCreation::CreateNew:
        if (exists) return Fail(errFileExists);
        break;
      case TFileCreation::OpenExisting:
        if (!exists) return Fail(errFileNotFound);
        break;
      case TFileCreation::TruncateExisting:
        if (!exists) return Fail(errFileNotFound);
        if (!(access & accWrite)) return Fail(errInvalidParameter);
        break;
      case TFileCreation::CreateAlways:
      case TFileCreation::OpenAlways: break;
      default: return Fail(errInvalidParameter);
    }
    int flags = O_CLOEXEC;
    if ((access & accRead) && (access & accWrite))
      flags |= O_RDWR;
    else if (access & accWrite)
      flags |= O_WRONLY;
    else
      flags |= O_RDONLY;

    if (exists) {
      bool truncate =
          creation == TFileCreation::CreateAlways || creation == TFileCreation::TruncateExisting;
      struct stat st {};
      if (p->Stat) st = *p->Stat;
      else if (!HostStat(p->Host, st)) return FailErrnoNull();
      if (IsReadOnly(st) && ((access & accWrite) || truncate)) return Fail(errAccessDenied);
      TFileIdentity identity = IdentityOf(st);
      std::string windows = p->Windows.Text();
      if (truncate && (IsFileInUse(windows) || !OpensAllowWrite(identity)))
        return Fail(errSharingViolation);
      uint64_t ticket = RegisterFileOpen(identity, p->Host, windows, access, share);
      if (!ticket) return nullptr;
      // Truncating through a read-only descriptor is refused by the host.
      if (truncate && !(access & accWrite)) flags = (flags & ~O_ACCMODE) | O_RDWR;
      int fd = ::open(p->Host.c_str(), flags | (truncate ? O_TRUNC : 0));
      if (fd < 0) {
        int error = errno;
        ReleaseFileOpen(ticket);
        return Fail(WindowsErrorOfErrno(error));
      }
      auto file = std::make_unique<TPosixFile>(fd, ticket, access, OnFloppy(*p));
      // CREATE_ALWAYS and OPEN_ALWAYS tell that the file was there already.
      bool told = creation == TFileCreation::CreateAlways || creation == TFileCreation::OpenAlways;
      SetMachineLastError(told ? errAlreadyExists : errSuccess);
      return file;
    }

    // O_EXCL with O_NOFOLLOW: a link planted under the name since the
    // lookup fails the call instead of making its target.
    int fd = ::open(p->Host.c_str(), flags | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
    if (fd < 0) return errno == EEXIST ? Fail(errFileExists) : FailErrnoNull();
    struct stat st {};
    ::fstat(fd, &st);
    uint64_t ticket = RegisterFileOpen(IdentityOf(st), p->Host, p->Windows.Text(), access, share);
    if (!ticket) {
      ::close(fd);
      return nullptr;
    }
    AssignShortName(p->HostDir, p->Name);
    SetMachineLastError(errSuccess);
    return std::make_unique<TPosixFile>(fd, ticket, access, OnFloppy(*p));
  }

  bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override {
    auto src = ResolveExisting(from);
    if (!src) return false;
    if (src->IsDirectory) return FailWith(errAccessDenied);
    auto dst = ResolveMachinePath(to);
    if (!dst) return false;
    if (dst->IsDirectory || dst->Windows.IsRoot()) return FailWith(errAccessDenied);
    struct stat ss {};
    struct stat ds {};
    if (!HostStat(src->Host, ss)) return FailErrno();
    uint64_t oldSize = 0;
    if (dst->Exists) {
      if (failIfExists) return FailWith(errFileExists);
      if (!HostStat(dst->Host, ds)) return FailErrno();
      if (IdentityOf(ds) == IdentityOf(ss)) return FailWith(errSharingViolation);
      if (IsReadOnly(ds)) return FailWith(errAccessDenied);
      oldSize = static_cast<uint64_t>(ds.st_size);
    }
    if (OnFloppy(*dst)) {
      uint64_t available = FloppyBytesFree() + oldSize;
      if (static_cast<uint64_t>(ss.st_size) > available) return FailWith(errDiskFull);
    }
    // CopyFile reads the source letting others read and write it, and
    // writes the target letting nobody in.
    uint64_t reading = RegisterFileOpen(IdentityOf(ss), src->Host, src->Windows.Text(), accRead,
                                        shareRead | shareWrite);
    if (!reading) return false;
    uint64_t writing = 0;
    if (dst->Exists) {
      writing =
          RegisterFileOpen(IdentityOf(ds), dst->Host, dst->Windows.Text(), accWrite, shareNone);
      if (!writing) {
        ReleaseFileOpen(reading);
        return false;
      }
    }
    bool ok = CopyHostFile(src->Host, dst->Host);
    ReleaseFileOpen(reading);
    if (writing) ReleaseFileOpen(writing);
    if (!ok) return false;
    if (!dst->Exists) AssignShortName(dst->HostDir, dst->Name);
    SetMachineLastError(errSuccess);
    return true;
  }

  bool DeleteFile(const std::string& path) override {
    auto p = ResolveExisting(path);
    if (!p) return false;
    if (p->IsDirectory) return FailWith(errAccessDenied);
    struct stat st {};
    if (!HostStat(p->Host, st)) {
      // A dangling host link is still a name that can go.
      if (::unlink(p->Host.c_str()) != 0) return FailErrno();
      return true;
    }
    if (IsReadOnly(st)) return FailWith(errAccessDenied);
    if (IsFileInUse(p->Windows.Text()) || !OpensAllowDelete(IdentityOf(st)))
      return FailWith(errSharingViolation);
    if (::unlink(p->Host.c_str()) != 0) return FailErrno();
    return true;
  }

  bool MoveFile(const std::string& from, const std::string& to) override {
    return MoveMachineFile(from, to, false);
  }
  bool MoveFileReplacing(const std::string& from, const std::string& to) override {
    return MoveMachineFile(from, to, true);
  }

  bool CreateDirectory(const std::string& path) override {
    auto p = ResolveMachinePath(path);
    if (!p) return false;
    if (p->Exists) return FailWith(errAlreadyExists);
    if (::mkdir(p->Host.c_str(), 0777) != 0) return FailErrno();
    AssignShortName(p->HostDir, p->Name);
    return true;
  }

  bool RemoveDirectory(const std::string& path) override {
    auto p = ResolveExisting(path);
    if (!p) return false;
    if (!p->IsDirectory) return FailWith(errDirectory);
    if (p->Windows.IsRoot()) return FailWith(errAccessDenied);
    // A link to a directory goes itself, as a junction does on Windows.
    if (IsHostLink(p->Host)) return ::unlink(p->Host.c_str()) == 0 || FailErrno();
    if (::rmdir(p->Host.c_str()) != 0) {
      if (errno == ENOTEMPTY || errno == EEXIST) return FailWith(errDirNotEmpty);
      return FailErrno();
    }
    return true;
  }

  std::optional<uint32_t> GetAttributes(const std::string& path) override {
    auto p = ResolveExisting(path);
    if (!p) return std::nullopt;
    struct stat st {};
    if (p->Stat) st = *p->Stat;
    else if (!HostStat(p->Host, st)) {
      FailErrno();
      return std::nullopt;
    }
    return AttributesOf(st) | (IsHostLink(p->Host) ? attrReparsePoint : 0);
  }

  // Only the read-only attribute of a file is kept; Windows does not
  // enforce it on directories, so there it is left alone.
  bool SetAttributes(const std::string& path, uint32_t attributes) override {
    auto p = ResolveExisting(path);
    if (!p) return false;
    struct stat st {};
    if (!HostStat(p->Host, st)) return FailErrno();
    if (S_ISDIR(st.st_mode)) return true;
    mode_t mode = st.st_mode & 07777;
    mode_t wanted = (attributes & attrReadOnly) ? mode & ~0222 : mode | S_IWUSR;
    if (wanted != mode && ::chmod(p->Host.c_str(), wanted) != 0) return FailErrno();
    return true;
  }

  std::vector<TFindEntry> FindFiles(const std::string& pattern) override {
    std::vector<TFindEntry> found;
    auto parsed = ParseWindowsPath(pattern, true);
    if (!parsed) return found;
    if (parsed->IsRoot()) {
      SetMachineLastError(errFileNotFound);
      return found;
    }
    std::string wanted = parsed->Parts.back();
    auto dir = ResolveMachinePath(parsed->Parent());
    if (!dir || !dir->IsDirectory) {
      SetMachineLastError(errPathNotFound);
      return found;
    }
    std::vector<std::string> names;
    if (!HasWildcards(wanted)) {
      auto entry = ResolveMachinePath(*parsed);
      if (entry && entry->Exists) names.push_back(entry->Name);
    } else {
      for (auto& name : ListHostDirectory(dir->Host))
        if (!HasInvalidNameChars(name, false) && name.find('\\') == std::string::npos)
          names.push_back(std::move(name));
      // The short names of a directory are given together, in order.
      std::vector<std::string> lacking;
      for (const auto& name : names)
        if (!IsShortName(name)) lacking.push_back(name);
      if (!lacking.empty()) AssignShortNames(dir->Host, lacking);
    }
    for (const auto& name : names) {
      std::string shortName = IsShortName(name) ? "" : ShortNameOf(dir->Host, name);
      if (HasWildcards(wanted) && !MatchesPattern(wanted, name) &&
          (shortName.empty() || !MatchesPattern(wanted, shortName)))
        continue;
      struct stat st {};
      std::string host = HostJoin(dir->Host, name);
      if (!HostStat(host, st) && ::lstat(host.c_str(), &st) != 0) continue;
      TFindEntry entry;
      entry.Name = name;
      entry.ShortName = shortName;
      entry.Attributes = AttributesOf(st) | (IsHostLink(host) ? attrReparsePoint : 0);
      entry.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
      entry.LastWriteTime = TicksOfTimespec(st.st_mtim);
      found.push_back(std::move(entry));
    }
    // NTFS lists a directory in the order of its upper-cased names.
    std::stable_sort(found.begin(), found.end(), [](const TFindEntry& a, const TFindEntry& b) {
      return UpperCase(a.Name) < UpperCase(b.Name);
    });
    SetMachineLastError(found.empty() ? errFileNotFound : errSuccess);
    return found;
  }

  std::optional<std::string> ShortPathName(const std::string& path) override {
    auto p = ResolveExisting(path);
    if (!p) return std::nullopt;
    return ShortPathOf(*p);
  }

  std::optional<std::string> FullPathName(const std::string& path) override {
    auto parsed = ParseWindowsPath(path);
    if (!parsed) return std::nullopt;
    return parsed->Text();
  }

  std::optional<std::string> TempDirectory() override {
    std::string dir = TSubstituteMachine::Current().TempDirectory();
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    return dir;
  }

  std::optional<std::string> UniqueTempFileName(const std::string& directory,
                                                const std::string& prefix) override {
    auto dir = ResolveMachinePath(directory);
    if (!dir || !dir->IsDirectory) {
      SetMachineLastError(errPathNotFound);
      return std::nullopt;
    }
    std::string base = JoinPath(directory, prefix.substr(0, 3));
    uint32_t unique = PlatformSystem().TickCount() & 0xFFFF;
    for (int tries = 0; tries < 0xFFFF; ++tries) {
      if (unique == 0) unique = 1;
      char number[8];
      std::snprintf(number, sizeof number, "%X", unique);
      std::string name = base + number + ".tmp";
      if (Open(name, accWrite, shareNone, TFileCreation::CreateNew)) return name;
      uint32_t error = MachineLastError();
      if (error != errFileExists && error != errAlreadyExists && error != errAccessDenied)
        return std::nullopt;
      unique = (unique + 1) & 0xFFFF;
    }
    SetMachineLastError(errFileExists);
    return std::nullopt;
  }

  std::string CurrentDirectory() override { return MachineCurrentDirectory(); }

  bool SetCurrentDirectory(const std::string& path) override {
    auto parsed = ParseWindowsPath(path);
    if (!parsed) return false;
    auto p = ResolveMachinePath(*parsed);
    if (!p) return false;
    if (!p->Exists) return FailWith(errFileNotFound);
    if (!p->IsDirectory) return FailWith(errDirectory);
    parsed->TrailingBackslash = false;
    SetMachineCurrentDirectory(parsed->Text());
    return true;
  }

  std::optional<uint64_t> DiskFreeSpace(const std::string& path) override {
    auto p = ResolveMachinePath(path);
    if (!p || !p->Exists) {
      SetMachineLastError(errPathNotFound);
      return std::nullopt;
    }
    if (OnFloppy(*p)) return FloppyBytesFree();
    struct statvfs vfs {};
    if (::statvfs(p->Host.c_str(), &vfs) != 0) {
      FailErrno();
      return std::nullopt;
    }
    return static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
  }

  bool MoveFileAtReboot(const std::string& existing, const std::string& newName,
                        bool replaceExisting) override {
    return QueueRenameAtReboot(existing, newName, replaceExisting);
  }

  std::optional<std::string> ReadProfileString(const std::string& file, const std::string& section,
                                               const std::string& key) override {
    auto p = ResolveProfile(file);
    if (!p) return std::nullopt;
    if (!p->Exists || p->IsDirectory) {
      SetMachineLastError(errFileNotFound);
      return std::nullopt;
    }
    auto text = ReadHostFile(p->Host);
    if (!text) {
      FailErrno();
      return std::nullopt;
    }
    auto value = TIniFile::Parse(*text).Read(section, key);
    SetMachineLastError(value ? errSuccess : errFileNotFound);
    return value;
  }

  bool WriteProfileString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& value) override {
    auto p = ResolveProfile(file);
    if (!p) return false;
    if (p->IsDirectory) return FailWith(errAccessDenied);
    {
      // Two processes writing the same file must not lose each other's keys.
      TMachineLock lock(TSubstituteMachine::Current());
      std::string text;
      if (p->Exists) {
        struct stat st {};
        if (!HostStat(p->Host, st)) return FailErrno();
        if (IsReadOnly(st)) return FailWith(errAccessDenied);
        if (IsFileInUse(p->Windows.Text()) || !OpensAllowWrite(IdentityOf(st)))
          return FailWith(errSharingViolation);
        auto read = ReadHostFile(p->Host);
        if (!read) return FailErrno();
        text = *read;
      }
      TIniFile ini = TIniFile::Parse(text);
      ini.Write(section, key, value);
      std::string written = ini.Text();
      if (OnFloppy(*p) && written.size() > text.size() &&
          written.size() - text.size() > FloppyBytesFree())
        return FailWith(errDiskFull);
      if (!WriteHostFileAtomically(p->Host, written)) return FailErrno();
    }
    // The table of short names takes the machine lock itself.
    if (!p->Exists) AssignShortName(p->HostDir, p->Name);
    return true;
  }

 private:
  static std::unique_ptr<IFile> Fail(uint32_t code) {
    SetMachineLastError(code);
    return nullptr;
  }
  static std::unique_ptr<IFile> FailErrnoNull() {
    FailErrno();
    return nullptr;
  }
};

}  // namespace

bool MoveMachineFile(const std::string& from, const std::string& to, bool replaceExisting) {
  auto src = ResolveExisting(from);
  if (!src) return false;
  if (src->Windows.IsRoot()) return FailWith(errAccessDenied);
  auto dst = ResolveMachinePath(to);
  if (!dst) return false;
  if (dst->Windows.IsRoot()) return FailWith(errAccessDenied);
  struct stat ss {};
  struct stat ds {};
  if (::lstat(src->Host.c_str(), &ss) != 0) return FailErrno();
  bool same =
      dst->Exists && ::lstat(dst->Host.c_str(), &ds) == 0 && IdentityOf(ds) == IdentityOf(ss);
  if (dst->Exists && !same) {
    if (!replaceExisting || dst->IsDirectory || src->IsDirectory) return FailWith(errAlreadyExists);
    if (IsReadOnly(ds)) return FailWith(errAccessDenied);
    if (IsFileInUse(dst->Windows.Text()) || !OpensAllowDelete(IdentityOf(ds)))
      return FailWith(errSharingViolation);
  }
  if (src->IsDirectory) {
    // Windows refuses to move a directory holding a file in use or open
    // with "Access is denied".
    if (IsTreeInUse(src->Windows.Text()) || HasOpensBelow(src->Host))
      return FailWith(errAccessDenied);
    if (dst->Host.starts_with(src->Host + "/")) return FailWith(errSharingViolation);
  } else if (IsFileInUse(src->Windows.Text()) || !OpensAllowDelete(IdentityOf(ss))) {
    return FailWith(errSharingViolation);
  }
  if (OnFloppy(*dst) && !OnFloppy(*src)) {
    uint64_t replaced = dst->Exists && !same ? static_cast<uint64_t>(ds.st_size) : 0;
    if (TreeBytes(src->Host) > FloppyBytesFree() + replaced) return FailWith(errDiskFull);
  }
  // A new spelling of the same name ("a.txt" to "A.TXT") renames it.
  std::string target = dst->Host;
  if (same) {
    auto parsed = ParseWindowsPath(to);
    if (parsed && !parsed->IsRoot()) target = HostJoin(dst->HostDir, parsed->Parts.back());
  }
  if (::rename(src->Host.c_str(), target.c_str()) != 0) {
    if (errno != EXDEV) return FailErrno();
    // Another host file system: a file is copied and the original removed,
    // as MoveFile does between volumes; a directory cannot go.
    if (src->IsDirectory) return FailWith(errNotSameDevice);
    if (!CopyHostFile(src->Host, target)) return false;
    if (::unlink(src->Host.c_str()) != 0) return FailErrno();
  }
  MoveShortNames(src->Host, target);
  AssignShortName(dst->HostDir, target.substr(target.rfind('/') + 1));
  SetMachineLastError(errSuccess);
  return true;
}

namespace {

// Removes a host entry and everything below it; files in use or held open
// stay, and the removal goes on with the rest.
bool RemoveHostTree(const std::string& host, const std::string& windows) {
  struct stat st {};
  if (::lstat(host.c_str(), &st) != 0) return errno == ENOENT || FailErrno();
  if (S_ISDIR(st.st_mode)) {
    bool ok = true;
    for (const auto& name : ListHostDirectory(host))
      ok = RemoveHostTree(HostJoin(host, name), JoinPath(windows, name)) && ok;
    if (!ok) return false;
    if (::rmdir(host.c_str()) != 0) return FailErrno();
    return true;
  }
  if (IsFileInUse(windows) || !OpensAllowDelete(IdentityOf(st)))
    return FailWith(errSharingViolation);
  if (::unlink(host.c_str()) != 0) return FailErrno();
  return true;
}

}  // namespace

bool RemoveMachineTree(const std::string& path) {
  auto p = ResolveMachinePath(path);
  if (!p) return false;
  if (!p->Exists) return true;
  if (p->Windows.IsRoot()) return FailWith(errAccessDenied);
  return RemoveHostTree(p->Host, p->Windows.Text());
}

uint64_t FloppyBytesUsed() {
  auto root = DriveHostRoot('A');
  return root ? TreeBytes(*root) : 0;
}

IFileService& NativeFiles() {
  static TPosixFileService service;
  return service;
}

}  // namespace brim

// Reading and writing the resources appended to a posix executable.
#include "platform/posix/ExecutableResources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/routines_Strings.h"
#include "platform/Platform.h"
#include "platform/posix/PosixSystem.h"

namespace brim {

namespace {

// An open host file, closed when it goes.
class THostFile {
 public:
  explicit THostFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~THostFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Open() const { return fd_ >= 0; }
  int Fd() const { return fd_; }

  bool ReadAt(uint64_t offset, size_t count, std::string& out) const {
    out.resize(count);
    size_t done = 0;
    while (done < count) {
      ssize_t n = ::pread(fd_, out.data() + done, count - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
};

bool Fail(std::string* error, uint32_t code, const std::string& text) {
  SetMachineLastError(code);
  if (error) *error = text;
  return false;
}

// Where the resource block of a file starts (the file size when it has
// none) and its entries. False when the file is unreadable or damaged.
bool ReadBlock(const std::string& hostPath, uint64_t& blockOffset,
               std::vector<TExecutableResource>& entries, std::string* error) {
  entries.clear();
  THostFile file(hostPath);
  struct stat st {};
  if (!file.Open() || ::fstat(file.Fd(), &st) != 0)
    return Fail(error, WindowsErrorOfErrno(errno),
                "Cannot open the file " + hostPath + ": " + std::strerror(errno));
  uint64_t size = static_cast<uint64_t>(st.st_size);
  blockOffset = size;
  if (size < kResourceTrailerSize) return true;
  std::string trailer;
  if (!file.ReadAt(size - kResourceTrailerSize, kResourceTrailerSize, trailer))
    return Fail(error, errGenFailure, "Cannot read the end of the file " + hostPath);
  std::string damage;
  auto place = ReadResourceTrailer(trailer, size, &damage);
  if (place && place->Offset == size) return true;  // no resources appended
  std::string block;
  if (place && !file.ReadAt(place->Offset, static_cast<size_t>(place->Size), block))
    return Fail(error, errGenFailure, "Cannot read the resources of " + hostPath);
  if (!place || !ReadResourceBlock(block, place->Count, entries, &damage))
    return Fail(error, errInvalidData, "The resources of " + hostPath + " are damaged: " + damage);
  blockOffset = place->Offset;
  return true;
}

}  // namespace

std::optional<std::vector<TExecutableResource>> ReadExecutableResources(const std::string& hostPath,
                                                                        std::string* error) {
  uint64_t offset = 0;
  std::vector<TExecutableResource> entries;
  if (!ReadBlock(hostPath, offset, entries, error)) return std::nullopt;
  return entries;
}

std::optional<std::string> ReadExecutableResource(const std::string& hostPath,
                                                  const std::string& type,
                                                  const std::string& name) {
  auto entries = ReadExecutableResources(hostPath);
  if (!entries) return std::nullopt;
  bool typeFound = false;
  for (const auto& entry : *entries) {
    if (!SameText(entry.Type, type)) continue;
    typeFound = true;
    if (SameText(entry.Name, name)) {
      SetMachineLastError(errSuccess);
      return entry.Data;
    }
  }
  SetMachineLastError(typeFound ? errResourceNameNotFound : errResourceTypeNotFound);
  return std::nullopt;
}

bool WriteExecutableResources(const std::string& hostPath,
                              const std::vector<TExecutableResource>& resources,
                              std::string* error) {
  uint64_t offset = 0;
  std::vector<TExecutableResource> entries;
  if (!ReadBlock(hostPath, offset, entries, error)) return false;
  MergeResources(entries, resources);
  std::string tooLarge;
  std::optional<std::string> tail = ResourceBlockOf(entries, offset, &tooLarge);
  if (!tail)
    return Fail(error, errInvalidParameter,
                "The resource " + tooLarge + " is too large for " + hostPath);

  THostFile file(hostPath);
  struct stat st {};
  std::string image;
  if (!file.Open() || ::fstat(file.Fd(), &st) != 0 ||
      !file.ReadAt(0, static_cast<size_t>(offset), image))
    return Fail(error, WindowsErrorOfErrno(errno), "Cannot read the file " + hostPath);

  std::string temporary = hostPath + ".res" + std::to_string(::getpid());
  int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 07777);
  if (out < 0)
    return Fail(error, WindowsErrorOfErrno(errno),
                "Cannot create the file " + temporary + ": " + std::strerror(errno));
  bool ok = true;
  for (const std::string* part : {&image, &*tail}) {
    size_t done = 0;
    while (ok && done < part->size()) {
      ssize_t n = ::write(out, part->data() + done, part->size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0)
        ok = false;
      else
        done += static_cast<size_t>(n);
    }
  }
  int writeErrno = errno;
  ::fchmod(out, st.st_mode & 07777);
  if (::close(out) != 0) ok = false;
  if (!ok || ::rename(temporary.c_str(), hostPath.c_str()) != 0) {
    int e = ok ? errno : writeErrno;
    ::unlink(temporary.c_str());
    return Fail(error, WindowsErrorOfErrno(e),
                "Cannot write the resources into " + hostPath + ": " + std::strerror(e));
  }
  SetMachineLastError(errSuccess);
  return true;
}

}  // namespace brim

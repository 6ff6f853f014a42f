// Reading and writing the resources appended to a posix executable.
#include "platform/posix/ExecutableResources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/LittleEndian.h"
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
  if (trailer.compare(16, 8, kResourceMagic) != 0) return true;  // no resources appended

  auto damaged = [&](const std::string& what) {
    return Fail(error, errInvalidData, "The resources of " + hostPath + " are damaged: " + what);
  };
  uint64_t offset = ReadLittleEndian(trailer.data(), 8);
  uint64_t count = ReadLittleEndian(trailer.data() + 8, 4);
  if (ReadLittleEndian(trailer.data() + 12, 4) != 0) return damaged("unknown trailer format");
  uint64_t blockEnd = size - kResourceTrailerSize;
  if (offset > blockEnd) return damaged("the block starts past the end of the file");
  uint64_t blockSize = blockEnd - offset;
  if (count > blockSize / 12) return damaged("more entries than the block can hold");
  std::string block;
  if (!file.ReadAt(offset, static_cast<size_t>(blockSize), block))
    return Fail(error, errGenFailure, "Cannot read the resources of " + hostPath);

  size_t at = 0;
  auto field = [&](std::string& out) {
    if (block.size() - at < 4) return false;
    uint64_t length = ReadLittleEndian(block.data() + at, 4);
    at += 4;
    if (length > block.size() - at) return false;
    out.assign(block, at, static_cast<size_t>(length));
    at += static_cast<size_t>(length);
    return true;
  };
  for (uint64_t i = 0; i < count; ++i) {
    TExecutableResource entry;
    if (!field(entry.Type) || !field(entry.Name) || !field(entry.Data))
      return damaged("entry " + std::to_string(i + 1) + " runs past the block");
    entries.push_back(std::move(entry));
  }
  if (at != block.size()) return damaged("the entries do not fill the block");
  blockOffset = offset;
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
  for (const auto& resource : resources) {
    bool replaced = false;
    for (auto& entry : entries)
      if (SameText(entry.Type, resource.Type) && SameText(entry.Name, resource.Name)) {
        entry = resource;
        replaced = true;
        break;
      }
    if (!replaced) entries.push_back(resource);
  }
  for (const auto& entry : entries)
    if (entry.Type.size() > 0xFFFFFFFFu || entry.Name.size() > 0xFFFFFFFFu ||
        entry.Data.size() > 0xFFFFFFFFu)
      return Fail(error, errInvalidParameter,
                  "The resource " + entry.Name + " is too large for " + hostPath);

  THostFile file(hostPath);
  struct stat st {};
  std::string image;
  if (!file.Open() || ::fstat(file.Fd(), &st) != 0 ||
      !file.ReadAt(0, static_cast<size_t>(offset), image))
    return Fail(error, WindowsErrorOfErrno(errno), "Cannot read the file " + hostPath);

  std::string tail;
  for (const auto& entry : entries) {
    for (const std::string* part : {&entry.Type, &entry.Name, &entry.Data}) {
      AppendLittleEndian(tail, part->size(), 4);
      tail += *part;
    }
  }
  AppendLittleEndian(tail, offset, 8);
  AppendLittleEndian(tail, entries.size(), 4);
  AppendLittleEndian(tail, 0, 4);
  tail += kResourceMagic;

  std::string temporary = hostPath + ".res" + std::to_string(::getpid());
  int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 07777);
  if (out < 0)
    return Fail(error, WindowsErrorOfErrno(errno),
                "Cannot create the file " + temporary + ": " + std::strerror(errno));
  bool ok = true;
  for (const std::string* part : {&image, &tail}) {
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

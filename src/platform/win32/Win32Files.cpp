// Files, directories and processes through kernel32.
#include "platform/win32/Win32Files.h"

#include "common/routines_Strings.h"
#include "platform/NativeServices.h"

namespace brim {

int64_t FileTimeTicks(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                              time.dwLowDateTime);
}

FILETIME TicksFileTime(int64_t ticks) {
  uint64_t value = static_cast<uint64_t>(ticks);
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return time;
}

namespace {

// The kernel32 calls set their own error for LastError(); this only turns
// their BOOL into bool.
bool Ok(BOOL result) { return result != FALSE; }

// Windows refuses to overwrite an existing file that carries one of the
// given attributes (read-only; hidden or system for some calls) with
// ERROR_ACCESS_DENIED. Wine leaves the read-only attribute to the host's file
// permissions, which a process running as root passes, and lets hidden and
// system files be replaced, so the backend checks first, as Windows would.
bool Refused(const std::string& path, DWORD refusing) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & refusing)) return false;
  ::SetLastError(ERROR_ACCESS_DENIED);
  return true;
}

}  // namespace

// --- TWin32File -------------------------------------------------------------

bool TWin32File::Read(void* buffer, uint32_t count, uint32_t& done) {
  DWORD read = 0;
  BOOL ok = ::ReadFile(handle_.Get(), buffer, count, &read, nullptr);
  done = read;
  return Ok(ok);
}

bool TWin32File::Write(const void* buffer, uint32_t count, uint32_t& done) {
  DWORD written = 0;
  BOOL ok = ::WriteFile(handle_.Get(), buffer, count, &written, nullptr);
  done = written;
  return Ok(ok);
}

std::optional<int64_t> TWin32File::Seek(int64_t offset, TSeekOrigin origin) {
  DWORD method = origin == TSeekOrigin::Begin     ? FILE_BEGIN
                 : origin == TSeekOrigin::Current ? FILE_CURRENT
                                                  : FILE_END;
  // SetFilePointer with the high part works on every 32-bit Windows. Its low
  // result 0xFFFFFFFF is also a valid position, so only the error tells.
  LONG high = static_cast<LONG>(offset >> 32);
  ::SetLastError(NO_ERROR);
  DWORD low =
      ::SetFilePointer(handle_.Get(), static_cast<LONG>(static_cast<DWORD>(offset)), &high, method);
  if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) return std::nullopt;
  return static_cast<int64_t>((static_cast<uint64_t>(static_cast<DWORD>(high)) << 32) | low);
}

std::optional<int64_t> TWin32File::Size() {
  DWORD high = 0;
  ::SetLastError(NO_ERROR);
  DWORD low = ::GetFileSize(handle_.Get(), &high);
  if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return std::nullopt;
  return static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
}

bool TWin32File::SetEnd() { return Ok(::SetEndOfFile(handle_.Get())); }

std::optional<int64_t> TWin32File::LastWriteTime() {
  FILETIME written;
  if (!::GetFileTime(handle_.Get(), nullptr, nullptr, &written)) return std::nullopt;
  return FileTimeTicks(written);
}

bool TWin32File::SetLastWriteTime(int64_t utcTicks) {
  FILETIME written = TicksFileTime(utcTicks);
  return Ok(::SetFileTime(handle_.Get(), nullptr, nullptr, &written));
}

// --- TWin32Files ------------------------------------------------------------

std::unique_ptr<IFile> TWin32Files::Open(const std::string& path, uint32_t access, uint32_t share,
                                         TFileCreation creation) {
  DWORD desired = 0;
  if (access & accRead) desired |= GENERIC_READ;
  if (access & accWrite) desired |= GENERIC_WRITE;
  DWORD sharing = 0;
  if (share & shareRead) sharing |= FILE_SHARE_READ;
  if (share & shareWrite) sharing |= FILE_SHARE_WRITE;
  if (share & shareDelete) sharing |= FILE_SHARE_DELETE;
  DWORD refusing = 0;
  if ((desired & GENERIC_WRITE) && creation != TFileCreation::CreateNew) {
    refusing |= FILE_ATTRIBUTE_READONLY;
  }
  if (creation == TFileCreation::CreateAlways)
    refusing |= FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (refusing && Refused(path, refusing)) return nullptr;
  // A new file is made only where no name exists: a link planted under the
  // name is not followed to make its target, it makes the call fail.
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  if (creation == TFileCreation::CreateNew) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  TWinHandle handle(::CreateFileA(path.c_str(), desired, sharing, nullptr,
                                  static_cast<DWORD>(creation), flags, nullptr));
  if (!handle) return nullptr;
  return std::make_unique<TWin32File>(std::move(handle));
}

bool TWin32Files::CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
  if (!failIfExists && Refused(to, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)) return false;
  return Ok(::CopyFileA(from.c_str(), to.c_str(), failIfExists));
}

bool TWin32Files::DeleteFile(const std::string& path) { return Ok(::DeleteFileA(path.c_str())); }

bool TWin32Files::MoveFile(const std::string& from, const std::string& to) {
  return Ok(::MoveFileA(from.c_str(), to.c_str()));
}

bool TWin32Files::MoveFileReplacing(const std::string& from, const std::string& to) {
  return Ok(::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING));
}

bool TWin32Files::CreateDirectory(const std::string& path) {
  return Ok(::CreateDirectoryA(path.c_str(), nullptr));
}

bool TWin32Files::RemoveDirectory(const std::string& path) {
  return Ok(::RemoveDirectoryA(path.c_str()));
}

std::optional<uint32_t> TWin32Files::GetAttributes(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return attributes;
}

bool TWin32Files::SetAttributes(const std::string& path, uint32_t attributes) {
  return Ok(::SetFileAttributesA(path.c_str(), attributes));
}

std::vector<TFindEntry> TWin32Files::FindFiles(const std::string& pattern) {
  std::vector<TFindEntry> entries;
  WIN32_FIND_DATAA data;
  TFindHandle find(::FindFirstFileA(pattern.c_str(), &data));
  if (!find) return entries;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    TFindEntry entry;
    entry.Name = std::move(name);
    entry.ShortName = data.cAlternateFileName;
    entry.Attributes = data.dwFileAttributes;
    entry.Size =
        static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    entry.LastWriteTime = FileTimeTicks(data.ftLastWriteTime);
    entries.push_back(std::move(entry));
  } while (::FindNextFileA(find.Get(), &data));
  // The search ends with ERROR_NO_MORE_FILES, which stays for LastError().
  return entries;
}

std::optional<std::string> TWin32Files::ShortPathName(const std::string& path) {
  return ApiText(
      [&](char* buffer, DWORD size) { return ::GetShortPathNameA(path.c_str(), buffer, size); });
}

std::optional<std::string> TWin32Files::FullPathName(const std::string& path) {
  return ApiText([&](char* buffer, DWORD size) {
    char* filePart = nullptr;
    return ::GetFullPathNameA(path.c_str(), size, buffer, &filePart);
  });
}

std::optional<std::string> TWin32Files::TempDirectory() {
  return ApiText([](char* buffer, DWORD size) { return ::GetTempPathA(size, buffer); });
}

std::optional<std::string> TWin32Files::UniqueTempFileName(const std::string& directory,
                                                           const std::string& prefix) {
  // The result is at most MAX_PATH characters, the size the call documents.
  char name[MAX_PATH + 1] = {};
  if (::GetTempFileNameA(directory.c_str(), prefix.c_str(), 0, name) == 0) return std::nullopt;
  return std::string(name);
}

std::string TWin32Files::CurrentDirectory() {
  return ApiText([](char* buffer, DWORD size) { return ::GetCurrentDirectoryA(size, buffer); })
      .value_or(std::string());
}

bool TWin32Files::SetCurrentDirectory(const std::string& path) {
  return Ok(::SetCurrentDirectoryA(path.c_str()));
}

std::optional<uint64_t> TWin32Files::DiskFreeSpace(const std::string& path) {
  // The bytes this user may still write, which is what an installation can use.
  ULARGE_INTEGER available, total, free;
  if (!::GetDiskFreeSpaceExA(path.c_str(), &available, &total, &free)) return std::nullopt;
  return available.QuadPart;
}

bool TWin32Files::MoveFileAtReboot(const std::string& existing, const std::string& newName,
                                   bool replaceExisting) {
  DWORD flags = MOVEFILE_DELAY_UNTIL_REBOOT;
  if (replaceExisting) flags |= MOVEFILE_REPLACE_EXISTING;
  return Ok(::MoveFileExA(existing.c_str(), newName.empty() ? nullptr : newName.c_str(), flags));
}

std::optional<std::string> TWin32Files::ReadProfileString(const std::string& file,
                                                          const std::string& section,
                                                          const std::string& key) {
  // A line break never reaches a value, so this default tells a missing key
  // from any value, the empty one included.
  static const char kMissing[] = "brimwell\nmissing";
  std::string buffer(1024, '\0');
  for (;;) {
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD length = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), kMissing, buffer.data(),
                                              size, file.c_str());
    if (length + 1 < size) {
      buffer.resize(length);
      break;
    }
    // Cut at size - 1: the value may be longer.
    buffer.assign(buffer.size() * 4, '\0');
  }
  if (buffer == kMissing) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return std::nullopt;
  }
  return buffer;
}

bool TWin32Files::WriteProfileString(const std::string& file, const std::string& section,
                                     const std::string& key, const std::string& value) {
  if (Refused(file, FILE_ATTRIBUTE_READONLY)) return false;
  return Ok(
      ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()));
}

IFileService& NativeFiles() {
  static TWin32Files files;
  return files;
}

}  // namespace brim

// Files and directories: open files, copies, moves, attributes, directory
// listings, temporary files, renames at restart and INI files.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brim {

// Access wanted and sharing allowed, as bit sets (GENERIC_READ/WRITE and
// FILE_SHARE_READ/WRITE/DELETE).
inline constexpr uint32_t accRead = 1;
inline constexpr uint32_t accWrite = 2;
inline constexpr uint32_t shareNone = 0;
inline constexpr uint32_t shareRead = 1;
inline constexpr uint32_t shareWrite = 2;
inline constexpr uint32_t shareDelete = 4;

// CreateFile's creation dispositions, with their Windows values.
enum class TFileCreation : uint32_t {
  CreateNew = 1,
  CreateAlways = 2,
  OpenExisting = 3,
  OpenAlways = 4,
  TruncateExisting = 5,
};

enum class TSeekOrigin { Begin, Current, End };

// File attributes, with their Windows values (FILE_ATTRIBUTE_*).
inline constexpr uint32_t attrReadOnly = 0x01;
inline constexpr uint32_t attrHidden = 0x02;
inline constexpr uint32_t attrSystem = 0x04;
inline constexpr uint32_t attrDirectory = 0x10;
inline constexpr uint32_t attrArchive = 0x20;
inline constexpr uint32_t attrNormal = 0x80;
// A link or junction: the entry leads somewhere else (a symbolic link on the
// substitute machine).
inline constexpr uint32_t attrReparsePoint = 0x400;

// An open file. Destroying it closes it.
class IFile {
 public:
  virtual ~IFile() = default;
  // Reads up to count bytes; done is 0 at the end of the file.
  virtual bool Read(void* buffer, uint32_t count, uint32_t& done) = 0;
  virtual bool Write(const void* buffer, uint32_t count, uint32_t& done) = 0;
  // The new position from the start of the file.
  virtual std::optional<int64_t> Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual std::optional<int64_t> Size() = 0;
  // Cuts the file at the current position.
  virtual bool SetEnd() = 0;
  virtual std::optional<int64_t> LastWriteTime() = 0;
  virtual bool SetLastWriteTime(int64_t utcTicks) = 0;
};

// One directory entry found by FindFiles.
struct TFindEntry {
  std::string Name;
  std::string ShortName;  // empty when Name is already a valid 8.3 name
  uint32_t Attributes = 0;
  int64_t Size = 0;
  int64_t LastWriteTime = 0;
};

// Reads exactly count bytes, across short reads; false at the end of the
// file or on a failed read before that.
inline bool ReadExactly(IFile& file, void* buffer, uint32_t count) {
  auto* at = static_cast<char*>(buffer);
  while (count > 0) {
    uint32_t got = 0;
    if (!file.Read(at, count, got) || got == 0) return false;
    at += got;
    count -= got;
  }
  return true;
}

class IFileService {
 public:
  virtual ~IFileService() = default;
  virtual std::unique_ptr<IFile> Open(const std::string& path, uint32_t access, uint32_t share,
                                      TFileCreation creation) = 0;
  // CopyFileA: the copy keeps the source's last-write time; with
  // failIfExists an existing target is an error.
  virtual bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  // MoveFileA: renames a file or directory; an existing target is an error.
  virtual bool MoveFile(const std::string& from, const std::string& to) = 0;
  // MoveFileExA with MOVEFILE_REPLACE_EXISTING: renames a file over an
  // existing one in one step, so the target is either the old file or the
  // new one; a target in use is an error and stays as it was.
  virtual bool MoveFileReplacing(const std::string& from, const std::string& to) = 0;
  // Creates one directory; its parent must exist.
  virtual bool CreateDirectory(const std::string& path) = 0;
  // Removes one empty directory.
  virtual bool RemoveDirectory(const std::string& path) = 0;
  virtual std::optional<uint32_t> GetAttributes(const std::string& path) = 0;
  virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;
  // The entries matching a pattern with * and ? in its last component
  // ("C:\dir\*.dll"), without "." and "..", in the directory's order.
  virtual std::vector<TFindEntry> FindFiles(const std::string& pattern) = 0;
  // GetShortPathNameA: every component in its 8.3 form; the path must exist.
  virtual std::optional<std::string> ShortPathName(const std::string& path) = 0;
  // GetFullPathNameA: an absolute path from one relative to the current directory.
  virtual std::optional<std::string> FullPathName(const std::string& path) = 0;
  // GetTempPathA: with a trailing backslash.
  virtual std::optional<std::string> TempDirectory() = 0;
  // GetTempFileNameA with a unique number: creates the empty file and
  // returns its path ("C:\TEMP\bat1A2B.tmp" for the prefix "bat").
  virtual std::optional<std::string> UniqueTempFileName(const std::string& directory,
                                                        const std::string& prefix) = 0;
  virtual std::string CurrentDirectory() = 0;
  virtual bool SetCurrentDirectory(const std::string& path) = 0;
  // Bytes free on the drive holding path (GetDiskFreeSpaceExA).
  virtual std::optional<uint64_t> DiskFreeSpace(const std::string& path) = 0;
  // MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT: at the next start the file
  // is renamed to newName (deleted when newName is empty); replaceExisting
  // adds MOVEFILE_REPLACE_EXISTING. Windows 95 refuses the call
  // (errCallNotImplemented); WININIT.INI is its way.
  virtual bool MoveFileAtReboot(const std::string& existing, const std::string& newName,
                                bool replaceExisting) = 0;
  // GetPrivateProfileStringA / WritePrivateProfileStringA on an INI file.
  virtual std::optional<std::string> ReadProfileString(const std::string& file,
                                                       const std::string& section,
                                                       const std::string& key) = 0;
  virtual bool WriteProfileString(const std::string& file, const std::string& section,
                                  const std::string& key, const std::string& value) = 0;
};

}  // namespace brim

// Files and directories of the win32 backend: the kernel32 "A"
// calls behind IFileService and IFile.
#pragma once

#include "platform/Platform.h"
#include "platform/win32/Win32Handles.h"

namespace brim {

// An open file; the handle is closed with the object.
class TWin32File : public IFile {
 public:
  explicit TWin32File(TWinHandle handle) : handle_(std::move(handle)) {}

  bool Read(void* buffer, uint32_t count, uint32_t& done) override;
  bool Write(const void* buffer, uint32_t count, uint32_t& done) override;
  std::optional<int64_t> Seek(int64_t offset, TSeekOrigin origin) override;
  std::optional<int64_t> Size() override;
  bool SetEnd() override;
  std::optional<int64_t> LastWriteTime() override;
  bool SetLastWriteTime(int64_t utcTicks) override;

 private:
  TWinHandle handle_;
};

class TWin32Files : public IFileService {
 public:
  std::unique_ptr<IFile> Open(const std::string& path, uint32_t access, uint32_t share,
                              TFileCreation creation) override;
  bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override;
  bool DeleteFile(const std::string& path) override;
  bool MoveFile(const std::string& from, const std::string& to) override;
  bool MoveFileReplacing(const std::string& from, const std::string& to) override;
  bool CreateDirectory(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  std::optional<uint32_t> GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  std::vector<TFindEntry> FindFiles(const std::string& pattern) override;
  std::optional<std::string> ShortPathName(const std::string& path) override;
  std::optional<std::string> FullPathName(const std::string& path) override;
  std::optional<std::string> TempDirectory() override;
  std::optional<std::string> UniqueTempFileName(const std::string& directory,
                                                const std::string& prefix) override;
  std::string CurrentDirectory() override;
  bool SetCurrentDirectory(const std::string& path) override;
  std::optional<uint64_t> DiskFreeSpace(const std::string& path) override;
  bool MoveFileAtReboot(const std::string& existing, const std::string& newName,
                        bool replaceExisting) override;
  std::optional<std::string> ReadProfileString(const std::string& file, const std::string& section,
                                               const std::string& key) override;
  bool WriteProfileString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& value) override;
};

// FILETIME and the 64-bit ticks of the platform interfaces.
int64_t FileTimeTicks(const FILETIME& time);
FILETIME TicksFileTime(int64_t ticks);

}  // namespace brim

// Services that pass every call on to other services of the same kind. A
// wrapper that changes a few calls (the fault-injecting set, brimarc's
// volumes of a fixed capacity) derives from one of these and overrides
// only those calls.
#pragma once

#include <memory>
#include <utility>

#include "platform/FileService.h"
#include "platform/RegistryService.h"
#include "platform/SystemService.h"

namespace brim {

class TForwardingFile : public IFile {
 public:
  explicit TForwardingFile(std::unique_ptr<IFile> file) : file_(std::move(file)) {}
  bool Read(void* buffer, uint32_t count, uint32_t& done) override {
    return file_->Read(buffer, count, done);
  }
  bool Write(const void* buffer, uint32_t count, uint32_t& done) override {
    return file_->Write(buffer, count, done);
  }
  std::optional<int64_t> Seek(int64_t offset, TSeekOrigin origin) override {
    return file_->Seek(offset, origin);
  }
  std::optional<int64_t> Size() override { return file_->Size(); }
  bool SetEnd() override { return file_->SetEnd(); }
  std::optional<int64_t> LastWriteTime() override { return file_->LastWriteTime(); }
  bool SetLastWriteTime(int64_t utcTicks) override { return file_->SetLastWriteTime(utcTicks); }

 protected:
  IFile& Inner() { return *file_; }

 private:
  std::unique_ptr<IFile> file_;
};

class TForwardingFileService : public IFileService {
 public:
  explicit TForwardingFileService(IFileService& files) : files_(files) {}
  std::unique_ptr<IFile> Open(const std::string& path, uint32_t access, uint32_t share,
                              TFileCreation creation) override {
    return files_.Open(path, access, share, creation);
  }
  bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override {
    return files_.CopyFile(from, to, failIfExists);
  }
  bool DeleteFile(const std::string& path) override { return files_.DeleteFile(path); }
  bool MoveFile(const std::string& from, const std::string& to) override {
    return files_.MoveFile(from, to);
  }
  bool MoveFileReplacing(const std::string& from, const std::string& to) override {
    return files_.MoveFileReplacing(from, to);
  }
  bool CreateDirectory(const std::string& path) override { return files_.CreateDirectory(path); }
  bool RemoveDirectory(const std::string& path) override { return files_.RemoveDirectory(path); }
  std::optional<uint32_t> GetAttributes(const std::string& path) override {
    return files_.GetAttributes(path);
  }
  bool SetAttributes(const std::string& path, uint32_t attributes) override {
    return files_.SetAttributes(path, attributes);
  }
  std::vector<TFindEntry> FindFiles(const std::string& pattern) override {
    return files_.FindFiles(pattern);
  }
  std::optional<std::string> ShortPathName(const std::string& path) override {
    return files_.ShortPathName(path);
  }
  std::optional<std::string> FullPathName(const std::string& path) override {
    return files_.FullPathName(path);
  }
  std::optional<std::string> TempDirectory() override { return files_.TempDirectory(); }
  std::optional<std::string> UniqueTempFileName(const std::string& directory,
                                                const std::string& prefix) override {
    return files_.UniqueTempFileName(directory, prefix);
  }
  std::string CurrentDirectory() override { return files_.CurrentDirectory(); }
  bool SetCurrentDirectory(const std::string& path) override {
    return files_.SetCurrentDirectory(path);
  }
  std::optional<uint64_t> DiskFreeSpace(const std::string& path) override {
    return files_.DiskFreeSpace(path);
  }
  bool MoveFileAtReboot(const std::string& existing, const std::string& newName,
                        bool replaceExisting) override {
    return files_.MoveFileAtReboot(existing, newName, replaceExisting);
  }
  std::optional<std::string> ReadProfileString(const std::string& file, const std::string& section,
                                               const std::string& key) override {
    return files_.ReadProfileString(file, section, key);
  }
  bool WriteProfileString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& value) override {
    return files_.WriteProfileString(file, section, key, value);
  }

 protected:
  IFileService& Inner() { return files_; }

 private:
  IFileService& files_;
};

class TForwardingRegistryKey : public IRegistryKey {
 public:
  explicit TForwardingRegistryKey(std::unique_ptr<IRegistryKey> key) : key_(std::move(key)) {}
  std::vector<std::string> SubKeyNames() override { return key_->SubKeyNames(); }
  std::vector<std::string> ValueNames() override { return key_->ValueNames(); }
  std::optional<TRegValue> ReadValue(const std::string& name) override {
    return key_->ReadValue(name);
  }
  bool WriteValue(const std::string& name, const TRegValue& value) override {
    return key_->WriteValue(name, value);
  }
  bool DeleteValue(const std::string& name) override { return key_->DeleteValue(name); }
  bool Flush() override { return key_->Flush(); }

 private:
  std::unique_ptr<IRegistryKey> key_;
};

class TForwardingRegistry : public IRegistryService {
 public:
  explicit TForwardingRegistry(IRegistryService& registry) : registry_(registry) {}
  std::unique_ptr<IRegistryKey> OpenKey(TRegRoot root, const std::string& path,
                                        TRegAccess access) override {
    return registry_.OpenKey(root, path, access);
  }
  std::unique_ptr<IRegistryKey> CreateKey(TRegRoot root, const std::string& path) override {
    return registry_.CreateKey(root, path);
  }
  bool DeleteKey(TRegRoot root, const std::string& path) override {
    return registry_.DeleteKey(root, path);
  }

 protected:
  IRegistryService& Inner() { return registry_; }

 private:
  IRegistryService& registry_;
};

class TForwardingSystem : public ISystemService {
 public:
  explicit TForwardingSystem(ISystemService& system) : system_(system) {}
  std::optional<TOSVersion> GetVersionEx() override { return system_.GetVersionEx(); }
  std::optional<std::string> SystemDirectory() override { return system_.SystemDirectory(); }
  std::optional<std::string> WindowsDirectory() override { return system_.WindowsDirectory(); }
  uint16_t UserDefaultLangID() override { return system_.UserDefaultLangID(); }
  int CompareText(const std::string& a, const std::string& b) override {
    return system_.CompareText(a, b);
  }
  bool Reboot() override { return system_.Reboot(); }
  uint32_t LastError() override { return system_.LastError(); }
  void SetLastError(uint32_t code) override { system_.SetLastError(code); }
  std::string ErrorMessage(uint32_t code) override { return system_.ErrorMessage(code); }
  int64_t UtcToLocalFileTime(int64_t utcTicks) override { return system_.UtcToLocalFileTime(utcTicks); }
  int64_t LocalToUtcFileTime(int64_t localTicks) override {
    return system_.LocalToUtcFileTime(localTicks);
  }
  TDateTime Now() override { return system_.Now(); }
  uint32_t TickCount() override { return system_.TickCount(); }
  uint32_t AnsiCodePage() override { return system_.AnsiCodePage(); }
  std::optional<std::string> AnsiFromWide(const std::u16string& text) override {
    return system_.AnsiFromWide(text);
  }
  std::u16string WideFromAnsi(const std::string& text) override { return system_.WideFromAnsi(text); }

 protected:
  ISystemService& Inner() { return system_; }

 private:
  ISystemService& system_;
};

}  // namespace brim

// The fault-injecting set of platform services.
#include "platform/FaultInjection.h"

#include <algorithm>

#include "platform/ErrorCodes.h"

namespace brim {

uint32_t FaultErrorCode(TFaultKind kind) {
  switch (kind) {
    case TFaultKind::RegistryWrite:
    case TFaultKind::RegistryCreateKey:
    case TFaultKind::CreateDirectory: return errAccessDenied;
    case TFaultKind::FileOpen:
    case TFaultKind::Move:
    case TFaultKind::Delete: return errSharingViolation;
    case TFaultKind::FileWrite: return errDiskFull;
  }
  return errGenFailure;
}

struct TFaultInjectingServices::TState {
  struct TRule {
    uint64_t First = 0;  // 0: no failure
    bool Onwards = false;
    uint32_t Code = 0;
  };
  TPlatformServices Inner;
  std::array<uint64_t, FaultKindCount> Calls{};
  std::array<TRule, FaultKindCount> Rules{};
  std::optional<int64_t> Capacity;
  // The wrappers, which count and fail in this state.
  std::unique_ptr<IRegistryService> Registry;
  std::unique_ptr<IFileService> Files;

  // Counts a call of the kind: true when it is to fail, the error then set.
  bool Fails(TFaultKind kind) {
    auto k = static_cast<size_t>(kind);
    uint64_t n = ++Calls[k];
    const TRule& rule = Rules[k];
    if (rule.First == 0 || n < rule.First || (n > rule.First && !rule.Onwards)) return false;
    Inner.System->SetLastError(rule.Code);
    return true;
  }
  bool Fail(uint32_t code) {
    Inner.System->SetLastError(code);
    return false;
  }
};

namespace {

using TState = TFaultInjectingServices::TState;

class TFaultKey : public IRegistryKey {
 public:
  TFaultKey(std::unique_ptr<IRegistryKey> key, TState& state) : key_(std::move(key)), state_(state) {}
  std::vector<std::string> SubKeyNames() override { return key_->SubKeyNames(); }
  std::vector<std::string> ValueNames() override { return key_->ValueNames(); }
  std::optional<TRegValue> ReadValue(const std::string& name) override { return key_->ReadValue(name); }
  bool WriteValue(const std::string& name, const TRegValue& value) override {
    if (state_.Fails(TFaultKind::RegistryWrite)) return false;
    return key_->WriteValue(name, value);
  }
  bool DeleteValue(const std::string& name) override { return key_->DeleteValue(name); }
  bool Flush() override { return key_->Flush(); }

 private:
  std::unique_ptr<IRegistryKey> key_;
  TState& state_;
};

class TFaultRegistry : public IRegistryService {
 public:
  explicit TFaultRegistry(TState& state) : state_(state) {}
  std::unique_ptr<IRegistryKey> OpenKey(TRegRoot root, const std::string& path,
                                        TRegAccess access) override {
    return Wrap(state_.Inner.Registry->OpenKey(root, path, access));
  }
  std::unique_ptr<IRegistryKey> CreateKey(TRegRoot root, const std::string& path) override {
    if (state_.Fails(TFaultKind::RegistryCreateKey)) return nullptr;
    return Wrap(state_.Inner.Registry->CreateKey(root, path));
  }
  bool DeleteKey(TRegRoot root, const std::string& path) override {
    return state_.Inner.Registry->DeleteKey(root, path);
  }

 private:
  std::unique_ptr<IRegistryKey> Wrap(std::unique_ptr<IRegistryKey> key) {
    if (!key) return nullptr;
    return std::make_unique<TFaultKey>(std::move(key), state_);
  }
  TState& state_;
};

class TFaultFile : public IFile {
 public:
  TFaultFile(std::unique_ptr<IFile> file, TState& state) : file_(std::move(file)), state_(state) {}

  bool Read(void* buffer, uint32_t count, uint32_t& done) override {
    return file_->Read(buffer, count, done);
  }
  bool Write(const void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    if (state_.Fails(TFaultKind::FileWrite)) {
      // A full disk takes part of a write before it refuses the rest.
      uint32_t code = state_.Inner.System->LastError();
      uint32_t part = count / 2;
      if (part > 0) file_->Write(buffer, part, done);
      return state_.Fail(code);
    }
    if (state_.Capacity) {
      auto position = file_->Seek(0, TSeekOrigin::Current);
      if (!position) return false;
      int64_t room = std::max<int64_t>(0, *state_.Capacity - *position);
      uint32_t fits = static_cast<uint32_t>(std::min<int64_t>(count, room));
      if (fits > 0 && !file_->Write(buffer, fits, done)) return false;
      if (done == count) return true;
      return state_.Fail(errDiskFull);
    }
    return file_->Write(buffer, count, done);
  }
  std::optional<int64_t> Seek(int64_t offset, TSeekOrigin origin) override {
    return file_->Seek(offset, origin);
  }
  std::optional<int64_t> Size() override { return file_->Size(); }
  bool SetEnd() override { return file_->SetEnd(); }
  std::optional<int64_t> LastWriteTime() override { return file_->LastWriteTime(); }
  bool SetLastWriteTime(int64_t utcTicks) override { return file_->SetLastWriteTime(utcTicks); }

 private:
  std::unique_ptr<IFile> file_;
  TState& state_;
};

class TFaultFiles : public IFileService {
 public:
  explicit TFaultFiles(TState& state) : state_(state), files_(*state.Inner.Files) {}

  std::unique_ptr<IFile> Open(const std::string& path, uint32_t access, uint32_t share,
                              TFileCreation creation) override {
    if (state_.Fails(TFaultKind::FileOpen)) return nullptr;
    auto file = files_.Open(path, access, share, creation);
    if (!file || !(access & accWrite)) return file;
    return std::make_unique<TFaultFile>(std::move(file), state_);
  }
  bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override {
    return files_.CopyFile(from, to, failIfExists);
  }
  bool DeleteFile(const std::string& path) override {
    return !state_.Fails(TFaultKind::Delete) && files_.DeleteFile(path);
  }
  bool MoveFile(const std::string& from, const std::string& to) override {
    return !state_.Fails(TFaultKind::Move) && files_.MoveFile(from, to);
  }
  bool CreateDirectory(const std::string& path) override {
    return !state_.Fails(TFaultKind::CreateDirectory) && files_.CreateDirectory(path);
  }
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

 private:
  TState& state_;
  IFileService& files_;
};

}  // namespace

TFaultInjectingServices::TFaultInjectingServices(const TPlatformServices& inner)
    : state_(std::make_unique<TState>()) {
  state_->Inner = inner;
  state_->Registry = std::make_unique<TFaultRegistry>(*state_);
  state_->Files = std::make_unique<TFaultFiles>(*state_);
  services_ = inner;
  services_.Registry = state_->Registry.get();
  services_.Files = state_->Files.get();
}

TFaultInjectingServices::~TFaultInjectingServices() = default;

void TFaultInjectingServices::FailCall(TFaultKind kind, uint64_t n, std::optional<uint32_t> code) {
  state_->Rules[static_cast<size_t>(kind)] = {n, false, code.value_or(FaultErrorCode(kind))};
}

void TFaultInjectingServices::FailFrom(TFaultKind kind, uint64_t n, std::optional<uint32_t> code) {
  state_->Rules[static_cast<size_t>(kind)] = {n, true, code.value_or(FaultErrorCode(kind))};
}

uint64_t TFaultInjectingServices::Calls(TFaultKind kind) const {
  return state_->Calls[static_cast<size_t>(kind)];
}

void TFaultInjectingServices::LimitWrittenFiles(int64_t capacity) { state_->Capacity = capacity; }

}  // namespace brim

// The fault-injecting set of platform services.
#include "platform/FaultInjection.h"

#include "platform/ComService.h"
#include "platform/DdeService.h"
#include "platform/ErrorCodes.h"
#include "platform/ForwardingServices.h"

namespace brim {

uint32_t FaultErrorCode(TFaultKind kind) {
  switch (kind) {
    case TFaultKind::RegistryWrite:
    case TFaultKind::RegistryCreateKey:
    case TFaultKind::RegistryDelete:
    case TFaultKind::CreateDirectory: return errAccessDenied;
    case TFaultKind::FileOpen:
    case TFaultKind::Move:
    case TFaultKind::Delete: return errSharingViolation;
    case TFaultKind::FileWrite: return errDiskFull;
    case TFaultKind::ShellLinkSave: return 0x80070005u;  // E_ACCESSDENIED
    case TFaultKind::DdeConnect: return ddeNoConvEstablished;
    case TFaultKind::DdeExecute: return ddeNotProcessed;
    case TFaultKind::DdeRequest: return ddeDataAckTimeout;
    case TFaultKind::FolderBrowser: return errNotSupported;
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
  std::function<void(TFaultKind, uint64_t)> Hook;
  // The wrappers, which count and fail in this state.
  std::unique_ptr<IRegistryService> Registry;
  std::unique_ptr<IFileService> Files;
  std::unique_ptr<IComService> Com;
  std::unique_ptr<IDdeService> Dde;

  // Counts a call of the kind: true when it is to fail, the error then set.
  bool Fails(TFaultKind kind) { return FailingCode(kind).has_value(); }
  // The same, giving the code of the failure.
  std::optional<uint32_t> FailingCode(TFaultKind kind) {
    auto k = static_cast<size_t>(kind);
    uint64_t n = ++Calls[k];
    if (Hook) Hook(kind, n);
    const TRule& rule = Rules[k];
    if (rule.First == 0 || n < rule.First || (n > rule.First && !rule.Onwards)) return std::nullopt;
    Inner.System->SetLastError(rule.Code);
    return rule.Code;
  }
  bool Fail(uint32_t code) {
    Inner.System->SetLastError(code);
    return false;
  }
};

namespace {

using TState = TFaultInjectingServices::TState;

class TFaultKey : public TForwardingRegistryKey {
 public:
  TFaultKey(std::unique_ptr<IRegistryKey> key, TState& state)
      : TForwardingRegistryKey(std::move(key)), state_(state) {}
  bool WriteValue(const std::string& name, const TRegValue& value) override {
    return !state_.Fails(TFaultKind::RegistryWrite) && TForwardingRegistryKey::WriteValue(name, value);
  }
  bool DeleteValue(const std::string& name) override {
    return !state_.Fails(TFaultKind::RegistryDelete) && TForwardingRegistryKey::DeleteValue(name);
  }

 private:
  TState& state_;
};

class TFaultRegistry : public TForwardingRegistry {
 public:
  explicit TFaultRegistry(TState& state) : TForwardingRegistry(*state.Inner.Registry), state_(state) {}
  std::unique_ptr<IRegistryKey> OpenKey(TRegRoot root, const std::string& path,
                                        TRegAccess access) override {
    return Wrap(Inner().OpenKey(root, path, access));
  }
  std::unique_ptr<IRegistryKey> CreateKey(TRegRoot root, const std::string& path) override {
    if (state_.Fails(TFaultKind::RegistryCreateKey)) return nullptr;
    return Wrap(Inner().CreateKey(root, path));
  }
  bool DeleteKey(TRegRoot root, const std::string& path) override {
    return !state_.Fails(TFaultKind::RegistryDelete) && Inner().DeleteKey(root, path);
  }

 private:
  std::unique_ptr<IRegistryKey> Wrap(std::unique_ptr<IRegistryKey> key) {
    if (!key) return nullptr;
    return std::make_unique<TFaultKey>(std::move(key), state_);
  }
  TState& state_;
};

class TFaultFile : public TForwardingFile {
 public:
  TFaultFile(std::unique_ptr<IFile> file, TState& state)
      : TForwardingFile(std::move(file)), state_(state) {}
  bool Write(const void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    if (!state_.Fails(TFaultKind::FileWrite)) return Inner().Write(buffer, count, done);
    // A full disk takes part of a write before it refuses the rest.
    uint32_t code = state_.Inner.System->LastError();
    uint32_t part = count / 2;
    if (part > 0) Inner().Write(buffer, part, done);
    return state_.Fail(code);
  }

 private:
  TState& state_;
};

class TFaultFiles : public TForwardingFileService {
 public:
  explicit TFaultFiles(TState& state) : TForwardingFileService(*state.Inner.Files), state_(state) {}
  std::unique_ptr<IFile> Open(const std::string& path, uint32_t access, uint32_t share,
                              TFileCreation creation) override {
    if (state_.Fails(TFaultKind::FileOpen)) return nullptr;
    auto file = Inner().Open(path, access, share, creation);
    if (!file || !(access & accWrite)) return file;
    return std::make_unique<TFaultFile>(std::move(file), state_);
  }
  bool DeleteFile(const std::string& path) override {
    return !state_.Fails(TFaultKind::Delete) && Inner().DeleteFile(path);
  }
  bool MoveFile(const std::string& from, const std::string& to) override {
    return !state_.Fails(TFaultKind::Move) && Inner().MoveFile(from, to);
  }
  bool MoveFileReplacing(const std::string& from, const std::string& to) override {
    return !state_.Fails(TFaultKind::Move) && Inner().MoveFileReplacing(from, to);
  }
  bool CreateDirectory(const std::string& path) override {
    return !state_.Fails(TFaultKind::CreateDirectory) && Inner().CreateDirectory(path);
  }

 private:
  TState& state_;
};

class TFaultCom : public IComService {
 public:
  explicit TFaultCom(TState& state) : state_(state) {}
  TPlatformError RegisterServer(const std::string& path, bool unregister,
                                TServerStep* failedStep) override {
    return state_.Inner.Com->RegisterServer(path, unregister, failedStep);
  }
  // The link object is made and filled; saving it is refused.
  TPlatformError SaveShellLink(const std::string& path, const TShellLink& link,
                               TShellLinkStep* failedStep) override {
    if (auto code = state_.FailingCode(TFaultKind::ShellLinkSave)) {
      if (failedStep) *failedStep = TShellLinkStep::Save;
      return {TErrorDomain::HResult, *code};
    }
    return state_.Inner.Com->SaveShellLink(path, link, failedStep);
  }
  TPlatformError LoadShellLink(const std::string& path, TShellLink& link) override {
    return state_.Inner.Com->LoadShellLink(path, link);
  }
  // The browser cannot be shown.
  std::optional<TFolderBrowserResult> BrowseForFolder(const TFolderBrowserOptions& options) override {
    if (state_.Fails(TFaultKind::FolderBrowser)) return std::nullopt;
    return state_.Inner.Com->BrowseForFolder(options);
  }

 private:
  TState& state_;
};

class TFaultConversation : public IDdeConversation {
 public:
  TFaultConversation(std::unique_ptr<IDdeConversation> inner, TState& state)
      : inner_(std::move(inner)), state_(state) {}
  TPlatformError Execute(const std::string& command) override {
    if (auto code = state_.FailingCode(TFaultKind::DdeExecute)) return {TErrorDomain::Ddeml, *code};
    return inner_->Execute(command);
  }
  TDdeReply Request(const std::string& item) override {
    if (auto code = state_.FailingCode(TFaultKind::DdeRequest))
      return {{TErrorDomain::Ddeml, *code}, {}};
    return inner_->Request(item);
  }

 private:
  std::unique_ptr<IDdeConversation> inner_;
  TState& state_;
};

class TFaultDde : public IDdeService {
 public:
  explicit TFaultDde(TState& state) : state_(state) {}
  std::unique_ptr<IDdeConversation> Connect(const std::string& service, const std::string& topic,
                                            uint32_t timeoutMs, TPlatformError& error) override {
    if (auto code = state_.FailingCode(TFaultKind::DdeConnect)) {
      error = {TErrorDomain::Ddeml, *code};
      return nullptr;
    }
    auto conversation = state_.Inner.Dde->Connect(service, topic, timeoutMs, error);
    if (!conversation) return nullptr;
    return std::make_unique<TFaultConversation>(std::move(conversation), state_);
  }

 private:
  TState& state_;
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
  if (inner.Com) {
    state_->Com = std::make_unique<TFaultCom>(*state_);
    services_.Com = state_->Com.get();
  }
  if (inner.Dde) {
    state_->Dde = std::make_unique<TFaultDde>(*state_);
    services_.Dde = state_->Dde.get();
  }
}

TFaultInjectingServices::~TFaultInjectingServices() = default;

void TFaultInjectingServices::FailCall(TFaultKind kind, uint64_t n, std::optional<uint32_t> code) {
  state_->Rules[static_cast<size_t>(kind)] = {n, false, code.value_or(FaultErrorCode(kind))};
}

void TFaultInjectingServices::FailFrom(TFaultKind kind, uint64_t n, std::optional<uint32_t> code) {
  state_->Rules[static_cast<size_t>(kind)] = {n, true, code.value_or(FaultErrorCode(kind))};
}

void TFaultInjectingServices::OnCall(std::function<void(TFaultKind, uint64_t)> hook) {
  state_->Hook = std::move(hook);
}

uint64_t TFaultInjectingServices::Calls(TFaultKind kind) const {
  return state_->Calls[static_cast<size_t>(kind)];
}

}  // namespace brim

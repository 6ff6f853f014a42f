// A set of platform services that fails chosen calls, for tests of what the
// system does when the machine refuses: it wraps another set, fails the
// n-th call of a kind with the Windows error code that fits it, and counts
// the calls of each kind. Install it with TScopedPlatformServices.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/PlatformServices.h"

namespace brim {

enum class TFaultKind {
  RegistryWrite,      // IRegistryKey::WriteValue: errAccessDenied
  RegistryCreateKey,  // IRegistryService::CreateKey: errAccessDenied
  FileOpen,           // IFileService::Open: errSharingViolation
  FileWrite,          // IFile::Write: half the bytes are written, then errDiskFull
  Move,               // IFileService::MoveFile, MoveFileReplacing: errSharingViolation
  CreateDirectory,    // IFileService::CreateDirectory: errAccessDenied
  Delete,             // IFileService::DeleteFile: errSharingViolation
  ShellLinkSave,      // IComService::SaveShellLink: E_ACCESSDENIED, at its Save step
  DdeConnect,         // IDdeService::Connect: ddeNoConvEstablished
  DdeExecute,         // IDdeConversation::Execute: ddeNotProcessed
  DdeRequest,         // IDdeConversation::Request: ddeDataAckTimeout
  FolderBrowser,      // IComService::BrowseForFolder: no browser, errNotSupported
  RegistryDelete,     // IRegistryKey::DeleteValue, IRegistryService::DeleteKey: errAccessDenied
};
inline constexpr size_t FaultKindCount = 13;

// The error code a failed call of the kind reports unless told otherwise.
uint32_t FaultErrorCode(TFaultKind kind);

class TFaultInjectingServices {
 public:
  // Wraps the registry, file, COM and DDE services of inner (the last two
  // when inner has them); the others are inner's.
  explicit TFaultInjectingServices(const TPlatformServices& inner = PlatformServices());
  ~TFaultInjectingServices();
  TFaultInjectingServices(const TFaultInjectingServices&) = delete;
  TFaultInjectingServices& operator=(const TFaultInjectingServices&) = delete;

  // Fails the n-th call of the kind (1 is the first made through this set)
  // with code, by default FaultErrorCode(kind); n = 0 fails none.
  void FailCall(TFaultKind kind, uint64_t n, std::optional<uint32_t> code = std::nullopt);
  // Fails every call of the kind from the n-th on.
  void FailFrom(TFaultKind kind, uint64_t n, std::optional<uint32_t> code = std::nullopt);
  // The calls of the kind made through this set, the failed ones included.
  uint64_t Calls(TFaultKind kind) const;
  // Called at each counted call, before the call is made or failed, with
  // its kind and its number among the calls of that kind: a test may end
  // the process there, as a crash or a power cut would.
  void OnCall(std::function<void(TFaultKind kind, uint64_t n)> hook);

  // The set to install.
  const TPlatformServices& Services() const { return services_; }

  struct TState;

 private:
  std::unique_ptr<TState> state_;
  TPlatformServices services_;
};

}  // namespace brim

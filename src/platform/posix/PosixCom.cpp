// Server registration of the substitute machine, from the PE export table.
#include "platform/posix/PosixCom.h"

#include <algorithm>

#include "platform/PEResources.h"
#include "platform/Platform.h"
#include "platform/posix/IniFile.h"
#include "platform/posix/MachinePaths.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/SubstituteMachine.h"

namespace brim {

namespace {

constexpr char kServers[] = "ComServers";

TPlatformError HResult(uint32_t code) { return {TErrorDomain::HResult, code}; }

}  // namespace

TPlatformError TPosixComService::RegisterServer(const std::string& path, bool unregister,
                                                TServerStep* failedStep) {
  TServerStep unused;
  TServerStep& step = failedStep ? *failedStep : unused;
  step = TServerStep::Load;
  auto resolved = ResolveMachinePath(path);
  if (!resolved) return HResult(hrPathNotFound);
  if (!resolved->Exists) return HResult(hrFileNotFound);
  if (resolved->IsDirectory) return HResult(HResultFromWin32(errAccessDenied));
  auto bytes = ReadHostFile(resolved->Host);
  if (!bytes) return HResult(HResultFromWin32(errAccessDenied));
  if (!TPEImage::Read(*bytes)) return HResult(hrBadExeFormat);
  std::vector<std::string> names = ExportedNames(*bytes);
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  step = TServerStep::FindEntry;
  if (std::find(names.begin(), names.end(), entry) == names.end()) return HResult(hrProcNotFound);
  step = TServerStep::Call;
  if (!TSubstituteMachine::Current().SetFact(kServers, resolved->Windows.Text(),
                                             unregister ? "" : "1"))
    return HResult(HResultFromWin32(errAccessDenied));
  return {TErrorDomain::HResult, hrOk};
}

bool RegisterServerProgram(const std::string& windowsPath, const std::string& hostPath, bool unregister) {
  constexpr uint16_t kDllImage = 0x2000;  // IMAGE_FILE_DLL
  auto bytes = ReadHostFile(hostPath);
  std::optional<TPEImage> image = bytes ? TPEImage::Read(*bytes) : std::nullopt;
  if (!image || (image->Characteristics() & kDllImage)) {
    SetMachineLastError(errBadExeFormat);
    return false;
  }
  if (!TSubstituteMachine::Current().SetFact(kServers, windowsPath, unregister ? "" : "1")) {
    SetMachineLastError(errAccessDenied);
    return false;
  }
  SetMachineLastError(errSuccess);
  return true;
}

TPlatformError TPosixComService::SaveShellLink(const std::string&, const TShellLink&,
                                               TShellLinkStep* failedStep) {
  if (failedStep) *failedStep = TShellLinkStep::Create;
  return HResult(hrNotImplemented);
}

TPlatformError TPosixComService::LoadShellLink(const std::string&, TShellLink&) {
  return HResult(hrNotImplemented);
}

std::vector<std::string> RegisteredComServers() {
  std::vector<std::string> servers;
  const TIniFile& facts = TSubstituteMachine::Current().Facts();
  if (const auto* section = facts.Section(kServers))
    for (const auto& entry : section->Entries) servers.push_back(entry.first);
  return servers;
}

IComService& NativeComService() {
  static TPosixComService service;
  return service;
}

}  // namespace brim

// Server registration of the substitute machine, from the PE export table,
// and shell links saved and read as link files on its drives.
#include "platform/posix/PosixCom.h"

#include <algorithm>

#include "platform/NativeServices.h"
#include "platform/PEResources.h"
#include "platform/Platform.h"
#include "platform/posix/AnsiCodePage.h"
#include "platform/posix/IniFile.h"
#include "platform/posix/MachinePaths.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/ShellLinkFile.h"
#include "platform/posix/SubstituteMachine.h"

namespace brim {

namespace {

constexpr char kServers[] = "ComServers";

TPlatformError HResult(uint32_t code) { return {TErrorDomain::HResult, code}; }
// The machine's last error as an HRESULT; E_FAIL when it names none.
TPlatformError LastErrorAsHResult() {
  uint32_t error = MachineLastError();
  return HResult(error == errSuccess ? hrFail : HResultFromWin32(error));
}

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

// The link object keeps its fields until the save, so on the machine only
// the save can fail: the folder is missing, the file is in use or
// read-only, the disk is full. A file left half written is removed.
TPlatformError TPosixComService::SaveShellLink(const std::string& path, const TShellLink& link,
                                               TShellLinkStep* failedStep) {
  if (failedStep) *failedStep = TShellLinkStep::Save;
  std::optional<std::string> bytes = EncodeShellLink(link);
  if (!bytes) return HResult(hrInvalidArg);
  IFileService& files = NativeFiles();
  std::unique_ptr<IFile> file = files.Open(path, accWrite, shareNone, TFileCreation::CreateAlways);
  if (!file) return LastErrorAsHResult();
  const auto size = static_cast<uint32_t>(bytes->size());
  uint32_t done = 0;
  bool written = file->Write(bytes->data(), size, done) && done == size;
  uint32_t error = written ? errSuccess : MachineLastError();
  file.reset();
  if (written) return HResult(hrOk);
  files.DeleteFile(path);
  return HResult(HResultFromWin32(error == errSuccess ? errDiskFull : error));
}

TPlatformError TPosixComService::LoadShellLink(const std::string& path, TShellLink& link) {
  // Larger than any link: not one, and not worth reading whole.
  constexpr int64_t kLargestLink = 1 << 20;
  std::unique_ptr<IFile> file =
      NativeFiles().Open(path, accRead, shareRead | shareWrite, TFileCreation::OpenExisting);
  if (!file) return LastErrorAsHResult();
  std::optional<int64_t> size = file->Size();
  if (!size) return LastErrorAsHResult();
  if (*size > kLargestLink) return HResult(hrBadLinkFormat);
  std::string bytes(static_cast<size_t>(*size), '\0');
  if (!ReadExactly(*file, bytes.data(), static_cast<uint32_t>(bytes.size()))) return LastErrorAsHResult();
  uint32_t codePage = AnsiCodePageOfLanguage(TSubstituteMachine::Current().Language());
  std::optional<TShellLink> decoded = DecodeShellLink(bytes, codePage);
  if (!decoded) return HResult(hrBadLinkFormat);
  link = std::move(*decoded);
  return HResult(hrOk);
}

std::optional<TFolderBrowserResult> TPosixComService::BrowseForFolder(const TFolderBrowserOptions&) {
  SetMachineLastError(errNotSupported);
  return std::nullopt;
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

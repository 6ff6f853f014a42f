// IModuleService of the posix build.
#include "platform/posix/PosixModule.h"

#include <unistd.h>

#include "platform/NativeServices.h"
#include "platform/Platform.h"
#include "platform/posix/ExecutableResources.h"
#include "platform/posix/MachinePaths.h"
#include "platform/posix/PosixSystem.h"

namespace brim {

std::string HostExecutable() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

namespace {

class TPosixModuleService : public IModuleService {
 public:
  std::string ModuleFileName() override { return WindowsPathOfHost(HostExecutable()); }

  std::optional<std::string> LoadResource(const std::string& name) override {
    std::string exe = HostExecutable();
    if (exe.empty()) {
      SetMachineLastError(errFileNotFound);
      return std::nullopt;
    }
    return ReadExecutableResource(exe, kResourceTypeRCData, name);
  }

  // The program's arguments arrive split (argv); there is no line to split.
  std::optional<std::string> CommandLine() override { return std::nullopt; }

  std::optional<std::string> LoadBitmapResource(const std::string& name) override {
    std::string exe = HostExecutable();
    if (exe.empty()) {
      SetMachineLastError(errFileNotFound);
      return std::nullopt;
    }
    std::optional<std::string> resource = ReadExecutableResource(exe, kResourceTypeBitmap, name);
    if (!resource) return std::nullopt;
    std::optional<std::string> file = BitmapFileOfResource(*resource);
    if (!file) SetMachineLastError(errInvalidData);
    return file;
  }
};

}  // namespace

IModuleService& NativeModule() {
  static TPosixModuleService service;
  return service;
}

}  // namespace brim

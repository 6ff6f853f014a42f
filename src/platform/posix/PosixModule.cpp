// IModuleService of the posix build.
#include "platform/posix/PosixModule.h"

#include <unistd.h>

#include "platform/LinkedResources.h"
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

  // The resources bound onto the executable file, then those linked into
  // the program.
  std::optional<std::string> LoadResource(const std::string& name) override {
    std::string exe = HostExecutable();
    std::optional<std::string> bound;
    if (!exe.empty()) bound = ReadExecutableResource(exe, kResourceTypeRCData, name);
    if (bound) return bound;
    if (std::optional<std::string> linked = LinkedResource(TLinkedResourceKind::RCData, name))
      return linked;
    // Not linked either: the last error is the bound resources' answer.
    if (exe.empty()) SetMachineLastError(errFileNotFound);
    return std::nullopt;
  }

  // The program's arguments arrive split (argv); there is no line to split.
  std::optional<std::string> CommandLine() override { return std::nullopt; }

  std::optional<std::string> LoadBitmapResource(const std::string& name) override {
    std::string exe = HostExecutable();
    std::optional<std::string> resource;
    if (!exe.empty()) resource = ReadExecutableResource(exe, kResourceTypeBitmap, name);
    if (!resource) resource = LinkedResource(TLinkedResourceKind::Bitmap, name);
    if (!resource) {
      if (exe.empty()) SetMachineLastError(errFileNotFound);
      return std::nullopt;
    }
    std::optional<std::string> file = BitmapFileOfResource(*resource);
    if (!file) SetMachineLastError(errInvalidData);
    return file;
  }
};

}  // namespace

// The substitute machine loads no libraries.
void RestrictLibrarySearch() {}

IModuleService& NativeModule() {
  static TPosixModuleService service;
  return service;
}

}  // namespace brim

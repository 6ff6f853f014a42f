// The set of platform services a program works with. Everything above the
// platform reaches the machine through the current set: by default the
// backend's own (the real Windows calls on win32, the substitute machine on
// posix); a test or a program puts another set in its place for a scope
// (TScopedPlatformServices), for example one that wraps the backend's
// services to fail chosen calls (platform/FaultInjection.h) or to give
// written files a capacity.
#pragma once

#include "platform/FileService.h"
#include "platform/ModuleService.h"
#include "platform/ProcessService.h"
#include "platform/RegistryService.h"
#include "platform/SystemService.h"
#include "platform/VersionService.h"
#include "platform/WindowService.h"

namespace brim {

class IInternetService;
class IComService;
class IDdeService;
class IFontService;
class IControlService;

// The services of one set. A set does not own them. Both backends provide
// all of them; a set made for a test may leave the last five null.
struct TPlatformServices {
  IRegistryService* Registry = nullptr;
  IFileService* Files = nullptr;
  IProcessService* Processes = nullptr;
  ISystemService* System = nullptr;
  IModuleService* Module = nullptr;
  IVersionService* Versions = nullptr;
  IWindowService* Windows = nullptr;
  IControlService* Controls = nullptr;
  IInternetService* Internet = nullptr;
  IComService* Com = nullptr;
  IDdeService* Dde = nullptr;
  IFontService* Fonts = nullptr;
};

// The current set.
const TPlatformServices& PlatformServices();
// The backend's own set.
const TPlatformServices& NativePlatformServices();

// Makes a set the current one while it lives and restores the one before
// at its end; guards nest. A member left null is taken from the set that
// was current. The set is copied, so it need not outlive the guard; the
// services it points to must. Guards end in the reverse order of their
// making, and no operation may still hold files of a set when it ends.
class TScopedPlatformServices {
 public:
  explicit TScopedPlatformServices(const TPlatformServices& services);
  ~TScopedPlatformServices();
  TScopedPlatformServices(const TScopedPlatformServices&) = delete;
  TScopedPlatformServices& operator=(const TScopedPlatformServices&) = delete;

 private:
  TPlatformServices services_;
  const TPlatformServices* previous_;
};

// The services of the current set.
IRegistryService& PlatformRegistry();
IFileService& PlatformFiles();
IProcessService& PlatformProcesses();
ISystemService& PlatformSystem();
IModuleService& PlatformModule();
IVersionService& PlatformVersions();
IWindowService& PlatformWindows();
// These raise std::logic_error while the current set has no such service.
IInternetService& PlatformInternet();
IComService& PlatformCom();
IDdeService& PlatformDde();
IFontService& PlatformFonts();
IControlService& PlatformControls();

}  // namespace brim

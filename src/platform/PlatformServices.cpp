// The current set of platform services and the guards that exchange it;
// the platform errors' texts.
#include "platform/PlatformServices.h"

#include <cstdio>
#include <stdexcept>

#include "platform/ComService.h"
#include "platform/Controls.h"
#include "platform/DdeService.h"
#include "platform/FontService.h"
#include "platform/InternetService.h"
#include "platform/NativeServices.h"
#include "platform/PlatformError.h"

namespace brim {

const TPlatformServices& NativePlatformServices() {
  static const TPlatformServices services = [] {
    TPlatformServices s;
    s.Registry = &NativeRegistry();
    s.Files = &NativeFiles();
    s.Processes = &NativeProcesses();
    s.System = &NativeSystem();
    s.Module = &NativeModule();
    s.Versions = &NativeVersions();
    s.Windows = &NativeWindows();
    s.Controls = &NativeControlService();
    s.Internet = &NativeInternetService();
    s.Com = &NativeComService();
    s.Dde = &NativeDdeService();
    s.Fonts = &NativeFontService();
    return s;
  }();
  return services;
}

namespace {
const TPlatformServices*& Current() {
  static const TPlatformServices* current = &NativePlatformServices();
  return current;
}

template <class T>
T* Either(T* chosen, T* before) {
  return chosen ? chosen : before;
}

template <class T>
T& Present(T* service, const char* what) {
  if (!service) throw std::logic_error(std::string("The platform has no ") + what + " service");
  return *service;
}
}  // namespace

const TPlatformServices& PlatformServices() { return *Current(); }

TScopedPlatformServices::TScopedPlatformServices(const TPlatformServices& services)
    : previous_(Current()) {
  const TPlatformServices& p = *previous_;
  services_ = {Either(services.Registry, p.Registry), Either(services.Files, p.Files),
               Either(services.Processes, p.Processes), Either(services.System, p.System),
               Either(services.Module, p.Module),     Either(services.Versions, p.Versions),
               Either(services.Windows, p.Windows),   Either(services.Controls, p.Controls),
               Either(services.Internet, p.Internet),
               Either(services.Com, p.Com),           Either(services.Dde, p.Dde),
               Either(services.Fonts, p.Fonts)};
  Current() = &services_;
}

TScopedPlatformServices::~TScopedPlatformServices() { Current() = previous_; }

IRegistryService& PlatformRegistry() { return *Current()->Registry; }
IFileService& PlatformFiles() { return *Current()->Files; }
IProcessService& PlatformProcesses() { return *Current()->Processes; }
ISystemService& PlatformSystem() { return *Current()->System; }
IModuleService& PlatformModule() { return *Current()->Module; }
IVersionService& PlatformVersions() { return *Current()->Versions; }
IWindowService& PlatformWindows() { return *Current()->Windows; }
IInternetService& PlatformInternet() { return Present(Current()->Internet, "internet"); }
IComService& PlatformCom() { return Present(Current()->Com, "COM"); }
IDdeService& PlatformDde() { return Present(Current()->Dde, "DDE"); }
IFontService& PlatformFonts() { return Present(Current()->Fonts, "font"); }
IControlService& PlatformControls() { return Present(Current()->Controls, "control"); }

TPlatformError TPlatformError::Last() { return Win32(PlatformSystem().LastError()); }

std::string TPlatformError::Describe() const {
  char number[32];
  std::string detail = Detail.empty() ? "" : ": " + Detail;
  switch (Domain) {
    case TErrorDomain::Win32:
      return "Windows error " + std::to_string(Code) + ": " +
             (Detail.empty() ? PlatformSystem().ErrorMessage(Code) : Detail);
    case TErrorDomain::HResult: {
      std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(Code));
      std::string text = std::string("COM error ") + number;
      // FACILITY_WIN32: a Windows error code as an HRESULT.
      if (detail.empty() && (Code & 0xFFFF0000u) == 0x80070000u)
        detail = ": " + PlatformSystem().ErrorMessage(Code & 0xFFFFu);
      return text + detail;
    }
    case TErrorDomain::WinInet: return "Internet error " + std::to_string(Code) + detail;
    case TErrorDomain::Ddeml:
      std::snprintf(number, sizeof number, "0x%04X", static_cast<unsigned>(Code));
      return std::string("DDE error ") + number + detail;
    case TErrorDomain::Zlib:
      return "zlib error " + std::to_string(static_cast<int32_t>(Code)) + detail;
  }
  return "error " + std::to_string(Code);
}

std::string MessageWithCause(const std::exception& e) {
  std::string message = e.what();
  if (const TPlatformError* cause = CauseOf(e)) message += " (" + cause->Describe() + ")";
  return message;
}

}  // namespace brim

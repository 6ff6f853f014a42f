// Fonts through gdi32 and the font-change broadcast through user32.
#include "platform/FontService.h"
#include "platform/Platform.h"
#include "platform/win32/Win32Api.h"

#undef AddFontResource
#undef RemoveFontResource

namespace brim {

namespace {

// The thread's last error, or fallback when the failed call left none.
TPlatformError LastWin32Error(uint32_t fallback) {
  DWORD code = ::GetLastError();
  return {TErrorDomain::Win32, code != 0 ? code : fallback};
}

class TWin32FontService : public IFontService {
 public:
  TPlatformError AddFontResource(const std::string& path, int& count) override {
    ::SetLastError(0);
    // gdi32 answers 0 for a missing file without saying why.
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      count = 0;
      return LastWin32Error(errFileNotFound);
    }
    count = ::AddFontResourceA(path.c_str());
    if (count > 0) return {};
    count = 0;
    return LastWin32Error(errInvalidData);
  }

  TPlatformError RemoveFontResource(const std::string& path) override {
    ::SetLastError(0);
    if (::RemoveFontResourceA(path.c_str())) return {};
    return LastWin32Error(errFileNotFound);
  }

  TPlatformError BroadcastFontChange() override {
    // A hung program must not hold up the installation.
    DWORD_PTR result = 0;
    ::SetLastError(0);
    if (::SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 1000,
                              &result))
      return {};
    DWORD code = ::GetLastError();
    // A window that did not answer in time is not a failure of the broadcast.
    if (code == 0 || code == ERROR_TIMEOUT) return {};
    return {TErrorDomain::Win32, code};
  }
};

}  // namespace

IFontService& NativeFontService() {
  static TWin32FontService service;
  return service;
}

}  // namespace brim

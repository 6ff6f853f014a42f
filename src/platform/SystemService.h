// System information, national language support, error texts, the clock
// and the restart of Windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include "common/DateTime.h"

namespace brim {

// What GetVersionExA reports. PlatformId: 0 Win32s, 1 Windows 95/98, 2 NT.
struct TOSVersion {
  uint32_t Major = 0, Minor = 0, Build = 0, PlatformId = 0;
  std::string CSDVersion;
};

class ISystemService {
 public:
  virtual ~ISystemService() = default;
  virtual std::optional<TOSVersion> GetVersionEx() = 0;
  // Without a trailing backslash.
  virtual std::optional<std::string> SystemDirectory() = 0;
  virtual std::optional<std::string> WindowsDirectory() = 0;
  virtual uint16_t UserDefaultLangID() = 0;
  // CompareStringA of the user's locale with NORM_IGNORECASE: <0, 0, >0.
  virtual int CompareText(const std::string& a, const std::string& b) = 0;
  // Takes the shutdown privilege and restarts Windows (ExitWindowsEx).
  virtual bool Reboot() = 0;
  // The error code of the last failed call of this thread (GetLastError).
  virtual uint32_t LastError() = 0;
  virtual void SetLastError(uint32_t code) = 0;
  // The system's text for an error code, without a trailing line break.
  virtual std::string ErrorMessage(uint32_t code) = 0;
  virtual int64_t UtcToLocalFileTime(int64_t utcTicks) = 0;
  virtual int64_t LocalToUtcFileTime(int64_t localTicks) = 0;
  virtual TDateTime Now() = 0;
  // Milliseconds since the system started (GetTickCount).
  virtual uint32_t TickCount() = 0;
  // The system's ANSI code page (GetACP) and text converted between it and
  // UTF-16 (CP_ACP); a character the code page lacks becomes '?'. Empty
  // when the conversion itself fails.
  virtual uint32_t AnsiCodePage() = 0;
  virtual std::optional<std::string> AnsiFromWide(const std::u16string& text) = 0;
  virtual std::u16string WideFromAnsi(const std::string& text) = 0;
};

}  // namespace brim

// System information, national language support, reboot, errors and the
// clock of the win32 backend, behind ISystemService.
#pragma once

#include "platform/Platform.h"

namespace brim {

class TWin32System : public ISystemService {
 public:
  std::optional<TOSVersion> GetVersionEx() override;
  std::optional<std::string> SystemDirectory() override;
  std::optional<std::string> WindowsDirectory() override;
  uint16_t UserDefaultLangID() override;
  int CompareText(const std::string& a, const std::string& b) override;
  bool Reboot() override;
  uint32_t LastError() override;
  void SetLastError(uint32_t code) override;
  std::string ErrorMessage(uint32_t code) override;
  int64_t UtcToLocalFileTime(int64_t utcTicks) override;
  int64_t LocalToUtcFileTime(int64_t localTicks) override;
  TDateTime Now() override;
  uint32_t TickCount() override;
  uint32_t AnsiCodePage() override;
  std::optional<std::string> AnsiFromWide(const std::u16string& text) override;
  std::u16string WideFromAnsi(const std::string& text) override;
};

}  // namespace brim

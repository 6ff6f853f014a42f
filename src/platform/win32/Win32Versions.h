// Version resources of the win32 backend: the three calls of version.dll
// behind IVersionService.
#pragma once

#include "platform/Platform.h"

namespace brim {

class TWin32Versions : public IVersionService {
 public:
  uint32_t GetFileVersionInfoSize(const std::string& path) override;
  std::optional<std::string> GetFileVersionInfo(const std::string& path) override;
  std::optional<std::string> QueryValue(const std::string& block,
                                        const std::string& subBlock) override;
};

}  // namespace brim

// The running program of the win32 backend: its file name and its RT_RCDATA
// resources, behind IModuleService.
#pragma once

#include "platform/Platform.h"

namespace brim {

class TWin32Module : public IModuleService {
 public:
  std::string ModuleFileName() override;
  std::optional<std::string> LoadResource(const std::string& name) override;
  std::optional<std::string> LoadBitmapResource(const std::string& name) override;
  std::optional<std::string> CommandLine() override;
};

}  // namespace brim

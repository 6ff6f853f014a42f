// COM registration on the substitute machine. There is no code to run, so
// registering a server means what can be checked without running it: the
// file is a Windows executable that exports the entry point. A server so
// registered is recorded in machine.ini, section [ComServers] (its full
// Windows path = 1), and unregistering takes the record away.
#pragma once

#include <string>
#include <vector>

#include "platform/ComService.h"

namespace brim {

class TPosixComService : public IComService {
 public:
  TPlatformError RegisterServer(const std::string& path, bool unregister,
                                TServerStep* failedStep) override;
  // The machine has no .lnk writer yet: E_NOTIMPL.
  TPlatformError SaveShellLink(const std::string& path, const TShellLink& link) override;
};

// The servers registered now, by full Windows path.
std::vector<std::string> RegisteredComServers();

}  // namespace brim

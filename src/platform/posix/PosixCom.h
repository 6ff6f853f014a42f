// COM registration on the substitute machine. There is no code to run, so
// registering a server means what can be checked without running it: the
// file is a Windows executable that exports the entry point. A server so
// registered is recorded in machine.ini, section [ComServers] (its full
// Windows path = 1), and unregistering takes the record away. A server
// program started with "/REGSERVER" (it registers itself when it runs on
// Windows) is recorded the same way when it is a Windows program file.
// Shell links are files in the Shell Link binary format (ShellLinkFile.h),
// written and read through the machine's file calls, so its sharing, its
// letter-case rules and its floppy capacity hold for them too.
#pragma once

#include <string>
#include <vector>

#include "platform/ComService.h"

namespace brim {

class TPosixComService : public IComService {
 public:
  TPlatformError RegisterServer(const std::string& path, bool unregister,
                                TServerStep* failedStep) override;
  TPlatformError SaveShellLink(const std::string& path, const TShellLink& link,
                               TShellLinkStep* failedStep) override;
  TPlatformError LoadShellLink(const std::string& path, TShellLink& link) override;
  // The machine has no browser: empty, with errNotSupported.
  std::optional<TFolderBrowserResult> BrowseForFolder(const TFolderBrowserOptions& options) override;
};

// A server program asked to register itself ("/REGSERVER") or to leave
// ("/UNREGSERVER"): false, with the last error set, when the file is not a
// Windows program (errBadExeFormat) or machine.ini cannot be written.
bool RegisterServerProgram(const std::string& windowsPath, const std::string& hostPath, bool unregister);

// The servers registered now, by full Windows path.
std::vector<std::string> RegisteredComServers();

}  // namespace brim

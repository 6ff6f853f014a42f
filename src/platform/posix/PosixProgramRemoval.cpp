// Removing a program's file on the substitute machine: a running program's
// file can be deleted there like any other, so nothing waits.
#include "platform/PlatformServices.h"
#include "platform/ProgramRemoval.h"

namespace brim {

TRemovalResult RemoveFileAfterExit(const std::string& file,
                                   const std::vector<std::string>& folders) {
  if (!PlatformFiles().DeleteFile(file)) return TRemovalResult::Failed;
  for (const std::string& folder : folders) PlatformFiles().RemoveDirectory(folder);
  return TRemovalResult::Removed;
}

bool RunRemovalHelper(const std::vector<std::string>&) { return false; }

}  // namespace brim

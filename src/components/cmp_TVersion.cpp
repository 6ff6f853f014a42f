// Directory routines over the platform's file service.
#include "components/cmp_TVersion.h"

#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"
#include "platform/Platform.h"

namespace brim {

bool DirectoryPresent(const std::string& path) {
  auto attributes = PlatformFiles().GetAttributes(path);
  return attributes && (*attributes & attrDirectory) != 0;
}

bool CreateDirectoryPath(const std::string& path) {
  if (path.empty()) throw Exception(std::string("Unable to create directory"));
  std::string directory = RemoveTrailingBackslash(path);
  if (directory.size() < 3 || DirectoryPresent(directory)) return true;
  size_t slash = directory.rfind('\\');
  bool parentMade = true;
  if (slash != std::string::npos) {
    // A path rooted at the current drive ("\dir") has the drive's root as
    // its parent, which always exists.
    std::string parent = directory.substr(0, slash);
    if (!parent.empty()) parentMade = CreateDirectoryPath(parent);
  }
  return parentMade && PlatformFiles().CreateDirectory(directory);
}

}  // namespace brim

// Renames and deletions at the next start of the substitute machine, kept
// where Windows keeps them:
//   - Windows NT: HKLM "SYSTEM\CurrentControlSet\Control\Session Manager",
//     REG_MULTI_SZ "PendingFileRenameOperations", pairs of strings: the
//     source "\??\C:\path", then the target "\??\C:\new" ("!\??\C:\new"
//     when an existing target is replaced) or "" to delete the source.
//   - Windows 95/98: WININIT.INI in the Windows directory, section
//     [Rename], lines "Target=Source" ("NUL=Source" deletes the source).
// `brimmachine reboot` applies both, as Windows does while it starts.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace brim {

inline constexpr const char* kSessionManagerKey =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
inline constexpr const char* kPendingRenamesValue = "PendingFileRenameOperations";

// MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT: appends the pair for
// existing and newName (empty: delete) to the pending renames. A Windows 95
// machine refuses it (errCallNotImplemented).
bool QueueRenameAtReboot(const std::string& existing, const std::string& newName,
                         bool replaceExisting);

// The pairs of a PendingFileRenameOperations value, as stored (an empty
// target is a deletion; the list may hold empty strings, so it is not read
// as a plain string list).
std::vector<std::pair<std::string, std::string>> DecodeRenamePairs(const std::string& data);
std::string EncodeRenamePairs(const std::vector<std::pair<std::string, std::string>>& pairs);

// Performs the pending renames in order (delete, rename, or replace when
// the target begins with "!"), reports failures on stderr and goes on,
// then removes the value.
void ApplyPendingRenames();

// Performs the [Rename] lines of WININIT.INI in order, then renames the
// file WININIT.BAK, as Windows 9x does while it starts.
void ApplyWininitRenames();

}  // namespace brim

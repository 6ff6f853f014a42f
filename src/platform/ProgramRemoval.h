// Removing the running program's own file. Windows does not let a program
// delete the file it runs from, so an uninstaller that removes itself last
// hands the work to a helper that outlives it.
//
// win32: the program copies itself into the temporary directory and starts
// the copy, handing it a handle to its own process and a handle to the copy
// opened for deletion on close (FILE_FLAG_DELETE_ON_CLOSE). The copy waits
// for the program to end, deletes its file and then the folders that are
// empty by then, and ends: its handle closes and the copy is gone, leaving
// no running copy behind. Where the copy cannot be started, the file and
// its folders are deleted at the next start of Windows instead
// (MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT).
// posix: the substitute machine deletes a running program's file at once.
#pragma once

#include <string>
#include <vector>

namespace brim {

// How RemoveFileAfterExit went.
enum class TRemovalResult {
  Removed,    // the file and the empty folders are gone already
  AfterExit,  // a helper removes them as soon as this program has ended
  AtRestart,  // they go at the next start of Windows
  Failed      // none of the ways worked (the last error is set)
};

// Removes file (the running program's own or any other) and then each of
// folders, in order, that is empty by then.
TRemovalResult RemoveFileAfterExit(const std::string& file,
                                   const std::vector<std::string>& folders);

// In the helper RemoveFileAfterExit started: when the arguments are the
// ones it passes, waits for the program to end, removes what it was asked
// to and gives true: the helper then ends. False for any other arguments.
bool RunRemovalHelper(const std::vector<std::string>& arguments);

}  // namespace brim

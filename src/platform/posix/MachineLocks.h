// Files in use on the substitute machine, the way Windows keeps a running
// program's files and open handles from being changed under it:
//   - Files marked in use by another program: machine.ini section "InUse",
//     key = the file's full long Windows path in upper case, value 1. Such a
//     file can be read (opened for reading with shareRead allowed), but
//     opening it for writing, deleting it, moving it or moving or copying
//     onto it fails with errSharingViolation, as for a running image.
//   - The sharing modes of the files this process holds open: a new open
//     must allow what earlier opens do, and ask only what they allow, as
//     CreateFile checks; a file held open without shareDelete cannot be
//     deleted or moved.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace brim {

// Marks a file as in use by another program, or clears the mark. The path
// may be relative or spelled with short names; false when it is invalid or
// machine.ini cannot be written. (`brimmachine lock` uses this.)
bool MarkFileInUse(const std::string& windowsPath, bool inUse);

// Whether the file of this long Windows path is marked in use.
bool IsFileInUse(const std::string& longWindowsPath);
// Whether a file at or below this long Windows path is marked in use.
bool IsTreeInUse(const std::string& longWindowsPath);
// Clears every mark: after a restart no program holds its files any more.
void ClearFilesInUse();

// While one lives, marks are not honoured: the reboot-time renames run
// before any program starts.
class TIgnoreFilesInUse {
 public:
  TIgnoreFilesInUse();
  ~TIgnoreFilesInUse();
  TIgnoreFilesInUse(const TIgnoreFilesInUse&) = delete;
  TIgnoreFilesInUse& operator=(const TIgnoreFilesInUse&) = delete;
};

// One open of a file by this process, registered while its handle lives.
struct TFileIdentity {
  dev_t Device = 0;
  ino_t Inode = 0;
  bool operator==(const TFileIdentity&) const = default;
};

// Registers an open of the file with the access wanted (accRead/accWrite)
// and the sharing allowed (share*): 0 with errSharingViolation set when an
// open of this process or a mark forbids it, otherwise a ticket for
// ReleaseFileOpen. longWindowsPath is the file's path for the marks.
uint64_t RegisterFileOpen(const TFileIdentity& file, const std::string& hostPath,
                          const std::string& longWindowsPath, uint32_t access, uint32_t share);
void ReleaseFileOpen(uint64_t ticket);

// Whether an open of this process allows the file to be written
// (truncated, replaced) or deleted (deleted, moved, renamed over).
bool OpensAllowWrite(const TFileIdentity& file);
bool OpensAllowDelete(const TFileIdentity& file);
// Whether this process holds a file below the host directory open: such a
// directory cannot be moved.
bool HasOpensBelow(const std::string& hostDir);

}  // namespace brim

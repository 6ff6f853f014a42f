// The files service of the substitute machine: IFile over a host file
// descriptor, and the file calls of Windows (CreateFile's dispositions and
// sharing, CopyFile, MoveFile, attributes, FindFirstFile patterns with short
// names, temporary names, profile strings, free space) on the machine's
// drives. The floppy A: holds FloppyCapacity() bytes of file data; a write
// beyond that fails with errDiskFull. The read-only attribute of a file is
// the owner's write permission on the host.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace brim {

// MoveFileEx without delay: renames a file or a directory; with
// replaceExisting an existing file at the target is replaced (never a
// directory). The reboot-time renames and the batch interpreter use it.
bool MoveMachineFile(const std::string& from, const std::string& to, bool replaceExisting);

// Removes a file, or a directory with everything in it, read-only files
// included (DELTREE). True when nothing is left.
bool RemoveMachineTree(const std::string& path);

// The bytes the files on the floppy A: take.
uint64_t FloppyBytesUsed();

}  // namespace brim

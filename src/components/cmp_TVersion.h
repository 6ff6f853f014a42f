// The file version unit: the directory routines used when files are
// installed and archives written.
#pragma once

#include <string>

namespace brim {

// Whether path names an existing directory.
bool DirectoryPresent(const std::string& path);
// Creates a directory and every missing parent. A drive root (a path
// shorter than three characters once one trailing backslash is removed)
// and an existing directory succeed at once. An empty path raises
// "Unable to create directory".
bool CreateDirectoryPath(const std::string& path);

}  // namespace brim

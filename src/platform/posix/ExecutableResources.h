// Resources of a posix executable: the block appended behind its ELF image
// (platform/AppendedResources.h has the layout), read and written in the
// host's file. A definition is bound into a built runtime this way as it is
// into a Windows program's resource section.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/AppendedResources.h"

namespace brim {

// Every resource of the file, in stored order (none when it has no
// trailer). Empty, with the last error and *error set, when the file cannot
// be read or its trailer or block is damaged.
std::optional<std::vector<TExecutableResource>> ReadExecutableResources(
    const std::string& hostPath, std::string* error = nullptr);

// One resource's data. Empty with errResourceTypeNotFound when the file has
// no resource of that type, errResourceNameNotFound when none of that name,
// or the error of ReadExecutableResources.
std::optional<std::string> ReadExecutableResource(const std::string& hostPath,
                                                  const std::string& type, const std::string& name);

// Adds the resources to the file, replacing those of the same type and
// name, and keeps the ELF image and the file's permissions. The file is
// replaced at once (a temporary file renamed over it). False, with *error
// saying what failed, when the file cannot be read or written or its
// resource block is damaged.
bool WriteExecutableResources(const std::string& hostPath,
                              const std::vector<TExecutableResource>& resources,
                              std::string* error = nullptr);

}  // namespace brim

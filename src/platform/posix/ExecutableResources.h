// Resources of a posix executable. A Windows program carries its resources
// in its PE image; the posix runtime carries them appended after its ELF
// image, so a definition can be bound into a built runtime as on Windows.
// The layout at the end of the file (integers little-endian):
//
//   ELF image                  untouched bytes, [0, BlockOffset)
//   block of entries, each:    u32 type length,  type bytes
//                              u32 name length,  name bytes
//                              u32 data length,  data bytes
//   trailer (24 bytes):        u64 BlockOffset   where the block starts
//                              u32 EntryCount
//                              u32 Reserved      0
//                              "BRIMRES1"        the magic, last 8 bytes
//
// The block runs from BlockOffset to the trailer, and its entries fill it
// exactly; anything else is a damaged file and is refused. Types and names
// are compared without regard to case, as Windows compares resource names;
// a numbered type is spelled "#n" ("#10" is RT_RCDATA).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brim {

inline constexpr const char* kResourceTypeRCData = "#10";
inline constexpr const char* kResourceTypeBitmap = "#2";
inline constexpr char kResourceMagic[] = "BRIMRES1";
inline constexpr size_t kResourceTrailerSize = 24;

struct TExecutableResource {
  std::string Type;
  std::string Name;
  std::string Data;
};

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

// Resources appended behind an executable's own image: how a posix program
// carries its resources (a Windows program has them in its PE image), so a
// definition can be bound into a built runtime as on Windows. This unit
// knows only bytes, so a tool on either platform can read and write the
// form. The layout at the end of the file (integers little-endian):
//
//   executable image           untouched bytes, [0, BlockOffset)
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
#include <string_view>
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

// Where a file's resource block lies, from its last kResourceTrailerSize
// bytes and its size.
struct TResourceBlockPlace {
  uint64_t Offset = 0;  // the file size when nothing is appended
  uint64_t Size = 0;
  uint64_t Count = 0;
};

// The block's place told by the trailer; Offset is fileSize when the
// bytes are no trailer of ours (fewer than kResourceTrailerSize bytes, or
// no magic). Empty, with *damage saying what is wrong, when the trailer
// is damaged.
std::optional<TResourceBlockPlace> ReadResourceTrailer(std::string_view trailer, uint64_t fileSize,
                                                       std::string* damage);

// The count entries of a block. False, with *damage saying what is wrong,
// when they do not fill it exactly.
bool ReadResourceBlock(std::string_view block, uint64_t count,
                       std::vector<TExecutableResource>& entries, std::string* damage);

// Puts each resource into entries: in place of one of the same type and
// name, or after the others.
void MergeResources(std::vector<TExecutableResource>& entries,
                    const std::vector<TExecutableResource>& resources);

// The block and trailer of entries for an image of imageSize bytes. Empty
// when an entry is too large for the form (4 GiB), *tooLarge naming it.
std::optional<std::string> ResourceBlockOf(const std::vector<TExecutableResource>& entries,
                                           uint64_t imageSize, std::string* tooLarge = nullptr);

// The resources appended to a whole file's bytes, and where its image ends.
// Empty, with *damage, when they are damaged.
std::optional<std::vector<TExecutableResource>> AppendedResources(std::string_view file,
                                                                  uint64_t* imageEnd,
                                                                  std::string* damage);

// The file's bytes with the resources merged into its appended block: the
// image kept, a block of its own replaced, never a second one stacked.
// Empty, with *error, when its block is damaged or an entry too large.
std::optional<std::string> WithAppendedResources(std::string_view file,
                                                 const std::vector<TExecutableResource>& resources,
                                                 std::string* error);

}  // namespace brim

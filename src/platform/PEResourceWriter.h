// Writing a resource into a Windows executable (PE32 or PE32+) held as
// bytes, so a definition can be bound into a built runtime without a
// resource compiler and on any platform: the resource tree is read, the
// resource set, and a new resource section laid out that FindResource
// finds. Every other resource (bitmaps, forms, version information, the
// manifest) is kept byte for byte.
//
// Where the new section goes:
//   - in place of the old resource section when that one is the last
//     section, or is followed only by the base relocations (which move
//     behind it: nothing but their data directory entry refers to where
//     they are), and nothing is appended behind the image;
//   - otherwise as a new last section ".rsrc" behind everything in the
//     file; the old section stays as bytes nothing refers to any more.
// SizeOfImage, the section table, the data directory and the checksum are
// written to match; a certificate (which the change would invalidate) is
// dropped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/PEResources.h"

namespace brim {

// The bytes of the PE file with the resource type/name set to data: the
// resources of that type and name, in every language, give way to one
// entry (in the language of the first of them, neutral when there was
// none). Empty, with *error saying why, when bytes is no PE file, is
// truncated, has a damaged resource tree or no room for another section.
std::optional<std::string> WithPEResource(std::string_view bytes, const TResourceId& type,
                                          const TResourceId& name, std::string_view data,
                                          std::string* error = nullptr);

// The checksum of a PE file as the loader checks a driver's and
// CheckSumMappedFile computes it: 16-bit sums with the carry folded back,
// plus the file's length; the CheckSum field itself must hold zero.
uint32_t PEChecksum(std::string_view bytes);

// Where the CheckSum field of a PE file's optional header is.
inline size_t PEChecksumOffset(const TPEImage& image) { return image.OptionalHeaderOffset() + 64; }

}  // namespace brim

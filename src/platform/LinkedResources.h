// Resources linked into the program: the dialog forms and the pictures a
// posix program carries as a table in its own code, where a Windows
// program has them in its resource section. The posix module service
// looks here after the resources bound onto the executable file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brim {

enum class TLinkedResourceKind { RCData, Bitmap };

// Adds a resource; the bytes must live as long as the program (a bitmap
// holds the BMP file without its 14-byte file header, as in a PE).
void AddLinkedResource(TLinkedResourceKind kind, std::string_view name, std::string_view bytes);
// The bytes of a linked resource, by name (case-insensitive, as Windows
// compares resource names).
std::optional<std::string> LinkedResource(TLinkedResourceKind kind, const std::string& name);

}  // namespace brim

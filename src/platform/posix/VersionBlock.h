// VerQueryValue over a version block (VS_VERSIONINFO) as 32-bit Windows
// files carry it: a tree of nodes, each wLength, wValueLength, wType, a
// UTF-16 key, padding to 4 bytes, the value, padding, then the children.
// Keys are looked up without regard to case, as Windows does; text values
// come back in the ANSI code page given. Every length is checked against
// the block, so a damaged block answers "not found".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/posix/AnsiCodePage.h"

namespace brim {

// The value at subBlock: "\" (or "") the 52-byte VS_FIXEDFILEINFO (only
// with its 0xFEEF04BD signature), "\VarFileInfo\Translation" the raw words,
// "\StringFileInfo\040904E4\CompanyName" the ANSI text without its
// terminating NUL. Empty path components are skipped, as VerQueryValueA does.
std::optional<std::string> QueryVersionValue(std::string_view block, const std::string& subBlock,
                                             uint32_t codePage = 1252);

}  // namespace brim

// Shell link files (.lnk) as bytes, in the Shell Link binary format that
// Windows reads and writes: the substitute machine saves its shortcuts
// this way, so Windows, Wine and other readers open them.
//
// Written: the 76-byte header (the shell link class, which parts follow,
// icon index, show command, hot key; times and target attributes zero, so
// one link always gives the same bytes), a LinkInfo whose VolumeID and
// LocalBasePath hold the target's Windows path (enough for Windows to find
// the target, without an item ID list), then the strings that are not
// empty: description, working directory, arguments, icon location, in the
// ANSI code page, and the terminal block of the extra data.
//
// Read: also what Windows writes: an item ID list (skipped), LinkInfo with
// a Unicode base path or a network share, Unicode string data (converted
// to the given ANSI code page). Extra data blocks are ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ComService.h"

namespace brim {

// A link file that is truncated or not in the format:
// HRESULT_FROM_WIN32(ERROR_BAD_FORMAT).
inline constexpr uint32_t hrBadLinkFormat = HResultFromWin32(11);

// The bytes of the link file; empty when a string is longer than the
// format can hold (65535 characters).
std::optional<std::string> EncodeShellLink(const TShellLink& link);

// The link the bytes hold; empty when they are not a whole link file.
std::optional<TShellLink> DecodeShellLink(std::string_view bytes, uint32_t codePage = 1252);

}  // namespace brim

// The binary form stream: the "TPF0" signature followed by one object
// record, every value tagged (see FormValue.h). The reader checks every
// length and tag against the bytes present and reports the first fault
// with its byte offset; it never reads past the end.
#pragma once

#include <string>

#include "objects/FormValue.h"

namespace brim {

inline constexpr const char* FormSignature = "TPF0";

TObjectRecord ReadBinaryForm(const std::string& bytes);
// Writes a record; integers take the smallest of tags 2, 3 and 4 (tag 19
// beyond 32 bits) and strings tag 6 up to 255 bytes, tag 12 above.
std::string WriteBinaryForm(const TObjectRecord& root);

}  // namespace brim

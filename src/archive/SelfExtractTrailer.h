// The 56-byte trailer that ends a self-extracting setup: the loading
// program's bytes come first, then the embedded "setup.1", then "files.1"
// when there is one, then this trailer. It says where the two archives lie,
// as byte positions from the start of the file. Both the setup (its -e and
// -f modes) and the loading program read it, so it lives with the archive
// format.
#pragma once

#include <cstdint>

namespace brim {

struct TSelfExtractTrailer {
  int32_t SetupStart = 0;
  int32_t SetupEnd = 0;
  // 0 and 0 when no "files.1" was embedded.
  int32_t ArchiveStart = 0;
  int32_t ArchiveEnd = 0;
};
inline constexpr int SelfExtractTrailerSize = 56;
// One length byte, then the letters; a zero byte follows in the trailer.
inline constexpr char SelfExtractSignature[] = "\x0eSELFEXTRACTING";
inline constexpr int SelfExtractSignatureSize = 15;

// The trailer's bytes: the signature, the four positions, zeros elsewhere.
void EncodeSelfExtractTrailer(const TSelfExtractTrailer& trailer,
                              unsigned char (&bytes)[SelfExtractTrailerSize]);
// The positions of the bytes, whatever their signature.
TSelfExtractTrailer DecodeSelfExtractTrailer(const unsigned char (&bytes)[SelfExtractTrailerSize]);
// Whether the bytes begin with the signature.
bool HasSelfExtractSignature(const unsigned char (&bytes)[SelfExtractTrailerSize]);
// Whether the embedded setup.1 (and files.1, when named) lie inside a file
// of fileSize bytes, before its trailer and in their order.
bool SelfExtractTrailerFits(const TSelfExtractTrailer& trailer, int64_t fileSize);

}  // namespace brim

// The 56-byte trailer that ends a self-extracting setup: the loading
// program's bytes come first, then the embedded "setup.1", then "files.1"
// when there is one, then this trailer. It says where the two archives lie,
// as byte positions from the start of the file. Both the setup (its -e and
// -f modes) and the loading program read it, so it lives with the archive
// format.
#pragma once

#include <cstdint>
#include <optional>

namespace brim {

class IFile;

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
// Whether the embedded setup.1 (and files.1, when named) lie before a
// trailer that ends at byte trailerEnd (the file's size when the file is
// not signed), in their order.
bool SelfExtractTrailerFits(const TSelfExtractTrailer& trailer, int64_t trailerEnd);

// Reads the trailer of an open file into bytes: the 56 bytes that end its
// content. That is the whole file, or for a signed Windows program what
// comes before the certificate table the signing tool appended; as the
// table starts on an 8-byte boundary, the tool may have put up to 7 zero
// bytes before it, so of the places the trailer can end at, the first whose
// bytes begin with the signature is taken (the table's offset when none
// does). Gives the position just after the trailer; empty when the file is
// shorter than a trailer or cannot be read.
std::optional<int64_t> ReadSelfExtractTrailerBytes(IFile& file,
                                                   unsigned char (&bytes)[SelfExtractTrailerSize]);

}  // namespace brim

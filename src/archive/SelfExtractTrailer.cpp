#include "archive/SelfExtractTrailer.h"

#include <cstring>

#include "common/LittleEndian.h"

namespace brim {

namespace {
constexpr int kSetupStart = 16, kSetupEnd = 20, kArchiveStart = 24, kArchiveEnd = 28;
}  // namespace

void EncodeSelfExtractTrailer(const TSelfExtractTrailer& trailer,
                              unsigned char (&bytes)[SelfExtractTrailerSize]) {
  std::memset(bytes, 0, sizeof bytes);
  std::memcpy(bytes, SelfExtractSignature, SelfExtractSignatureSize);
  WriteLittleEndian(bytes + kSetupStart, static_cast<uint32_t>(trailer.SetupStart), 4);
  WriteLittleEndian(bytes + kSetupEnd, static_cast<uint32_t>(trailer.SetupEnd), 4);
  WriteLittleEndian(bytes + kArchiveStart, static_cast<uint32_t>(trailer.ArchiveStart), 4);
  WriteLittleEndian(bytes + kArchiveEnd, static_cast<uint32_t>(trailer.ArchiveEnd), 4);
}

TSelfExtractTrailer DecodeSelfExtractTrailer(const unsigned char (&bytes)[SelfExtractTrailerSize]) {
  auto at = [&](int offset) {
    return static_cast<int32_t>(static_cast<uint32_t>(ReadLittleEndian(bytes + offset, 4)));
  };
  return {at(kSetupStart), at(kSetupEnd), at(kArchiveStart), at(kArchiveEnd)};
}

bool HasSelfExtractSignature(const unsigned char (&bytes)[SelfExtractTrailerSize]) {
  return std::memcmp(bytes, SelfExtractSignature, SelfExtractSignatureSize) == 0;
}

bool SelfExtractTrailerFits(const TSelfExtractTrailer& t, int64_t fileSize) {
  const int64_t dataEnd = fileSize - SelfExtractTrailerSize;
  if (t.SetupStart < 0 || t.SetupEnd < t.SetupStart || t.SetupEnd >= dataEnd) return false;
  if (t.ArchiveStart == 0 && t.ArchiveEnd == 0) return true;
  return t.ArchiveStart > t.SetupEnd && t.ArchiveEnd >= t.ArchiveStart && t.ArchiveEnd < dataEnd;
}

}  // namespace brim

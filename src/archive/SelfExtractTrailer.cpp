#include "archive/SelfExtractTrailer.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "common/LittleEndian.h"
#include "platform/FileService.h"
#include "platform/PEResources.h"

namespace brim {

namespace {
constexpr int kSetupStart = 16, kSetupEnd = 20, kArchiveStart = 24, kArchiveEnd = 28;
// The most zero bytes a signing tool puts before an 8-byte aligned table.
constexpr int kMaxSignaturePadding = 7;

bool ReadAt(IFile& file, int64_t at, void* buffer, size_t count) {
  return file.Seek(at, TSeekOrigin::Begin) &&
         ReadExactly(file, buffer, static_cast<uint32_t>(count));
}
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

bool SelfExtractTrailerFits(const TSelfExtractTrailer& t, int64_t trailerEnd) {
  const int64_t dataEnd = trailerEnd - SelfExtractTrailerSize;
  if (t.SetupStart < 0 || t.SetupEnd < t.SetupStart || t.SetupEnd >= dataEnd) return false;
  if (t.ArchiveStart == 0 && t.ArchiveEnd == 0) return true;
  return t.ArchiveStart > t.SetupEnd && t.ArchiveEnd >= t.ArchiveStart && t.ArchiveEnd < dataEnd;
}

std::optional<int64_t> ReadSelfExtractTrailerBytes(IFile& file,
                                                   unsigned char (&bytes)[SelfExtractTrailerSize]) {
  const std::optional<int64_t> size = file.Size();
  if (!size || *size < SelfExtractTrailerSize) return std::nullopt;
  std::string head(static_cast<size_t>(std::min<int64_t>(*size, PEHeadersReadSize)), '\0');
  if (!ReadAt(file, 0, head.data(), head.size())) return std::nullopt;
  int64_t end = *size;
  if (auto table = CertificateTable(head, static_cast<uint64_t>(*size))) {
    end = static_cast<int64_t>(table->first);
    const int64_t from = std::max<int64_t>(0, end - SelfExtractTrailerSize - kMaxSignaturePadding);
    std::string tail(static_cast<size_t>(end - from), '\0');
    if (!ReadAt(file, from, tail.data(), tail.size())) return std::nullopt;
    for (size_t pad = 0; pad <= kMaxSignaturePadding && pad + SelfExtractTrailerSize <= tail.size();
         ++pad) {
      if (pad > 0 && tail[tail.size() - pad] != '\0') break;
      const size_t at = tail.size() - pad - SelfExtractTrailerSize;
      if (tail.compare(at, SelfExtractSignatureSize, SelfExtractSignature,
                       SelfExtractSignatureSize) == 0) {
        end -= static_cast<int64_t>(pad);
        break;
      }
    }
  }
  if (end < SelfExtractTrailerSize ||
      !ReadAt(file, end - SelfExtractTrailerSize, bytes, SelfExtractTrailerSize))
    return std::nullopt;
  return end;
}

}  // namespace brim

// The version resource calls on the substitute machine: the file is read
// through the file service and parsed as a PE file, the way Windows loads
// it as a data file to find its RT_VERSION resource.
#include <algorithm>

#include "platform/NativeServices.h"
#include "platform/PEResources.h"
#include "platform/Platform.h"
#include "platform/posix/VersionBlock.h"

namespace brim {

namespace {

// The PE headers lie in the first bytes of a file; this much always holds
// them in a file any linker wrote.
constexpr uint32_t kHeaderBytes = 64 * 1024;

// Appends up to count bytes read from the file's current position.
bool ReadMore(IFile& file, uint64_t count, std::string& bytes) {
  char buffer[64 * 1024];
  while (count > 0) {
    uint32_t done = 0;
    uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(count, sizeof buffer));
    if (!file.Read(buffer, want, done)) return false;
    if (done == 0) break;
    bytes.append(buffer, done);
    count -= done;
  }
  return true;
}

// The version resource of an image: Windows takes the one numbered 1
// (VS_VERSION_INFO); a file that numbers its only one otherwise is read too.
std::optional<std::string_view> VersionData(const TPEImage& image) {
  auto names = image.ResourceNames(TResourceId::Of(rtVersion));
  if (names.empty()) return std::nullopt;
  bool hasFirst = std::find(names.begin(), names.end(), TResourceId::Of(1)) != names.end();
  auto data =
      image.Resource(TResourceId::Of(rtVersion), hasFirst ? TResourceId::Of(1) : names.front());
  if (!data || data->empty()) return std::nullopt;
  return data;
}

// The data of the file's version resource. Without one the error is
// errResourceTypeNotFound, whatever the reason (not a PE file, no
// resources, no version resource, a damaged directory): callers only tell
// "none" from "some". A file that cannot be read keeps the file service's error.
std::optional<std::string> VersionResource(const std::string& path) {
  auto file =
      PlatformFiles().Open(path, accRead, shareRead | shareDelete, TFileCreation::OpenExisting);
  if (!file) return std::nullopt;
  auto size = file->Size();
  std::string bytes;
  if (!size || !ReadMore(*file, std::min<uint64_t>(*size, kHeaderBytes), bytes))
    return std::nullopt;
  auto image = TPEImage::Read(bytes);
  // Only the image itself is needed, not what may be appended to it.
  if (image && image->ImageEnd() > bytes.size()) {
    uint64_t end = std::min<uint64_t>(image->ImageEnd(), static_cast<uint64_t>(*size));
    if (!ReadMore(*file, end - bytes.size(), bytes)) return std::nullopt;
    image = TPEImage::Read(bytes);
  }
  auto data = image ? VersionData(*image) : std::nullopt;
  PlatformSystem().SetLastError(data ? errSuccess : errResourceTypeNotFound);
  if (!data) return std::nullopt;
  return std::string(*data);
}

class TPosixVersions : public IVersionService {
 public:
  uint32_t GetFileVersionInfoSize(const std::string& path) override {
    auto block = VersionResource(path);
    return block ? static_cast<uint32_t>(block->size()) : 0;
  }

  std::optional<std::string> GetFileVersionInfo(const std::string& path) override {
    return VersionResource(path);
  }

  std::optional<std::string> QueryValue(const std::string& block,
                                        const std::string& subBlock) override {
    // Keys and text values in the machine's ANSI code page.
    auto value = QueryVersionValue(block, subBlock, PlatformSystem().AnsiCodePage());
    if (!value) PlatformSystem().SetLastError(errResourceTypeNotFound);
    return value;
  }
};

}  // namespace

IVersionService& NativeVersions() {
  static TPosixVersions versions;
  return versions;
}

}  // namespace brim

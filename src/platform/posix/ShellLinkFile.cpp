// Encoding and decoding of shell link files.
#include "platform/posix/ShellLinkFile.h"

#include <cctype>

#include "common/LittleEndian.h"
#include "platform/posix/AnsiCodePage.h"

namespace brim {

namespace {

constexpr uint32_t kHeaderSize = 0x4C;
// CLSID_ShellLink, {00021401-0000-0000-C000-000000000046}, as stored.
constexpr char kLinkClass[] = "\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46";
constexpr size_t kLinkClassSize = 16;

// LinkFlags.
constexpr uint32_t kHasIdList = 0x01;
constexpr uint32_t kHasLinkInfo = 0x02;
constexpr uint32_t kHasName = 0x04;
constexpr uint32_t kHasRelativePath = 0x08;
constexpr uint32_t kHasWorkingDir = 0x10;
constexpr uint32_t kHasArguments = 0x20;
constexpr uint32_t kHasIconLocation = 0x40;
constexpr uint32_t kIsUnicode = 0x80;

// LinkInfoFlags.
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x01;
constexpr uint32_t kCommonNetworkRelativeLink = 0x02;

constexpr uint32_t kLinkInfoHeaderSize = 0x1C;
constexpr uint32_t kLinkInfoUnicodeHeaderSize = 0x24;
constexpr uint32_t kVolumeIdHeaderSize = 0x10;
constexpr uint32_t kDriveRemovable = 2;
constexpr uint32_t kDriveFixed = 3;

void Put32(std::string& out, uint32_t value) { AppendLittleEndian(out, value, 4); }
void Put16(std::string& out, uint16_t value) { AppendLittleEndian(out, value, 2); }

// The LinkInfo of a local target: its volume (no label, serial 0) and the
// whole path as the base path, with an empty common path suffix.
std::string LinkInfoOf(const std::string& target) {
  bool floppy = target.size() >= 2 && target[1] == ':' &&
                (std::toupper(static_cast<unsigned char>(target[0])) == 'A' ||
                 std::toupper(static_cast<unsigned char>(target[0])) == 'B');
  std::string volume;
  Put32(volume, kVolumeIdHeaderSize + 1);
  Put32(volume, floppy ? kDriveRemovable : kDriveFixed);
  Put32(volume, 0);  // serial number
  Put32(volume, kVolumeIdHeaderSize);
  volume += '\0';  // the empty label

  const uint32_t volumeAt = kLinkInfoHeaderSize;
  const uint32_t baseAt = volumeAt + static_cast<uint32_t>(volume.size());
  const uint32_t suffixAt = baseAt + static_cast<uint32_t>(target.size()) + 1;
  const uint32_t size = suffixAt + 1;
  std::string info;
  Put32(info, size);
  Put32(info, kLinkInfoHeaderSize);
  Put32(info, kVolumeIdAndLocalBasePath);
  Put32(info, volumeAt);
  Put32(info, baseAt);
  Put32(info, 0);  // no network share
  Put32(info, suffixAt);
  info += volume;
  info += target;
  info += '\0';
  info += '\0';  // the empty common path suffix
  return info;
}

// A bounds-checked view of the file's bytes: every read says whether the
// bytes were there.
class TReader {
 public:
  explicit TReader(std::string_view bytes) : bytes_(bytes) {}
  size_t Size() const { return bytes_.size(); }
  bool Has(size_t at, size_t count) const { return at <= bytes_.size() && count <= bytes_.size() - at; }
  bool U16(size_t at, uint16_t& value) const {
    if (!Has(at, 2)) return false;
    value = static_cast<uint16_t>(ReadLittleEndian(bytes_.data() + at, 2));
    return true;
  }
  bool U32(size_t at, uint32_t& value) const {
    if (!Has(at, 4)) return false;
    value = static_cast<uint32_t>(ReadLittleEndian(bytes_.data() + at, 4));
    return true;
  }
  std::string_view Bytes(size_t at, size_t count) const { return bytes_.substr(at, count); }
  // The NUL-terminated ANSI string at at, which must end inside the view.
  std::optional<std::string> AnsiZ(size_t at) const {
    if (at >= bytes_.size()) return std::nullopt;
    size_t end = bytes_.find('\0', at);
    if (end == std::string_view::npos) return std::nullopt;
    return std::string(bytes_.substr(at, end - at));
  }
  // The NUL-terminated UTF-16 string at at, in the code page.
  std::optional<std::string> UnicodeZ(size_t at, uint32_t codePage) const {
    std::u16string text;
    for (uint16_t c = 0;; at += 2) {
      if (!U16(at, c)) return std::nullopt;
      if (c == 0) break;
      text += static_cast<char16_t>(c);
    }
    return AnsiFromUtf16(text, codePage);
  }

 private:
  std::string_view bytes_;
};

// The target path a LinkInfo names: its local base path (the Unicode one
// when present) or its network share, followed by the common path suffix.
std::optional<std::string> TargetOfLinkInfo(const TReader& info, uint32_t codePage) {
  uint32_t headerSize = 0, flags = 0, baseAt = 0, networkAt = 0, suffixAt = 0;
  if (!info.U32(4, headerSize) || !info.U32(8, flags) || !info.U32(16, baseAt) ||
      !info.U32(20, networkAt) || !info.U32(24, suffixAt))
    return std::nullopt;
  if (headerSize < kLinkInfoHeaderSize || headerSize > info.Size()) return std::nullopt;
  uint32_t baseUnicodeAt = 0, suffixUnicodeAt = 0;
  if (headerSize >= kLinkInfoUnicodeHeaderSize &&
      (!info.U32(28, baseUnicodeAt) || !info.U32(32, suffixUnicodeAt)))
    return std::nullopt;

  std::optional<std::string> path;
  if (flags & kVolumeIdAndLocalBasePath) {
    path = baseUnicodeAt ? info.UnicodeZ(baseUnicodeAt, codePage) : info.AnsiZ(baseAt);
  } else if (flags & kCommonNetworkRelativeLink) {
    // CommonNetworkRelativeLink: size, flags, then the offset of the share
    // name ("\\server\share") from its own start.
    uint32_t nameAt = 0;
    if (!info.U32(size_t{networkAt} + 8, nameAt)) return std::nullopt;
    path = info.AnsiZ(size_t{networkAt} + nameAt);
  } else {
    return std::string();
  }
  if (!path) return std::nullopt;
  std::optional<std::string> suffix = std::string();
  if (suffixUnicodeAt)
    suffix = info.UnicodeZ(suffixUnicodeAt, codePage);
  else if (suffixAt)
    suffix = info.AnsiZ(suffixAt);
  if (!suffix) return std::nullopt;
  // A share name and the path below it are joined by a backslash.
  if (!(flags & kVolumeIdAndLocalBasePath) && !suffix->empty() && !path->empty() && path->back() != '\\')
    *path += '\\';
  return *path + *suffix;
}

}  // namespace

std::optional<std::string> EncodeShellLink(const TShellLink& link) {
  // Which strings follow, in the order the format gives them.
  const std::pair<uint32_t, const std::string*> strings[] = {
      {kHasName, &link.Description},
      {kHasWorkingDir, &link.WorkingDirectory},
      {kHasArguments, &link.Arguments},
      {kHasIconLocation, &link.IconPath},
  };
  uint32_t flags = kHasLinkInfo;
  for (const auto& [flag, text] : strings) {
    if (text->size() > 0xFFFF) return std::nullopt;
    if (!text->empty()) flags |= flag;
  }

  std::string out;
  Put32(out, kHeaderSize);
  out.append(kLinkClass, kLinkClassSize);
  Put32(out, flags);
  Put32(out, 0);            // target attributes
  out.append(3 * 8, '\0');  // creation, access and write times
  Put32(out, 0);            // target size
  Put32(out, static_cast<uint32_t>(link.IconIndex));
  Put32(out, link.ShowCommand);
  Put16(out, link.HotKey);
  out.append(2 + 4 + 4, '\0');  // reserved
  out += LinkInfoOf(link.Target);
  for (const auto& [flag, text] : strings) {
    if (!(flags & flag)) continue;
    Put16(out, static_cast<uint16_t>(text->size()));
    out += *text;
  }
  Put32(out, 0);  // the terminal block of the extra data
  return out;
}

std::optional<TShellLink> DecodeShellLink(std::string_view bytes, uint32_t codePage) {
  TReader file(bytes);
  uint32_t headerSize = 0, flags = 0, iconIndex = 0, show = 0;
  uint16_t hotKey = 0;
  if (!file.U32(0, headerSize) || headerSize != kHeaderSize || !file.Has(0, kHeaderSize) ||
      file.Bytes(4, kLinkClassSize) != std::string_view(kLinkClass, kLinkClassSize))
    return std::nullopt;
  file.U32(20, flags);
  file.U32(56, iconIndex);
  file.U32(60, show);
  file.U16(64, hotKey);

  TShellLink link;
  link.IconIndex = static_cast<int32_t>(iconIndex);
  link.ShowCommand = show;
  link.HotKey = hotKey;
  size_t at = kHeaderSize;
  if (flags & kHasIdList) {
    uint16_t size = 0;
    if (!file.U16(at, size) || !file.Has(at + 2, size)) return std::nullopt;
    at += 2 + size;
  }
  if (flags & kHasLinkInfo) {
    uint32_t size = 0;
    if (!file.U32(at, size) || size < kLinkInfoHeaderSize || !file.Has(at, size)) return std::nullopt;
    auto target = TargetOfLinkInfo(TReader(file.Bytes(at, size)), codePage);
    if (!target) return std::nullopt;
    link.Target = std::move(*target);
    at += size;
  }
  const bool unicode = flags & kIsUnicode;
  std::string relativePath;
  const std::pair<uint32_t, std::string*> strings[] = {
      {kHasName, &link.Description},
      {kHasRelativePath, &relativePath},
      {kHasWorkingDir, &link.WorkingDirectory},
      {kHasArguments, &link.Arguments},
      {kHasIconLocation, &link.IconPath},
  };
  for (const auto& [flag, text] : strings) {
    if (!(flags & flag)) continue;
    uint16_t count = 0;
    if (!file.U16(at, count)) return std::nullopt;
    const size_t size = size_t{count} * (unicode ? 2 : 1);
    if (!file.Has(at + 2, size)) return std::nullopt;
    // Wine counts a terminating NUL in and writes it: the string ends there.
    std::string_view data = file.Bytes(at + 2, size);
    if (unicode) {
      std::u16string wide(count, u'\0');
      for (size_t i = 0; i < count; ++i)
        wide[i] = static_cast<char16_t>(ReadLittleEndian(data.data() + 2 * i, 2));
      *text = AnsiFromUtf16(wide.substr(0, wide.find(u'\0')), codePage);
    } else {
      *text = std::string(data.substr(0, data.find('\0')));
    }
    at += 2 + size;
  }
  // The extra data blocks, each sized, up to the terminal block (a size
  // below 4): a file cut short lacks it.
  for (uint32_t size = 0;; at += size) {
    if (!file.U32(at, size)) return std::nullopt;
    if (size < 4) break;
    if (!file.Has(at, size)) return std::nullopt;
  }
  return link;
}

}  // namespace brim

// PE headers, the resource directory tree and the export names, read from
// bytes with every offset checked before use.
#include "platform/PEResources.h"

#include <algorithm>

namespace brim {

namespace {

// Little-endian reads; the caller has checked that the bytes are there.
uint16_t U16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                               static_cast<unsigned char>(b[at + 1]) << 8);
}

uint32_t U32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(U16(b, at)) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}

// True when count bytes from at lie inside b (no overflow for any input).
bool Fits(std::string_view b, uint64_t at, uint64_t count) {
  return at <= b.size() && count <= b.size() - at;
}

constexpr uint16_t kPE32Magic = 0x10B;
constexpr uint16_t kPE32PlusMagic = 0x20B;
constexpr unsigned kExportDirectory = 0;
constexpr unsigned kResourceDirectory = 2;
constexpr unsigned kCertificateDirectory = 4;
constexpr uint32_t kHighBit = 0x80000000u;

std::nullopt_t Invalid(std::string* error, const char* why) {
  if (error) *error = why;
  return std::nullopt;
}

// One entry of a resource directory: its name or number and where it leads.
struct TDirectoryEntry {
  bool IsString = false;
  uint16_t Number = 0;
  uint32_t NameOffset = 0;  // of the length-prefixed UTF-16 name
  uint32_t Target = 0;      // offset of a subdirectory or of a data entry
  bool IsDirectory = false;
};

// The entries of the resource directory at offset within the resource
// section; entries that run past the section are left out.
std::vector<TDirectoryEntry> DirectoryEntries(std::string_view res, uint32_t offset) {
  std::vector<TDirectoryEntry> entries;
  if (!Fits(res, offset, 16)) return entries;
  uint32_t count = static_cast<uint32_t>(U16(res, offset + 12)) + U16(res, offset + 14);
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t at = uint64_t{offset} + 16 + uint64_t{i} * 8;
    if (!Fits(res, at, 8)) break;
    uint32_t name = U32(res, at);
    uint32_t data = U32(res, at + 4);
    TDirectoryEntry e;
    e.IsString = (name & kHighBit) != 0;
    e.Number = static_cast<uint16_t>(name & 0xFFFF);
    e.NameOffset = name & ~kHighBit;
    e.IsDirectory = (data & kHighBit) != 0;
    e.Target = data & ~kHighBit;
    entries.push_back(e);
  }
  return entries;
}

// The UTF-16 name of a directory entry; empty when it runs past the section.
std::optional<std::u16string> EntryName(std::string_view res, const TDirectoryEntry& e) {
  if (!Fits(res, e.NameOffset, 2)) return std::nullopt;
  uint16_t length = U16(res, e.NameOffset);
  if (!Fits(res, uint64_t{e.NameOffset} + 2, uint64_t{length} * 2)) return std::nullopt;
  std::u16string name;
  for (uint16_t i = 0; i < length; ++i)
    name += static_cast<char16_t>(U16(res, e.NameOffset + 2 + i * 2u));
  return name;
}

char16_t FoldCase(char16_t c) { return (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 32) : c; }

bool Matches(std::string_view res, const TDirectoryEntry& e, const TResourceId& id) {
  if (id.IsNumber()) return !e.IsString && e.Number == id.Number;
  if (!e.IsString) return false;
  auto name = EntryName(res, e);
  if (!name || name->size() != id.Name.size()) return false;
  for (size_t i = 0; i < name->size(); ++i) {
    // The query is ANSI; its bytes 0x00-0x7F and 0xA0-0xFF are the same code points.
    char16_t q = static_cast<char16_t>(static_cast<unsigned char>(id.Name[i]));
    if (FoldCase((*name)[i]) != FoldCase(q)) return false;
  }
  return true;
}

std::optional<TDirectoryEntry> Find(std::string_view res, uint32_t directory,
                                    const TResourceId& id) {
  for (const auto& e : DirectoryEntries(res, directory))
    if (e.IsDirectory && Matches(res, e, id)) return e;
  return std::nullopt;
}

}  // namespace

TResourceId TResourceId::Named(const std::string& name) {
  if (name.size() > 1 && name.size() <= 6 && name[0] == '#') {
    uint32_t n = 0;
    bool digits = true;
    for (size_t i = 1; i < name.size(); ++i) {
      if (name[i] < '0' || name[i] > '9')
        digits = false;
      else
        n = n * 10 + static_cast<uint32_t>(name[i] - '0');
    }
    if (digits && n <= 0xFFFF) return Of(static_cast<uint16_t>(n));
  }
  return {0, name};
}

std::optional<TPEImage> TPEImage::Read(std::string_view bytes, std::string* error) {
  if (!Fits(bytes, 0, 64) || bytes[0] != 'M' || bytes[1] != 'Z')
    return Invalid(error, "no MZ header");
  uint32_t pe = U32(bytes, 0x3C);
  if (!Fits(bytes, pe, 24) || bytes.substr(pe, 4) != std::string_view("PE\0\0", 4))
    return Invalid(error, "no PE signature");
  TPEImage image;
  image.bytes_ = bytes;
  size_t fileHeader = pe + 4;
  image.machine_ = U16(bytes, fileHeader);
  uint16_t sectionCount = U16(bytes, fileHeader + 2);
  uint16_t optionalSize = U16(bytes, fileHeader + 16);
  image.characteristics_ = U16(bytes, fileHeader + 18);

  size_t optional = fileHeader + 20;
  if (!Fits(bytes, optional, optionalSize) || optionalSize < 2)
    return Invalid(error, "optional header truncated");
  uint16_t magic = U16(bytes, optional);
  if (magic != kPE32Magic && magic != kPE32PlusMagic)
    return Invalid(error, "unknown optional header magic");
  image.pe32Plus_ = magic == kPE32PlusMagic;
  image.optionalHeader_ = optional;
  image.optionalSize_ = optionalSize;
  uint32_t countAt = image.pe32Plus_ ? 108 : 92;
  uint32_t directoriesAt = countAt + 4;
  if (optionalSize < directoriesAt) return Invalid(error, "optional header truncated");
  uint64_t directoryCount =
      std::min<uint64_t>({U32(bytes, optional + countAt), (optionalSize - directoriesAt) / 8u, 16});
  for (uint64_t i = 0; i < directoryCount; ++i) {
    size_t at = optional + directoriesAt + i * 8;
    image.directories_.emplace_back(U32(bytes, at), U32(bytes, at + 4));
  }

  size_t table = optional + optionalSize;
  if (!Fits(bytes, table, uint64_t{sectionCount} * 40))
    return Invalid(error, "section table truncated");
  for (uint16_t i = 0; i < sectionCount; ++i) {
    size_t at = table + i * 40u;
    TPESection s;
    std::string_view name = bytes.substr(at, 8);
    s.Name = std::string(name.substr(0, name.find('\0')));
    s.VirtualSize = U32(bytes, at + 8);
    s.VirtualAddress = U32(bytes, at + 12);
    s.RawSize = U32(bytes, at + 16);
    s.RawOffset = U32(bytes, at + 20);
    s.Characteristics = U32(bytes, at + 36);
    image.sections_.push_back(std::move(s));
  }
  return image;
}

uint64_t TPEImage::ImageEnd() const {
  uint64_t end = 0;
  for (const auto& s : sections_) end = std::max(end, uint64_t{s.RawOffset} + s.RawSize);
  return end;
}

std::optional<std::string_view> TPEImage::FromRva(uint32_t rva) const {
  for (const auto& s : sections_) {
    if (s.RawOffset >= bytes_.size()) continue;
    // Only the part of the section's data that the file really holds.
    uint64_t length = std::min<uint64_t>(s.RawSize, bytes_.size() - s.RawOffset);
    if (rva >= s.VirtualAddress && uint64_t{rva} - s.VirtualAddress < length) {
      uint64_t start = uint64_t{s.RawOffset} + (rva - s.VirtualAddress);
      return bytes_.substr(start, length - (rva - s.VirtualAddress));
    }
  }
  return std::nullopt;
}

std::optional<std::string_view> TPEImage::At(uint32_t rva, uint32_t size) const {
  auto rest = FromRva(rva);
  if (!rest || rest->size() < size) return std::nullopt;
  return rest->substr(0, size);
}

std::optional<std::pair<uint32_t, uint32_t>> TPEImage::Directory(unsigned index) const {
  if (index >= directories_.size() || directories_[index].first == 0) return std::nullopt;
  return directories_[index];
}

bool TPEImage::HasResources() const {
  auto dir = Directory(kResourceDirectory);
  if (!dir) return false;
  auto res = FromRva(dir->first);
  return res && Fits(*res, 0, 16);
}

std::vector<TResourceId> TPEImage::ResourceNames(const TResourceId& type) const {
  std::vector<TResourceId> names;
  auto dir = Directory(kResourceDirectory);
  if (!dir) return names;
  // Offsets in the tree count from the start of the root directory; the
  // tree may use the whole rest of its section.
  auto res = FromRva(dir->first);
  if (!res) return names;
  auto typeEntry = Find(*res, 0, type);
  if (!typeEntry) return names;
  for (const auto& e : DirectoryEntries(*res, typeEntry->Target)) {
    if (!e.IsString) {
      names.push_back(TResourceId::Of(e.Number));
    } else if (auto name = EntryName(*res, e)) {
      std::string ansi;
      for (char16_t c : *name) ansi += c < 0x100 ? static_cast<char>(c) : '?';
      names.push_back({0, ansi});
    }
  }
  return names;
}

std::optional<std::string_view> TPEImage::Resource(const TResourceId& type,
                                                   const TResourceId& name) const {
  auto dir = Directory(kResourceDirectory);
  if (!dir) return std::nullopt;
  auto res = FromRva(dir->first);
  if (!res) return std::nullopt;
  auto typeEntry = Find(*res, 0, type);
  if (!typeEntry) return std::nullopt;
  auto nameEntry = Find(*res, typeEntry->Target, name);
  if (!nameEntry) return std::nullopt;
  for (const auto& language : DirectoryEntries(*res, nameEntry->Target)) {
    if (language.IsDirectory) continue;  // a fourth level does not exist
    if (!Fits(*res, language.Target, 16)) return std::nullopt;
    return At(U32(*res, language.Target), U32(*res, language.Target + 4));
  }
  return std::nullopt;
}

std::optional<std::vector<TPEResourceEntry>> TPEImage::AllResources(std::string* error) const {
  std::vector<TPEResourceEntry> all;
  auto dir = Directory(kResourceDirectory);
  if (!dir) return all;
  auto res = FromRva(dir->first);
  if (!res || !Fits(*res, 0, 16)) return Invalid(error, "the root directory is outside the file");
  auto keyOf = [&](const TDirectoryEntry& e) -> std::optional<TResourceKey> {
    if (!e.IsString) return TResourceKey{false, e.Number, {}};
    auto name = EntryName(*res, e);
    if (!name) return std::nullopt;
    return TResourceKey{true, 0, *name};
  };
  // Each level must hold the count of entries its header gives.
  auto entriesOf = [&](uint32_t offset, std::vector<TDirectoryEntry>& entries) {
    entries = DirectoryEntries(*res, offset);
    return Fits(*res, offset, 16) &&
           entries.size() == static_cast<size_t>(U16(*res, offset + 12)) + U16(*res, offset + 14);
  };
  std::vector<TDirectoryEntry> types, names, languages;
  if (!entriesOf(0, types)) return Invalid(error, "the root directory runs past the file");
  for (const auto& type : types) {
    auto typeKey = keyOf(type);
    if (!typeKey || !type.IsDirectory || !entriesOf(type.Target, names))
      return Invalid(error, "a type directory runs past the file");
    for (const auto& name : names) {
      auto nameKey = keyOf(name);
      if (!nameKey || !name.IsDirectory || !entriesOf(name.Target, languages))
        return Invalid(error, "a name directory runs past the file");
      for (const auto& language : languages) {
        if (language.IsDirectory || !Fits(*res, language.Target, 16))
          return Invalid(error, "a data entry runs past the file");
        auto data = At(U32(*res, language.Target), U32(*res, language.Target + 4));
        if (!data) return Invalid(error, "the data of a resource lies outside the file");
        all.push_back({*typeKey, *nameKey, language.Number, U32(*res, language.Target + 8), *data});
      }
    }
  }
  return all;
}

std::vector<std::string> TPEImage::ExportedNames() const {
  std::vector<std::string> names;
  auto dir = Directory(kExportDirectory);
  if (!dir) return names;
  auto exports = At(dir->first, 40);
  if (!exports) return names;
  uint32_t count = U32(*exports, 24);
  uint32_t namesRva = U32(*exports, 32);
  if (uint64_t{count} * 4 > UINT32_MAX) return names;
  auto table = At(namesRva, count * 4);
  if (!table) return names;
  for (uint32_t i = 0; i < count; ++i) {
    auto text = FromRva(U32(*table, i * 4u));
    if (!text) continue;
    size_t end = text->find('\0');
    // Runs off its section, or names nothing: damaged.
    if (end == std::string_view::npos || end == 0) continue;
    names.emplace_back(text->substr(0, end));
  }
  return names;
}

std::vector<std::string> ExportedNames(std::string_view bytes) {
  auto image = TPEImage::Read(bytes);
  return image ? image->ExportedNames() : std::vector<std::string>{};
}

std::optional<std::pair<uint64_t, uint64_t>> CertificateTable(std::string_view headers,
                                                              uint64_t fileSize) {
  auto image = TPEImage::Read(headers);
  if (!image) return std::nullopt;
  auto table = image->Directory(kCertificateDirectory);
  if (!table || table->second == 0 || uint64_t{table->first} + table->second != fileSize)
    return std::nullopt;
  return std::pair<uint64_t, uint64_t>{table->first, table->second};
}

}  // namespace brim

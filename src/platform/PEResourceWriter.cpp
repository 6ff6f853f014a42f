// Setting a resource in a PE file: the resource section laid out as the
// resource compiler lays it out (directories sorted for the loader's
// binary search, then data entries, names and the data), and the headers
// patched around it.
#include "platform/PEResourceWriter.h"

#include <algorithm>
#include <map>

#include "common/LittleEndian.h"

namespace brim {

namespace {

constexpr unsigned kCertificateDirectory = 4;
constexpr unsigned kResourceDirectory = 2;
constexpr unsigned kRelocationDirectory = 5;
constexpr uint32_t kHighBit = 0x80000000u;
constexpr uint32_t kSectionHeaderSize = 40;
// Initialised data, readable: what the resource compiler's section is.
constexpr uint32_t kResourceCharacteristics = 0x40000040u;
constexpr uint32_t kInitializedData = 0x00000040u;

uint32_t Get32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(ReadLittleEndian(b.data() + at, 4));
}
void Put32(std::string& b, size_t at, uint32_t v) { WriteLittleEndian(b.data() + at, v, 4); }
void Put16(std::string& b, size_t at, uint32_t v) { WriteLittleEndian(b.data() + at, v, 2); }

uint64_t AlignUp(uint64_t value, uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

bool PowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

std::nullopt_t Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return std::nullopt;
}

TResourceKey KeyOf(const TResourceId& id) {
  if (id.IsNumber()) return {false, id.Number, {}};
  // FindResource compares names in upper case: they are stored so.
  std::u16string name;
  for (char c : id.Name) {
    char16_t u = static_cast<char16_t>(static_cast<unsigned char>(c));
    name += (u >= 'a' && u <= 'z') ? static_cast<char16_t>(u - 32) : u;
  }
  return {true, 0, name};
}

bool SameKey(const TResourceKey& a, const TResourceKey& b) {
  if (a.IsString != b.IsString) return false;
  if (!a.IsString) return a.Number == b.Number;
  if (a.Name.size() != b.Name.size()) return false;
  auto fold = [](char16_t c) { return (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 32) : c; };
  for (size_t i = 0; i < a.Name.size(); ++i)
    if (fold(a.Name[i]) != fold(b.Name[i])) return false;
  return true;
}

// Names first, by code units, then numbers, ascending: the loader searches
// each directory by halves in this order.
struct TKeyOrder {
  bool operator()(const TResourceKey& a, const TResourceKey& b) const {
    if (a.IsString != b.IsString) return a.IsString;
    return a.IsString ? a.Name < b.Name : a.Number < b.Number;
  }
};

using TLanguages = std::map<uint16_t, const TPEResourceEntry*>;
using TNames = std::map<TResourceKey, TLanguages, TKeyOrder>;
using TTypes = std::map<TResourceKey, TNames, TKeyOrder>;

// The bytes of a resource section placed at rva.
std::string ResourceSection(const std::vector<TPEResourceEntry>& resources, uint32_t rva) {
  TTypes types;
  for (const auto& r : resources) types[r.Type][r.Name][r.Language] = &r;

  auto directorySize = [](size_t entries) { return static_cast<uint32_t>(16 + 8 * entries); };
  uint32_t size = directorySize(types.size());
  std::map<const TNames*, uint32_t> nameDirectories;
  std::map<const TLanguages*, uint32_t> languageDirectories;
  for (const auto& [type, names] : types) {
    nameDirectories[&names] = size;
    size += directorySize(names.size());
  }
  for (const auto& [type, names] : types)
    for (const auto& [name, languages] : names) {
      languageDirectories[&languages] = size;
      size += directorySize(languages.size());
    }
  uint32_t nextLeaf = size;
  std::string res(size + 16 * resources.size(), '\0');

  // Names go after the data entries, each a length and its UTF-16 units.
  auto keyField = [&](const TResourceKey& key) -> uint32_t {
    if (!key.IsString) return key.Number;
    uint32_t at = static_cast<uint32_t>(res.size());
    AppendLittleEndian(res, key.Name.size(), 2);
    for (char16_t c : key.Name) AppendLittleEndian(res, c, 2);
    return at | kHighBit;
  };
  auto header = [&](uint32_t at, size_t named, size_t numbered) {
    Put16(res, at + 12, static_cast<uint32_t>(named));
    Put16(res, at + 14, static_cast<uint32_t>(numbered));
  };
  auto namedCount = [](const auto& map) {
    return static_cast<size_t>(
        std::count_if(map.begin(), map.end(), [](const auto& e) { return e.first.IsString; }));
  };

  std::vector<std::pair<uint32_t, const TPEResourceEntry*>> leaves;
  header(0, namedCount(types), types.size() - namedCount(types));
  uint32_t typeAt = 16;
  for (const auto& [type, names] : types) {
    uint32_t namesAt = nameDirectories[&names];
    Put32(res, typeAt, keyField(type));
    Put32(res, typeAt + 4, namesAt | kHighBit);
    typeAt += 8;
    header(namesAt, namedCount(names), names.size() - namedCount(names));
    uint32_t nameAt = namesAt + 16;
    for (const auto& [name, languages] : names) {
      uint32_t languagesAt = languageDirectories[&languages];
      Put32(res, nameAt, keyField(name));
      Put32(res, nameAt + 4, languagesAt | kHighBit);
      nameAt += 8;
      header(languagesAt, 0, languages.size());
      uint32_t languageAt = languagesAt + 16;
      for (const auto& [language, entry] : languages) {
        Put32(res, languageAt, language);
        Put32(res, languageAt + 4, nextLeaf);
        languageAt += 8;
        leaves.emplace_back(nextLeaf, entry);
        nextLeaf += 16;
      }
    }
  }
  for (const auto& [leaf, entry] : leaves) {
    res.resize(AlignUp(res.size(), 8), '\0');
    Put32(res, leaf, rva + static_cast<uint32_t>(res.size()));
    Put32(res, leaf + 4, static_cast<uint32_t>(entry->Data.size()));
    Put32(res, leaf + 8, entry->CodePage);
    res += entry->Data;
  }
  return res;
}

// How far a section reaches in memory.
uint64_t VirtualEnd(const TPESection& s) {
  return uint64_t{s.VirtualAddress} + (s.VirtualSize ? s.VirtualSize : s.RawSize);
}

bool Contains(const TPESection& s, uint32_t rva) {
  return rva >= s.VirtualAddress && rva < VirtualEnd(s);
}

}  // namespace

uint32_t PEChecksum(std::string_view bytes) {
  uint32_t sum = 0;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    uint32_t word = static_cast<unsigned char>(bytes[i]);
    if (i + 1 < bytes.size())
      word |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return sum + static_cast<uint32_t>(bytes.size());
}

std::optional<std::string> WithPEResource(std::string_view bytes, const TResourceId& type,
                                          const TResourceId& name, std::string_view data,
                                          std::string* error) {
  std::string why;
  auto image = TPEImage::Read(bytes, &why);
  if (!image) return Fail(error, "not a PE file (" + why + ")");
  if (image->ImageEnd() > bytes.size())
    return Fail(error, "the file is truncated: its sections end at byte " +
                           std::to_string(image->ImageEnd()) + ", the file at byte " +
                           std::to_string(bytes.size()));
  if (image->DirectoryCount() <= kResourceDirectory)
    return Fail(error, "its optional header has no resource directory entry");
  const size_t opt = image->OptionalHeaderOffset();
  const size_t fileHeader = opt - 20;
  const uint32_t sectionAlignment = Get32(bytes, opt + 32);
  const uint32_t fileAlignment = Get32(bytes, opt + 36);
  if (!PowerOfTwo(sectionAlignment) || !PowerOfTwo(fileAlignment))
    return Fail(error, "its section or file alignment is not a power of two");
  auto resources = image->AllResources(&why);
  if (!resources) return Fail(error, "its resource directory is damaged (" + why + ")");
  if (data.size() > 0x7FFFFFFF) return Fail(error, "the resource is too large");

  // The new resource takes the language of the one it replaces.
  TResourceKey typeKey = KeyOf(type), nameKey = KeyOf(name);
  std::optional<uint16_t> language;
  std::erase_if(*resources, [&](const TPEResourceEntry& r) {
    bool same = SameKey(r.Type, typeKey) && SameKey(r.Name, nameKey);
    if (same && !language) language = r.Language;
    return same;
  });
  resources->push_back({typeKey, nameKey, language.value_or(0), 0, data});

  std::string file(bytes);
  const size_t directories = opt + (image->IsPE32Plus() ? 112 : 96);
  auto directory = [&](unsigned index) { return directories + 8 * index; };
  // A signature cannot survive the change: drop it, and its bytes when
  // they end the file, where they always are.
  if (auto certificate = image->Directory(kCertificateDirectory)) {
    if (uint64_t{certificate->first} + certificate->second == file.size())
      file.resize(certificate->first);
    Put32(file, directory(kCertificateDirectory), 0);
    Put32(file, directory(kCertificateDirectory) + 4, 0);
  }

  std::vector<TPESection> sections = image->Sections();
  const size_t table = opt + image->OptionalHeaderSize();
  auto old = image->Directory(kResourceDirectory);
  auto relocations = image->Directory(kRelocationDirectory);
  // Which data directories (RVAs; the certificate's is a file offset) point into a section.
  auto referencedBy = [&](const TPESection& s) {
    std::vector<unsigned> found;
    for (unsigned i = 0; i < image->DirectoryCount(); ++i)
      if (auto d = image->Directory(i); d && i != kCertificateDirectory && Contains(s, d->first))
        found.push_back(i);
    return found;
  };
  uint64_t rawEnd = 0;
  for (const auto& s : sections)
    if (s.RawSize) rawEnd = std::max(rawEnd, uint64_t{s.RawOffset} + s.RawSize);
  // What follows the sections' data: nothing, or the COFF symbol and
  // string tables the linker leaves (long section names live there),
  // which move with the file's end; anything else stays where it is.
  uint64_t overlayStart = AlignUp(rawEnd, fileAlignment);
  const uint32_t symbols = Get32(file, fileHeader + 8);
  bool movableOverlay = file.size() <= overlayStart;
  if (!movableOverlay && symbols >= rawEnd && symbols <= file.size()) {
    uint64_t strings = symbols + uint64_t{18} * Get32(file, fileHeader + 12);
    movableOverlay = file.size() >= strings + 4 &&
                     strings + Get32(file, static_cast<size_t>(strings)) == file.size();
    overlayStart = symbols;
  }

  // The old section is rewritten in place when it ends the image and
  // holds nothing else, behind it at most the base relocations.
  std::optional<size_t> inPlace;
  for (size_t i = 0; old && i < sections.size(); ++i) {
    const TPESection& r = sections[i];
    if (r.VirtualAddress != old->first) continue;
    bool fits = movableOverlay && r.RawSize > 0 &&
                referencedBy(r) == std::vector<unsigned>{kResourceDirectory};
    for (size_t j = 0; j < sections.size(); ++j) {
      const TPESection& s = sections[j];
      if (j < i)
        fits = fits && VirtualEnd(s) <= r.VirtualAddress &&
               (!s.RawSize || uint64_t{s.RawOffset} + s.RawSize <= r.RawOffset);
      if (j > i)
        fits = fits && relocations && s.VirtualAddress >= VirtualEnd(r) &&
               s.RawOffset >= uint64_t{r.RawOffset} + r.RawSize &&
               referencedBy(s) == std::vector<unsigned>{kRelocationDirectory} &&
               uint64_t{relocations->first} + relocations->second <= VirtualEnd(s);
    }
    if (fits) inPlace = i;
    break;
  }

  std::string section;
  uint32_t rva = 0;
  uint32_t initializedData = Get32(file, opt + 8);
  if (inPlace) {
    TPESection& r = sections[*inPlace];
    rva = r.VirtualAddress;
    section = ResourceSection(*resources, rva);
    std::string rebuilt = file.substr(0, r.RawOffset);
    initializedData -= r.RawSize;
    r.VirtualSize = static_cast<uint32_t>(section.size());
    r.RawSize = static_cast<uint32_t>(AlignUp(section.size(), fileAlignment));
    initializedData += r.RawSize;
    rebuilt += section;
    rebuilt.resize(r.RawOffset + r.RawSize, '\0');
    uint64_t nextRva = AlignUp(VirtualEnd(r), sectionAlignment);
    for (size_t j = *inPlace + 1; j < sections.size(); ++j) {
      TPESection& s = sections[j];
      uint32_t moved = static_cast<uint32_t>(nextRva) - s.VirtualAddress;
      if (s.RawSize) {
        std::string_view raw = std::string_view(file).substr(s.RawOffset, s.RawSize);
        s.RawOffset = static_cast<uint32_t>(rebuilt.size());
        rebuilt += raw;
        rebuilt.resize(AlignUp(rebuilt.size(), fileAlignment), '\0');
      }
      s.VirtualAddress = static_cast<uint32_t>(nextRva);
      Put32(rebuilt, directory(kRelocationDirectory), relocations->first + moved);
      nextRva = AlignUp(VirtualEnd(s), sectionAlignment);
    }
    if (overlayStart < file.size()) {
      Put32(rebuilt, fileHeader + 8, static_cast<uint32_t>(rebuilt.size()));
      rebuilt += std::string_view(file).substr(static_cast<size_t>(overlayStart));
    }
    file = std::move(rebuilt);
  } else {
    // A new last section: room for its header is needed before the first
    // section's data, and those bytes must be unused.
    size_t at = table + kSectionHeaderSize * sections.size();
    uint64_t firstRaw = Get32(file, opt + 60);  // SizeOfHeaders
    for (const auto& s : sections)
      if (s.RawSize) firstRaw = std::min<uint64_t>(firstRaw, s.RawOffset);
    if (at + kSectionHeaderSize > firstRaw ||
        file.find_first_not_of('\0', at) < at + kSectionHeaderSize)
      return Fail(error, "its headers have no room for another section");
    uint64_t end = AlignUp(file.size(), fileAlignment);
    uint64_t virtualEnd = 0;
    for (const auto& s : sections) virtualEnd = std::max(virtualEnd, VirtualEnd(s));
    if (end > 0xFFFFFFFFu - data.size() - 0x10000 ||
        virtualEnd > 0xFFFFFFFFu - data.size() - 0x10000)
      return Fail(error, "the file is too large for another section");
    rva = static_cast<uint32_t>(AlignUp(virtualEnd, sectionAlignment));
    section = ResourceSection(*resources, rva);
    TPESection added{".rsrc",
                     rva,
                     static_cast<uint32_t>(section.size()),
                     static_cast<uint32_t>(end),
                     static_cast<uint32_t>(AlignUp(section.size(), fileAlignment)),
                     kResourceCharacteristics};
    file.resize(end, '\0');
    file += section;
    file.resize(end + added.RawSize, '\0');
    initializedData += added.RawSize;
    sections.push_back(added);
    Put16(file, fileHeader + 2, static_cast<uint32_t>(sections.size()));
    std::string header = added.Name;
    header.resize(8, '\0');
    file.replace(at, 8, header);
    Put32(file, at + 36, added.Characteristics);
  }

  // The section table, the image's size, the directory entry, the checksum.
  uint64_t imageSize = 0;
  for (size_t i = 0; i < sections.size(); ++i) {
    const TPESection& s = sections[i];
    size_t at = table + kSectionHeaderSize * i;
    Put32(file, at + 8, s.VirtualSize);
    Put32(file, at + 12, s.VirtualAddress);
    Put32(file, at + 16, s.RawSize);
    Put32(file, at + 20, s.RawOffset);
    imageSize = std::max(imageSize, AlignUp(VirtualEnd(s), sectionAlignment));
  }
  if (Get32(file, opt + 8) != 0) Put32(file, opt + 8, initializedData);
  Put32(file, opt + 56, static_cast<uint32_t>(imageSize));
  Put32(file, directory(kResourceDirectory), rva);
  Put32(file, directory(kResourceDirectory) + 4, static_cast<uint32_t>(section.size()));
  Put32(file, PEChecksumOffset(*image), 0);
  Put32(file, PEChecksumOffset(*image), PEChecksum(file));
  return file;
}

}  // namespace brim

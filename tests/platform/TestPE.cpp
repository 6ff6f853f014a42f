// Building test executables: DOS header and stub, PE headers, a read-only
// data section (the export directory, if any) and a resource section laid
// out as the resource compiler lays it out (directories first, sorted for
// the loader's binary search, then data entries, names and data).
#include "platform/TestPE.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <tuple>

namespace brim::test {

namespace {

constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint32_t kPEOffset = 0x80;

uint32_t AlignUp(uint32_t value, uint32_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

void Put16(std::string& b, size_t at, uint32_t v) {
  if (b.size() < at + 2) b.resize(at + 2, '\0');
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

void Append16(std::string& b, uint32_t v) { Put16(b, b.size(), v); }
void Append32(std::string& b, uint32_t v) { Put32(b, b.size(), v); }
void Pad(std::string& b, size_t alignment) {
  b.resize((b.size() + alignment - 1) / alignment * alignment, '\0');
}

std::u16string Utf16(const std::string& utf8) {
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += 1 + extra;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

void AppendUtf16(std::string& b, const std::u16string& text) {
  for (char16_t c : text) Append16(b, c);
}

// One node of a version block: header, key, value, then each child on a
// 4-byte boundary. valueLength counts characters for text, bytes otherwise.
std::string VersionNode(const std::string& key, bool text, const std::string& value,
                        uint32_t valueLength, const std::vector<std::string>& children = {}) {
  std::string node(6, '\0');
  AppendUtf16(node, Utf16(key));
  Append16(node, 0);
  Pad(node, 4);
  node += value;
  for (const auto& child : children) {
    Pad(node, 4);
    node += child;
  }
  if (node.size() > 0xFFFF) throw std::length_error("version node \"" + key + "\" exceeds 64 KiB");
  Put16(node, 0, static_cast<uint32_t>(node.size()));
  Put16(node, 2, valueLength);
  Put16(node, 4, text ? 1 : 0);
  return node;
}

std::string FixedFileInfo(const TTestVersion& v) {
  std::string info;
  Append32(info, 0xFEEF04BD);
  Append32(info, 0x00010000);  // structure version 1.0
  Append32(info, uint32_t{v.FileVersion[0]} << 16 | v.FileVersion[1]);
  Append32(info, uint32_t{v.FileVersion[2]} << 16 | v.FileVersion[3]);
  Append32(info, uint32_t{v.ProductVersion[0]} << 16 | v.ProductVersion[1]);
  Append32(info, uint32_t{v.ProductVersion[2]} << 16 | v.ProductVersion[3]);
  Append32(info, 0x3F);  // file flags mask
  Append32(info, 0);     // file flags
  Append32(info, v.FileOS);
  Append32(info, v.FileType);
  Append32(info, v.FileSubtype);
  Append32(info, 0);  // file date, high and low
  Append32(info, 0);
  return info;
}

// Resource names as the resource compiler stores them: upper case.
std::u16string UpperName(const std::string& name) {
  std::u16string u = Utf16(name);
  for (auto& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char16_t>(c - 32);
  return u;
}

// The loader searches directories by halves: names first, in code unit
// order, then numbers, ascending.
struct TIdOrder {
  bool operator()(const TResourceId& a, const TResourceId& b) const {
    if (a.IsNumber() != b.IsNumber()) return !a.IsNumber();
    if (a.IsNumber()) return a.Number < b.Number;
    return UpperName(a.Name) < UpperName(b.Name);
  }
};

using TLanguages = std::map<uint16_t, std::string>;
using TNames = std::map<TResourceId, TLanguages, TIdOrder>;
using TTypes = std::map<TResourceId, TNames, TIdOrder>;

// The .rsrc section's bytes for a section placed at rva.
std::string ResourceSection(const TTypes& types, uint32_t rva) {
  // Offsets of every part, then the bytes.
  auto directorySize = [](size_t entries) { return 16 + 8 * entries; };
  uint32_t size = static_cast<uint32_t>(directorySize(types.size()));
  std::map<const TNames*, uint32_t> nameDirectories;
  std::map<const TLanguages*, uint32_t> languageDirectories;
  for (const auto& [type, names] : types) {
    nameDirectories[&names] = size;
    size += static_cast<uint32_t>(directorySize(names.size()));
  }
  size_t leaves = 0;
  for (const auto& [type, names] : types)
    for (const auto& [name, languages] : names) {
      languageDirectories[&languages] = size;
      size += static_cast<uint32_t>(directorySize(languages.size()));
      leaves += languages.size();
    }
  uint32_t dataEntries = size;
  uint32_t strings = dataEntries + static_cast<uint32_t>(16 * leaves);

  std::string res(strings, '\0');
  auto nameField = [&](const TResourceId& id) -> uint32_t {
    if (id.IsNumber()) return id.Number;
    uint32_t at = static_cast<uint32_t>(res.size());
    std::u16string upper = UpperName(id.Name);
    Append16(res, static_cast<uint32_t>(upper.size()));
    AppendUtf16(res, upper);
    return at | 0x80000000u;
  };
  auto directoryHeader = [&](uint32_t at, const auto& entries) {
    size_t named = std::count_if(entries.begin(), entries.end(),
                                 [](const auto& e) { return !e.first.IsNumber(); });
    Put16(res, at + 12, static_cast<uint32_t>(named));
    Put16(res, at + 14, static_cast<uint32_t>(entries.size() - named));
  };

  directoryHeader(0, types);
  uint32_t typeAt = 16;
  std::vector<std::pair<uint32_t, const std::string*>> leafData;
  uint32_t leaf = dataEntries;
  for (const auto& [type, names] : types) {
    Put32(res, typeAt, nameField(type));
    uint32_t namesAt = nameDirectories[&names];
    Put32(res, typeAt + 4, namesAt | 0x80000000u);
    typeAt += 8;
    directoryHeader(namesAt, names);
    uint32_t nameAt = namesAt + 16;
    for (const auto& [name, languages] : names) {
      Put32(res, nameAt, nameField(name));
      uint32_t languagesAt = languageDirectories[&languages];
      Put32(res, nameAt + 4, languagesAt | 0x80000000u);
      nameAt += 8;
      Put16(res, languagesAt + 14, static_cast<uint32_t>(languages.size()));
      uint32_t languageAt = languagesAt + 16;
      for (const auto& [language, data] : languages) {
        Put32(res, languageAt, language);
        Put32(res, languageAt + 4, leaf);
        languageAt += 8;
        leafData.emplace_back(leaf, &data);
        leaf += 16;
      }
    }
  }
  for (const auto& [entry, data] : leafData) {
    Pad(res, 8);
    Put32(res, entry, rva + static_cast<uint32_t>(res.size()));
    Put32(res, entry + 4, static_cast<uint32_t>(data->size()));
    Put32(res, entry + 8, 0);  // code page
    res += *data;
  }
  return res;
}

// An export directory with these names, for a section placed at rva, and
// the size of the directory: the functions follow it, since an address
// inside the directory would make them forwarders.
std::pair<std::string, uint32_t> ExportSection(std::vector<std::string> names, uint32_t rva) {
  std::sort(names.begin(), names.end());  // GetProcAddress searches by halves
  uint32_t n = static_cast<uint32_t>(names.size());
  uint32_t functions = 40, nameTable = functions + 4 * n, ordinals = nameTable + 4 * n;
  std::string s(ordinals + 2 * n, '\0');
  std::vector<uint32_t> nameRvas;
  uint32_t dllName = rva + static_cast<uint32_t>(s.size());
  s += "TEST.DLL";
  s += '\0';
  for (const auto& name : names) {
    nameRvas.push_back(rva + static_cast<uint32_t>(s.size()));
    s += name;
    s += '\0';
  }
  // Every function is the one RET after the directory; none is ever called.
  uint32_t directorySize = static_cast<uint32_t>(s.size());
  s.resize(AlignUp(directorySize + 1, 4), '\0');
  uint32_t target = rva + static_cast<uint32_t>(s.size());
  s += '\xC3';
  Put32(s, 12, dllName);
  Put32(s, 16, 1);  // ordinal base
  Put32(s, 20, n);
  Put32(s, 24, n);
  Put32(s, 28, rva + functions);
  Put32(s, 32, rva + nameTable);
  Put32(s, 36, rva + ordinals);
  for (uint32_t i = 0; i < n; ++i) {
    Put32(s, functions + 4 * i, target);
    Put32(s, nameTable + 4 * i, nameRvas[i]);
    Put16(s, ordinals + 2 * i, i);
  }
  return {s, directorySize};
}

struct TSection {
  std::string Name;
  std::string Data;
  uint32_t Rva = 0;
};

const char kDosStub[] =
    "\x0E\x1F\xBA\x0E\x00\xB4\x09\xCD\x21\xB8\x01\x4C\xCD\x21"
    "This program cannot be run in DOS mode.\r\r\n$";

std::string Image(std::vector<TSection>& sections, uint32_t exportSize, uint32_t resourceSize,
                  const TTestPEOptions& options, const TTestPELayout& layout) {
  std::string file;
  // DOS header: the values every linker writes, and where the PE header is.
  Put16(file, 0x00, 'M' | 'Z' << 8);
  Put16(file, 0x02, 0x90);
  Put16(file, 0x04, 3);
  Put16(file, 0x08, 4);
  Put16(file, 0x0C, 0xFFFF);
  Put16(file, 0x10, 0xB8);
  Put16(file, 0x18, 0x40);
  Put32(file, 0x3C, kPEOffset);
  file.replace(0x40, 0, kDosStub, sizeof kDosStub - 1);
  file.resize(kPEOffset, '\0');

  bool plus = options.PE32Plus;
  uint32_t optionalSize = plus ? 240 : 224;
  file += std::string("PE\0\0", 4);
  size_t header = file.size();
  Put16(file, header, plus ? 0x8664 : 0x14C);
  Put16(file, header + 2, static_cast<uint32_t>(sections.size()));
  Put16(file, header + 16, optionalSize);
  uint32_t characteristics = 0x0002 | (plus ? 0x0020 : 0x0100 | 0x0001);  // executable image
  if (!options.Exports.empty()) characteristics |= 0x2000;                // a DLL
  Put16(file, header + 18, characteristics);

  // Room for one more section header, as linkers leave.
  uint32_t headersSize = AlignUp(
      kPEOffset + 24 + optionalSize + 40 * static_cast<uint32_t>(sections.size() + 1),
      kFileAlignment);
  uint32_t imageSize = kSectionAlignment;
  uint32_t initializedData = 0;
  for (auto& s : sections) {
    imageSize += AlignUp(static_cast<uint32_t>(s.Data.size()), kSectionAlignment);
    initializedData += AlignUp(static_cast<uint32_t>(s.Data.size()), kFileAlignment);
  }

  size_t opt = header + 20;
  Put16(file, opt, plus ? 0x20B : 0x10B);
  Put16(file, opt + 2, 2);  // linker version 2.0
  Put32(file, opt + 8, initializedData);
  Put32(file, opt + 20, kSectionAlignment);  // base of code
  size_t windows;                            // the Windows-specific fields
  if (plus) {
    Put32(file, opt + 24, 0x40000000);  // image base 0x140000000
    Put32(file, opt + 28, 0x1);
    windows = opt + 32;
  } else {
    Put32(file, opt + 24, kSectionAlignment);  // base of data
    Put32(file, opt + 28, 0x400000);           // image base
    windows = opt + 32;
  }
  Put32(file, windows + 0, kSectionAlignment);
  Put32(file, windows + 4, kFileAlignment);
  Put16(file, windows + 8, 4);   // operating system 4.0
  Put16(file, windows + 16, 4);  // subsystem 4.0
  Put32(file, windows + 24, imageSize);
  Put32(file, windows + 28, headersSize);
  Put16(file, windows + 36, 2);  // Windows GUI
  size_t sizes = windows + 40;   // stack and heap reserve and commit
  uint32_t sizeWidth = plus ? 8 : 4;
  Put32(file, sizes, 0x100000);
  Put32(file, sizes + sizeWidth, 0x1000);
  Put32(file, sizes + 2 * sizeWidth, 0x100000);
  Put32(file, sizes + 3 * sizeWidth, 0x1000);
  size_t count = sizes + 4 * sizeWidth + 4;  // after the loader flags
  Put32(file, count, 16);
  size_t directories = count + 4;
  file.resize(opt + optionalSize, '\0');
  for (auto& s : sections) {
    if (s.Name == ".rdata" && exportSize) {
      Put32(file, directories, s.Rva);
      Put32(file, directories + 4, exportSize);
    }
    if (s.Name == ".rsrc") {
      Put32(file, directories + 2 * 8, s.Rva);
      Put32(file, directories + 2 * 8 + 4, resourceSize);
    }
    if (s.Name == ".reloc") {
      Put32(file, directories + 5 * 8, s.Rva);
      Put32(file, directories + 5 * 8 + 4, static_cast<uint32_t>(s.Data.size()));
    }
  }

  uint32_t raw = headersSize;
  for (auto& s : sections) {
    size_t at = file.size();
    file += s.Name;
    file.resize(at + 8, '\0');
    Append32(file, static_cast<uint32_t>(s.Data.size()));
    Append32(file, s.Rva);
    uint32_t rawSize = AlignUp(static_cast<uint32_t>(s.Data.size()), kFileAlignment);
    Append32(file, rawSize);
    Append32(file, raw);
    file.resize(at + 36, '\0');
    Append32(file, 0x40000040);  // initialized data, readable
    raw += rawSize;
  }
  file.resize(headersSize, '\0');
  for (auto& s : sections) {
    file += s.Data;
    Pad(file, kFileAlignment);
  }
  if (layout.StringTable) {
    Put32(file, header + 8, static_cast<uint32_t>(file.size()));  // no symbols, then the names
    const char names[] = "\x0E\0\0\0.eh_frame";
    file.append(names, sizeof names);
  }
  return file;
}

std::string BuildImage(const TTypes& types, const TTestPEOptions& options,
                       const TTestPELayout& layout = {}) {
  std::vector<TSection> sections;
  uint32_t rva = kSectionAlignment;
  uint32_t exportSize = 0;
  std::string rdata;
  if (!options.Exports.empty()) {
    std::tie(rdata, exportSize) = ExportSection(options.Exports, rva);
  } else {
    rdata = "Brimwell test file";
  }
  sections.push_back({".rdata", rdata, rva});
  rva += AlignUp(static_cast<uint32_t>(rdata.size()), kSectionAlignment);
  uint32_t resourceSize = 0;
  if (!types.empty()) {
    std::string res = ResourceSection(types, rva);
    resourceSize = static_cast<uint32_t>(res.size());
    sections.push_back({".rsrc", res, rva});
    rva += AlignUp(resourceSize, kSectionAlignment);
  }
  if (!layout.SectionAfterResources.empty()) {
    std::string data = "another section";
    if (layout.SectionAfterResources == ".reloc") {
      // One block of the first page whose two entries only pad.
      data.clear();
      Append32(data, kSectionAlignment);
      Append32(data, 12);
      Append32(data, 0);
    }
    sections.push_back({layout.SectionAfterResources, data, rva});
  }
  return Image(sections, exportSize, resourceSize, options, layout);
}

}  // namespace

std::string BuildVersionBlock(const TTestVersion& version) {
  std::vector<std::string> tables;
  for (const auto& table : version.StringTables) {
    std::vector<std::string> strings;
    for (const auto& [name, value] : table.Values) {
      std::u16string text = Utf16(value);
      std::string bytes;
      AppendUtf16(bytes, text);
      Append16(bytes, 0);
      strings.push_back(VersionNode(name, true, bytes, static_cast<uint32_t>(text.size() + 1)));
    }
    char key[9];
    std::snprintf(key, sizeof key, "%04X%04X", table.Language, table.CodePage);
    tables.push_back(VersionNode(key, true, "", 0, strings));
  }
  std::string translations;
  for (const auto& [language, codePage] : version.Translations) {
    Append16(translations, language);
    Append16(translations, codePage);
  }
  std::vector<std::string> children;
  if (!tables.empty()) children.push_back(VersionNode("StringFileInfo", true, "", 0, tables));
  children.push_back(VersionNode("VarFileInfo", true, "", 0,
                                 {VersionNode("Translation", false, translations,
                                              static_cast<uint32_t>(translations.size()))}));
  std::string info = FixedFileInfo(version);
  return VersionNode("VS_VERSION_INFO", false, info, static_cast<uint32_t>(info.size()), children);
}

std::string BuildPEWithVersion(const TTestVersion& version, const TTestPEOptions& options) {
  return BuildPEWithResources(
      {{TResourceId::Of(rtVersion), TResourceId::Of(1), 0x0409, BuildVersionBlock(version)}},
      options);
}

std::string BuildPEWithResources(const std::vector<TTestResource>& resources,
                                 const TTestPEOptions& options, const TTestPELayout& layout) {
  TTypes types;
  for (const auto& r : resources) types[r.Type][r.Name][r.Language] = r.Data;
  return BuildImage(types, options, layout);
}

std::string BuildPEWithoutResources(const TTestPEOptions& options) {
  return BuildImage({}, options);
}

}  // namespace brim::test

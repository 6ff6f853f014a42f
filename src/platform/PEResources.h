// Reading a Windows executable (PE32 or PE32+) held as bytes: its headers,
// its sections, the resources of its resource directory and the names its
// export directory lists. The substitute machine reads version resources
// and looks for "DllRegisterServer" with it; it works on any platform
// because it only reads bytes.
//
// Every offset and size found in the file is checked against the bytes
// before it is followed, so a truncated or damaged file reads as one
// without the thing asked for; it never reads outside the bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brim {

// Resource types (RT_*) the system asks for.
inline constexpr uint16_t rtRCData = 10;
inline constexpr uint16_t rtVersion = 16;

// A resource type or name: a number, or a text matched without regard to
// case as FindResource matches it. "#123" names the number 123, as on Windows.
struct TResourceId {
  uint16_t Number = 0;
  std::string Name;  // empty for a number

  static TResourceId Of(uint16_t number) { return {number, {}}; }
  static TResourceId Named(const std::string& name);
  bool IsNumber() const { return Name.empty(); }
  bool operator==(const TResourceId&) const = default;
};

// A resource type, name or language as the directory stores it: a number,
// or a UTF-16 name (the resource compiler stores names in upper case).
struct TResourceKey {
  bool IsString = false;
  uint16_t Number = 0;
  std::u16string Name;
  bool operator==(const TResourceKey&) const = default;
};

// One resource of the directory tree, with its data in the file's bytes.
struct TPEResourceEntry {
  TResourceKey Type;
  TResourceKey Name;
  uint16_t Language = 0;
  uint32_t CodePage = 0;
  std::string_view Data;
};

// One entry of the section table.
struct TPESection {
  std::string Name;
  uint32_t VirtualAddress = 0;
  uint32_t VirtualSize = 0;
  uint32_t RawOffset = 0;  // PointerToRawData
  uint32_t RawSize = 0;    // SizeOfRawData
  uint32_t Characteristics = 0;
};

// The headers of a PE file and what hangs off them. The image refers to the
// bytes it was read from, which must outlive it.
class TPEImage {
 public:
  // Reads the DOS header, the PE signature, the file and optional headers
  // and the section table. Empty when bytes is not a PE file; error then
  // says why ("no PE signature", "section table truncated", ...).
  static std::optional<TPEImage> Read(std::string_view bytes, std::string* error = nullptr);

  uint16_t Machine() const { return machine_; }
  bool IsPE32Plus() const { return pe32Plus_; }
  uint16_t Characteristics() const { return characteristics_; }
  const std::vector<TPESection>& Sections() const { return sections_; }
  // Where the file data of the last section ends: the image without what
  // was appended to it (a self-extractor's archive). Reading that much of a
  // file is enough for everything below.
  uint64_t ImageEnd() const;

  // The bytes of the range rva..rva+size when it lies inside the file data
  // of one section; empty otherwise.
  std::optional<std::string_view> At(uint32_t rva, uint32_t size) const;

  // True when the file has a readable resource directory.
  bool HasResources() const;
  // The names (or numbers) of the resources of a type, in directory order.
  std::vector<TResourceId> ResourceNames(const TResourceId& type) const;
  // The data of a resource; of its first language when it has several.
  std::optional<std::string_view> Resource(const TResourceId& type, const TResourceId& name) const;

  // Every resource of the directory tree, in directory order (none when
  // the file has no resource directory). Empty, with *error saying where,
  // when the tree is damaged: an entry, a name or data outside the file.
  std::optional<std::vector<TPEResourceEntry>> AllResources(std::string* error = nullptr) const;

  // The names the export directory lists, in its order (empty without one).
  std::vector<std::string> ExportedNames() const;

  // The RVA and size of data directory entry index (0 exports, 2
  // resources, 5 base relocations) when present and not empty.
  std::optional<std::pair<uint32_t, uint32_t>> Directory(unsigned index) const;
  // How many data directory entries the optional header has room for.
  size_t DirectoryCount() const { return directories_.size(); }
  // The bytes from rva to the end of the file data of its section.
  std::optional<std::string_view> FromRva(uint32_t rva) const;
  // Where in the file the optional header starts, and its size.
  size_t OptionalHeaderOffset() const { return optionalHeader_; }
  uint16_t OptionalHeaderSize() const { return optionalSize_; }

 private:
  TPEImage() = default;

  std::string_view bytes_;
  uint16_t machine_ = 0;
  uint16_t characteristics_ = 0;
  bool pe32Plus_ = false;
  size_t optionalHeader_ = 0;
  uint16_t optionalSize_ = 0;
  std::vector<std::pair<uint32_t, uint32_t>> directories_;  // RVA and size
  std::vector<TPESection> sections_;
};

// The names a PE file exports; empty when it is not one or exports nothing.
std::vector<std::string> ExportedNames(std::string_view bytes);

// How many bytes of a file's start hold its PE headers in every file a
// linker writes; enough for CertificateTable.
inline constexpr size_t PEHeadersReadSize = 4096;

// Where the certificate table of a signed PE file lies: its file offset
// and size, as data directory entry 4 names them (a file offset, not an
// RVA). A signing tool appends the table, so the file's content before the
// signature ends at its offset. headers is the start of the file (its
// first PEHeadersReadSize bytes, or all of a shorter file) and fileSize its
// length. Empty when the file is no PE file, carries no signature or names
// a table that does not end the file.
std::optional<std::pair<uint64_t, uint64_t>> CertificateTable(std::string_view headers,
                                                              uint64_t fileSize);

}  // namespace brim

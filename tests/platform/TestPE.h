// Small Windows executables built in memory for the tests: a PE32 file for
// i386 (or PE32+ for x64) with a resource section and, when asked, an
// export directory. The files carry no code; they are sane enough for
// Windows to load them as data files, which is how it reads version
// resources, so the same files test the substitute machine and Wine.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/PEResources.h"

namespace brim::test {

// One string table of a version resource. Names and values are UTF-8.
struct TTestStringTable {
  uint16_t Language = 0x0409;
  uint16_t CodePage = 1252;
  std::vector<std::pair<std::string, std::string>> Values;
};

// What a version resource says.
struct TTestVersion {
  std::array<uint16_t, 4> FileVersion{1, 0, 0, 0};
  std::array<uint16_t, 4> ProductVersion{1, 0, 0, 0};
  uint32_t FileOS = 0x40004;  // VOS_NT_WINDOWS32
  uint32_t FileType = 1;      // VFT_APP
  uint32_t FileSubtype = 0;
  // Language and code page pairs of "\VarFileInfo\Translation".
  std::vector<std::pair<uint16_t, uint16_t>> Translations{{0x0409, 1252}};
  std::vector<TTestStringTable> StringTables;
};

// One resource of a built file.
struct TTestResource {
  TResourceId Type;
  TResourceId Name;
  uint16_t Language = 0x0409;
  std::string Data;
};

struct TTestPEOptions {
  bool PE32Plus = false;             // x64 headers instead of i386 ones
  std::vector<std::string> Exports;  // names of an export directory (a DLL then)
};

// Where a linker may have put things around the resources.
struct TTestPELayout {
  // A section after the resources: ".reloc" holds the base relocations
  // (as a linker places them), any other name plain data.
  std::string SectionAfterResources;
  // The COFF string table behind the sections, as a linker leaves it for
  // long section names.
  bool StringTable = false;
};

// The VS_VERSIONINFO block of a version resource.
std::string BuildVersionBlock(const TTestVersion& version);
// A file whose only resource is that block (RT_VERSION, id 1, language 0x409).
std::string BuildPEWithVersion(const TTestVersion& version, const TTestPEOptions& options = {});
// A file with these resources (none: no resource section at all).
std::string BuildPEWithResources(const std::vector<TTestResource>& resources,
                                 const TTestPEOptions& options = {},
                                 const TTestPELayout& layout = {});
std::string BuildPEWithoutResources(const TTestPEOptions& options = {});

}  // namespace brim::test

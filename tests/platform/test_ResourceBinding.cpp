// Binding a definition into a runtime: PE files of every layout a linker
// leaves get a resource section the reader (and, under Wine, FindResource)
// finds, with every other resource and section kept; posix files get one
// appended block; anything else is refused with the reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "common/LittleEndian.h"
#include "platform/AppendedResources.h"
#include "platform/PEResourceWriter.h"
#include "platform/ResourceBinding.h"
#include "platform/TestPE.h"

#ifdef _WIN32
#include "platform/PlatformTest.h"
#include "platform/win32/Win32Api.h"
#endif

namespace brim::test {
namespace {

const TResourceId kRCData = TResourceId::Of(rtRCData);
const TResourceId kDefinition = TResourceId::Named("TINSTALATOR");

std::vector<TTestResource> RuntimeResources() {
  return {
      {TResourceId::Of(rtVersion), TResourceId::Of(1), 0x0409, BuildVersionBlock({})},
      {TResourceId::Of(2), TResourceId::Named("INSTALLTHEME1"), 0x0409, std::string(300, 'b')},
      {kRCData, TResourceId::Named("TMAINFORM"), 0x0409, "TPF0 form"},
      {TResourceId::Named("FORMS"), TResourceId::Of(7), 0x0407, "named type"},
  };
}

// A runtime with the demo bound in two languages: binding replaces both.
std::vector<TTestResource> BoundRuntimeResources() {
  auto resources = RuntimeResources();
  resources.push_back({kRCData, kDefinition, 0x0409, "old definition"});
  resources.push_back({kRCData, kDefinition, 0x0407, "alte Definition"});
  return resources;
}

struct TRuntime {
  const char* What;
  std::string File;
  bool InPlace;  // the resource section rewritten where it was
};

std::vector<TRuntime> Runtimes() {
  TTestPEOptions x64;
  x64.PE32Plus = true;
  auto after = [](const char* section, bool strings = false) {
    TTestPELayout layout;
    layout.SectionAfterResources = section;
    layout.StringTable = strings;
    return BuildPEWithResources(RuntimeResources(), {}, layout);
  };
  return {
      {"resources last", BuildPEWithResources(RuntimeResources()), true},
      {"definition bound already", BuildPEWithResources(BoundRuntimeResources()), true},
      {"x64", BuildPEWithResources(RuntimeResources(), x64), true},
      {"no resources", BuildPEWithoutResources(), false},
      {"relocations after the resources", after(".reloc"), true},
      {"a string table after the sections", after(".reloc", true), true},
      {"data after the resources", after(".data2"), false},
  };
}

uint32_t Field(const std::string& file, size_t at) {
  return static_cast<uint32_t>(ReadLittleEndian(file.data() + at, 4));
}

// The resources of a file other than the definition, in a fixed order.
std::vector<std::tuple<std::u16string, uint16_t, std::u16string, uint16_t, uint16_t, std::string>>
OtherResources(const TPEImage& image) {
  std::vector<std::tuple<std::u16string, uint16_t, std::u16string, uint16_t, uint16_t, std::string>>
      list;
  auto all = image.AllResources();
  for (const auto& r : *all)
    if (r.Name.Name != u"TINSTALATOR")
      list.emplace_back(r.Type.Name, r.Type.Number, r.Name.Name, r.Name.Number, r.Language,
                        std::string(r.Data));
  std::sort(list.begin(), list.end());
  return list;
}

// The file is one a loader accepts: sections in order without overlap,
// SizeOfImage and the checksum as they must be.
void ExpectConsistent(const std::string& file, const TPEImage& image, const char* what) {
  uint64_t virtualEnd = 0, rawEnd = 0;
  for (const auto& s : image.Sections()) {
    EXPECT_GE(s.VirtualAddress, virtualEnd) << what << ": " << s.Name;
    EXPECT_EQ(s.VirtualAddress % 0x1000, 0u) << what << ": " << s.Name;
    EXPECT_EQ(s.RawOffset % 0x200, 0u) << what << ": " << s.Name;
    EXPECT_GE(s.RawOffset, rawEnd) << what << ": " << s.Name;
    virtualEnd = uint64_t{s.VirtualAddress} + s.VirtualSize;
    rawEnd = uint64_t{s.RawOffset} + s.RawSize;
  }
  EXPECT_LE(rawEnd, file.size()) << what;
  size_t opt = image.OptionalHeaderOffset();
  EXPECT_EQ(Field(file, opt + 56), (virtualEnd + 0xFFF) / 0x1000 * 0x1000) << what;
  std::string zeroed = file;
  WriteLittleEndian(zeroed.data() + PEChecksumOffset(image), 0, 4);
  EXPECT_EQ(Field(file, PEChecksumOffset(image)), PEChecksum(zeroed)) << what;
}

TEST(PEResourceBinding, EveryLayoutGetsTheDefinitionAndKeepsTheRest) {
  // Larger than a page, so what follows the resources must move.
  const std::string definition = "TPF0" + std::string(5000, 'd');
  const std::string other = "TPF0" + std::string(5000, 'o');
  for (const auto& runtime : Runtimes()) {
    auto before = TPEImage::Read(runtime.File);
    ASSERT_TRUE(before) << runtime.What;
    std::string error;
    auto bound = WithPEResource(runtime.File, kRCData, kDefinition, definition, &error);
    ASSERT_TRUE(bound) << runtime.What << ": " << error;
    auto after = TPEImage::Read(*bound);
    ASSERT_TRUE(after) << runtime.What;

    EXPECT_EQ(after->Resource(kRCData, kDefinition), definition) << runtime.What;
    EXPECT_EQ(OtherResources(*after), OtherResources(*before)) << runtime.What;
    std::vector<TResourceId> names = after->ResourceNames(kRCData);
    size_t definitions = std::count(names.begin(), names.end(), kDefinition);
    EXPECT_EQ(definitions, 1u) << runtime.What;
    EXPECT_EQ(after->Sections().size(), before->Sections().size() + (runtime.InPlace ? 0 : 1))
        << runtime.What;
    ExpectConsistent(*bound, *after, runtime.What);

    // Every other section keeps its bytes; relocations keep their place in theirs.
    for (const auto& s : before->Sections()) {
      auto moved = std::find_if(after->Sections().begin(), after->Sections().end(),
                                [&](const TPESection& n) { return n.Name == s.Name; });
      ASSERT_NE(moved, after->Sections().end()) << runtime.What << ": " << s.Name;
      if (s.Name == ".rsrc") continue;
      EXPECT_EQ(bound->substr(moved->RawOffset, moved->RawSize),
                runtime.File.substr(s.RawOffset, s.RawSize))
          << runtime.What << ": " << s.Name;
      if (s.Name == ".reloc") {
        EXPECT_EQ(after->Directory(5)->first - moved->VirtualAddress,
                  before->Directory(5)->first - s.VirtualAddress)
            << runtime.What;
      }
    }
    if (runtime.File.find(".eh_frame") != std::string::npos) {
      uint32_t table = Field(*bound, after->OptionalHeaderOffset() - 20 + 8);
      EXPECT_EQ(bound->substr(table), std::string("\x0E\0\0\0.eh_frame\0", 14)) << runtime.What;
    }

    // Bound again: replaced, and a section rewritten in place does not grow.
    auto again = WithPEResource(*bound, kRCData, TResourceId::Named("tinstalator"), other, &error);
    ASSERT_TRUE(again) << runtime.What << ": " << error;
    auto image = TPEImage::Read(*again);
    EXPECT_EQ(image->Resource(kRCData, kDefinition), other) << runtime.What;
    EXPECT_EQ(image->Sections().size(), after->Sections().size()) << runtime.What;
    EXPECT_EQ(again->size(), bound->size()) << runtime.What;
    EXPECT_EQ(OtherResources(*image), OtherResources(*before)) << runtime.What;
  }
}

TEST(PEResourceBinding, TheDefinitionKeepsTheLanguageOfTheOneItReplaces) {
  const struct {
    std::vector<TTestResource> Resources;
    uint16_t Language;
  } cases[] = {
      {RuntimeResources(), 0},
      {BoundRuntimeResources(), 0x0407},
  };
  for (const auto& c : cases) {
    auto bound = WithPEResource(BuildPEWithResources(c.Resources), kRCData, kDefinition, "new");
    ASSERT_TRUE(bound);
    std::vector<uint16_t> languages;
    auto image = TPEImage::Read(*bound);
    auto all = image->AllResources();
    for (const auto& r : *all)
      if (r.Name.Name == u"TINSTALATOR") languages.push_back(r.Language);
    EXPECT_EQ(languages, std::vector<uint16_t>{c.Language});
  }
}

TEST(PEResourceBinding, BadRuntimesAreRefusedWithTheReason) {
  std::string good = BuildPEWithResources(RuntimeResources());
  auto image = TPEImage::Read(good);
  std::string damagedTree = good;
  // The root directory's first entry leads far outside the section.
  auto resources = *image->Directory(2);
  const TPESection& rsrc = image->Sections()[1];
  WriteLittleEndian(
      damagedTree.data() + rsrc.RawOffset + resources.first - rsrc.VirtualAddress + 20, 0x8FFFFFF0u,
      4);
  // Data right after the section table, where another header would go:
  // in the way of a new section, no matter to a section rewritten in place.
  size_t table = image->OptionalHeaderOffset() + image->OptionalHeaderSize();
  std::string noRoom = BuildPEWithoutResources();
  noRoom[table + 40] = 'x';
  std::string roomEnough = good;
  roomEnough[table + 2 * 40] = 'x';
  const struct {
    const char* What;
    std::string File;
    const char* Error;
  } cases[] = {
      {"text", "just some text", "not an executable (neither a PE nor an ELF file)"},
      {"an MZ file without PE headers", "MZ" + std::string(100, '\0'),
       "not a PE file (no PE signature)"},
      {"truncated", good.substr(0, good.size() - 0x200),
       "the file is truncated: its sections end at byte"},
      {"damaged resource tree", damagedTree,
       "its resource directory is damaged (a type directory runs past the file)"},
      {"no room for a section header", noRoom, "its headers have no room for another section"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(BindExecutableResource(c.File, "#10", "TINSTALATOR", "x", &error)) << c.What;
    EXPECT_TRUE(error.starts_with(c.Error)) << c.What << ": " << error;
  }
  std::string error;
  EXPECT_TRUE(WithPEResource(roomEnough, kRCData, kDefinition, "x", &error)) << error;
}

TEST(AppendedResourceBinding, APosixRuntimeGetsOneBlockNeverTwo) {
  const std::string elf = std::string(
                              "\x7F"
                              "ELF",
                              4) +
                          std::string(96, '\x01');
  std::string error;
  auto once = BindExecutableResource(elf, "#10", "TINSTALATOR", "first", &error);
  ASSERT_TRUE(once) << error;
  auto twice = BindExecutableResource(*once, "#10", "tinstalator", "again", &error);
  ASSERT_TRUE(twice) << error;
  uint64_t imageEnd = 0;
  auto entries = AppendedResources(*twice, &imageEnd, &error);
  ASSERT_TRUE(entries) << error;
  ASSERT_EQ(entries->size(), 1u);
  EXPECT_EQ((*entries)[0].Data, "again");
  EXPECT_EQ(twice->substr(0, imageEnd), elf);
  EXPECT_EQ(twice->size(), once->size());

  std::string damaged = *once;
  damaged[elf.size() + 1] = '\x7F';  // the type's length runs past the block
  EXPECT_FALSE(BindExecutableResource(damaged, "#10", "TINSTALATOR", "x", &error));
  EXPECT_EQ(error, "its appended resources are damaged: entry 1 runs past the block");
}

#ifdef _WIN32
// Windows itself, mapping the bound file as data and as an image, finds
// the definition and the resources that were there before.
using BoundRuntime = PlatformTest;

TEST_F(BoundRuntime, WindowsFindsTheBoundDefinition) {
  std::string definition = "TPF0 bound definition" + std::string(5000, 'd');
  int number = 0;
  for (const auto& runtime : Runtimes()) {
    // A 32-bit Wine maps no x64 file, not even as data.
    if (TPEImage::Read(runtime.File)->IsPE32Plus()) continue;
    auto bound = WithPEResource(runtime.File, kRCData, kDefinition, definition);
    ASSERT_TRUE(bound) << runtime.What;
    std::string path = At("bound" + std::to_string(++number) + ".dll");
    WriteFile(path, *bound);
    for (DWORD flags : {DWORD{LOAD_LIBRARY_AS_DATAFILE}, DWORD{LOAD_LIBRARY_AS_IMAGE_RESOURCE}}) {
      HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, flags);
      ASSERT_NE(module, nullptr) << runtime.What << ": error " << ::GetLastError();
      auto load = [&](LPCSTR type, LPCSTR name) -> std::optional<std::string> {
        HRSRC found = ::FindResourceA(module, name, type);
        HGLOBAL data = found ? ::LoadResource(module, found) : nullptr;
        if (!data) return std::nullopt;
        return std::string(static_cast<const char*>(::LockResource(data)),
                           ::SizeofResource(module, found));
      };
      EXPECT_EQ(load(RT_RCDATA, "TINSTALATOR"), definition) << runtime.What << ", " << flags;
      EXPECT_EQ(load(RT_RCDATA, "TMainForm").value_or("none"),
                runtime.File.find("TPF0 form") != std::string::npos ? "TPF0 form" : "none")
          << runtime.What << ", " << flags;
      ::FreeLibrary(module);
    }
  }
}
#endif

}  // namespace
}  // namespace brim::test

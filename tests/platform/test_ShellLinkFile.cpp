// The link files of the substitute machine as bytes: the header Windows
// checks, the same bytes for the same link, the Unicode files with an item
// ID list that Windows writes, and damaged files, which must be refused
// without reading outside their bytes (the ASan build runs these too).
#ifndef _WIN32

#include <gtest/gtest.h>

#include <memory>

#include "common/LittleEndian.h"
#include "platform/ComService.h"
#include "platform/PlatformTest.h"
#include "platform/posix/ShellLinkFile.h"

namespace brim::test {
namespace {

uint32_t At32(const std::string& bytes, size_t at) {
  return static_cast<uint32_t>(ReadLittleEndian(bytes.data() + at, 4));
}

void Put32(std::string& out, uint32_t value) { AppendLittleEndian(out, value, 4); }
void Put16(std::string& out, uint16_t value) { AppendLittleEndian(out, value, 2); }
void PutUnicode(std::string& out, std::u16string_view text) {
  for (char16_t c : text) Put16(out, c);
}

constexpr uint32_t kLinkInfoAt = 0x4C;

// A link as Windows NT saves it: an item ID list, a LinkInfo with the
// Unicode base path after the ANSI one (network: a share and a suffix
// instead), Unicode strings (with a NUL counted in, as Wine writes them,
// when countsNul), and an extra data block before the terminal one.
std::string WindowsStyleLink(std::u16string_view text, bool network, bool countsNul = false) {
  std::string header;
  Put32(header, 0x4C);
  header.append("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  Put32(header, 0x01 | 0x02 | 0x04 | 0x10 | 0x20 | 0x40 | 0x80);
  Put32(header, 0x20);
  header.append(28, '\x11');  // times and size: whatever the target had
  Put32(header, 2);           // icon index
  Put32(header, 7);           // minimised
  Put16(header, 0x0341);      // Ctrl+Shift+A
  header.append(10, '\0');

  std::string items;  // one item, opaque to the reader
  Put16(items, 6);
  items += "\x1F\x50\x00\x00";
  Put16(items, 0);
  std::string idList;
  Put16(idList, static_cast<uint16_t>(items.size()));
  idList += items;

  std::string info;
  if (!network) {
    // Header 0x24; VolumeID at 0x24 (0x14 bytes: label "DIS"); base path at 0x38
    // ("C:\?", ANSI, 5 bytes), suffix at 0x3D; Unicode base path at 0x3E,
    // Unicode suffix after it.
    const uint32_t unicodeAt = 0x3E, unicodeSuffixAt = unicodeAt + 2 * (static_cast<uint32_t>(text.size()) + 1);
    Put32(info, unicodeSuffixAt + 2);
    Put32(info, 0x24);
    Put32(info, 1);
    Put32(info, 0x24);
    Put32(info, 0x38);
    Put32(info, 0);
    Put32(info, 0x3D);
    Put32(info, unicodeAt);
    Put32(info, unicodeSuffixAt);
    Put32(info, 0x14);
    Put32(info, 3);
    Put32(info, 0x1234ABCD);
    Put32(info, 0x10);
    info.append("DIS\0", 4);
    info.append("C:\\?\0\0", 6);
    PutUnicode(info, text);
    Put16(info, 0);
    Put16(info, 0);
  } else {
    // Header 0x1C; CommonNetworkRelativeLink at 0x1C (0x14 bytes + share
    // name); suffix after it.
    const std::string share = "\\\\server\\share";
    const uint32_t suffixAt = 0x1C + 0x14 + static_cast<uint32_t>(share.size()) + 1;
    Put32(info, suffixAt + 8);
    Put32(info, 0x1C);
    Put32(info, 2);
    Put32(info, 0);
    Put32(info, 0);
    Put32(info, 0x1C);
    Put32(info, suffixAt);
    Put32(info, 0x14 + static_cast<uint32_t>(share.size()) + 1);
    Put32(info, 2);
    Put32(info, 0x14);
    Put32(info, 0);
    Put32(info, 0x20000);
    info += share + '\0';
    info.append("app.exe\0", 8);
  }

  std::string strings;
  for (std::u16string_view s : {text, std::u16string_view(u"C:\\Work"), std::u16string_view(u"-a"), text}) {
    Put16(strings, static_cast<uint16_t>(s.size() + countsNul));
    PutUnicode(strings, s);
    if (countsNul) Put16(strings, 0);
  }
  std::string extra;
  Put32(extra, 12);
  Put32(extra, 0xA0000009);
  Put32(extra, 0);
  Put32(extra, 0);
  return header + idList + info + strings + extra;
}

class ShellLinkFiles : public PlatformTest {};

// The header Windows checks first, the parts the flags announce, and the
// same bytes each time the same link is saved.
TEST_F(ShellLinkFiles, ALinkFileHasTheHeaderAndTheSameBytesEachTime) {
  struct Case {
    TShellLink Link;
    uint32_t Flags;  // LinkFlags: 2 LinkInfo, 4 name, 0x10 working dir, 0x20 arguments, 0x40 icon
  } cases[] = {
      {{"C:\\app.exe", "", "", "", "", 0, 1, 0}, 0x02},
      {{"C:\\Program Files\\App\\app.exe", "-x", "C:\\Program Files\\App", "App", "C:\\app.ico", -1, 7, 0x0651},
       0x76},
      {{"A:\\setup.exe", "/s", "", "", "", 0, 1, 0}, 0x22},
  };
  for (const auto& c : cases) {
    TPlatformError first = NativeComService().SaveShellLink(At("first.lnk"), c.Link);
    TPlatformError second = NativeComService().SaveShellLink(At("second.lnk"), c.Link);
    ASSERT_FALSE(first.Failed() || second.Failed()) << c.Link.Target;
    auto bytes = ReadFile(At("first.lnk"));
    ASSERT_TRUE(bytes && bytes->size() > 0x4C + 0x2D) << c.Link.Target;
    EXPECT_EQ(ReadFile(At("second.lnk")), bytes) << c.Link.Target;
    EXPECT_EQ(At32(*bytes, 0), 0x4Cu) << "header size";
    EXPECT_EQ(bytes->substr(4, 16),
              std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16))
        << "the shell link class";
    EXPECT_EQ(At32(*bytes, 20), c.Flags) << c.Link.Target;
    EXPECT_EQ(static_cast<int32_t>(At32(*bytes, 56)), c.Link.IconIndex) << c.Link.Target;
    EXPECT_EQ(At32(*bytes, 60), c.Link.ShowCommand) << c.Link.Target;
    EXPECT_EQ(ReadLittleEndian(bytes->data() + 64, 2), c.Link.HotKey) << c.Link.Target;
    // The target as LinkInfo's local base path, after the VolumeID.
    EXPECT_EQ(bytes->substr(kLinkInfoAt + 0x2D, c.Link.Target.size() + 1), c.Link.Target + '\0');
    EXPECT_EQ(At32(*bytes, kLinkInfoAt + 0x20), c.Link.Target[0] == 'A' ? 2u : 3u) << "drive type";
  }
}

// Unicode files with an item ID list, as Windows and Wine write them, read
// in the machine's code page; a network target is its share and suffix.
TEST(ShellLinkFile, ALinkAsWindowsWritesItIsRead) {
  struct Case {
    std::u16string Text;  // the target, description and icon path
    bool Network;
    bool CountsNul;
    uint32_t CodePage;
    std::string Expected;  // the target read
  } cases[] = {
      {u"C:\\Caf\u00E9\\app.exe", false, false, 1252, "C:\\Caf\xE9\\app.exe"},
      {u"C:\\Caf\u00E9\\app.exe", false, false, 1251, "C:\\Caf?\\app.exe"},
      {u"C:\\\u0416\\app.exe", false, true, 1251, "C:\\\xC6\\app.exe"},
      {u"C:\\app.exe", true, false, 1252, "\\\\server\\share\\app.exe"},
  };
  for (const auto& c : cases) {
    TExactBytes bytes(WindowsStyleLink(c.Text, c.Network, c.CountsNul));
    std::optional<TShellLink> link = DecodeShellLink(bytes.View(), c.CodePage);
    ASSERT_TRUE(link) << c.Expected;
    EXPECT_EQ(link->Target, c.Expected);
    std::string text = c.Network ? "C:\\app.exe" : c.Expected;
    EXPECT_EQ(link->Description, text);
    EXPECT_EQ(link->IconPath, text);
    EXPECT_EQ(link->WorkingDirectory, "C:\\Work");
    EXPECT_EQ(link->Arguments, "-a");
    EXPECT_EQ(link->IconIndex, 2);
    EXPECT_EQ(link->ShowCommand, 7u);
    EXPECT_EQ(link->HotKey, 0x0341);
  }
}

// A file cut short anywhere, or with a size or offset that points outside
// it, is refused; on the machine loading it says the file is not in the
// format.
TEST_F(ShellLinkFiles, ADamagedLinkFileIsRefused) {
  const std::string ours =
      *EncodeShellLink({"C:\\app.exe", "-x", "C:\\", "App", "C:\\app.ico", 0, 1, 0});
  const std::string windows = WindowsStyleLink(u"C:\\app.exe", false);
  const std::string network = WindowsStyleLink(u"C:\\app.exe", true);
  for (const std::string* whole : {&ours, &windows, &network}) {
    ASSERT_TRUE(DecodeShellLink(TExactBytes(*whole).View()));
    for (size_t size = 0; size < whole->size(); ++size)
      EXPECT_FALSE(DecodeShellLink(TExactBytes(whole->substr(0, size)).View())) << "cut at " << size;
  }

  const size_t windowsInfo = kLinkInfoAt + 2 + 8;  // after the item ID list
  struct Case {
    const std::string* Whole;
    size_t At;
    uint32_t Value;
    int Size;
  } cases[] = {
      {&ours, 0, 0x4D, 4},                        // header size
      {&ours, 4, 0x02, 1},                        // class
      {&ours, kLinkInfoAt, 0xFFFFFFFF, 4},        // LinkInfo size
      {&ours, kLinkInfoAt + 4, 0xFFFFFFFF, 4},    // LinkInfo header size
      {&ours, kLinkInfoAt + 16, 0xFFFFFFFF, 4},   // local base path
      {&ours, kLinkInfoAt + 24, 0xFFFFFFFF, 4},   // common path suffix
      {&ours, kLinkInfoAt + At32(ours, kLinkInfoAt), 0xFFFF, 2},  // the description's length
      {&windows, kLinkInfoAt, 0xFFFF, 2},         // item ID list size
      {&windows, windowsInfo + 28, 0xFFFFFFFF, 4},  // Unicode base path
      {&windows, windowsInfo + 32, 0xFFFFFFFF, 4},  // Unicode suffix
      {&windows, windows.size() - 16, 0xFFFFFFFF, 4},  // extra data block size
      {&network, windowsInfo + 20, 0xFFFFFFFF, 4},  // network link
      {&network, windowsInfo + 0x1C + 8, 0xFFFFFFFF, 4},  // share name
  };
  for (const auto& c : cases) {
    std::string bytes = *c.Whole;
    WriteLittleEndian(bytes.data() + c.At, c.Value, c.Size);
    EXPECT_FALSE(DecodeShellLink(TExactBytes(bytes).View())) << "at " << c.At;
  }

  WriteFile(At("cut.lnk"), ours.substr(0, ours.size() - 1));
  TShellLink link;
  TPlatformError result = NativeComService().LoadShellLink(At("cut.lnk"), link);
  EXPECT_EQ(result.Code, hrBadLinkFormat) << result.Describe();
}

}  // namespace
}  // namespace brim::test

#endif

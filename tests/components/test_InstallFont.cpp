// Fonts installed from the archive: the numbered name they are written
// under, the font table of the running system and the "Fonts" registry
// value, on the substitute machine and under Wine (with a real TrueType
// font there).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "components/InstallFileTest.h"
#include "components/cmp_TInstallFont.h"
#include "platform/FaultInjection.h"
#include "system/cmp_TQmbxRegistry.h"
#include "system/routines_Registry.h"
#ifndef _WIN32
#include "platform/posix/PosixFonts.h"
#endif

namespace brim::test {
namespace {

constexpr int kCurrentUser = 2;
constexpr const char* kShellFolders = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The demo's TrueType font.
std::string DemoFont() {
  std::ifstream in(std::string(BRIMWELL_SOURCE_DIR) + "/examples/demo/payload/BrimDemo.ttf", std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class InstallFonts : public InstallFileTest {
 protected:
  void SetUp() override {
    InstallFileTest::SetUp();
    savedFonts = ReadRegistryString(kCurrentUser, kShellFolders, "Fonts", "<none>");
  }
  void TearDown() override {
    if (savedFonts == "<none>")
      RemoveValue();
    else
      WriteRegistryString(kCurrentUser, kShellFolders, "Fonts", savedFonts);
    TQmbxRegistry fonts(TRegRoot::LocalMachine);
    if (fonts.OpenKey(FontsRegistryKey, false)) fonts.DeleteValue(FontName());
    InstallFileTest::TearDown();
  }
  void RemoveValue() {
    TQmbxRegistry registry(TRegRoot::CurrentUser);
    if (registry.OpenKey(kShellFolders, false)) registry.DeleteValue("Fonts");
  }
  // A font name of this test only, so the machine's own fonts stay as they are.
  std::string FontName() const { return "Brimwell Test " + ScratchKey.substr(ScratchKey.rfind('\\') + 1); }
  TInstallFont* LoadFont(const std::string& data, const std::string& properties = "") {
    Load("object Font: TInstallFont\n Container = Dir\n ArchiveFileType = psContainerArchiveFile\n"
         " DestDirType = psContainerDestDir\n IncludeFromDir = '" + At("src") +
         "'\n FileName = 'F.TTF'\n DestName = 'F.TTF'\n FontName = '" + FontName() + "'\n" + properties +
         "end\n");
    Archive({{"Font", data}});
    return form->Find<TInstallFont>("Font");
  }
  std::string Registered() { return MachineValue(FontsRegistryKey, FontName()); }

  std::string savedFonts;
};

TEST_F(InstallFonts, AreWrittenUnderAFreshNumberedNameAndRegisteredByIt) {
  const std::string font = DemoFont();
  ASSERT_GT(font.size(), 100u);
  struct Case {
    const char* What;
    bool IntoFontsFolder;
    std::vector<std::string> Existing;
    std::string Written;
  } cases[] = {
      {"into the fonts folder, F1.TTF taken", true, {"F1.TTF"}, "F2.TTF"},
      {"into another directory, F.TTF there", false, {"F.TTF"}, "F1.TTF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    LoadFont(font);
    RemoveTree(At("app"));
    ASSERT_TRUE(PlatformFiles().CreateDirectory(At("app")));
    for (const auto& name : c.Existing) WriteFile(At("app\\" + name), "an older font");
    WriteRegistryString(kCurrentUser, kShellFolders, "Fonts", c.IntoFontsFolder ? At("app") + "\\" : At("other"));
    dir->Process();
    EXPECT_EQ(Installed(c.Written), font);
    for (const auto& name : c.Existing) EXPECT_EQ(Installed(name), "an older font");
    EXPECT_EQ(Registered(), c.IntoFontsFolder ? c.Written : At("app\\" + c.Written));
#ifndef _WIN32
    EXPECT_EQ(LoadedFonts().count(At("app\\" + c.Written)), 1u);
#endif
  }
}

TEST_F(InstallFonts, AKeptOrSkippedFontIsStillAddedAndANonFontIsRefused) {
  std::function<void(TComponent*)> skip = [](TComponent*) { throw EAbort(""); };
  TInstallFont* font = LoadFont(DemoFont(), " OverwriteMode = owNever\n");
  font->SetFontFileType(TInstallFileType::iftSystemWideDLL);
  EXPECT_EQ(font->FileType, TInstallFileType::iftNormal);
  ASSERT_TRUE(PlatformFiles().CreateDirectory(At("app")));
  WriteFile(At("app\\F.TTF"), DemoFont());
  dir->Process();  // kept: owNever with the file there
  EXPECT_EQ(Registered(), At("app\\F.TTF"));
  font->OnBeforeInstall.Handler = skip;
  dir->Process();
  EXPECT_EQ(Registered(), At("app\\F.TTF"));

  LoadFont("not a font at all");
  EXPECT_EQ(MessageOf([&] { dir->Process(); }),
            "Could not install the font " + FontName() + ". Component: Font");

  LoadFont(DemoFont());
  TFaultInjectingServices faults;
  faults.FailFrom(TFaultKind::RegistryWrite, 1);
  TScopedPlatformServices scope(faults.Services());
  EXPECT_CONTAINS(MessageOf([&] { dir->Process(); }),
                  std::string("Cannot install into registry. Key: ") + FontsRegistryKey);
}

}  // namespace
}  // namespace brim::test

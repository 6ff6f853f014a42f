// The uninstaller's registration under the product's Uninstall key.
#include <gtest/gtest.h>

#include "components/InstallFileTest.h"
#include "components/cmp_TUninstallEXE.h"
#include "engine/DefinitionTestForm.h"
#include "engine/cmp_TInstall.h"
#include "platform/FaultInjection.h"
#include "platform/PlatformTest.h"
#include "system/routines_Registry.h"

namespace brim::test {
namespace {

constexpr int kLocalMachine = 4;

class UninstallEXE : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    product = ScratchKey.substr(ScratchKey.rfind('\\') + 1);
    key = UninstallKeyPrefix + product;
    form = LoadOnForm(R"(
      object Install1: TInstall
        Information.ProductName = ' )" + product + R"( X '
      end
      object Dir1: TInstallDirectory
        Container = Install1
        DestDir = '\'
        DestDirType = psContainerDestDir
      end
      object Uninstaller: TUninstallEXE
        Container = Dir1
        DestDirType = psContainerDestDir
        DestName = 'uninstall.exe'
        FileName = 'uninstall.exe'
      end)");
    uninstaller = form->Find<TUninstallEXE>("Uninstaller");
  }
  void TearDown() override {
    form.reset();
    RemoveKeyTree(TRegRoot::LocalMachine, key.substr(1));
    PlatformTest::TearDown();
  }
  std::string Read(const std::string& name) { return ReadRegistryString(kLocalMachine, key, name, "<none>"); }

  std::string product, key;
  std::unique_ptr<TDefinitionTestMainForm> form;
  TUninstallEXE* uninstaller = nullptr;
};

TEST_F(UninstallEXE, RegistersTheTrimmedProductAndItsCommandLine) {
  std::string directory = form->Find<TInstall>("Install1")->DestinationPath();
  ASSERT_EQ(uninstaller->DestinationPath(), directory);
  uninstaller->WriteUninstallInfo(key);
  EXPECT_EQ(Read("DisplayName"), product + " X");
  EXPECT_EQ(Read("UninstallString"), "\"" + directory + "\\uninstall.exe\" " + product + " X");
  EXPECT_EQ(ReadRegistryString(kLocalMachine, key + "\\Files", "Entries", "<none>"), "<none>");
}

TEST_F(UninstallEXE, FailsWithoutTheInstallationOrARegistryAndGoingClearsTheBuildSetting) {
  TFaultInjectingServices faults;
  faults.FailCall(TFaultKind::RegistryWrite, 2);
  {
    TScopedPlatformServices scope(faults.Services());
    EXPECT_CONTAINS(MessageOf([&] { uninstaller->WriteUninstallInfo(key); }),
                    "Cannot install into registry. Key: " + key + " Ident: UninstallString");
  }
  TInstall* install = form->Find<TInstall>("Install1");
  EXPECT_TRUE(install->BuildInfo.AddUninstallOnCreate);
  delete uninstaller;
  EXPECT_FALSE(install->BuildInfo.AddUninstallOnCreate);
  delete install;
  TUninstallEXE orphan(form.get());
  orphan.SetName("Orphan");
  EXPECT_EQ(MessageOf([&] { orphan.WriteUninstallInfo(key); }),
            "Orphan could not write information about the uninstall to the registry because there "
            "was no TInstall component");
}

}  // namespace
}  // namespace brim::test

namespace brim::test {
namespace {

class UninstallerInstall : public InstallFileTest {};

// Kept or written, the uninstaller registers itself and lists no file.
TEST_F(UninstallerInstall, RegistersWhetherWrittenOrKept) {
  for (bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "kept" : "written");
    Load("object Uninstaller: TUninstallEXE\n Container = Dir\n ArchiveFileType = psContainerArchiveFile\n"
         " DestDirType = psContainerDestDir\n IncludeFromDir = '" + At("src") +
         "'\n FileName = 'uninstall.exe'\n DestName = 'uninstall.exe'\n OverwriteMode = owNever\n Net = False\nend\n");
    Archive({{"Uninstaller", "the uninstaller"}});
    RemoveTree(At("app"));
    RemoveKeyTree(TRegRoot::LocalMachine, UninstallKey().substr(1));
    if (existing) {
      ASSERT_TRUE(PlatformFiles().CreateDirectory(At("app")));
      WriteFile(At("app\\uninstall.exe"), "the old one");
    }
    dir->Process();
    EXPECT_EQ(Installed("uninstall.exe"), existing ? "the old one" : "the uninstaller");
    EXPECT_EQ(MachineValue(UninstallKey(), "UninstallString"),
              "\"" + At("app") + "\\uninstall.exe\" " + ScratchKey);
    EXPECT_EQ(MachineValue(UninstallKey() + "\\Files", "Entries"), "<none>");
  }
}

}  // namespace
}  // namespace brim::test

// The uninstaller's registration under the product's Uninstall key.
#include <gtest/gtest.h>

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
  EXPECT_EQ(Read("UninstallString"), directory + "\\uninstall.exe " + product + " X");
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

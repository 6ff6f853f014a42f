// The installation component as a definition declares it: constructor
// values, what a generated definition always writes, nested settings and
// the installation-wide events. Its start-up and life cycle are tested in
// test_InstallStartUp.cpp.
#include <gtest/gtest.h>

#include "engine/DefinitionTestForm.h"
#include "engine/cmp_TInstall.h"

namespace brim::test {
namespace {

using Names = std::vector<std::string>;

TEST(InstallConstruction, AnEmptyDeclarationHasTheConstructorValues) {
  auto form = LoadOnForm("object Install1: TInstall\nend");
  auto* install = form->Find<TInstall>("Install1");
  ASSERT_NE(install, nullptr);
  EXPECT_EQ(install->DestDir(), "\\MyApplication");
  EXPECT_EQ(install->InstallTypes, TInstallTypeSet{TInstallType::itFull});
  EXPECT_TRUE(install->AutoMaximizeWindow());
  EXPECT_FALSE(install->HideMainForm());
  EXPECT_TRUE(install->RunAutomatic);
  EXPECT_TRUE(install->UseLoadingProgram());
  EXPECT_FALSE(install->Reboot);
  EXPECT_EQ(install->DistributeType(), TDistributeType::dtTraditional);
  EXPECT_EQ(install->Description, "TInstall component");
  EXPECT_EQ(install->Information.CompanyName, "My Company");
  EXPECT_EQ(install->Information.ProductName, "My product");
  EXPECT_EQ(install->Information.Version, "1.0");
  EXPECT_EQ(install->BuildInfo.BuildDirectory, "c:\\build");
  EXPECT_EQ(install->DestDirType(), form->FindComponent("psProgramFiles"));
  EXPECT_EQ(install->ArchiveFileType(), form->FindComponent("psMainArchiveFile"));
  EXPECT_EQ(install->ArchiveFile(), "");
  // The program's own side picture, at the size the pages show it.
  EXPECT_FALSE(install->DialogThemeBitmap.Empty());
  EXPECT_EQ(install->DialogThemeBitmap.Width(), 117);
  EXPECT_EQ(install->DialogThemeBitmap.Height(), 290);
  EXPECT_TRUE(install->DialogThemeIsDefault());
  EXPECT_EQ(install->BuildInfo.OCXName, "qxsetup");
  EXPECT_TRUE(install->BuildInfo.AddUninstallOnCreate);
  EXPECT_FALSE(install->BuildInfo.SignCode);
  // The installation raises its after-install event itself, at the end of the run.
  EXPECT_FALSE(install->FireAfterInstall);
  EXPECT_FALSE(install->HasPathSpecifier());
}

TEST(InstallDefaults, PropertiesWithoutADeclaredDefaultAreAlwaysWritten) {
  auto form = LoadOnForm("object Install1: TInstall\nend");
  // DestDirType names the standard psProgramFiles the form was given.
  EXPECT_EQ(SavedNames(*form, "Install1"), (Names{"BuildInfo.SignCode", "DestDirType",
                                                  "HideMainForm", "Reboot", "UseLoadingProgram"}));
}

TEST(InstallDefaults, ChangedSettingsAreWrittenWithTheirDottedPaths) {
  auto form = LoadOnForm(R"(
    object Install1: TInstall
      AutoMaximizeWindow = False
      BuildInfo.BuildDirectory = 'Z:\work\demo\build'
      BuildInfo.AppName = 'Demo'
      DestDir = '\Brimwell\Demo'
      DistributeType = dtTraditionalNet
      Information.CompanyName = 'Brimwell'
      Information.ProductName = 'Brimwell Demo'
      InstallTypes = [itFull, itDefault]
      PresetupFiles.Strings = (
        'WININET.DLL')
    end)");
  auto* install = form->Find<TInstall>("Install1");
  EXPECT_EQ(install->BuildInfo.BuildDirectory, "Z:\\work\\demo\\build");
  EXPECT_EQ(install->Information.ProductName, "Brimwell Demo");
  EXPECT_EQ(install->Information.Version, "1.0");
  EXPECT_EQ(install->PresetupFiles.Lines(), Names{"WININET.DLL"});
  EXPECT_EQ(install->DistributeType(), TDistributeType::dtTraditionalNet);
  EXPECT_EQ(SavedNames(*form, "Install1"),
            (Names{"AutoMaximizeWindow", "BuildInfo.AppName", "BuildInfo.BuildDirectory",
                   "BuildInfo.SignCode", "DestDir", "DestDirType", "DistributeType", "HideMainForm",
                   "Information.CompanyName", "Information.ProductName", "InstallTypes",
                   "PresetupFiles.Strings", "Reboot", "UseLoadingProgram"}));
}

TEST(InstallDefaults, AllFourInstallTypesAreWrittenForTheInstallation) {
  // The installation's declared default is [itFull], not all four.
  auto form = LoadOnForm(R"(
    object Install1: TInstall
      InstallTypes = [itFull, itDefault, itCompact, itCustom]
    end)");
  std::optional<TValue> v = SavedValue(SavedProperties(*form, "Install1"), "InstallTypes");
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(v->Set.size(), 4u);
}

TEST(InstallProperties, ADistributeTypeOutsideTheEnumerationIsNamed) {
  EXPECT_CONTAINS(LoadErrorOnForm("object Install1: TInstall\n DistributeType = dtFloppy\nend"),
                  "dtFloppy is not a value of TDistributeType");
}

TEST(InstallProperties, ContainerPropertiesOfGroupsAreNotPublished) {
  EXPECT_CONTAINS(LoadErrorOnForm("object Install1: TInstall\n Container = Install1\nend"),
                  "TInstall has no property Container");
  EXPECT_CONTAINS(LoadErrorOnForm("object Install1: TInstall\n ArchiveFile = 'files.1'\nend"),
                  "TInstall has no property ArchiveFile");
}

TEST(InstallProperties, TheNetworkLocationResolvesWhenDeclaredLater) {
  auto form = LoadOnForm(R"(
    object Install1: TInstall
      NetLocation = WebServer
    end
    object WebServer: TCustomNetInstallLocation
      LoginInformation.Hostname = 'downloads.example.com'
    end)");
  auto* install = form->Find<TInstall>("Install1");
  EXPECT_EQ(install->NetLocation(), form->FindComponent("WebServer"));
  EXPECT_EQ(CurrentNetLocation(), form->FindComponent("WebServer"));
}

TEST(InstallEvents, AVetoHandlerCanClearTheFlag) {
  std::function<void(TComponent*, bool&)> refuse = [](TComponent*, bool& go) { go = false; };
  auto form = LoadOnForm(R"(
    object Install1: TInstall
      OnBeforeReboot = KeepRunning
      OnUserAbort = KeepRunning
    end)",
                             {{"KeepRunning", refuse}});
  auto* install = form->Find<TInstall>("Install1");
  bool reboot = true, quit = true;
  install->OnBeforeReboot(install, reboot);
  install->OnUserAbort(install, quit);
  EXPECT_FALSE(reboot);
  EXPECT_FALSE(quit);
}

TEST(InstallEvents, TheRunFileHandlerSeesTheFile) {
  TCustomInstallFile* seen = nullptr;
  std::function<void(TComponent*, TCustomInstallFile*, bool&)> runFile =
      [&](TComponent*, TCustomInstallFile* file, bool& defaultAction) {
        seen = file;
        defaultAction = false;
      };
  auto form = LoadOnForm(R"(
    object Install1: TInstall
      OnBeforeRunFile = RunReadme
    end
    object Readme: TInstallFile
    end)",
                             {{"RunReadme", runFile}});
  auto* install = form->Find<TInstall>("Install1");
  auto* readme = form->Find<TInstallFile>("Readme");
  bool defaultAction = true;
  install->OnBeforeRunFile(install, readme, defaultAction);
  EXPECT_EQ(seen, readme);
  EXPECT_FALSE(defaultAction);
}

TEST(InstallEvents, AnUnknownHandlerIsReportedWithTheForm) {
  EXPECT_CONTAINS(LoadErrorOnForm("object Install1: TInstall\n OnAfterInitialized = Started\nend"),
                  "the form TDefinitionTestMainForm has no handler Started");
}

}  // namespace
}  // namespace brim::test

// Groups, directories and install files as a definition declares them:
// what is written, what loads back, and what a wrong definition reports.
#include <gtest/gtest.h>

#include "components/cmp_TInstallContainer.h"
#include "components/cmp_TInstallFont.h"
#include "components/cmp_TUninstallEXE.h"
#include "engine/DefinitionTestForm.h"
#include "engine/cmp_TInstall.h"
#include "objects/TextForm.h"

namespace brim::test {
namespace {

using Names = std::vector<std::string>;

TInstallTypeSet ThreeTypes() {
  return {TInstallType::itFull, TInstallType::itDefault, TInstallType::itCompact};
}
TInstallTypeSet FourTypes() {
  return {TInstallType::itFull, TInstallType::itDefault, TInstallType::itCompact,
          TInstallType::itCustom};
}

// ---- Declared defaults ----

TEST(InstallFileDefaults, AFreshFileWritesOnlyItsInstallTypesAndIdentity) {
  // The constructor's three install types differ from the declared four.
  auto form = LoadComponents("object File1: TInstallFile\nend");
  EXPECT_EQ(SavedNames(*form, "File1"), (Names{"InstallTypes", "UniqueID"}));
}

TEST(InstallFileDefaults, ChangedValuesAreWrittenByName) {
  auto form = LoadComponents(R"(
    object File1: TInstallFile
      OverwriteMode = owVersionDate
      FileType = iftSystemWideDLL
      Include = False
      Net = True
      FileName = 'demo.dll'
    end)");
  auto props = SavedProperties(*form, "File1");
  ASSERT_TRUE(SavedValue(props, "OverwriteMode").has_value());
  EXPECT_EQ(SavedValue(props, "OverwriteMode")->Str, "owVersionDate");
  EXPECT_EQ(SavedValue(props, "FileType")->Str, "iftSystemWideDLL");
  EXPECT_EQ(SavedValue(props, "Include")->Tag, TValueTag::vaFalse);
  EXPECT_EQ(SavedValue(props, "Net")->Tag, TValueTag::vaTrue);
  EXPECT_EQ(SavedValue(props, "FileName")->Str, "demo.dll");
}

TEST(InstallTypes, AllFourAreWrittenNowhereAndLoadBackAsThree) {
  auto form = LoadComponents(R"(
    object Group1: TInstallGroup
    end
    object Dir1: TInstallDirectory
    end
    object File1: TInstallFile
    end
    object Font1: TInstallFont
    end
    object Uninstaller: TUninstallEXE
    end)");
  for (const char* name : {"Group1", "Dir1", "File1", "Font1", "Uninstaller"}) {
    auto* object = form->Find<TInstallContainer>(name);
    ASSERT_NE(object, nullptr) << name;
    EXPECT_EQ(object->InstallTypes, ThreeTypes()) << name;
    object->InstallTypes = FourTypes();
    EXPECT_FALSE(SavedValue(SavedProperties(*form, name), "InstallTypes").has_value()) << name;
  }
  // What was saved loads back with the constructors' three types.
  auto again = LoadDefinition(PrintTextForm(SaveForm(*form)));
  for (const char* name : {"Group1", "Dir1", "File1", "Font1", "Uninstaller"})
    EXPECT_EQ(again->Find<TInstallContainer>(name)->InstallTypes, ThreeTypes()) << name;
}

TEST(InstallTypes, ThreeTypesAreWrittenAndLoadBack) {
  auto form = LoadComponents("object File1: TInstallFile\nend");
  std::optional<TValue> v = SavedValue(SavedProperties(*form, "File1"), "InstallTypes");
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(v->Set, (Names{"itFull", "itDefault", "itCompact"}));
}

TEST(InstallTypes, ASubsetLoadsByMemberNames) {
  auto form = LoadComponents(R"(
    object File1: TInstallFile
      InstallTypes = [itCompact, itCustom]
    end)");
  EXPECT_EQ(form->Find<TInstallFile>("File1")->InstallTypes,
            (TInstallTypeSet{TInstallType::itCompact, TInstallType::itCustom}));
}

TEST(InstallTypes, AnUnknownMemberNamesTheEnumeration) {
  std::string error = LoadError(R"(
    object File1: TInstallFile
      InstallTypes = [itFull, itTypical]
    end)");
  EXPECT_CONTAINS(error, "itTypical is not a value of TInstallType");
  EXPECT_CONTAINS(error, "File1");
}

// ---- Identity of install files ----

TEST(UniqueID, IsWrittenEvenWhenZeroAndLoadsItsValue) {
  auto form = LoadComponents(R"(
    object File1: TInstallFile
      UniqueID = 17
    end
    object File2: TInstallFile
      UniqueID = 0
    end)");
  EXPECT_EQ(form->Find<TInstallFile>("File1")->UniqueID, 17);
  std::optional<TValue> zero = SavedValue(SavedProperties(*form, "File2"), "UniqueID");
  ASSERT_TRUE(zero.has_value());
  EXPECT_EQ(zero->Int, 0);
  EXPECT_EQ(SavedValue(SavedProperties(*form, "File1"), "UniqueID")->Int, 17);
}

TEST(UniqueID, IsPartOfFontsAndTheUninstaller) {
  auto form = LoadComponents(R"(
    object Font1: TInstallFont
      UniqueID = 3
    end
    object Uninstaller: TUninstallEXE
      UniqueID = 1999
    end)");
  EXPECT_EQ(form->Find<TInstallFont>("Font1")->UniqueID, 3);
  EXPECT_EQ(form->Find<TUninstallEXE>("Uninstaller")->UniqueID, 1999);
  EXPECT_TRUE(SavedValue(SavedProperties(*form, "Font1"), "UniqueID").has_value());
  EXPECT_TRUE(SavedValue(SavedProperties(*form, "Uninstaller"), "UniqueID").has_value());
}

TEST(UniqueID, ATextValueIsRefusedNamingTheFile) {
  std::string error = LoadError(R"(
    object File1: TInstallFile
      UniqueID = 'seven'
    end)");
  EXPECT_CONTAINS(error, "File1.UniqueID");
  EXPECT_CONTAINS(error, "expects an integer");
}

TEST(UniqueID, GroupsHaveNone) {
  EXPECT_CONTAINS(LoadError("object Group1: TInstallGroup\n UniqueID = 4\nend"), "TInstallGroup has no property UniqueID");
}

// ---- References ----

TEST(ContainerReference, ResolvesToAGroupDeclaredLater) {
  auto form = LoadComponents(R"(
    object Dir1: TInstallDirectory
      Container = Group1
      DestDirType = psContainerDestDir
    end
    object Group1: TInstallGroup
    end
    object psContainerDestDir: TpsContainerDestDir
    end)");
  auto* dir = form->Find<TInstallDirectory>("Dir1");
  EXPECT_EQ(dir->Container(), form->Find<TInstallGroup>("Group1"));
  EXPECT_EQ(dir->DestDirType(), form->FindComponent("psContainerDestDir"));
  std::optional<TValue> saved = SavedValue(SavedProperties(*form, "Dir1"), "Container");
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->Str, "Group1");
}

TEST(ContainerReference, AMissingComponentIsReportedByName) {
  std::string error = LoadError(R"(
    object File1: TInstallFile
      Container = NoSuchGroup
    end)");
  EXPECT_CONTAINS(error, "NoSuchGroup does not exist");
  EXPECT_CONTAINS(error, "File1.Container");
}

TEST(PathSpecifierReference, AComponentOfTheWrongClassIsRefusedNamingIt) {
  std::string error = LoadError(R"(
    object Dir1: TInstallDirectory
      DestDirType = Group1
    end
    object Group1: TInstallGroup
    end)");
  EXPECT_CONTAINS(error, "Dir1.DestDirType");
  EXPECT_CONTAINS(error, "Group1 is a TInstallGroup, not a TCustomPathSpecifier");
}

TEST(NetLocationReference, MustNameANetworkLocation) {
  auto form = LoadComponents(R"(
    object File1: TInstallFile
      NetLocation = Server
    end
    object Server: TCustomNetInstallLocation
    end)");
  EXPECT_EQ(form->Find<TInstallFile>("File1")->NetLocation(), form->FindComponent("Server"));
  EXPECT_CONTAINS(LoadError(R"(
    object File1: TInstallFile
      NetLocation = Dir1
    end
    object Dir1: TInstallDirectory
    end)"), "Dir1 is a TInstallDirectory, not a TCustomNetInstallLocation");
}

TEST(References, AreClearedWhenTheTargetIsFreed) {
  auto form = LoadComponents(R"(
    object File1: TInstallFile
      Container = Dir1
      DestDirType = psSystem
    end
    object Dir1: TInstallDirectory
    end
    object psSystem: TpsSystem
    end)");
  form->FindComponent("psSystem")->Free();
  auto* file = form->Find<TInstallFile>("File1");
  EXPECT_EQ(file->DestDirType(), nullptr);
  EXPECT_EQ(file->Container(), form->FindComponent("Dir1"));
  EXPECT_FALSE(SavedValue(SavedProperties(*form, "File1"), "DestDirType").has_value());
}

// ---- Nested group options ----

TEST(GroupDialogOptions, LoadAndSaveByTheirDottedPath) {
  auto form = LoadComponents(R"(
    object Group1: TInstallGroup
      DialogOptions.AllowExcludeInclude = False
      DialogOptions.Description.Strings = (
        'Help files'
        ''
        'and samples')
    end)");
  auto* group = form->Find<TInstallGroup>("Group1");
  EXPECT_FALSE(group->DialogOptions.AllowExcludeInclude);
  EXPECT_TRUE(group->DialogOptions.AllowChangeDir);
  EXPECT_EQ(group->DialogOptions.Description.Lines(), (Names{"Help files", "", "and samples"}));
  EXPECT_EQ(SavedNames(*form, "Group1"), (Names{"DialogOptions.AllowExcludeInclude", "DialogOptions.Description.Strings",
                          "InstallTypes"}));
}

TEST(GroupDialogOptions, DirectoriesHaveNone) {
  EXPECT_CONTAINS(LoadError("object Dir1: TInstallDirectory\n DialogOptions.DisplayDirectory = False\nend"), "TInstallDirectory has no property DialogOptions");
}

// ---- Published selections ----

TEST(PublishedProperties, AFontHasNoRunAfterInstall) {
  EXPECT_CONTAINS(LoadError("object Font1: TInstallFont\n RunAfterInstall = True\nend"), "TInstallFont has no property RunAfterInstall");
}

TEST(PublishedProperties, TheUninstallerHasNoActiveXAndNoUninstall) {
  EXPECT_CONTAINS(LoadError("object U: TUninstallEXE\n ActiveX = True\nend"), "TUninstallEXE has no property ActiveX");
  EXPECT_CONTAINS(LoadError("object U: TUninstallEXE\n Uninstall = False\nend"), "TUninstallEXE has no property Uninstall");
}

TEST(PublishedProperties, AFontCarriesItsNameOrderAndState) {
  auto form = LoadComponents(R"(
    object Font1: TInstallFont
      FontName = 'Brimwell Sans'
      Order = 3
    end
    object Font2: TInstallFont
    end)");
  EXPECT_EQ(form->Find<TInstallFont>("Font1")->FontName, "Brimwell Sans");
  EXPECT_EQ(form->Find<TInstallFont>("Font2")->FontName, "A New Font");
  // Order has no declared default: even the constructor's -1 is written.
  auto props = SavedProperties(*form, "Font2");
  ASSERT_TRUE(SavedValue(props, "Order").has_value());
  EXPECT_EQ(SavedValue(props, "Order")->Int, -1);
  EXPECT_FALSE(SavedValue(props, "FontName").has_value());
  EXPECT_FALSE(SavedValue(props, "State").has_value());
}

TEST(PublishedProperties, TheUninstallerIsANetworkFileUnlessSaidOtherwise) {
  auto form = LoadComponents(R"(
    object U1: TUninstallEXE
    end
    object U2: TUninstallEXE
      Net = False
    end
    object File1: TInstallFile
    end)");
  EXPECT_TRUE(form->Find<TUninstallEXE>("U1")->Net());
  EXPECT_FALSE(form->Find<TUninstallEXE>("U2")->Net());
  EXPECT_FALSE(form->Find<TInstallFile>("File1")->Net());
  EXPECT_FALSE(SavedValue(SavedProperties(*form, "U1"), "Net").has_value());
  EXPECT_EQ(SavedValue(SavedProperties(*form, "U2"), "Net")->Tag, TValueTag::vaFalse);
}

TEST(Enumerations, AWrongValueNamesTheEnumeration) {
  EXPECT_CONTAINS(LoadError("object File1: TInstallFile\n OverwriteMode = owSometimes\nend"), "owSometimes is not a value of TOverwriteType");
  EXPECT_CONTAINS(LoadError("object Group1: TInstallGroup\n AddToArchive = lzcAppend\nend"), "lzcAppend is not a value of TlzhCommand");
  EXPECT_CONTAINS(LoadError("object File1: TInstallFile\n FileType = iftDriver\nend"), "iftDriver is not a value of TInstallFileType");
}

// ---- Events ----

TEST(Events, AFileStatusHandlerReceivesBothPercentages) {
  int filePercent = -1, totalPercent = -1;
  std::function<void(TComponent*, int32_t, int32_t)> status =
      [&](TComponent*, int32_t f, int32_t t) {
        filePercent = f;
        totalPercent = t;
      };
  auto form = LoadComponents(R"(
    object File1: TInstallFile
      OnStatus = FileStatus
    end)",
                             {{"FileStatus", status}});
  auto* file = form->Find<TInstallFile>("File1");
  ASSERT_TRUE(file->OnStatus);
  file->OnStatus(file, 40, 75);
  EXPECT_EQ(filePercent, 40);
  EXPECT_EQ(totalPercent, 75);
  EXPECT_EQ(SavedValue(SavedProperties(*form, "File1"), "OnStatus")->Str, "FileStatus");
}

TEST(Events, ANewDiskHandlerMayChangeThePath) {
  std::function<void(TComponent*, int32_t, std::string&)> newDisk =
      [](TComponent*, int32_t disk, std::string& path) { path = "D:\\DISK" + std::to_string(disk); };
  auto form = LoadComponents(R"(
    object Dir1: TInstallDirectory
      OnNewDisk = AskForDisk
    end)",
                             {{"AskForDisk", newDisk}});
  auto* dir = form->Find<TInstallDirectory>("Dir1");
  std::string path = "A:";
  dir->OnNewDisk(dir, 2, path);
  EXPECT_EQ(path, "D:\\DISK2");
}

TEST(Events, AHandlerOfAnotherSignatureIsRefused) {
  std::function<void(TComponent*)> plain = [](TComponent*) {};
  try {
    LoadComponents("object File1: TInstallFile\n OnStatus = Plain\nend", {{"Plain", plain}});
    FAIL() << "the handler was bound";
  } catch (const Exception& e) {
    EXPECT_CONTAINS(e.Message(), "Plain does not fit the event OnStatus");
  }
}

// ---- Families ----

TEST(RegisteredType, EachFamilyHasItsNumber) {
  auto form = LoadOnForm(R"(
    object Group1: TInstallGroup
    end
    object Dir1: TInstallDirectory
    end
    object File1: TInstallFile
    end
    object Font1: TInstallFont
    end
    object U: TUninstallEXE
    end
    object Install1: TInstall
    end)");
  EXPECT_EQ(form->Find<TInstallContainer>("Group1")->RegisteredType(), 500);
  EXPECT_EQ(form->Find<TInstallContainer>("Dir1")->RegisteredType(), 1000);
  EXPECT_EQ(form->Find<TInstallContainer>("Install1")->RegisteredType(), 1000);
  EXPECT_EQ(form->Find<TInstallContainer>("File1")->RegisteredType(), 2000);
  EXPECT_EQ(form->Find<TInstallContainer>("Font1")->RegisteredType(), 2000);
  EXPECT_EQ(form->Find<TInstallContainer>("U")->RegisteredType(), 2000);
}

TEST(RegisteredType, ABaseWithoutOneSaysSo) {
  TInstallObject object(nullptr);
  try {
    object.RegisteredType();
    FAIL() << "the base answered a registered type";
  } catch (const IEInstallContainer& e) {
    EXPECT_EQ(e.Message(), "Class must declare a registered type");
  }
}

}  // namespace
}  // namespace brim::test

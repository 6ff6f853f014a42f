// Shortcut components and the program folder as a definition declares them.
#include <gtest/gtest.h>

#include "engine/DefinitionTestForm.h"
#include "shortcuts/cmp_TInstallShellLink.h"

namespace brim::test {
namespace {

using Names = std::vector<std::string>;

TEST(ShellLinks, ATargetFileAndItsPlaceLoad) {
  auto form = LoadComponents(R"(
    object ReadmeLink: TInstallShellLink
      Container = MainLinkGroup1
      DestDirType = psDesktopMenu
      HotKey = 49234
      IconIndex = 2
      LinkName = 'Readme.lnk'
      Method = mtShellLinkInterface
      ObjectLink = Readme
      ObjectLocationType = psObjectLink
      Parameters = '%a\readme.txt'
    end
    object MainLinkGroup1: TMainLinkGroup
      DestDir = '\Brimwell Demo'
    end
    object Readme: TInstallFile
    end
    object psDesktopMenu: TpsDesktopMenu
    end
    object psObjectLink: TpsObjectLink
    end)");
  auto* link = form->Find<TInstallShellLink>("ReadmeLink");
  EXPECT_EQ(link->Container(), form->FindComponent("MainLinkGroup1"));
  EXPECT_EQ(link->ObjectLink(), form->FindComponent("Readme"));
  EXPECT_EQ(link->ObjectLocationType(), form->FindComponent("psObjectLink"));
  EXPECT_EQ(link->HotKey, 49234);
  EXPECT_EQ(link->IconIndex, 2);
  EXPECT_EQ(link->Method, TMethodType::mtShellLinkInterface);
  EXPECT_EQ(link->RegisteredType(), 8000);
  EXPECT_FALSE(link->ProcessWithContainer);
  EXPECT_EQ(form->Find<TMainLinkGroup>("MainLinkGroup1")->RegisteredType(), 7000);
}

TEST(ShellLinks, HotKeyAndIconIndexAreAlwaysWritten) {
  auto form = LoadComponents("object L: TInstallShellLink\nend");
  EXPECT_EQ(SavedNames(*form, "L"), (Names{"HotKey", "IconIndex"}));
}

TEST(ShellLinks, AHotKeyBeyondSixteenBitsIsRefused) {
  EXPECT_CONTAINS(LoadError("object L: TInstallShellLink\n HotKey = 70000\nend"),
                  "70000 is out of range for an unsigned 16-bit integer");
}

TEST(ShellLinks, AMethodOutsideTheEnumerationIsNamed) {
  EXPECT_CONTAINS(LoadError("object L: TInstallShellLink\n Method = mtDesktop\nend"),
                  "mtDesktop is not a value of TMethodType");
}

TEST(MainLinks, LiveInTheMainFolderAndPublishNoPlacement) {
  const std::string group = "object MainLinkGroup1: TMainLinkGroup\nend\n";
  EXPECT_CONTAINS(LoadError(group + "object L: TInstallMainLink\n DestDirType = L\nend"),
                  "TInstallMainLink has no property DestDirType");
  EXPECT_CONTAINS(LoadError(group + "object L: TInstallMainLink\n WorkingDir = 'C:\\'\nend"),
                  "TInstallMainLink has no property WorkingDir");
  auto form = LoadComponents(R"(
    object MainLinkGroup1: TMainLinkGroup
    end
    object HomePage: TInstallMainLink
      LinkName = 'Brimwell on the web.url'
      ObjectLocation = 'http://www.example.com/brimwell'
    end)");
  EXPECT_EQ(form->Find<TInstallMainLink>("HomePage")->ObjectLocation(),
            "http://www.example.com/brimwell");
}

TEST(MainLinkGroup, ItsFolderNameIsAlwaysWritten) {
  EXPECT_CONTAINS(LoadError("object G: TMainLinkGroup\n DestDirType = G\nend"),
                  "TMainLinkGroup has no property DestDirType");
  auto form = LoadComponents("object MainLinkGroup1: TMainLinkGroup\nend");
  EXPECT_EQ(form->Find<TMainLinkGroup>("MainLinkGroup1")->DestDir(), "\\MainFolderName");
  std::optional<TValue> saved = SavedValue(SavedProperties(*form, "MainLinkGroup1"), "DestDir");
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->Str, "\\MainFolderName");
}

}  // namespace
}  // namespace brim::test

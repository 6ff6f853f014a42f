// Path specifier components: their names and texts, and what a definition
// writes for them.
#include <gtest/gtest.h>

#include "components/cmp_TInstallContainer.h"
#include "engine/DefinitionTestForm.h"
#include "paths/cmp_TPathSpecifier.h"

namespace brim::test {
namespace {

TEST(StandardSpecifiers, ClassesAreListedInCreationOrderWithTheirNames) {
  const auto& classes = StandardPathSpecifierClasses();
  std::vector<std::string> names;
  for (const TClassInfo* c : classes) {
    std::unique_ptr<TComponent> instance(c->CreateComponent(nullptr));
    auto* specifier = dynamic_cast<TStandardPathSpecifier*>(instance.get());
    ASSERT_NE(specifier, nullptr) << c->ClassName;
    // The automatic instance is named after its class without the "T".
    EXPECT_EQ(specifier->StandardName(), c->ClassName.substr(1)) << c->ClassName;
    names.push_back(c->ClassName);
  }
  EXPECT_EQ(names, (std::vector<std::string>{
                       "TpsBDEDLL", "TpsCommonFiles", "TpsContainerArchiveFile",
                       "TpsContainerDestDir", "TpsDesktopMenu", "TpsInstallSource",
                       "TpsMainInstall", "TpsProgramFiles", "TpsProgramMenu", "TpsStartMenu",
                       "TpsStartupMenu", "TpsSystem", "TpsMainArchiveFile", "TpsWindow"}));
}

TEST(StandardSpecifiers, HaveNoPropertiesToWrite) {
  auto form = LoadComponents(R"(
    object psProgramFiles: TpsProgramFiles
      Left = 24
      Top = 8
    end)");
  EXPECT_EQ(SavedNames(*form, "psProgramFiles"), (std::vector<std::string>{"Left", "Top"}));
  EXPECT_CONTAINS(LoadError("object psSystem: TpsSystem\n Description = 'x'\nend"),
                  "TpsSystem has no property Description");
}

TEST(UserSpecifier, HasADescriptionAndAPathEvent) {
  std::function<void(TComponent*, std::string&)> getPath = [](TComponent*, std::string& path) {
    path = "C:\\Tools";
  };
  auto form = LoadComponents(R"(
    object ToolsDir: TPathSpecifier
      Description = 'Tools directory'
      OnGetPath = ToolsPath
    end
    object Other: TPathSpecifier
    end)",
                             {{"ToolsPath", getPath}});
  auto* tools = form->Find<TPathSpecifier>("ToolsDir");
  EXPECT_EQ(tools->GetDescription(), "Tools directory");
  std::string path;
  tools->OnGetPath(tools, path);
  EXPECT_EQ(path, "C:\\Tools");
  EXPECT_EQ(form->Find<TPathSpecifier>("Other")->Description, "My cool new path specifier");
  EXPECT_EQ(SavedNames(*form, "Other"), std::vector<std::string>{});
}

TEST(FileContainerSpecifier, NamesAFileContainer) {
  auto form = LoadComponents(R"(
    object psFileContainer: TpsFileContainer
      FileContainer = Dir1
    end
    object Dir1: TInstallDirectory
    end)");
  EXPECT_EQ(form->Find<TpsFileContainer>("psFileContainer")->FileContainer,
            form->FindComponent("Dir1"));
  EXPECT_CONTAINS(LoadError(R"(
    object psFileContainer: TpsFileContainer
      FileContainer = File1
    end
    object File1: TInstallFile
    end)"),
                  "File1 is a TInstallFile, not a TFileContainer");
}

}  // namespace
}  // namespace brim::test

// Path specifiers at work on a machine: the shell folders and their
// defaults, the main installation directory and the main archive, what a
// specifier refuses, the meta variables and "%p", the specifier of each
// file container, and the standard instances a form gets. Under Wine the
// folders are Wine's own: the tests compare with what they wrote or with
// what the registry holds, and put back every value they change.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "common/routines_Strings.h"
#include "components/cmp_TInstallContainer.h"
#include "engine/DefinitionTestForm.h"
#include "engine/cmp_TInstall.h"
#include "paths/cmp_TPathSpecifier.h"
#include "paths/routines_ExpandPaths.h"
#include "platform/PlatformTest.h"
#include "shortcuts/cmp_TInstallShellLink.h"
#include "system/cmp_TQmbxRegistry.h"
#include "system/routines_API.h"
#include "widgets/Forms.h"

namespace brim::test {
namespace {

std::string RegistryText(TRegRoot root, const char* key, const char* name) {
  TQmbxRegistry registry(root);
  EXPECT_TRUE(registry.OpenKeyReadOnly(key)) << key;
  return registry.ReadString(name);
}

void GiveSwitch(TCustomInstall& install, char letter, const std::string& argument) {
  auto bit = std::strchr(CommandSwitchLetters, letter) - CommandSwitchLetters;
  install.CommandSwitches |= 1u << bit;
  install.SwitchArguments[bit] = argument;
}

// A form with the installation component; creating it gives the form the
// standard specifiers.
class PathExpansion : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    install = new TInstall(&form);
    install->SetName("Install1");
  }
  template <class T>
  T* Make(const std::string& name) {
    T* c = new T(&form);
    c->SetName(name);
    return c;
  }
  template <class T>
  std::string PathFor(TComponent* component) {
    return StandardPathSpecifier<T>()->GetPath(component);
  }

  TForm form{nullptr};
  TInstall* install = nullptr;
};

// ---- Shell folders ----

#ifndef _WIN32
TEST_F(PathExpansion, WithoutShellFoldersTheMenusLieUnderWindows) {
  RemoveKeyTree(TRegRoot::CurrentUser, std::string(ShellFoldersKey).substr(1));
  std::string windows = GetWindowsDirectoryPath();
  EXPECT_EQ(GetStartMenuFolder(), windows + "\\Startmen");
  EXPECT_EQ(PathFor<TpsProgramMenu>(install), windows + "\\Startmen\\Programs");
  EXPECT_EQ(PathFor<TpsDesktopMenu>(install), windows + "\\Desktop");
  EXPECT_EQ(PathFor<TpsStartupMenu>(install), windows + "\\Startup");
  EXPECT_EQ(GetFontsFolder(), GetSystemDirectoryPath());
}

TEST_F(PathExpansion, WithoutProgramFilesDirTheCurrentDriveIsUsed) {
  TQmbxRegistry registry(TRegRoot::LocalMachine);
  ASSERT_TRUE(registry.OpenKey(WindowsCurrentVersionKey, false));
  registry.DeleteValue("ProgramFilesDir");
  registry.DeleteValue("CommonFilesDir");
  std::string current = PlatformFiles().CurrentDirectory();
  ASSERT_TRUE(PlatformFiles().SetCurrentDirectory("Z:\\"));
  EXPECT_EQ(PathFor<TpsProgramFiles>(install), "Z:\\Program Files");
  EXPECT_EQ(PathFor<TpsCommonFiles>(install), "Z:\\Program Files\\Common Files");
  PlatformFiles().SetCurrentDirectory(current);
}
#endif

TEST_F(PathExpansion, AFolderValueLosesOneTrailingBackslash) {
  TRegistryValueChange startMenu(TRegRoot::CurrentUser, ShellFoldersKey, "Start Menu");
  startMenu.Set(At("Menu\\"));
  EXPECT_EQ(PathFor<TpsStartMenu>(install), At("Menu"));
  startMenu.Set(At("Menu\\\\"));
  EXPECT_EQ(PathFor<TpsStartMenu>(install), At("Menu\\"));
  // An empty value is a value: no default replaces it.
  startMenu.Set("");
  EXPECT_EQ(PathFor<TpsStartMenu>(install), "");
}

TEST_F(PathExpansion, TheBDEPathIsTheFirstOfItsDirectories) {
  TRegistryValueChange dllPath(TRegRoot::LocalMachine, BDEKey, "DLLPath");
  dllPath.Set(At("BDE") + ";" + At("Other"));
  EXPECT_EQ(PathFor<TpsBDEDLL>(install), At("BDE"));
  dllPath.Set("");
  EXPECT_EQ(PathFor<TpsBDEDLL>(install),
            JoinPath(GetProgramFilesFolder(), "Borland\\Common Files\\BDE"));
}

// ---- The installation and its archive ----

TEST_F(PathExpansion, TheInstallationGoesUnderProgramFilesDir) {
  install->SetDestDirType(StandardPathSpecifier<TpsProgramFiles>());
  install->SetDestDir("\\MyApplication");
  std::string programFiles =
      RegistryText(TRegRoot::LocalMachine, WindowsCurrentVersionKey, "ProgramFilesDir");
  EXPECT_EQ(install->DestinationPath(), RemoveTrailingBackslash(programFiles) + "\\MyApplication");
  auto* file = Make<TInstallFile>("File1");
  EXPECT_EQ(PathFor<TpsMainInstall>(file), install->DestinationPath());
}

TEST_F(PathExpansion, TheInstallationCannotBeItsOwnMainDirectory) {
  EXPECT_EQ(MessageOf([&] { PathFor<TpsMainInstall>(install); }),
            "Cannot use the ddMainInstallDir path specifier for a TInstall component");
}

TEST_F(PathExpansion, TheSelfExtractingSetupIsTheMainArchive) {
  install->InstallSource = "C:\\";
  EXPECT_EQ(PathFor<TpsMainArchiveFile>(install), "C:\\files.1");
  GiveSwitch(*install, 'e', "Setup.exe");
  EXPECT_EQ(PathFor<TpsMainArchiveFile>(install), "C:\\Setup.exe");
  GiveSwitch(*install, 'e', "  ");
  EXPECT_EQ(MessageOf([&] { PathFor<TpsMainArchiveFile>(install); }),
            "You forgot to pass in the name of the self-extracting executable. Usage example: "
            "\"-eSetup.exe\"");
}

TEST_F(PathExpansion, ADiskFoundElsewhereMovesTheMainArchive) {
  install->InstallSource = "A:";
  StandardPathSpecifier<TpsMainArchiveFile>()->DiskDirectory = "B:\\Disk2";
  EXPECT_EQ(PathFor<TpsMainArchiveFile>(install), "B:\\Disk2\\files.1");
  StandardPathSpecifier<TpsMainArchiveFile>()->DiskDirectory = " ";
  EXPECT_EQ(PathFor<TpsMainArchiveFile>(install), "A:\\files.1");
}

TEST(PathSpecifierRules, WithoutAnInstallationTheInstallSourceIsUnknown) {
  auto form = LoadComponents(R"(
    object psInstallSource: TpsInstallSource
    end
    object File1: TInstallFile
    end)");
  EXPECT_EQ(MessageOf([&] {
              form->Find<TpsInstallSource>("psInstallSource")->GetPath(form->FindComponent("File1"));
            }),
            "There is no TInstall component so the path specifier could not be expanded for File1");
}

// ---- What the container specifiers refuse and how they describe ----

TEST_F(PathExpansion, ContainerSpecifiersNeedAnInstallObjectInAContainer) {
  auto* other = Make<TPathSpecifier>("Other");
  auto* destDir = StandardPathSpecifier<TpsContainerDestDir>();
  EXPECT_EQ(MessageOf([&] { destDir->GetPath(other); }),
            "Other must be a TInstallObject to use the Path of the group (container) path "
            "specifier");
  auto* file = Make<TInstallFile>("File1");
  EXPECT_EQ(MessageOf([&] { destDir->GetPath(file); }),
            "Cannot use ddContainerDestDir for File1 unless you assign a Container");
  auto* linkGroup = Make<TMainLinkGroup>("Links");
  auto* link = Make<TInstallShellLink>("Link");
  link->SetContainer(linkGroup);
  EXPECT_EQ(MessageOf([&] { PathFor<TpsContainerArchiveFile>(link); }),
            "Cannot use the ddContainerArchiveFile path specifier for Link because the Container "
            "is not a TFileRelated descendant");
}

TEST_F(PathExpansion, AFileTakesTheArchiveAndDirectoryOfItsContainer) {
  install->SetDestDirType(StandardPathSpecifier<TpsWindow>());
  install->SetDestDir("\\App");
  install->SetArchiveFileType(nullptr);
  install->SetArchiveFile(At("main\\"));
  auto* dir = Make<TInstallDirectory>("Dir1");
  dir->SetContainer(install);
  dir->SetDestDir("\\Data");
  auto* file = Make<TInstallFile>("File1");
  file->SetContainer(dir);
  EXPECT_EQ(file->DestinationPath(), GetWindowsDirectoryPath() + "\\App\\Data");
  EXPECT_EQ(file->ArchivePath(), At("main"));
}

TEST_F(PathExpansion, TheContainerDirectoryIsDescribedByItsContainer) {
  auto* destDir = StandardPathSpecifier<TpsContainerDestDir>();
  auto* group = Make<TInstallGroup>("Docs");
  group->Description = "Documentation";
  group->SetContainer(install);
  auto* dir = Make<TInstallDirectory>("Samples");
  dir->Description = "Sample files";
  dir->SetContainer(group);
  auto* inGroup = Make<TInstallFile>("Guide");
  inGroup->SetContainer(group);
  auto* inDir = Make<TInstallFile>("Hello");
  inDir->SetContainer(dir);
  EXPECT_EQ(destDir->GetDescriptionFor(group), "Main installation directory");
  EXPECT_EQ(destDir->GetShortDescriptionFor(group), "Main installation directory");
  EXPECT_EQ(destDir->GetDescriptionFor(inGroup), "Path of the <Documentation> group");
  EXPECT_EQ(destDir->GetDescriptionFor(inDir), "Path of the <Sample files> directory");
  EXPECT_EQ(destDir->GetShortDescriptionFor(inDir), "<Sample files>");
  // One it cannot serve gets the general text.
  EXPECT_EQ(destDir->GetDescriptionFor(install), "Path of the group (container)");
}

// ---- Meta variables and "%p" ----

TEST_F(PathExpansion, MetaVariablesBecomeFolders) {
  EXPECT_EQ(ExpandMetaVariables("%p\\App", nullptr), GetProgramFilesFolder() + "\\App");
  EXPECT_EQ(ExpandMetaVariables("%W|%q|100%%|%", nullptr), GetWindowsDirectoryPath() + "||100%|");
  install->SetDestDirType(StandardPathSpecifier<TpsSystem>());
  install->SetDestDir("\\Demo\\");
  auto* dir = Make<TInstallDirectory>("Dir1");
  dir->SetContainer(install);
  dir->SetDestDir("\\Bin");
  auto* link = Make<TInstallShellLink>("Link");
  EXPECT_EQ(ExpandMetaVariables("%i;%a", dir),
            GetSystemDirectoryPath() + "\\Demo;" + GetSystemDirectoryPath() + "\\Demo\\Bin");
  EXPECT_EQ(ExpandMetaVariables("%c", dir), GetSystemDirectoryPath() + "\\Demo");
  try {
    ExpandMetaVariables("%c", link);
    FAIL() << "a link without container expanded %c";
  } catch (const EAICannotExpandContainerDirMV& e) {
    EXPECT_EQ(e.Message(), "Cannot expand the %c meta variable because the Container property is Nil");
  }
  EXPECT_THROW(ExpandMetaVariables("%a", nullptr), EAICannotExpandContainerDirMV);
}

TEST(MetaVariables, InstallDirNeedsAnInstallation) {
  try {
    ExpandMetaVariables("%i", nullptr);
    FAIL() << "%i expanded without an installation";
  } catch (const EAICannotExpandInstallDirMV& e) {
    EXPECT_EQ(e.Message(), "Cannot expand the %i meta variable because there is no TInstall component");
  }
}

TEST(MetaVariables, SubstitutePathKeepsTheLetterOfAnUnknownVariable) {
  EXPECT_EQ(SubstitutePath("%p;%x%", "C:\\App"), "C:\\App;x");
  EXPECT_EQ(SubstitutePath("100%% in %P", "D:"), "100% in D:");
}

// ---- The specifier of a file container ----

TEST(FileContainerSpecifier, EachContainerOfAnOwnerGetsTheNextFreeName) {
  TComponent owner(nullptr);
  auto* dir1 = new TInstallDirectory(&owner);
  auto* dir2 = new TInstallGroup(&owner);
  ASSERT_NE(dir1->PathSpecifier, nullptr);
  EXPECT_EQ(dir1->PathSpecifier->Name(), "psFileContainer");
  EXPECT_EQ(dir2->PathSpecifier->Name(), "psFileContainer1");
  EXPECT_EQ(dir2->PathSpecifier->FileContainer, dir2);
}

TEST(FileContainerSpecifier, TheStreamedOneTakesThePlaceOfTheMadeOne) {
  auto form = LoadComponents(R"(
    object Dir1: TInstallDirectory
    end
    object psFileContainer: TpsFileContainer
      FileContainer = Dir1
    end)");
  auto* dir = form->Find<TInstallDirectory>("Dir1");
  EXPECT_EQ(dir->PathSpecifier, form->FindComponent("psFileContainer"));
  int specifiers = 0;
  for (int i = 0; i < form->ComponentCount(); ++i)
    specifiers += dynamic_cast<TpsFileContainer*>(form->Components(i)) != nullptr;
  EXPECT_EQ(specifiers, 1);
  EXPECT_EQ(SaveForm(*form).Children.size(), 2u);
}

TEST(StandardSpecifierOrder, AStreamedOneAfterTheFirstContainerTakesOverTheMadeOne) {
  auto destination = [](TFileRelated& c) { return c.DestDirType(); };
  auto archive = [](TFileRelated& c) { return c.ArchiveFileType(); };
  struct Case {
    const char* components;
    const char* user;       // the component that refers to the specifier
    std::function<TCustomPathSpecifier*(TFileRelated&)> reference;
    const char* specifier;  // the streamed specifier it must refer to
  } cases[] = {
      {"object Install1: TInstall\nend\nobject psProgramFiles: TpsProgramFiles\nend", "Install1",
       destination, "psProgramFiles"},
      {"object Install1: TInstall\nend\nobject psMainArchiveFile: TpsMainArchiveFile\nend",
       "Install1", archive, "psMainArchiveFile"},
      {"object Dir1: TInstallDirectory\n DestDirType = psWindow\nend\n"
       "object psWindow: TpsWindow\nend",
       "Dir1", destination, "psWindow"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.components);
    auto form = LoadOnForm(c.components);
    TComponent* streamed = form->FindComponent(c.specifier);
    ASSERT_NE(streamed, nullptr);
    EXPECT_EQ(c.reference(*form->Find<TFileRelated>(c.user)), streamed);
    int sameClass = 0;
    for (int i = 0; i < form->ComponentCount(); ++i)
      sameClass += &form->Components(i)->ClassType() == &streamed->ClassType();
    EXPECT_EQ(sameClass, 1);
    EXPECT_EQ(FindStandardPathSpecifier(streamed->ClassType()), streamed);
  }
}

TEST_F(PathExpansion, AFileContainerSpecifierServesOthersThanFilesAndContainers) {
  install->SetDestDirType(StandardPathSpecifier<TpsWindow>());
  install->SetDestDir("\\App");
  auto* dir = Make<TInstallDirectory>("Dir1");
  dir->Description = "Program files";
  dir->SetContainer(install);
  TpsFileContainer* specifier = dir->PathSpecifier;
  EXPECT_EQ(specifier->GetDescription(), "Path into which Program files will be installed");
  EXPECT_EQ(specifier->GetShortName(), "<Program files>");
  auto* link = Make<TInstallShellLink>("Link");
  EXPECT_EQ(specifier->GetPath(link), GetWindowsDirectoryPath() + "\\App");
  auto* file = Make<TInstallFile>("File1");
  EXPECT_EQ(MessageOf([&] { file->SetDestDirType(specifier); }),
            "A file container cannot reference another file container or group");
  // Either side forgets the other when it goes.
  dir->Free();
  EXPECT_EQ(form.FindComponent("psFileContainer"), nullptr);
  auto* dir2 = Make<TInstallDirectory>("Dir2");
  dir2->PathSpecifier->Free();
  EXPECT_EQ(dir2->PathSpecifier, nullptr);
}

// ---- Standard instances and the lists ----

TEST_F(PathExpansion, AFormGetsOneInstanceOfEachStandardClass) {
  for (const TClassInfo* cls : StandardPathSpecifierClasses()) {
    TComponent* made = form.FindComponent(cls->ClassName.substr(1));
    ASSERT_NE(made, nullptr) << cls->ClassName;
    EXPECT_EQ(&made->ClassType(), cls);
  }
  // They exist now: another form's container makes none.
  TForm second(nullptr);
  new TInstallDirectory(&second);
  EXPECT_EQ(second.FindComponent("psProgramFiles"), nullptr);
}

TEST(PathSpecifierLists, RefuseNilAndNameAMissingStandardInstance) {
  const char* nilMessage = "Tried to add a nil object to the path specifier list";
  EXPECT_EQ(MessageOf([] { PathSpecifiers().Add(nullptr); }), nilMessage);
  EXPECT_THROW(StandardPathSpecifiers().Add(nullptr), IEPathSpecifierList);
  EXPECT_THROW(PathSpecifierClasses().Add(nullptr), IEPathSpecifierClassList);
  EXPECT_EQ(MessageOf([] { StandardPathSpecifier<TpsStartupMenu>(); }),
            "Could not find the path specifier");
  TComponent owner(nullptr);
  auto* made = new TpsStartupMenu(&owner);
  EXPECT_EQ(StandardPathSpecifier<TpsStartupMenu>(), made);
}

}  // namespace
}  // namespace brim::test

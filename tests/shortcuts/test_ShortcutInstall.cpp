// Shortcuts made by an installation run: shell link files, internet
// shortcuts and Program Manager items, in the program folder and on the
// desktop of a machine whose Start menu and desktop are scratch folders;
// the property rules, the creation rules, the lifecycle, and the machine
// refusing each step.
#include <gtest/gtest.h>

#include <optional>

#include "common/routines_Strings.h"
#include "components/cmp_TUninstallEXE.h"
#include "engine/InstallRunTest.h"
#include "paths/routines_ExpandPaths.h"
#include "platform/ComService.h"
#include "platform/DdeService.h"
#include "platform/FaultInjection.h"
#include "shortcuts/RecordingDde.h"
#include "shortcuts/cmp_TInstallShellLink.h"

namespace brim::test {
namespace {

class Shortcuts : public InstallRunTest {
 protected:
  // A session of the test's own: the Program Manager client it keeps, and
  // its conversation with pm, end with the test.
  void SetUp() override {
    session_.emplace();
    InstallRunTest::SetUp();
    for (const char* folder : {"Programs", "Desktop"}) {
      folders_.emplace_back(std::make_unique<TRegistryValueChange>(TRegRoot::CurrentUser,
                                                                   ShellFoldersKey, folder));
      folders_.back()->Set(At(folder));
    }
  }
  void TearDown() override {
    folders_.clear();
    InstallRunTest::TearDown();
    session_.reset();
  }
  // The product: app.exe (F), readme.txt (G, compact installs only), the
  // uninstaller (U), the program folder and the components.
  void LoadLinks(const std::string& components) {
    LoadProduct(FileText("F", "app.exe") + FileText("G", "readme.txt", " InstallTypes = [itCompact]\n") +
                "object U: TUninstallEXE\n Container = Dir\n ArchiveFileType = psContainerArchiveFile\n"
                " DestDirType = psContainerDestDir\n IncludeFromDir = '" + At("src") +
                "'\n FileName = 'uninst.exe'\n DestName = 'uninst.exe'\nend\n"
                "object MainLinkGroup1: TMainLinkGroup\n Container = Install1\n DestDir = '\\Product'\nend\n" +
                components);
    if (!install) return;
    Archive({{"F", "MZ app"}, {"G", "read me"}, {"U", "MZ uninstall"}});
  }
  std::string Folder() const { return At("Programs\\Product"); }
  // The link's fields as the platform reads them back, or the error.
  std::string LinkFields(const std::string& path) {
    TShellLink link;
    TPlatformError error = PlatformCom().LoadShellLink(path, link);
    if (error.Failed()) return error.Describe();
    return link.Target + "|" + link.Arguments + "|" + link.WorkingDirectory + "|" + link.IconPath + "," +
           std::to_string(link.IconIndex) + "|" + std::to_string(link.HotKey);
  }
  std::string Links(const std::string& components, const std::string& name) {
    return "object " + name + ": TInstallShellLink\n Container = MainLinkGroup1\n" + components + "end\n";
  }

  // Program Manager for the tests that make items.
  TRecordingDde pm;

 private:
  std::vector<std::unique_ptr<TRegistryValueChange>> folders_;
  std::optional<TInstallSession> session_;
};

TEST_F(Shortcuts, EachKindIsMadeWhereItsFolderSaysAndListedForTheUninstaller) {
  LoadLinks(
      std::string("object AppLink: TInstallMainLink\n LinkName = 'App.lnk'\n ObjectLink = F\n"
                  " ObjectLocationType = psObjectLink\n Parameters = '-x \"%a\" 100%%'\n HotKey = 1617\nend\n") +
      // Windows' shell puts the real desktop back into the registry as it
      // works, so this one goes into a folder of the product's.
      "object DeskLink: TInstallShellLink\n Container = Dir\n DestDir = '\\Links'\n"
      " DestDirType = psContainerDestDir\n LinkName = 'Desk.lnk'\n ObjectLink = F\n"
      " ObjectLocationType = psObjectLink\n WorkingDir = 'C:\\Work'\n IconFilePath = 'C:\\i.ico'\n"
      " IconIndex = 2\nend\n" +
      Links(" DestDirType = psContainerDestDir\n LinkName = 'Folder.lnk'\n ObjectLocation = '" +
                At("app\\") + "'\n",
            "FolderLink") +
      "object WebLink: TInstallMainLink\n LinkName = 'Site.url'\n"
      " ObjectLocation = 'http://www.example.com/p?a=%p'\nend\n"
      "object ReadmeLink: TInstallMainLink\n LinkName = 'Readme.lnk'\n ObjectLink = G\n"
      " ObjectLocationType = psObjectLink\nend\n"
      "object UninstLink: TInstallMainLink\n LinkName = 'Remove.lnk'\n ObjectLink = U\n"
      " ObjectLocationType = psObjectLink\nend\n");
  RunInstall();
  ASSERT_EQ(shown, "");
  const std::string app = At("app\\app.exe");
  const struct {
    std::string File, Fields;
  } made[] = {
      {Folder() + "\\App.lnk", app + "|-x \"" + Folder() + "\" 100%|" + At("app") + "|,0|1617"},
      {At("app\\Links\\Desk.lnk"), app + "||C:\\Work|C:\\i.ico,2|0"},
      {Folder() + "\\Folder.lnk", At("app") + "||" + ExtractFileDir(At("app")) + "|,0|0"},
      {Folder() + "\\Remove.lnk", At("app\\uninst.exe") + "|" + ScratchKey + "|" + At("app") + "|,0|0"},
  };
  for (const auto& m : made) EXPECT_EQ(LinkFields(m.File), m.Fields) << m.File;
  // An internet shortcut holds its address as written, and nothing else.
  EXPECT_EQ(ReadFile(Folder() + "\\Site.url"),
            "[InternetShortcut]\r\nURL=http://www.example.com/p?a=%p\r\n");
  // readme.txt was not installed, so neither was its shortcut.
  EXPECT_FALSE(Exists(Folder() + "\\Readme.lnk"));
  Lines listed;
  for (int i = 1; i <= 12; ++i) listed.push_back(MachineValue(UninstallKey() + "\\Files", "File" + std::to_string(i)));
  for (const std::string& file : {Folder() + "\\App.lnk", At("app\\Links\\Desk.lnk"), Folder() + "\\Folder.lnk",
                                  Folder() + "\\Site.url", Folder() + "\\Remove.lnk"})
    EXPECT_NE(std::find(listed.begin(), listed.end(), file), listed.end()) << file;
  EXPECT_EQ(std::find(listed.begin(), listed.end(), Folder() + "\\Readme.lnk"), listed.end());
}

TEST_F(Shortcuts, ProgramManagerItemsAreMadeInProgramGroupsOnlyAndReplaceTheirNamesakes) {
  pm.Replies["Product"] = "\"Product\",C:\\WINDOWS\\PRODUCT.GRP,1,1\r\n"
                          "\"App\",\"C:\\OLD\\APP.EXE\",C:\\OLD,,0,0,0,0,0";
  TPlatformOf win32s(PlatformSystem(), 0);
  TPlatformServices services;
  services.Dde = &pm;
  services.System = &win32s;
  TScopedPlatformServices scope(services);
  LoadLinks(
      "object AppLink: TInstallMainLink\n LinkName = 'App.lnk'\n ObjectLink = F\n"
      " ObjectLocationType = psObjectLink\nend\n"
      "object ToolLink: TInstallMainLink\n LinkName = 'Tool.lnk'\n ObjectLink = F\n"
      " ObjectLocationType = psObjectLink\n Parameters = '/t'\n Method = mtProgramManager\nend\n" +
      Links(" DestDir = '\\'\n DestDirType = psDesktopMenu\n LinkName = 'Desk.lnk'\n ObjectLink = F\n"
            " ObjectLocationType = psObjectLink\n Method = mtProgramManager\n",
            "DeskLink"));
  RunInstall();
  ASSERT_EQ(shown, "");
  const std::string app = At("app\\app.exe"), dir = At("app");
  EXPECT_EQ(pm.Commands(),
            (Lines{"[CreateGroup(\"Product\")]", "[ShowGroup(Product,8)]", "[ReplaceItem(\"App\")]",
                   "[ShowGroup(Product,8)]",
                   "[AddItem(\"" + app + "\" ,App,,0,,,\"" + dir + "\",)]",
                   "[CreateGroup(\"Product\")]", "[ShowGroup(Product,8)]",
                   "[AddItem(\"" + app + "\" /t,Tool,,0,,,\"" + dir + "\",)]"}));
  // No shell link files on a platform whose shell is Program Manager.
  EXPECT_FALSE(Exists(Folder() + "\\App.lnk"));
  EXPECT_FALSE(Exists(At("Desktop\\Desk.lnk")));
}

TEST_F(Shortcuts, ShortcutsWhosePlacesLeadBackToThemselvesAreRefusedAtLoad) {
  const std::string group = " Container = MainLinkGroup1\n", a = " ObjectLink = A\n",
                    b = " ObjectLink = B\n", byLink = group + " DestDirType = psObjectLink\n";
  const struct {
    std::string A, B;
    bool Cycle;
  } cases[] = {{group + b, group + a, true},
               {byLink + b, byLink + a, true},
               {" Container = B\n DestDirType = psContainerDestDir\n", byLink + a, true},
               {group + b, group + " ObjectLink = MainLinkGroup1\n", false}};
  for (const auto& c : cases)
    EXPECT_EQ(
        LoadErrorOnForm(
            "object MainLinkGroup1: TMainLinkGroup\nend\nobject A: TInstallShellLink\n" + c.A +
            "end\nobject B: TInstallShellLink\n" + c.B + "end\n"),
        c.Cycle ? "Circular reference: the destination or ObjectLink of A leads back to it" : "");
}

TEST_F(Shortcuts, PropertyRulesApplyOutsideLoading) {
  LoadLinks("");
  dir->Description = "Program";
  const struct {
    std::function<void(TCustomInstallShellLink&)> Set;
    std::string LinkName, Location, Link, Type;
  } cases[] = {
      {[](auto& l) { l.SetObjectLocation("http://www.example.com/brimwell/"); },
       "www.example.com_brimwell.URL", "http://www.example.com/brimwell/", "", ""},
      {[](auto& l) { l.SetObjectLocation("ftp://Host/pub/a.zip"); }, "Host_pub_a.zip.URL", "ftp://Host/pub/a.zip", "", ""},
      {[](auto& l) { l.SetObjectLocation("C:\\Tools\\edit.exe"); }, "edit.LNK", "C:\\Tools\\edit.exe", "", ""},
      {[](auto& l) { l.SetLinkName("a.lnk"); l.SetObjectLocation("C:\\x.exe"); }, "a.lnk", "C:\\x.exe", "", ""},
      {[](auto& l) { l.SetLinkName("Readme.txt"); }, "Readme.LNK", "", "", ""},
      {[](auto& l) { l.SetLinkName("x.url"); l.SetLinkName("Notes.txt"); }, "Notes.URL", "", "", ""},
      {[&](auto& l) { l.SetObjectLocation("C:\\x.exe"); l.SetObjectLink(File("F")); }, "app.lnk", "", "F",
       "psObjectLink"},
      {[&](auto& l) { l.SetObjectLink(dir); }, "Program.lnk", "", "Dir", "psObjectLink"},
      {[&](auto& l) { l.SetObjectLink(form->Find<TInstallContainer>("MainLinkGroup1")); },
       "MainLinkGroup1.lnk", "", "MainLinkGroup1", "psObjectLink"},
      {[&](auto& l) { l.SetObjectLink(File("F")); l.SetLinkName("site.url"); }, "site.url", "", "", ""},
      {[&](auto& l) { l.SetObjectLink(File("F")); l.SetObjectLocation("C:\\y"); }, "app.lnk", "", "F",
       "psObjectLink"},
  };
  for (const auto& c : cases) {
    auto* link = new TInstallShellLink(form.get());
    c.Set(*link);
    EXPECT_EQ(link->LinkName(), c.LinkName);
    EXPECT_EQ(link->ObjectLocation(), c.Location) << c.LinkName;
    EXPECT_EQ(link->ObjectLink() ? link->ObjectLink()->Name() : "", c.Link) << c.LinkName;
    EXPECT_EQ(link->ObjectLocationType() ? link->ObjectLocationType()->Name() : "", c.Type) << c.LinkName;
    // A shortcut without a folder lives with what it links to.
    if (link->ObjectLink()) {
      EXPECT_EQ(link->Container(), link->ObjectLink()) << c.LinkName;
    }
    delete link;
  }
  auto* bare = new TInstallShellLink(form.get());
  bare->SetName("Bare");
  auto* psObjectLink = form->Find<TCustomPathSpecifier>("psObjectLink");
  ASSERT_TRUE(psObjectLink) << "made for the form with its first shortcut";
  EXPECT_EQ(MessageOf([&] { bare->SetObjectLocationType(psObjectLink); }),
            "Cannot use ddObjectLink for Bare unless you assign a value to ObjectLink");
  EXPECT_EQ(MessageOf([&] { psObjectLink->GetPath(dir); }),
            "Dir must be a TCustomInstallShellLink to use the psObjectLink path specifier");
  // Made without a name or a place, it says so.
  EXPECT_EQ(MessageOf([&] { bare->Process(); }),
            "The LinkName is blank for Bare and therefore could not be installed");
  bare->SetObjectLocation("C:\\x.exe");
  EXPECT_EQ(MessageOf([&] { bare->Process(); }),
            "The shortcut Bare has no folder: its DestDirType and DestDir name none");
  delete bare;
}

TEST_F(Shortcuts, TheProgramFolderAndMainLinksKeepTheirPlace) {
  LoadLinks("object AppLink: TInstallMainLink\n LinkName = 'App.lnk'\nend\n");
  auto* group = form->Find<TMainLinkGroup>("MainLinkGroup1");
  auto* link = form->Find<TInstallMainLink>("AppLink");
  ASSERT_TRUE(group && link);
  EXPECT_EQ(MainLinkGroup(), group);
  EXPECT_EQ(link->Container(), group);
  link->SetDestDirType(form->Find<TCustomPathSpecifier>("psDesktopMenu"));
  group->SetDestDirType(form->Find<TCustomPathSpecifier>("psDesktopMenu"));
  EXPECT_EQ(link->DestDirType()->Name(), "psContainerDestDir");
  EXPECT_EQ(group->DestDirType()->Name(), "psProgramMenu");
  EXPECT_EQ(MessageOf([&] { TMainLinkGroup second(form.get()); }),
            "You can only have one TMainLinkGroup component in your project");
  EXPECT_EQ(MessageOf([&] { link->SetContainer(dir); }),
            "The TMainLinkGroup component must be the Container for TInstallMainLink and TSubLinkGroup "
            "components");
  EXPECT_EQ(MessageOf([] { ShellLinks().Add(nullptr); }), "Cannot add a blank entry to the shell link list");
  EXPECT_EQ(MainLinks().Count(), 1);
  // A shortcut goes with the object it links to; the folder with its
  // container, and its main links with it.
  auto* toApp = new TInstallShellLink(form.get());
  toApp->SetObjectLink(File("F"));
  const int links = ShellLinks().Count();
  delete File("F");
  EXPECT_EQ(ShellLinks().Count(), links - 1);
  delete install;
  install = nullptr;
  EXPECT_EQ(MainLinkGroup(), nullptr);
  EXPECT_EQ(form->FindComponent("AppLink"), nullptr);
  EXPECT_EQ(MainLinks().Count(), 0);
  EXPECT_EQ(MessageOf([&] { TInstallMainLink orphan(form.get()); }),
            "To create a TInstallMainLink you must first have a TMainLinkGroup component in your project");
}

TEST_F(Shortcuts, ARefusedStepEndsTheRunWithItsMessageAndKeepsTheShortcutThere) {
  const std::string link = "object AppLink: TInstallMainLink\n LinkName = 'App.lnk'\n ObjectLink = F\n"
                           " ObjectLocationType = psObjectLink\nend\n";
  const std::string prefix = "The TCustomInstallShellLink AppLink name could not be installed. "
                             "The following error was reported ";
  const struct {
    TFaultKind Kind;
    uint32_t Code;
    std::string Message;
  } cases[] = {
      {TFaultKind::ShellLinkSave, 0x80070057u,
       prefix + "Indicates one or more arguments are invalid. Error code -2147024809"},
      {TFaultKind::ShellLinkSave, 0x8007000Eu, prefix + "Out of memory. Error code -2147024882"},
      {TFaultKind::ShellLinkSave, 0x80070005u, prefix + "COM error 0x80070005"},
      {TFaultKind::CreateDirectory, errAccessDenied, "Could not create the folder " + At("Programs")},
  };
  for (const auto& c : cases) {
    Reset();
    // A shortcut of an earlier installation is there; for the refused
    // folder, only the product's directory is.
    for (const std::string& d : {At("Programs"), Folder(), At("app")}) PlatformFiles().CreateDirectory(d);
    WriteFile(Folder() + "\\App.lnk", "earlier");
    if (c.Kind == TFaultKind::CreateDirectory) RemoveTree(At("Programs"));
    LoadLinks(link);
    TFaultInjectingServices faults;
    faults.FailFrom(c.Kind, 1, c.Code);
    {
      TScopedPlatformServices scope(faults.Services());
      RunInstall();
    }
    EXPECT_CONTAINS(shown, c.Message);
    if (c.Kind != TFaultKind::CreateDirectory) {
      EXPECT_EQ(ReadFile(Folder() + "\\App.lnk").value_or("<none>"), "earlier") << c.Message;
    }
    EXPECT_TRUE(Heard("-994")) << "the bad end: " << c.Message;
  }
  // Program Manager refusing the item names the group, the item and the command.
  Reset();
  pm.Replies["Product"] = "\"Product\",C:\\WINDOWS\\PRODUCT.GRP,0,1\r\n";
  TPlatformOf win32s(PlatformSystem(), 0);
  TPlatformServices services;
  services.Dde = &pm;
  services.System = &win32s;
  TScopedPlatformServices scope(services);
  LoadLinks(link);
  TFaultInjectingServices faults;
  faults.FailCall(TFaultKind::DdeExecute, 3);
  {
    TScopedPlatformServices refusing(faults.Services());
    RunInstall();
  }
  EXPECT_CONTAINS(shown, "The TProgramManager object was unable to add the following program item: App");
  EXPECT_CONTAINS(shown, "[AddItem(\"" + At("app\\app.exe") + "\" ,App,,0,,,\"" + At("app") + "\",)]");
}

}  // namespace
}  // namespace brim::test

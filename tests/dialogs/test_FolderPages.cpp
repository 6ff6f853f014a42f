// The destination page and the program-folder page on a machine whose
// Start menu is a scratch folder: what each shows, how each writes the
// installation or the group it edits, Browse with its made-and-removed
// folder, and the program-folder dialog's own rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "components/cmp_TVersion.h"
#include "dialogs/dlgcmp_TSelectFolderDlg.h"
#include "dialogs/ordlg_TSelectDestinationForm.h"
#include "dialogs/ordlg_TSelectFolderForm.h"
#include "engine/DefinitionTestForm.h"
#include "engine/InstallRunTest.h"
#include "paths/routines_ExpandPaths.h"
#include "platform/FaultInjection.h"
#include "platform/PlatformTest.h"
#include "shortcuts/RecordingDde.h"
#include "shortcuts/cmp_TInstallShellLink.h"
#include "widgets/StdCtrls.h"

namespace brim::test {
namespace {

// A folder browser that runs the test's action while it is open, then
// ends as the test says.
class TBrowserAnswer : public TUnattendedUserInterface {
 public:
  TFolderBrowserResult Result;
  std::function<void(const TFolderBrowserOptions&)> WhileOpen;
  TFolderBrowserResult BrowseForFolder(const TFolderBrowserOptions& options) override {
    if (WhileOpen) WhileOpen(options);
    return Result;
  }
};

class FolderPages : public InstallRunTest {
 protected:
  void SetUp() override {
    session_.emplace();
    InstallRunTest::SetUp();
    programs_.emplace(TRegRoot::CurrentUser, ShellFoldersKey, "Programs");
    StartMenuAt(At("Programs"));
  }
  // Where the Start menu's Programs folder is.
  void StartMenuAt(const std::string& folder) {
    programsDir_ = folder;
    programs_->Set(folder);
  }
  void TearDown() override {
    for (TCustomForm* page : pages_) page->Free();
    pages_.clear();
    programs_.reset();
    InstallRunTest::TearDown();
    session_.reset();
  }
  // A page of class T as the wizard makes it, prepared for showing.
  template <class T>
  T* Page() {
    auto* page = static_cast<T*>(DialogFormClassOf<T>().Create(&Application()));
    pages_.push_back(page);
    page->PrepareForShow();
    return page;
  }
  bool IsDirectory(const std::string& path) {
    std::optional<uint32_t> attributes = PlatformFiles().GetAttributes(path);
    return attributes && (*attributes & attrDirectory);
  }
  void MakeFolders(std::initializer_list<const char*> names) {
    for (const char* name : names) ASSERT_TRUE(CreateDirectoryPath(programsDir_ + "\\" + name));
  }
  TCustomShellLinkGroup* Group() { return form->Find<TCustomShellLinkGroup>("MainLinkGroup1"); }
  // Program Manager: the session's client keeps its conversation until the
  // session ends, after the test.
  TRecordingDde pm;

 private:
  std::optional<TInstallSession> session_;
  std::optional<TRegistryValueChange> programs_;
  std::string programsDir_;
  std::vector<TCustomForm*> pages_;
};

TEST_F(FolderPages, DestinationPageShowsTheDestinationAndTakesWhatIsTyped) {
  LoadProduct("", "DestDir = '\\Brimwell\\Demo'\n");
  auto* page = Page<TSelectDestinationForm>();
  auto* edit = page->Control<TEdit>("edDestDir");
  EXPECT_EQ(edit->Text(), install->DestinationPath());
  EXPECT_TRUE(page->Control<TGroupBox>("gbDirectory")->Visible);
  edit->SetText("D:\\Elsewhere");
  EXPECT_EQ(install->DestDirType(), nullptr);
  EXPECT_EQ(install->DestDir(), "D:\\Elsewhere");
  EXPECT_EQ(install->DestinationPath(), "D:\\Elsewhere");
  // Without a destination there is nothing to show or browse from.
  edit->SetText("");
  page->PrepareForShow();
  EXPECT_FALSE(page->Control<TGroupBox>("gbDirectory")->Visible);
}

TEST_F(FolderPages, BrowseMakesAMissingDestinationForTheBrowserAndRemovesItWhenStillEmpty) {
  struct TCase {
    const char* Name;
    bool Existed;
    bool Choose;   // the user picks "chosen"
    bool Fill;     // a file appears in the destination while the browser is open
    bool KeptAfter;
  } cases[] = {
      {"missing, cancelled", false, false, false, false},
      {"missing, another folder chosen", false, true, false, false},
      {"missing, filled while open", false, false, true, true},
      {"existing, cancelled", true, false, false, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Reset();
    std::string dest = At(std::string("dest\\") + c.Name);
    LoadProduct("");
    install->SetDestDirType(nullptr);
    install->SetDestDir(dest);
    if (c.Existed) {
      ASSERT_TRUE(CreateDirectoryPath(dest));
    }
    auto* page = Page<TSelectDestinationForm>();
    TBrowserAnswer browser;
    bool existedWhileOpen = false;
    browser.WhileOpen = [&](const TFolderBrowserOptions& options) {
      EXPECT_EQ(options.Directory, dest);
      existedWhileOpen = IsDirectory(dest);
      if (c.Fill) WriteFile(dest + "\\note.txt", "kept");
    };
    if (c.Choose) browser.Result = {true, "", At("chosen\\"), false};
    TUserInterfaceGuard guard(browser);
    page->BrowseClick();
    EXPECT_TRUE(existedWhileOpen);
    EXPECT_EQ(IsDirectory(dest), c.KeptAfter);
    std::string expected = c.Choose ? At("chosen") : dest;
    EXPECT_EQ(install->DestDir(), expected);
    if (c.Choose) {
      EXPECT_EQ(page->Control<TEdit>("edDestDir")->Text(), expected);
    }
  }
}

TEST_F(FolderPages, FolderPageOffersTheExistingFoldersAndNamesTheGroup) {
  struct TCase {
    const char* Name;
    const char* Group;  // the group's properties
    std::vector<const char*> Folders;
    const char* Shown;
    const char* GroupDir;  // the group's DestDir after the page was prepared
  } cases[] = {
      {"empty folder: the first existing one", "DestDir = ''\n", {"Zeta", "Accessories"}, "Accessories",
       "\\Accessories"},
      {"the group's own folder", "DestDir = '\\Brimwell Demo'\n", {"Zeta"}, "Brimwell Demo", "\\Brimwell Demo"},
      {"empty folder, nothing to offer", "DestDir = ''\n", {}, "", ""},
  };
  int n = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Reset();
    StartMenuAt(At("Programs" + std::to_string(++n)));
    for (const char* f : c.Folders) MakeFolders({f});
    LoadProduct(std::string("object MainLinkGroup1: TMainLinkGroup\n Container = Install1\n ") + c.Group + "end\n");
    auto* page = Page<TSelectFolderForm>();
    auto* list = page->Control<TListBox>("FolderListBox");
    std::vector<std::string> sorted(c.Folders.begin(), c.Folders.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(list->Items.Lines(), sorted);
    EXPECT_EQ(page->Control<TEdit>("FolderEdit")->Text(), c.Shown);
    EXPECT_EQ(Group()->DestDir(), c.GroupDir);
  }
  // A click in the list, and typing, name the group's folder at once.
  auto* page = Page<TSelectFolderForm>();
  MakeFolders({"Games"});
  page->PrepareForShow();
  auto* list = page->Control<TListBox>("FolderListBox");
  list->SetItemIndex(0);
  list->OnClick(list);
  EXPECT_EQ(page->Control<TEdit>("FolderEdit")->Text(), "Games");
  EXPECT_EQ(Group()->DestDir(), "\\Games");
  EXPECT_NE(dynamic_cast<TpsProgramMenu*>(Group()->DestDirType()), nullptr);
  page->Control<TEdit>("FolderEdit")->SetText("My Games");
  EXPECT_EQ(Group()->DestDir(), "\\My Games");
}

TEST_F(FolderPages, BeforeWindows95TheFoldersAreProgramManagersGroups) {
  MakeFolders({"Not offered"});
  pm.Replies["Groups"] = "Main\r\nAccessories\r\n";
  TPlatformOf win32s(PlatformSystem(), 0);
  TPlatformServices services;
  services.Dde = &pm;
  services.System = &win32s;
  TScopedPlatformServices scope(services);
  LoadProduct("object MainLinkGroup1: TMainLinkGroup\n Container = Install1\n DestDir = ''\nend\n");
  auto* page = Page<TSelectFolderForm>();
  EXPECT_EQ(page->Control<TListBox>("FolderListBox")->Items.Lines(),
            (std::vector<std::string>{"Accessories", "Main"}));
  EXPECT_EQ(Group()->DestDir(), "\\Accessories");
}

TEST_F(FolderPages, WithoutAGroupThePageIsSkippedAndItsDialogCannotRun) {
  LoadProduct("object SelectFolderDlg1: TSelectFolderDlg\nend\nobject Blank: TSelectFolderDlg\nend\n");
  EXPECT_TRUE(Page<TSelectFolderForm>()->ShouldSkip());
  auto* dialog = form->Find<TSelectFolderDlg>("SelectFolderDlg1");
  ASSERT_NE(dialog, nullptr);
  // A definition cannot name another container; a program can.
  dialog->SetContainer(install);
  EXPECT_EQ(MessageOf([&] { dialog->Group(); }),
            "The container for SelectFolderDlg1 must be a TCustomShellLinkGroup");
  EXPECT_EQ(MessageOf([&] { form->Find<TSelectFolderDlg>("Blank")->Run(); }),
            "Cannot run this dialog Blank with a blank Container property");
}

}  // namespace
}  // namespace brim::test

namespace brim::test {
namespace {

// Each machine call of Browse and of the folder list refused in turn: the
// page reports what failed, keeps the destination it had, and leaves no
// folder of its own making behind.
TEST_F(FolderPages, ARefusedCallLeavesTheDestinationAndNoFolderBehind) {
  struct TCase {
    const char* Name;
    TFaultKind Kind;
    uint64_t Call;
    bool BrowserFails;      // the browser itself ends with an error
    const char* Error;      // part of the error Browse ends with, or null
  } cases[] = {
      {"the folder cannot be made", TFaultKind::CreateDirectory, 1, false, nullptr},
      {"no folder browser", TFaultKind::FolderBrowser, 1, false, nullptr},
      {"the browser fails", TFaultKind::CreateDirectory, 0, true, "no answer"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Reset();
    std::string dest = At(std::string("dest\\") + c.Name);
    ASSERT_TRUE(CreateDirectoryPath(At("dest")));
    LoadProduct("");
    install->SetDestDirType(nullptr);
    install->SetDestDir(dest);
    auto* page = Page<TSelectDestinationForm>();
    TFaultInjectingServices faults;
    TScopedPlatformServices scope(faults.Services());
    faults.FailCall(c.Kind, c.Call);
    struct TFailingBrowser : TUnattendedUserInterface {
      TFolderBrowserResult BrowseForFolder(const TFolderBrowserOptions&) override {
        throw Exception(std::string("The answer script has no answer for the folder browser"));
      }
    } failing;
    std::optional<TUserInterfaceGuard> guard;
    if (c.BrowserFails) guard.emplace(failing);
    std::string error;
    try {
      page->BrowseClick();
    } catch (const std::exception& e) {
      error = e.what();
    }
    if (c.Error) EXPECT_NE(error.find(c.Error), std::string::npos) << error;
    else EXPECT_EQ(error, "");
    EXPECT_FALSE(IsDirectory(dest));
    EXPECT_EQ(install->DestDir(), dest);
  }
  // Program Manager refusing the conversation or the group list: the
  // program-folder page says so instead of offering an empty list.
  for (TFaultKind kind : {TFaultKind::DdeConnect, TFaultKind::DdeRequest}) {
    Reset();
    TPlatformOf win32s(PlatformSystem(), 0);
    TFaultInjectingServices faults;
    TPlatformServices services = faults.Services();
    services.System = &win32s;
    TScopedPlatformServices scope(services);
    faults.FailFrom(kind, 1);
    LoadProduct("object MainLinkGroup1: TMainLinkGroup\n Container = Install1\n DestDir = ''\nend\n");
    try {
      Page<TSelectFolderForm>();
      ADD_FAILURE() << "the folder page filled its list without Program Manager";
    } catch (const std::exception& e) {
      EXPECT_NE(std::string(e.what()).find("Program Manager"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace brim::test

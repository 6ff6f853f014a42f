// The folder browser of the destination page: what Execute makes of the way
// the browser ended, with a front end that answers from a script.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "components/cmp_TVersion.h"
#include "dialogs/cmp_TOpenFolderDialog.h"
#include "platform/ErrorCodes.h"
#include "platform/FaultInjection.h"
#include "platform/Platform.h"
#include "platform/PlatformTest.h"
#include "widgets/UserInterface.h"

namespace brim::test {
namespace {

using Paths = std::vector<std::string>;

// A front end whose browser ends as the script says, one result per
// opening, and that remembers how it was opened.
class TScriptedBrowser : public TUnattendedUserInterface {
 public:
  std::deque<TFolderBrowserResult> Script;
  std::vector<TFolderBrowserOptions> Opened;
  TFolderBrowserResult BrowseForFolder(const TFolderBrowserOptions& options) override {
    Opened.push_back(options);
    if (Script.empty()) return {};
    TFolderBrowserResult next = Script.front();
    Script.pop_front();
    return next;
  }
};

class OpenFolderDialog : public PlatformTest {
 protected:
  // "@" in a path stands for the scratch directory.
  std::string Here(std::string path) const {
    if (auto at = path.find('@'); at != std::string::npos) path.replace(at, 1, Scratch);
    return path;
  }
};

TEST_F(OpenFolderDialog, ExecuteTurnsTheWayTheBrowserEndedIntoTheChosenFolder) {
  struct TCase {
    const char* name;
    bool showPathEdit;
    std::vector<TFolderBrowserResult> script;  // Path, CurrentPath with "@"
    bool chosen;
    std::string directory;  // Directory afterwards ("start" = unchanged)
    Paths openedOn;         // Directory of each opening
    Paths made;             // folders that exist afterwards
    Paths notMade;          // folders that do not
  };
  const std::string file = "@\\file";  // a file where a folder is typed
  const std::vector<TCase> cases = {
      {"a typed folder that does not exist is made with its parents",
       true, {{true, "@\\start", "@\\new\\deep\\er", false}}, true, "@\\new\\deep\\er",
       {"@\\start"}, {"@\\new\\deep\\er"}, {}},
      {"cancel chooses nothing and makes nothing",
       true, {{false, "", "@\\typed", false}}, false, "@\\start", {"@\\start"}, {}, {"@\\typed"}},
      {"a folder made in the browser opens it again on that folder",
       true, {{true, "@\\start", "@\\made", true}, {true, "@\\made", "@\\made", false}}, true,
       "@\\made", {"@\\start", "@\\made"}, {"@\\made"}, {}},
      {"reopened and then cancelled chooses nothing",
       true, {{true, "@\\start", "@\\made", true}, {false, "", "@\\made", false}}, false,
       "@\\made", {"@\\start", "@\\made"}, {}, {}},
      {"without the path edit the returned item is the folder",
       false, {{true, "@\\start\\item", "@\\shown", false}}, true, "@\\start\\item",
       {"@\\start"}, {}, {"@\\shown"}},
      {"a typed folder that cannot be made is not chosen",
       true, {{true, "@\\start", "@\\file\\sub", false}}, false, "@\\start", {"@\\start"}, {},
       {"@\\file\\sub"}},
      {"an empty typed path is not chosen",
       true, {{true, "@\\start", "", false}}, false, "@\\start", {"@\\start"}, {}, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(Here(file), "x");
    TScriptedBrowser browser;
    for (TFolderBrowserResult r : c.script) {
      r.Path = Here(r.Path);
      r.CurrentPath = Here(r.CurrentPath);
      browser.Script.push_back(r);
    }
    TUserInterfaceGuard guard(browser);
    TOpenFolderDialog dialog(nullptr);
    dialog.ShowPathEdit = c.showPathEdit;
    dialog.ShowCreateButton = false;
    dialog.Directory = Here("@\\start");
    EXPECT_EQ(dialog.Execute(), c.chosen);
    EXPECT_EQ(dialog.Directory, Here(c.directory));
    ASSERT_EQ(browser.Opened.size(), c.openedOn.size());
    for (size_t i = 0; i < c.openedOn.size(); ++i) {
      EXPECT_EQ(browser.Opened[i].Directory, Here(c.openedOn[i]));
      EXPECT_EQ(browser.Opened[i].ShowPathEdit, c.showPathEdit);
      EXPECT_FALSE(browser.Opened[i].ShowCreateButton);
    }
    for (const std::string& f : c.made) EXPECT_TRUE(DirectoryPresent(Here(f))) << f;
    for (const std::string& f : c.notMade) EXPECT_FALSE(DirectoryPresent(Here(f))) << f;
    RemoveTree(Scratch);
    ASSERT_TRUE(PlatformFiles().CreateDirectory(Scratch));
  }
}

// Where no one can pick a folder the browser counts as cancelled: the
// unattended front end opens nothing, and a platform without a browser
// (the substitute machine, or one whose browser fails) chooses nothing.
TEST_F(OpenFolderDialog, NoBrowserToShowChoosesNothing) {
  struct TFront : IUserInterface {
    void FormShown(TCustomForm&) override {}
    void FormHidden(TCustomForm&) override {}
    void FormChanged(TCustomForm&) override {}
    void RunModal(TCustomForm&) override {}
    void FormDestroyed(TCustomForm&) override {}
  };
  TUnattendedUserInterface unattended;
  TFront platformBrowser;
  TFaultInjectingServices faults;
  faults.FailFrom(TFaultKind::FolderBrowser, 1);
  struct TCase {
    const char* name;
    IUserInterface* ui;
    bool failBrowser;
  } cases[] = {
      {"unattended", &unattended, false},
#ifndef _WIN32
      {"the substitute machine's browser", &platformBrowser, false},
#endif
      {"a browser that cannot be shown", &platformBrowser, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<TScopedPlatformServices> failing;
    if (c.failBrowser) failing.emplace(faults.Services());
    TUserInterfaceGuard guard(*c.ui);
    TOpenFolderDialog dialog(nullptr);
    dialog.Directory = At("start");
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.Directory, At("start"));
    EXPECT_FALSE(DirectoryPresent(At("start")));
  }
  EXPECT_EQ(faults.Calls(TFaultKind::FolderBrowser), 1u);
#ifndef _WIN32
  PlatformSystem().SetLastError(errSuccess);
  EXPECT_FALSE(PlatformCom().BrowseForFolder({}).has_value());
  EXPECT_EQ(PlatformSystem().LastError(), errNotSupported);
#endif
}

}  // namespace
}  // namespace brim::test

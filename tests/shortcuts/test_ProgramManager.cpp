// The Program Manager client: the command strings it sends, how it reads
// Program Manager's and Wine's replies, its errors, and its link.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include "common/routines_Strings.h"
#include "platform/DdeService.h"
#include "platform/FaultInjection.h"
#include "platform/PlatformServices.h"
#include "platform/PlatformTest.h"
#include "session/InstallSession.h"
#include "shortcuts/RecordingDde.h"
#include "shortcuts/cmp_TProgramManager.h"
#ifndef _WIN32
#include "platform/posix/SubstituteMachine.h"
#endif

namespace brim::test {
namespace {

class ProgramManagerClient : public ::testing::Test {
 protected:
  ProgramManagerClient() {
    dde_.Replies["My Tools"] = "\"My Tools\",C:\\WINDOWS\\MYTOOLS.GRP,0,1\r\n";
  }
  TRecordingDde dde_;
  TScopedPlatformServices scope_{TPlatformServices{.Dde = &dde_}};
};

TEST_F(ProgramManagerClient, SendsProgramManagersCommandStrings) {
  struct Case {
    const char* What;
    std::function<void(TProgramManager&)> Do;
    Lines Traffic;
  } cases[] = {
      {"a group",
       [](TProgramManager& pm) { pm.CreateGroup("My Tools"); },
       {"execute [CreateGroup(\"My Tools\")]", "request My Tools"}},
      {"no group for an empty name", [](TProgramManager& pm) { pm.CreateGroup(""); }, {}},
      {"an item with an empty parameter list, into the current group",
       [](TProgramManager& pm) {
         pm.SelectGroup("My Tools");
         pm.AddItem("\"C:\\App\\app.exe\" ", "App", "", 0, "\"C:\\App\"", "");
       },
       {"request My Tools", "execute [ShowGroup(My Tools,8)]",
        "execute [AddItem(\"C:\\App\\app.exe\" ,App,,0,,,\"C:\\App\",)]", "request My Tools"}},
      {"an item with every field",
       [](TProgramManager& pm) {
         pm.SelectGroup("My Tools");
         pm.AddItem("C:\\x.exe -a", "X", "C:\\x.ico", -3, "C:\\", "1601");
       },
       {"request My Tools", "execute [ShowGroup(My Tools,8)]",
        "execute [AddItem(C:\\x.exe -a,X,C:\\x.ico,-3,,,C:\\,1601)]", "request My Tools"}},
      {"a replacement",
       [](TProgramManager& pm) {
         pm.SelectGroup("My Tools");
         pm.ReplaceItem("App");
       },
       {"request My Tools", "execute [ShowGroup(My Tools,8)]", "execute [ReplaceItem(\"App\")]",
        "request My Tools"}},
      {"nothing for items without a current group",
       [](TProgramManager& pm) {
         pm.SelectGroup("Unknown");
         pm.AddItem("C:\\x.exe", "X", "", 0, "", "");
         pm.ReplaceItem("X");
       },
       {"request Unknown"}},
      {"the list of groups",
       [](TProgramManager& pm) {
         TStringList groups;
         pm.GetGroups(groups);
       },
       {"request Groups"}},
  };
  dde_.Replies["Groups"] = "Main\r\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    dde_.Sent.clear();
    TProgramManager pm(nullptr);
    c.Do(pm);
    EXPECT_EQ(dde_.Traffic(), c.Traffic);
    EXPECT_EQ(dde_.Sent.front(), "connect PROGMAN|PROGMAN");
  }
}

// What each server answers, and the fields the client reads from it:
// Program Manager describes a group; Wine refuses to (no reply, so no
// current group), and both list the groups one a line, CR LF after each.
TEST_F(ProgramManagerClient, ReadsTheRepliesOfProgramManagerAndWine) {
  struct Case {
    const char* Server;
    std::optional<std::string> Reply;  // to the request for "G"; none: refused
    std::string CurrentGroup;
    int Count;
    Lines Item1;  // name, command, directory, icon, x, y, icon index, hot key
  } cases[] = {
      {"Program Manager",
       "\"G\",C:\\WINDOWS\\G.GRP,1,1\r\n\"App\",\"C:\\App\\app.exe\",C:\\App,C:\\App\\app.exe,15,"
       "10,0,1601,0\r\n",
       "G",
       1,
       {"App", "C:\\App\\app.exe", "C:\\App", "C:\\App\\app.exe", "15", "10", "0", "1601"}},
      {"Program Manager, a group without items", "\"G\",C:\\WINDOWS\\G.GRP,0,1\r\n", "G", 0,
       Lines(8)},
      {"Program Manager, a quoted command line",
       "\"G\",x,1,1\r\n\"A\",\"\"C:\\a b.exe\" -x\",C:\\,i,1,2,3,4,0",
       "G",
       1,
       {"A", "\"C:\\a b.exe\" -x", "C:\\", "i", "1", "2", "3", "4"}},
      // Commas are not special inside quotes, and a missing comma empties
      // the fields after it.
      {"Program Manager, a comma in a name",
       "\"G\",x,1,1\r\n\"A, B\",\"C:\\a.exe\",C:\\",
       "G",
       1,
       {"A", " B", "\"C:\\a.exe\"", "C:\\", "", "", "", ""}},
      {"one quote alone", "\"G\",x,1,1\r\n\"", "G", 1, Lines(8)},
      {"Wine", std::nullopt, "", 0, Lines(8)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Server);
    dde_.Replies.erase("G");
    if (c.Reply) dde_.Replies["G"] = *c.Reply;
    TProgramManager pm(nullptr);
    pm.SelectGroup("G");
    EXPECT_EQ(pm.CurrentGroup(), c.CurrentGroup);
    EXPECT_EQ(pm.ItemCount(), c.Count);
    EXPECT_EQ((Lines{pm.ItemName(1), pm.ItemCommand(1), pm.ItemDirectory(1), pm.ItemIconPath(1),
                     pm.ItemX(1), pm.ItemY(1), pm.ItemIconIndex(1), pm.ItemHotKey(1)}),
              c.Item1);
    for (int outside : {-1, 0, 2}) EXPECT_EQ(pm.ItemName(outside), "") << outside;
  }
  struct Groups {
    const char* Server;
    std::string Reply;
    Lines Names;
  } groups[] = {
      {"Program Manager", "Main\r\nAccessories\r\n", {"Main", "Accessories"}},
      {"Wine (the Start menu's folders)", "Accessories\r\nStartup\r\n", {"Accessories", "Startup"}},
      {"Wine without folders", "", {}},
  };
  for (const auto& g : groups) {
    SCOPED_TRACE(g.Server);
    dde_.Replies["Groups"] = g.Reply;
    TProgramManager pm(nullptr);
    TStringList names;
    names.Add("stale");
    pm.GetGroups(names);
    EXPECT_EQ(names.Lines(), g.Names);
  }
}

TEST_F(ProgramManagerClient, FindsItemsByTheirExactName) {
  dde_.Replies["G"] = "\"G\",x,3,1\r\n\"App\",\"a\"\r\n\"Readme\",\"r\"\r\n\"App\",\"b\"\r\n";
  TProgramManager pm(nullptr);
  pm.SelectGroup("G");
  struct Case {
    const char* Name;
    int Index;
  } cases[] = {{"App", 1}, {"Readme", 2}, {"app", -1}, {"README", -1}, {"Other", -1}};
  for (const auto& c : cases) EXPECT_EQ(pm.FindItem(c.Name), c.Index) << c.Name;
}

TEST_F(ProgramManagerClient, DestroyingItClosesTheLinkAndTheSessionKeepsOne) {
  {
    TProgramManager pm(nullptr);
    EXPECT_FALSE(pm.Connected());
    EXPECT_EQ(dde_.Open, 0);
    pm.Open();
    pm.Open();
    EXPECT_TRUE(pm.Connected());
    EXPECT_EQ(dde_.Open, 1);
  }
  EXPECT_EQ(dde_.Open, 0);
  {
    TInstallSession session;
    ProgramManager().Open();
    EXPECT_EQ(&ProgramManager(), &ProgramManager());
    EXPECT_EQ(dde_.Open, 1);
  }
  EXPECT_EQ(dde_.Open, 0);
  EXPECT_EQ(std::count(dde_.Sent.begin(), dde_.Sent.end(), "connect PROGMAN|PROGMAN"), 2);
}

#ifndef _WIN32
// On the substitute machine, through its Program Manager and a set that
// refuses chosen DDE calls.
class ProgramManagerClientOnMachine : public PlatformTest {};

// The script every case runs; the refused call decides where it stops.
void MakeAndReplaceAnItem(TProgramManager& pm) {
  pm.CreateGroup("Tools");
  pm.AddItem("\"C:\\App\\app.exe\" ", "App", "", 0, "\"C:\\App\"", "");
  pm.ReplaceItem("App");
  pm.AddItem("\"C:\\App\\app2.exe\" ", "App", "", 0, "\"C:\\App\"", "");
}

TEST_F(ProgramManagerClientOnMachine, EachRefusedStepRaisesItsError) {
  const std::string addItem = "[AddItem(\"C:\\App\\app.exe\" ,App,,0,,,\"C:\\App\",)]";
  struct Case {
    TFaultKind Kind;
    uint64_t Call;
    std::string Class;  // empty: no error
    std::string Message;
  } cases[] = {
      {TFaultKind::DdeConnect, 1, "EAIPMCannotOpen",
       "The TProgramManager object was unable to establish a link with Program Manager"},
      {TFaultKind::DdeExecute, 1, "EAIPMCannotCreateGroup",
       "The TProgramManager object was unable to create the following program group: Tools"},
      {TFaultKind::DdeExecute, 2, "EAIPMCannotOpenGroup",
       "The TProgramManager object was unable to open the following program group: Tools"},
      {TFaultKind::DdeExecute, 3, "EAIPMCannotAddItem",
       "The TProgramManager object was unable to add the following program item: App to the "
       "following "
       "group: Tools. The arguments passed to  Program Manager were: " +
           addItem},
      {TFaultKind::DdeExecute, 4, "EAIPMCannotOpenGroup",
       "The TProgramManager object was unable to open the following program group: Tools"},
      {TFaultKind::DdeExecute, 5, "EAIPMCannotReplaceItem",
       "The TProgramManager object was unable to replace the following program item: App to the "
       "following group: Tools"},
      // A group that is not described is no current group: the items are
      // left out, and nothing is raised.
      {TFaultKind::DdeRequest, 1, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.Kind)) + " #" + std::to_string(c.Call));
    std::filesystem::remove(TSubstituteMachine::Current().HostFile("progman.txt"));
    TFaultInjectingServices faults;
    TScopedPlatformServices scope(faults.Services());
    faults.FailCall(c.Kind, c.Call);
    TProgramManager pm(nullptr);
    try {
      MakeAndReplaceAnItem(pm);
      EXPECT_EQ(c.Class, "");
      EXPECT_EQ(faults.Calls(TFaultKind::DdeExecute), 1u);
      EXPECT_EQ(pm.CurrentGroup(), "");
    } catch (const EAIPMError& e) {
      EXPECT_EQ(e.ClassName(), c.Class);
      EXPECT_EQ(e.Message(), c.Message);
      ASSERT_TRUE(CauseOf(e));
      EXPECT_EQ(*CauseOf(e), TPlatformError(TErrorDomain::Ddeml, FaultErrorCode(c.Kind)));
      // The link stays open after a refused command.
      EXPECT_EQ(pm.Connected(), c.Kind != TFaultKind::DdeConnect);
    }
    // Nothing of a refused command was done.
    TProgramManager fresh(nullptr);
    fresh.SelectGroup("Tools");
    EXPECT_EQ(fresh.ItemCount(), c.Kind == TFaultKind::DdeExecute && c.Call >= 4 ? 1 : 0);
    if (fresh.ItemCount()) {
      EXPECT_EQ(fresh.ItemCommand(1), "C:\\App\\app.exe");
    }
  }
}

TEST_F(ProgramManagerClientOnMachine, AFailedOpenRaisesUntilAConnectionSucceeds) {
  TFaultInjectingServices faults;
  TScopedPlatformServices scope(faults.Services());
  faults.FailFrom(TFaultKind::DdeConnect, 1);
  TProgramManager pm(nullptr);
  TStringList groups;
  const std::function<void()> calls[] = {
      [&] { pm.Open(); }, [&] { pm.CreateGroup("Tools"); }, [&] { pm.GetGroups(groups); },
      [&] { pm.SelectGroup("Tools"); }, [&] { pm.ReplaceItem("App"); }};
  for (const auto& call : calls) {
    EXPECT_THROW(call(), EAIPMCannotOpen);
    EXPECT_FALSE(pm.Connected());
  }
  EXPECT_EQ(faults.Calls(TFaultKind::DdeConnect), 5u);
  faults.FailCall(TFaultKind::DdeConnect, 0);
  MakeAndReplaceAnItem(pm);
  EXPECT_EQ(faults.Calls(TFaultKind::DdeConnect), 6u);
  // The replacing item took the place of the one it replaced.
  EXPECT_EQ(pm.ItemCount(), 1);
  EXPECT_EQ(pm.ItemCommand(1), "C:\\App\\app2.exe");
  EXPECT_EQ(pm.FindItem("App"), 1);
  pm.GetGroups(groups);
  EXPECT_EQ(groups.Lines(), Lines{"Tools"});
}
#endif

// Against the backend's own server: the substitute machine's Program
// Manager, or Wine's when BRIMWELL_PROGMAN=1 says it has one (see
// tests/e2e/progman.sh); Wine lists its groups but describes none.
class ProgramManagerClientOnServer : public PlatformTest {};

TEST_F(ProgramManagerClientOnServer, MakesAGroupAndFindsItListed) {
#ifdef _WIN32
  const char* flag = std::getenv("BRIMWELL_PROGMAN");
  if (!flag || std::string(flag) != "1") GTEST_SKIP() << "no PROGMAN server without a display";
#endif
  const std::string group = "Brimwell " + ExtractFileName(Scratch);
  TStringList groups;
  {
    TProgramManager pm(nullptr);
    pm.CreateGroup(group);
    pm.GetGroups(groups);
#ifdef _WIN32
    EXPECT_EQ(pm.CurrentGroup(), "");
#else
    EXPECT_EQ(pm.CurrentGroup(), group);
#endif
    EXPECT_EQ(pm.ItemCount(), 0);
  }
  EXPECT_NE(groups.IndexOf(group), -1) << groups.Text();
  TPlatformError error;
  auto progman = PlatformDde().Connect("PROGMAN", "PROGMAN", 10000, error);
  ASSERT_TRUE(progman);
  EXPECT_FALSE(progman->Execute("[DeleteGroup(\"" + group + "\")]").Failed());
}

TEST(ProgramManagerErrors, MessagesAreTranslatedPieceByPiece) {
  TInstallSession session;
  SetMessageTranslation([](const std::string& english) { return "<" + english + ">"; });
  EXPECT_EQ(EAIPMError().Message(),
            "<The TProgramManager object was unable to communicate with Program Manager>");
  // The item name is no piece of its own; a "%" in it stays.
  EXPECT_EQ(EAIPMCannotAddItem("G", "50% off", "[AddItem(x)]").Message(),
            "<The TProgramManager object was unable to add the following program item: >50% off"
            "< to the following group: G. The arguments passed to >< Program Manager were: "
            "[AddItem(x)]>");
  EXPECT_EQ(EAIPMCannotReplaceItem("G", "A").Message(),
            "<The TProgramManager object was unable to replace the following program item: A>"
            "< to the following group: G>");
}

}  // namespace
}  // namespace brim::test

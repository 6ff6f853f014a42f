// The substitute machine's Program Manager: its command language, what the
// commands do to the groups, its replies, and the groups file that keeps
// them for later programs.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/DdeService.h"
#include "platform/PlatformTest.h"
#include "platform/posix/ProgramManagerEmulation.h"
#include "platform/posix/SubstituteMachine.h"

namespace brim::test {
namespace {

using Args = std::vector<std::string>;

TEST(ProgramManagerCommands, CommandStringsAreTakenApartAsProgramManagerDoes) {
  struct Case {
    std::string Text;
    std::vector<std::pair<std::string, Args>> Commands;  // empty: malformed
  } cases[] = {
      {"[CreateGroup(Tools)]", {{"CreateGroup", {"Tools"}}}},
      {" [ CreateGroup ( \"My, (Tools)\" , C:\\x.grp ) ] ",
       {{"CreateGroup", {"My, (Tools)", "C:\\x.grp"}}}},
      // The empty parameter list leaves a blank after the quote.
      {"[AddItem(\"C:\\App\\app.exe\" ,App,,0,,,\"C:\\App\",)]",
       {{"AddItem", {"C:\\App\\app.exe", "App", "", "0", "", "", "C:\\App", ""}}}},
      // Only a wholly quoted argument loses its quotes.
      {"[AddItem(\"C:\\App\\app.exe\" -x \"a b\",App)]",
       {{"AddItem", {"\"C:\\App\\app.exe\" -x \"a b\"", "App"}}}},
      {"[ShowGroup(My Tools,8)][AddItem(C:\\a.exe)] [X()][Y]",
       {{"ShowGroup", {"My Tools", "8"}}, {"AddItem", {"C:\\a.exe"}}, {"X", {}}, {"Y", {}}}},
      {"", {}},
      {"CreateGroup(A)", {}},
      {"[CreateGroup(A)", {}},
      {"[CreateGroup(A]", {}},
      {"[CreateGroup(\"A)]", {}},
      {"[CreateGroup(A(B))]", {}},
      {"[CreateGroup(A)] x", {}},
      {"[(A)]", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    auto parsed = ParseProgramManagerCommands(c.Text);
    ASSERT_EQ(parsed.has_value(), !c.Commands.empty());
    if (!parsed) continue;
    ASSERT_EQ(parsed->size(), c.Commands.size());
    for (size_t i = 0; i < parsed->size(); ++i) {
      EXPECT_EQ((*parsed)[i].Name, c.Commands[i].first);
      EXPECT_EQ((*parsed)[i].Arguments, c.Commands[i].second);
    }
  }
}

class MachineProgramManager : public PlatformTest {
 protected:
  std::unique_ptr<IDdeConversation> Connect() {
    TPlatformError error;
    return PlatformDde().Connect("PROGMAN", "PROGMAN", 1000, error);
  }
};

TEST_F(MachineProgramManager, CommandsChangeTheGroupsAllOrNothing) {
  auto progman = Connect();
  ASSERT_TRUE(progman);
  const std::string head = "\"Tools\",C:\\WINDOWS\\TOOLS.GRP,";
  const std::string a = "\"A\",\"C:\\a.exe\",,C:\\a.exe,15,10,0,0,0\r\n";
  const std::string b = "\"B\",\"\"C:\\b.exe\" -x\",C:\\,C:\\b.ico,100,50,2,1601,1\r\n";
  const std::string c = "\"c\",\"C:\\Apps\\c.exe\",,C:\\Apps\\c.exe,15,10,0,0,0\r\n";
  struct Step {
    std::string Command;
    bool Accepted;
    std::string Tools;  // the reply for "Tools" after it
  } steps[] = {
      {"[CreateGroup(Tools)]", true, head + "0,1\r\n"},
      // An existing group, in any letter case, is only made active.
      {"[createGROUP(TOOLS)]", true, head + "0,1\r\n"},
      {"[AddItem(C:\\a.exe,A)]", true, head + "1,1\r\n" + a},
      {"[AddItem(\"C:\\b.exe\" -x,B,C:\\b.ico,2,100,50,C:\\,1601,1)]", true,
       head + "2,1\r\n" + a + b},
      // The same name again is a second item.
      {"[AddItem(C:\\a.exe,A)]", true,
       head + "3,1\r\n" + a + b + "\"A\",\"C:\\a.exe\",,C:\\a.exe,165,10,0,0,0\r\n"},
      // ReplaceItem takes the first out; the next item takes its place and
      // icon position; without a name it is named after its program.
      {"[replaceitem(a)]", true,
       head + "2,1\r\n" + b + "\"A\",\"C:\\a.exe\",,C:\\a.exe,165,10,0,0,0\r\n"},
      {"[AddItem(\"C:\\Apps\\c.exe\")][ShowGroup(tools,2)]", true,
       head + "3,2\r\n" + c + b + "\"A\",\"C:\\a.exe\",,C:\\a.exe,165,10,0,0,0\r\n"},
      {"[DeleteItem(A)][DeleteItem(B)]", true, head + "1,2\r\n" + c},
      // Refused: nothing of the string is done.
      {"[AddItem(C:\\d.exe,D)][NoSuchCommand]", false, head + "1,2\r\n" + c},
      {"[ShowGroup(Other,1)]", false, head + "1,2\r\n" + c},
      {"[ShowGroup(Tools,9)]", false, head + "1,2\r\n" + c},
      {"[ShowGroup(Tools)]", false, head + "1,2\r\n" + c},
      {"[AddItem(C:\\d.exe,D,,x)]", false, head + "1,2\r\n" + c},
      {"[AddItem(,D)]", false, head + "1,2\r\n" + c},
      {"[AddItem(C:\\d.exe,D,,0,5)]", false, head + "1,2\r\n" + c},
      {"[ReplaceItem(Zed)]", false, head + "1,2\r\n" + c},
      {"[DeleteGroup(Other)]", false, head + "1,2\r\n" + c},
      {"[CreateGroup(\"\")]", false, head + "1,2\r\n" + c},
      {"[CreateGroup(Tools 2)][AddItem(C:\\e.exe,E)][DeleteGroup(Tools 2)]", true,
       head + "1,2\r\n" + c},
      // With its active group gone AddItem has nowhere to go.
      {"[AddItem(C:\\e.exe,E)]", false, head + "1,2\r\n" + c},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.Command);
    EXPECT_EQ(progman->Execute(step.Command).Code, step.Accepted ? 0u : ddeNotProcessed);
    TDdeReply reply = progman->Request("Tools");
    EXPECT_EQ(reply.Error.Code, 0u);
    EXPECT_EQ(reply.Data, step.Tools);
  }
  EXPECT_EQ(progman->Request("Groups").Data, "Tools\r\n");
  EXPECT_EQ(progman->Request("Tools 2").Error,
            TPlatformError(TErrorDomain::Ddeml, ddeNotProcessed));
}

TEST_F(MachineProgramManager, GroupsOutliveTheConversationAndTheProcess) {
  struct Step {
    std::string Command;  // each in a conversation of its own
    std::string Groups;
    std::string Group;  // the group asked for, then its reply
    std::string Reply;
  } steps[] = {
      {"[CreateGroup(Accessories)][CreateGroup(Accessories 2)][AddItem(C:\\a.exe,\"50% "
       "off\tnow\")]",
       "Accessories\r\nAccessories 2\r\n", "accessories 2",
       "\"Accessories 2\",C:\\WINDOWS\\ACCESSO1.GRP,1,1\r\n\"50% "
       "off\tnow\",\"C:\\a.exe\",,C:\\a.exe,15,10,0,0,0\r\n"},
      // The active group and the replacement mark are the server's, not
      // the conversation's.
      {"[AddItem(C:\\b.exe,B)][ReplaceItem(\"50% off\tnow\")]", "Accessories\r\nAccessories 2\r\n",
       "Accessories 2",
       "\"Accessories "
       "2\",C:\\WINDOWS\\ACCESSO1.GRP,1,1\r\n\"B\",\"C:\\b.exe\",,C:\\b.exe,90,10,0,0,0\r\n"},
      {"[AddItem(C:\\c.exe,C)]", "Accessories\r\nAccessories 2\r\n", "Accessories 2",
       "\"Accessories "
       "2\",C:\\WINDOWS\\ACCESSO1.GRP,2,1\r\n\"C\",\"C:\\c.exe\",,C:\\c.exe,15,10,0,0,0\r\n"
       "\"B\",\"C:\\b.exe\",,C:\\b.exe,90,10,0,0,0\r\n"},
      {"[DeleteGroup(ACCESSORIES)][CreateGroup(Zed,C:\\Z.GRP)]", "Accessories 2\r\nZed\r\n", "Zed",
       "\"Zed\",C:\\Z.GRP,0,1\r\n"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.Command);
    {
      auto progman = Connect();
      ASSERT_TRUE(progman);
      EXPECT_FALSE(progman->Execute(step.Command).Failed());
    }
    // Another process reads the groups file afresh.
    auto reread = LoadProgramManager();
    EXPECT_EQ(ProgramManagerReply(reread, "Groups"), step.Groups);
    EXPECT_EQ(ProgramManagerReply(reread, step.Group), step.Reply);
  }
  EXPECT_TRUE(std::filesystem::exists(TSubstituteMachine::Current().HostFile("progman.txt")));
  // A machine made again is a fresh Windows: no groups.
  TSubstituteMachine::Initialize(TSubstituteMachine::Current().Root(), {});
  EXPECT_EQ(ProgramManagerReply(LoadProgramManager(), "Groups"), "");
}

}  // namespace
}  // namespace brim::test
#endif

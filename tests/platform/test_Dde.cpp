// DDE conversations with Program Manager on whichever backend this build
// has: the substitute machine's own Program Manager, or under Wine the
// shell's "PROGMAN" server, which exists only while Wine has a display.
// On win32 BRIMWELL_PROGMAN=1 says that a server must answer (the e2e
// script tests/e2e/progman.sh sets it under Xvfb); without it none may.
// The two servers differ, and the tests say where:
//   - Program Manager describes a group when asked for it by name; Wine
//     refuses that request and keeps a group as a Start-menu folder whose
//     items are shell links.
//   - Wine's AddItem takes a command line that is only a program (quoted or
//     not) that exists, and makes "<name>.lnk"; ReplaceItem deletes it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "common/routines_Strings.h"
#include "platform/DdeService.h"
#include "platform/PlatformTest.h"

namespace brim::test {
namespace {

bool ServerExpected() {
#ifdef _WIN32
  const char* flag = std::getenv("BRIMWELL_PROGMAN");
  return flag && std::string(flag) == "1";
#else
  return true;
#endif
}

class DdeConversations : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    Group = "Brimwell " + ExtractFileName(Scratch);
  }
  void TearDown() override {
    if (progman_) progman_->Execute("[DeleteGroup(\"" + Group + "\")]");
    progman_.reset();
    PlatformTest::TearDown();
  }

  // The conversation with Program Manager; skips a test that needs one
  // where none is to be had (win32 without BRIMWELL_PROGMAN=1; the first
  // test checks that there is indeed none).
  IDdeConversation* Progman() {
    if (!progman_) {
      TPlatformError error;
      progman_ = PlatformDde().Connect("PROGMAN", "PROGMAN", 10000, error);
      EXPECT_TRUE(progman_) << error.Describe();
    }
    return progman_.get();
  }
  TPlatformError Execute(const std::string& command) { return Progman()->Execute(command); }

  std::string Group;

 private:
  std::unique_ptr<IDdeConversation> progman_;
};

#define REQUIRE_SERVER()                                                        \
  if (!ServerExpected()) GTEST_SKIP() << "no PROGMAN server without a display"; \
  ASSERT_TRUE(Progman())

TEST_F(DdeConversations, OnlyProgramManagerAnswersAndOnlyWhereThereIsOne) {
  struct Case {
    const char* Service;
    const char* Topic;
    bool Answers;
  } cases[] = {
      {"PROGMAN", "PROGMAN", ServerExpected()},
      {"progman", "Progman", ServerExpected()},
      {"BrimwellNoSuchService", "PROGMAN", false},
      {"PROGMAN", "BrimwellNoSuchTopic", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Service) + "|" + c.Topic);
    TPlatformError error;
    auto conversation = PlatformDde().Connect(c.Service, c.Topic, 5000, error);
    EXPECT_EQ(conversation != nullptr, c.Answers);
    EXPECT_EQ(error, TPlatformError(TErrorDomain::Ddeml, c.Answers ? 0 : ddeNoConvEstablished));
  }
}

TEST_F(DdeConversations, MadeGroupsAreListed) {
  REQUIRE_SERVER();
  ASSERT_FALSE(Execute("[CreateGroup(\"" + Group + "\")]").Failed());
  TDdeReply groups = Progman()->Request("Groups");
  ASSERT_FALSE(groups.Error.Failed()) << groups.Error.Describe();
  // Both servers end every name with CR LF.
  EXPECT_NE(("\r\n" + groups.Data).find("\r\n" + Group + "\r\n"), std::string::npos) << groups.Data;
  EXPECT_EQ(groups.Data.substr(groups.Data.size() - 2), "\r\n");
  ASSERT_FALSE(Execute("[DeleteGroup(\"" + Group + "\")]").Failed());
  EXPECT_EQ(("\r\n" + Progman()->Request("Groups").Data).find("\r\n" + Group + "\r\n"),
            std::string::npos);
}

TEST_F(DdeConversations, RefusedCommandsReportNotProcessed) {
  REQUIRE_SERVER();
  ASSERT_FALSE(Execute("[CreateGroup(\"" + Group + "\")]").Failed());
  const std::string refused[] = {
      "[BrimwellNoSuchCommand(1)]",        // unknown command
      "CreateGroup(\"" + Group + "\")",    // no brackets
      "[CreateGroup(\"" + Group + ")]",    // unclosed quote
      "[CreateGroup()]",                   // no group name
      "[DeleteItem(BrimwellNoSuchItem)]",  // no such item in the active group
  };
  for (const auto& command : refused) {
    SCOPED_TRACE(command);
    EXPECT_EQ(Execute(command), TPlatformError(TErrorDomain::Ddeml, ddeNotProcessed));
  }
}

TEST_F(DdeConversations, ItemsAreAddedReplacedAndShown) {
  REQUIRE_SERVER();
  const std::string tool = At("tool.exe"), other = At("other.exe");
  WriteFile(tool, "MZ");
  WriteFile(other, "MZ");
  ASSERT_FALSE(Execute("[CreateGroup(\"" + Group + "\")][ShowGroup(" + Group + ",8)]").Failed());
  ASSERT_FALSE(Execute("[AddItem(\"" + tool + "\",Tool,,0,,,\"" + Scratch + "\",)]").Failed());
  ASSERT_FALSE(Execute("[ReplaceItem(\"Tool\")]").Failed());
  ASSERT_FALSE(Execute("[AddItem(\"" + other + "\",Tool,,0,,,\"" + Scratch + "\",)]").Failed());
  TDdeReply reply = Progman()->Request(Group);
#ifdef _WIN32
  // Wine: no group description; the item is a shell link in the folder.
  EXPECT_EQ(reply.Error, TPlatformError(TErrorDomain::Ddeml, ddeNotProcessed));
  const char* appData = std::getenv("APPDATA");
  ASSERT_TRUE(appData);
  const std::string folder =
      std::string(appData) + "\\Microsoft\\Windows\\Start Menu\\Programs\\" + Group;
  EXPECT_TRUE(Exists(folder + "\\Tool.lnk"));
  ASSERT_FALSE(Execute("[DeleteItem(Tool)]").Failed());
  EXPECT_FALSE(Exists(folder + "\\Tool.lnk"));
#else
  // Program Manager: the group line, then the item that took the replaced
  // one's place (and icon position).
  ASSERT_FALSE(reply.Error.Failed()) << reply.Error.Describe();
  EXPECT_EQ(reply.Data, "\"" + Group + "\",C:\\WINDOWS\\BRIMWELL.GRP,1,8\r\n\"Tool\",\"" + other +
                            "\"," + Scratch + "," + other + ",15,10,0,0,0\r\n");
#endif
  // A command line with parameters: Program Manager keeps it; Wine's
  // AddItem refuses anything after the quoted program.
  const std::string withParameters = "[AddItem(\"" + tool + "\" -x,Other)]";
#ifdef _WIN32
  EXPECT_EQ(Execute(withParameters), TPlatformError(TErrorDomain::Ddeml, ddeNotProcessed));
#else
  EXPECT_FALSE(Execute(withParameters).Failed());
#endif
}

}  // namespace
}  // namespace brim::test

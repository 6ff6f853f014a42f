// Message boxes of the user interfaces that never block (BRIMWELL_UI): the
// default button, the text on the console, answers typed on the console,
// and the setting that chooses the interface.
#include <gtest/gtest.h>

#include <deque>

#include "platform/AnswerScript.h"
#include "platform/TextMessageBox.h"

namespace brim::test {
namespace {

// A console that keeps what was written and answers with the given lines.
struct TFakeConsole {
  std::string written;
  std::deque<std::string> answers;
  TTextConsole Console() {
    return {[this](const std::string& text) { written += text; },
            [this]() -> std::optional<std::string> {
              if (answers.empty()) return std::nullopt;
              std::string line = answers.front();
              answers.pop_front();
              return line;
            }};
  }
};

TEST(MessageBoxDefaults, TheDefaultButtonIsTheOneTheFlagsName) {
  EXPECT_EQ(DefaultMessageBoxButton(boxOk | boxIconError), idOk);
  EXPECT_EQ(DefaultMessageBoxButton(boxYesNo | boxIconQuestion), idYes);
  EXPECT_EQ(DefaultMessageBoxButton(boxYesNo | boxDefButton2), idNo);
  EXPECT_EQ(DefaultMessageBoxButton(boxYesNoCancel | boxDefButton3), idCancel);
  EXPECT_EQ(DefaultMessageBoxButton(boxAbortRetryIgnore | boxDefButton2), idRetry);
  // A default past the last button is the first, as Windows takes it.
  EXPECT_EQ(DefaultMessageBoxButton(boxRetryCancel | boxDefButton3), idRetry);
}

TEST(UnattendedMessageBox, WritesTheTextAndTakesTheDefault) {
  TFakeConsole console;
  console.answers = {"No"};
  EXPECT_EQ(TextMessageBox("Replace C:\\App\\a.dll?", "Setup", boxYesNo | boxDefButton2,
                           TUserInterfaceKind::Auto, console.Console()),
            idNo);
  EXPECT_EQ(console.written, "Setup: Replace C:\\App\\a.dll?\nSetup: answered No\n");
  EXPECT_EQ(console.answers.size(), 1u) << "an unattended box read the console";
}

TEST(ConsoleMessageBox, TakesTheButtonTypedByNameOrNumber) {
  TFakeConsole console;
  console.answers = {"no"};
  EXPECT_EQ(TextMessageBox("Reboot now?", "Setup", boxYesNo, TUserInterfaceKind::Console,
                           console.Console()),
            idNo);
  EXPECT_NE(console.written.find("1 Yes, 2 No [Yes]? "), std::string::npos) << console.written;
  console.answers = {" 3 "};
  EXPECT_EQ(TextMessageBox("Disk 2", "Setup", boxAbortRetryIgnore, TUserInterfaceKind::Console,
                           console.Console()),
            idIgnore);
}

TEST(ConsoleMessageBox, AsksAgainUntilAnAnswerFitsAndTakesTheDefaultAtTheEnd) {
  TFakeConsole console;
  console.answers = {"maybe", "7", "retry"};
  EXPECT_EQ(TextMessageBox("Disk 2", "Setup", boxRetryCancel | boxDefButton2,
                           TUserInterfaceKind::Console, console.Console()),
            idRetry);
  EXPECT_TRUE(console.answers.empty());
  console.answers = {"maybe"};
  EXPECT_EQ(TextMessageBox("Disk 2", "Setup", boxRetryCancel | boxDefButton2,
                           TUserInterfaceKind::Console, console.Console()),
            idCancel);
  console.answers = {""};
  EXPECT_EQ(TextMessageBox("Disk 2", "Setup", boxRetryCancel, TUserInterfaceKind::Console,
                           console.Console()),
            idRetry);
}

TEST(ScriptMessageBox, TakesTheScriptsBoxLineWhenItIsNextElseTheDefault) {
  TAnswerScript script("box 2\npress Next >\nbox Maybe\n", "a.txt");
  TFakeConsole console;
  TTextConsole scripted = console.Console();
  scripted.Script = &script;
  struct {
    uint32_t flags;
    int answer;
    const char* next;  // the statement left next
  } cases[] = {{boxYesNo, idNo, "press"},
               {boxYesNo | boxDefButton2, idNo, "press"},
               {boxOkCancel, idOk, "press"}};
  for (const auto& c : cases) {
    EXPECT_EQ(TextMessageBox("Create the folder?", "Setup", c.flags, TUserInterfaceKind::Script, scripted),
              c.answer);
    EXPECT_EQ(script.Next()->Action, c.next);
  }
  script.Take();
  try {
    TextMessageBox("Create the folder?", "Setup", boxYesNo, TUserInterfaceKind::Script, scripted);
    ADD_FAILURE() << "an answer the box does not have was taken";
  } catch (const EAnswerScript& e) {
    EXPECT_EQ(e.Message(),
              "The message box \"Setup\" has no button \"Maybe\" (line 3 of the answer script a.txt)");
  }
  EXPECT_NE(console.written.find("Setup: answered No\n"), std::string::npos) << console.written;
}

TEST(UserInterfaceSetting, NamesAutoConsoleOrAScript) {
  EXPECT_EQ(ParseUserInterfaceMode(nullptr).Kind, TUserInterfaceKind::Native);
  EXPECT_EQ(ParseUserInterfaceMode("").Kind, TUserInterfaceKind::Native);
  EXPECT_EQ(ParseUserInterfaceMode("auto").Kind, TUserInterfaceKind::Auto);
  EXPECT_EQ(ParseUserInterfaceMode("Console").Kind, TUserInterfaceKind::Console);
  TUserInterfaceMode script = ParseUserInterfaceMode("script:C:\\answers.txt");
  EXPECT_EQ(script.Kind, TUserInterfaceKind::Script);
  EXPECT_EQ(script.ScriptFile, "C:\\answers.txt");
  EXPECT_EQ(ParseUserInterfaceMode("script:").Kind, TUserInterfaceKind::Invalid);
  TUserInterfaceMode bad = ParseUserInterfaceMode("gui");
  EXPECT_EQ(bad.Kind, TUserInterfaceKind::Invalid);
  EXPECT_EQ(bad.Setting, "gui");
}

}  // namespace
}  // namespace brim::test

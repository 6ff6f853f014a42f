// The text front ends: a page written as a person would see it, the
// answer script (its statements, its errors, a page answered by set, pick,
// check, press and cancel, the fallback to the answer button), modeless
// forms written once per text, and the console's typed answers.
#include <gtest/gtest.h>

#include <deque>

#include "WidgetTestSupport.h"
#include "widgets/ComCtrls.h"
#include "widgets/Forms.h"
#include "widgets/StdCtrls.h"
#include "widgets/TextUserInterface.h"

namespace brim::test {
namespace {

const char* kDestinationPage = R"(object DestForm: TForm
  Caption = 'Choose Destination Location'
  object lblIntro: TLabel
    Caption = 'Setup will install &Demo in the following folder.'
  end
  object edDestDir: TEdit
    Text = 'C:\Apps\Demo'
  end
  object pnlHidden: TPanel
    Visible = False
    object lblInside: TLabel
      Caption = 'Inside a hidden panel'
    end
    object edInside: TEdit
      Text = 'hidden'
    end
  end
  object FolderListBox: TListBox
    Items.Strings = (
      'Accessories'
      'Games')
  end
  object cbReadme: TCheckBox
    Caption = 'Show the &readme'
  end
  object Notes: TMemo
    Lines.Strings = (
      'First line'
      'Second line')
  end
  object BackBtn: TButton
    Caption = '< &Previous'
    Enabled = False
    ModalResult = mrNo
  end
  object ProceedBtn: TButton
    Caption = '&Next >'
    Default = True
    ModalResult = mrOk
  end
  object CancelBtn: TButton
    Caption = 'Cancel'
    Cancel = True
    ModalResult = mrCancel
  end
end
)";

const char* kDescription =
    "--- Choose Destination Location ---\n"
    "Setup will install Demo in the following folder.\n"
    "edDestDir: [C:\\Apps\\Demo]\n"
    "FolderListBox:\n"
    "   1 Accessories\n"
    "   2 Games\n"
    "[ ] Show the readme\n"
    "First line\n"
    "Second line\n"
    "(< Previous) [Next >]* [Cancel]\n";

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

class TextUserInterface : public ::testing::Test {
 protected:
  TextUserInterface() : owned_(LoadText(kDestinationPage)), form(*As<TForm>(owned_)) {
    list().OnClick.Handler = [this](TComponent*) { ++listClicks; };
  }
  TEdit& edit() { return *dynamic_cast<TEdit*>(form.FindComponent("edDestDir")); }
  TListBox& list() { return *dynamic_cast<TListBox*>(form.FindComponent("FolderListBox")); }
  TCheckBox& check() { return *dynamic_cast<TCheckBox*>(form.FindComponent("cbReadme")); }

  // Shows the form modally under the script front end with this script.
  TModalResult RunScript(const std::string& text) {
    script = TAnswerScript(text, "answers.txt");
    TScriptUserInterface ui(&script, console.Console());
    TUserInterfaceGuard guard(ui);
    return form.ShowModal();
  }
  TModalResult RunConsole(std::deque<std::string> lines) {
    console.answers = std::move(lines);
    TConsoleUserInterface ui(console.Console());
    TUserInterfaceGuard guard(ui);
    return form.ShowModal();
  }

  TOwned<> owned_;
  TForm& form;
  TFakeConsole console;
  TAnswerScript script;
  int listClicks = 0;
};

TEST(AnswerScriptStatements, AreReadWithTheirLineAndTheRestOfTheLineAsItIs) {
  TAnswerScript script(
      "# answers\n\npage Choose Destination Location\r\n  set edDestDir C:\\My Apps\\Demo \n"
      "pick FolderListBox Start Up\ncheck cbReadme OFF\nPRESS Next >\ncancel\nbox Yes\n",
      "a.txt");
  struct {
    int line;
    const char *action, *target, *value;
  } expected[] = {{3, "page", "", "Choose Destination Location"},
                  {4, "set", "edDestDir", "C:\\My Apps\\Demo"},
                  {5, "pick", "FolderListBox", "Start Up"},
                  {6, "check", "cbReadme", "OFF"},
                  {7, "press", "", "Next >"},
                  {8, "cancel", "", ""},
                  {9, "box", "", "Yes"}};
  for (const auto& e : expected) {
    ASSERT_FALSE(script.AtEnd()) << e.action;
    const TAnswerLine& line = script.Take();
    EXPECT_EQ(line.Line, e.line);
    EXPECT_EQ(line.Action, e.action);
    EXPECT_EQ(line.Target, e.target);
    EXPECT_EQ(line.Value, e.value);
  }
  EXPECT_TRUE(script.AtEnd());
}

TEST(AnswerScriptStatements, AStatementThatCannotBeDoneNamesItsLine) {
  struct {
    const char *text, *message;
  } cases[] = {
      {"press Next\njump Finish", "Unknown action \"jump\" in line 2 of the answer script a.txt"},
      {"set", "\"set\" needs a control name in line 1 of the answer script a.txt"},
      {"\npick FolderListBox", "\"pick\" needs a list entry in line 2 of the answer script a.txt"},
      {"check cbReadme yes", "\"check\" needs on or off in line 1 of the answer script a.txt"},
      {"page", "\"page\" needs a text in line 1 of the answer script a.txt"},
  };
  for (const auto& c : cases) {
    try {
      TAnswerScript script(c.text, "a.txt");
      ADD_FAILURE() << c.text;
    } catch (const EAnswerScript& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  EXPECT_THROW(TAnswerScript::Load("/nonexistent/answers.txt"), EAnswerScript);
}

TEST_F(TextUserInterface, APageShowsItsVisibleControlsAndMarksTheAnswerButton) {
  EXPECT_EQ(DescribePage(form).Text, kDescription);
  list().SetItemIndex(1);
  check().SetChecked(true);
  TPageView numbered = DescribePage(form, true);
  EXPECT_NE(numbered.Text.find(" > 2 Games\n[x] Show the readme\n"), std::string::npos) << numbered.Text;
  EXPECT_NE(numbered.Text.find("(< Previous) 3 [Next >]* 4 [Cancel]\n"), std::string::npos) << numbered.Text;
  ASSERT_EQ(numbered.Choices.size(), 4u);
  EXPECT_EQ(numbered.Choices[1].Control, &list());
  EXPECT_EQ(numbered.Choices[1].Entry, 1);
  EXPECT_EQ(numbered.Choices[2].Control, form.FindComponent("ProceedBtn"));
  // A hidden control cannot be answered either.
  EXPECT_EQ(FindPageControl(form, "edInside"), nullptr);
  EXPECT_EQ(FindPageButton(form, "next >"), form.FindComponent("ProceedBtn"));
}

TEST_F(TextUserInterface, AHostedPageGivesThePageItsCaption) {
  auto* page = new TForm(&form);
  page->Caption = "Welcome";
  page->SetParent(&form);
  page->Visible = true;
  EXPECT_EQ(PageCaption(form), "Welcome");
  EXPECT_EQ(RunScript("page Welcome\npress Next >"), mrOk);
  page->Visible = false;
  EXPECT_EQ(PageCaption(form), "Choose Destination Location");
}

TEST_F(TextUserInterface, TheScriptAnswersThePageWithItsStatements) {
  struct {
    const char* script;
    TModalResult result;
    const char* destination;
    int itemIndex, listClicks;
    bool checked;
  } cases[] = {
      {"page Choose Destination Location\nset edDestDir C:\\Other Place\npress ProceedBtn", mrOk,
       "C:\\Other Place", -1, 0, false},
      {"pick FolderListBox games\ncheck cbReadme on\npress Cancel", mrCancel, "C:\\Apps\\Demo", 1, 1, true},
      {"# nothing pressed: the answer button ends the block\npage choose destination location", mrOk,
       "C:\\Apps\\Demo", -1, 0, false},
      {"cancel", mrCancel, "C:\\Apps\\Demo", -1, 0, false},
      {"", mrOk, "C:\\Apps\\Demo", -1, 0, false},
  };
  for (const auto& c : cases) {
    edit().SetText("C:\\Apps\\Demo");
    list().SetItemIndex(-1);
    check().SetChecked(false);
    listClicks = 0;
    EXPECT_EQ(RunScript(c.script), c.result) << c.script;
    EXPECT_EQ(edit().Text(), c.destination) << c.script;
    EXPECT_EQ(list().ItemIndex(), c.itemIndex) << c.script;
    EXPECT_EQ(listClicks, c.listClicks) << c.script;
    EXPECT_EQ(check().Checked(), c.checked) << c.script;
    EXPECT_TRUE(script.AtEnd()) << c.script;
  }
  EXPECT_EQ(console.written.find("Inside a hidden panel"), std::string::npos);
  EXPECT_NE(console.written.find(kDescription), std::string::npos) << console.written;
}

TEST_F(TextUserInterface, TextsAreWrittenInUtf8AndTypedTextsGoBackInTheirCodePage) {
  // A Japanese page (Shift-JIS, charset 128) with one German check box (1252, charset 0).
  const char* folder = "C:\\\x83\x76\x83\x8D\x83\x4F\x83\x89\x83\x80";
  const char* folderUtf8 = "C:\\\xE3\x83\x97\xE3\x83\xAD\xE3\x82\xB0\xE3\x83\xA9\xE3\x83\xA0";
  form.Font().Charset = 128;
  form.FontChanged();
  form.Caption = "\x82\xE6\x82\xA4\x82\xB1\x82\xBB";
  dynamic_cast<TControl*>(form.FindComponent("lblIntro"))->Caption = folder;
  dynamic_cast<TControl*>(form.FindComponent("ProceedBtn"))->Caption = "&\x8E\x9F\x82\xD6 >";
  check().Caption = "Zur&\xFC" "ck";
  check().Font().Charset = 0;
  check().FontChanged();
  std::string page = DescribePage(form).Text;
  for (std::string line : {"--- \xE3\x82\x88\xE3\x81\x86\xE3\x81\x93\xE3\x81\x9D ---\n" + std::string(),
                           folderUtf8 + std::string("\n"), std::string("[ ] Zur\xC3\xBC" "ck\n"),
                           std::string("[\xE6\xAC\xA1\xE3\x81\xB8 >]*")})
    EXPECT_NE(page.find(line), std::string::npos) << line << " in\n" << page;
  // The script and the console name the page and the button as shown and set the edit in UTF-8.
  edit().SetText("");
  EXPECT_EQ(RunScript(std::string("page \xE3\x82\x88\xE3\x81\x86\xE3\x81\x93\xE3\x81\x9D\nset edDestDir ") +
                      folderUtf8 + "\npress \xE6\xAC\xA1\xE3\x81\xB8 >"),
            mrOk);
  EXPECT_EQ(edit().Text(), folder);
  edit().SetText("");
  EXPECT_EQ(RunConsole({std::string("edDestDir=") + folderUtf8, "\xE6\xAC\xA1\xE3\x81\xB8 >"}), mrOk);
  EXPECT_EQ(edit().Text(), folder);
}

TEST_F(TextUserInterface, AStatementThePageCannotTakeIsAnErrorNamingTheLine) {
  struct {
    const char *script, *message;
  } cases[] = {
      {"page Welcome",
       "The page \"Choose Destination Location\" is shown where line 1 of the answer script answers.txt "
       "expects \"Welcome\""},
      {"\nset edNothing x",
       "The page \"Choose Destination Location\" has no control \"edNothing\" (line 2 of the answer "
       "script answers.txt)"},
      {"set edInside x",
       "The page \"Choose Destination Location\" has no control \"edInside\" (line 1 of the answer "
       "script answers.txt)"},
      {"press Finish",
       "The page \"Choose Destination Location\" has no button \"Finish\" (line 1 of the answer script "
       "answers.txt)"},
      {"press < Previous",
       "The button \"< Previous\" of the page \"Choose Destination Location\" is disabled (line 1 of the "
       "answer script answers.txt)"},
      {"set FolderListBox Games",
       "\"set\" does not fit FolderListBox, a TListBox on the page \"Choose Destination Location\" (line "
       "1 of the answer script answers.txt)"},
      {"pick FolderListBox Startup",
       "The list FolderListBox of the page \"Choose Destination Location\" has no entry \"Startup\" (line "
       "1 of the answer script answers.txt)"},
      {"box OK",
       "No message box is shown but the page \"Choose Destination Location\" where line 1 of the answer "
       "script answers.txt answers one"},
      {"set edDestDir D:\\\nfolder D:\\Apps",
       "No folder browser is shown but the page \"Choose Destination Location\" where line 2 of the "
       "answer script answers.txt answers one"},
  };
  for (const auto& c : cases) {
    edit().SetText("C:\\Apps\\Demo");
    try {
      RunScript(c.script);
      ADD_FAILURE() << c.script;
    } catch (const EAnswerScript& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_FALSE(form.Visible) << "the failed page stays on the screen: " << c.script;
  }
}

TEST_F(TextUserInterface, AfterTheLastBlockThePagesAreAnsweredAsUnattended) {
  EXPECT_EQ(RunScript("press Cancel"), mrCancel);
  // The script is used up: the next page takes its answer button.
  TScriptUserInterface ui(&script, console.Console());
  TUserInterfaceGuard guard(ui);
  EXPECT_EQ(form.ShowModal(), mrOk);
  // Without an answer button the page is cancelled, as unattended.
  dynamic_cast<TButton*>(form.FindComponent("ProceedBtn"))->Default = false;
  EXPECT_EQ(form.ShowModal(), mrCancel);
}

TEST_F(TextUserInterface, AModelessFormIsWrittenOncePerTextAndTheConsoleAddsItsBar) {
  auto* bar = new TProgressBar(&form);
  bar->SetParent(&form);
  auto* status = dynamic_cast<TLabel*>(form.FindComponent("lblIntro"));
  for (bool console : {false, true}) {
    TFakeConsole out;
    TScriptUserInterface script(nullptr, out.Console());
    TConsoleUserInterface typed(out.Console());
    IUserInterface& ui = console ? static_cast<IUserInterface&>(typed) : script;
    status->Caption = "Copying installation files";
    bar->SetPosition(0);
    ui.FormShown(form);
    for (int position : {1, 2, 50, 50, 100}) {
      bar->SetPosition(position);
      ui.FormChanged(form);
    }
    status->Caption = "Updating the registry";
    ui.FormChanged(form);
    ui.FormChanged(form);
    auto count = [&](const std::string& text) {
      size_t n = 0;
      for (size_t at = out.written.find(text); at != std::string::npos; at = out.written.find(text, at + 1)) ++n;
      return n;
    };
    EXPECT_EQ(count("Copying installation files"), 1u) << out.written;
    EXPECT_EQ(count("Updating the registry"), 1u) << out.written;
    EXPECT_EQ(count("%\n"), console ? 5u : 0u) << out.written;
    if (console) {
      EXPECT_NE(out.written.find("[##########          ]  50%\n"), std::string::npos) << out.written;
    }
    // Shown again after hiding, the form is written again.
    ui.FormHidden(form);
    ui.FormShown(form);
    EXPECT_EQ(count("Updating the registry"), 2u);
  }
}

TEST_F(TextUserInterface, TheConsoleTakesButtonsEditsAndEntriesAsTyped) {
  struct {
    std::deque<std::string> typed;
    TModalResult result;
    const char* destination;
    int itemIndex;
    const char* told;  // what the user was told, or ""
  } cases[] = {
      {{"next >"}, mrOk, "C:\\Apps\\Demo", -1, ""},
      {{"CancelBtn"}, mrCancel, "C:\\Apps\\Demo", -1, ""},
      {{"4"}, mrCancel, "C:\\Apps\\Demo", -1, ""},
      {{" edDestDir = D:\\Demo Two ", "2", ""}, mrOk, "D:\\Demo Two", 1, ""},
      {{"Finish", "9", "edNothing=x", "< Previous", "Cancel"}, mrCancel, "C:\\Apps\\Demo", -1,
       "There is no button \"Finish\" on the page \"Choose Destination Location\"\n"
       "Answer [Next >]? There is no number 9 on the page \"Choose Destination Location\"\n"
       "Answer [Next >]? There is no edit \"edNothing\" on the page \"Choose Destination Location\"\n"
       "Answer [Next >]? The button \"< Previous\" is disabled\n"},
      // At the end of the input the page is answered as unattended.
      {{}, mrOk, "C:\\Apps\\Demo", -1, ""},
  };
  for (auto& c : cases) {
    edit().SetText("C:\\Apps\\Demo");
    list().SetItemIndex(-1);
    console.written.clear();
    EXPECT_EQ(RunConsole(c.typed), c.result) << c.typed.size();
    EXPECT_EQ(edit().Text(), c.destination);
    EXPECT_EQ(list().ItemIndex(), c.itemIndex);
    EXPECT_TRUE(console.answers.empty());
    if (*c.told) {
      EXPECT_NE(console.written.find(c.told), std::string::npos) << console.written;
    }
  }
  EXPECT_NE(console.written.find("(< Previous) 3 [Next >]* 4 [Cancel]\nAnswer [Next >]? "), std::string::npos)
      << console.written;
}

TEST(FolderBrowserAsText, TheScriptOrTheConsoleChoosesTheFolderAndNobodyCancels) {
  TFolderBrowserOptions options;
  options.Directory = "C:\\Apps\\Demo";
  struct {
    bool console;
    const char* input;  // script text, or the typed line ("\x04": end of input)
    bool chosen;
    const char* path;
  } cases[] = {{false, "folder D:\\My Apps", true, "D:\\My Apps"},
               {false, "press Next >", false, ""},
               {false, "", false, ""},
               {true, " D:\\Typed ", true, "D:\\Typed"},
               {true, "", true, "C:\\Apps\\Demo"},
               {true, "\x04", false, ""}};
  for (const auto& c : cases) {
    TFakeConsole out;
    if (std::string(c.input) != "\x04") out.answers = {c.input};
    TAnswerScript script(c.console ? "" : c.input, "a.txt");
    TScriptUserInterface scripted(&script, out.Console());
    TConsoleUserInterface typed(out.Console());
    TFolderBrowserResult result =
        c.console ? typed.BrowseForFolder(options) : scripted.BrowseForFolder(options);
    EXPECT_EQ(result.Chosen, c.chosen) << c.input;
    EXPECT_EQ(result.CurrentPath, c.path) << c.input;
    EXPECT_NE(out.written.find("Browse for Folder"), std::string::npos) << c.input;
  }
}

TEST(UserInterfaceChoice, TheSettingSelectsTheFrontEnd) {
  struct {
    const char* setting;
    bool script, console;
  } cases[] = {{"auto", true, false},
               {"script:answers.txt", true, false},
               {"console", false, true},
               {"graphical", true, false}};
  for (const auto& c : cases) {
    std::unique_ptr<IUserInterface> ui = UserInterfaceFor(ParseUserInterfaceMode(c.setting));
    EXPECT_EQ(dynamic_cast<TScriptUserInterface*>(ui.get()) != nullptr, c.script) << c.setting;
    EXPECT_EQ(dynamic_cast<TConsoleUserInterface*>(ui.get()) != nullptr, c.console) << c.setting;
  }
  EXPECT_NE(UserInterfaceFor(ParseUserInterfaceMode(nullptr)), nullptr);
}

}  // namespace
}  // namespace brim::test

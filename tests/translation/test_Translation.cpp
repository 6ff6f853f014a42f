// The string tables and the translation of texts, forms, fonts and
// messages, with a small English and German table written inline.
#include <gtest/gtest.h>

#include "common/exceptions_Brimwell.h"
#include "common/routines_Strings.h"
#include "dialogs/ordlg_TBaseInstallForm.h"
#include "engine/DefinitionTestForm.h"
#include "platform/ForwardingServices.h"
#include "platform/PlatformServices.h"
#include "session/InstallSession.h"
#include "system/routines_API.h"
#include "translation/cmp_TTranslateControls.h"
#include "translation/cmp_TTranslator.h"
#include "widgets/ExtCtrls.h"
#include "widgets/StdCtrls.h"

namespace brim {

// A component with a published property called NAME beside its caption.
class TNamedCaption : public TComponent {
  BRIM_CLASS(TNamedCaption)

 public:
  explicit TNamedCaption(TComponent* owner) : TComponent(owner) {}
  std::string Title, Caption;
};

const TClassInfo& TNamedCaption::StaticClass() {
  static const TClassInfo info = TClassBuilder<TNamedCaption>("TNamedCaption", &TComponent::StaticClass())
                                     .String("NAME", Field(&TNamedCaption::Title))
                                     .String("Caption", Field(&TNamedCaption::Caption))
                                     .Build();
  return info;
}

namespace test {
namespace {

using Lines = std::vector<std::string>;
using Q = TQmbxLanguage;

const Lines English = {"* common buttons", "4;< Previous", "5;Next >", "6;Cancel", "",
                       "* welcome dialog", "9;Welcome", "#20;", "Read this first.", "Then install.", "#"};
const Lines German = {"4;< Zur\xFC" "ck", "5;Weiter >", "9;Willkommen", "#20;", "Zuerst lesen.", "#"};

void SetLines(TLanguage& language, const Lines& lines) {
  for (const std::string& line : lines) language.Strings.Add(line);
}

// A translator with the two tables, translating into `into`.
struct TTwoTables {
  TTranslator Translator{nullptr};
  explicit TTwoTables(Q into = Q::qlGerman) {
    SetLines(*Translator.LanguageOf(Q::qlEnglish), English);
    SetLines(*Translator.LanguageOf(Q::qlGerman), German);
    Translator.TranslateIntoLanguage = into;
  }
  TLanguage& Language(Q ident) { return *Translator.LanguageOf(ident); }
};

TEST(LanguageTables, AFormatErrorNamesItsLineAndLeavesNoEntries) {
  const struct {
    Lines Table;
    std::string Error;
  } cases[] = {
      {{"4;< Previous", "12;"}, "The 1'th string (12;) does not have the proper format of GLID;Text"},
      {{"12;   "}, "The 0'th string (12;) does not have the proper format of GLID;Text"},
      {{"7"}, "The 0'th string (7) does not have the proper format of GLID;Text"},
      {{";Text"}, "The 0'th string (;Text) does not have the proper format of GLID;Text"},
      {{"#;"}, "The 0'th string (#;) does not have the proper format of GLID;Text"},
      {{"Next;Text"}, "The 0'th string (Next;Text) does not have the proper format of GLID;Text or .GLID;"},
      {{"4 ;Text"}, "The 0'th string (4 ;Text) does not have the proper format of GLID;Text or .GLID;"},
      {{"99999999999;Text"},
       "The 0'th string (99999999999;Text) does not have the proper format of GLID;Text or .GLID;"},
      {{"#x1;"}, "The 0'th string (#x1;) does not have the proper format of GLID;Text or .GLID;"},
      {{"1;a", "", "* c", "#"}, "Found the end of memo marker # at line 3. Was not in a memo however"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Error);
    TTranslator translator(nullptr);
    TLanguage& language = *translator.LanguageOf(Q::qlEnglish);
    EXPECT_EQ(MessageOf([&] { SetLines(language, c.Table); }), c.Error);
    EXPECT_EQ(language.Strings.Count(), static_cast<int>(c.Table.size())) << "the lines stay";
    EXPECT_TRUE(language.StringEntries().empty() && language.MemoEntries().empty());
  }
}

TEST(LanguageTables, AnEntryIsTheTextBetweenTheFirstTwoSeparators) {
  const std::string long300(300, 'x');
  const struct {
    std::string Line;
    int32_t GLID;
    std::string Text;
  } cases[] = {
      {"4;< Previous", 4, "< Previous"},
      {"  \t4;< Previous  ", 4, "< Previous"},
      {"12;text;more", 12, "text"},
      {"6; Cancel", 6, " Cancel"},
      {"$1F;Hex", 31, "Hex"},
      {"0x20;Hex", 32, "Hex"},
      {"-3;Minus", -3, "Minus"},
      {"+5;Plus", 5, "Plus"},
      {"8;" + long300, 8, std::string(255, 'x')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Line);
    TTranslator translator(nullptr);
    TLanguage& language = *translator.LanguageOf(Q::qlEnglish);
    SetLines(language, {"* comment", "", c.Line});
    ASSERT_EQ(language.StringEntries().size(), 1u);
    EXPECT_EQ(language.StringEntries()[0].GLID, c.GLID);
    EXPECT_EQ(language.StringEntries()[0].Text, c.Text);
    EXPECT_EQ(language.StringEntries()[0].Line, 2);
  }
}

TEST(LanguageTables, AMemoHoldsItsLinesUpToTheEndMarker) {
  struct TMemo {
    int32_t GLID;
    int Line;
    Lines Text;
  };
  const struct {
    const char* Case;
    Lines Table;
    std::vector<TMemo> Memos;
    size_t Strings;
  } cases[] = {
      {"a comment inside", {"#200;", "First line", "* not part of it", "  Second line ", "#"},
       {{200, 0, {"First line", "Second line"}}}, 0},
      {"never ended", {"1;a", "#200;", "text"}, {}, 1},
      {"two, hexadecimal", {"#$10;dropped", "x", "#", "", "#11", "y", "#", "2;b"},
       {{16, 0, {"x"}}, {11, 4, {"y"}}}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    TTranslator translator(nullptr);
    TLanguage& language = *translator.LanguageOf(Q::qlEnglish);
    SetLines(language, c.Table);
    EXPECT_EQ(language.StringEntries().size(), c.Strings);
    ASSERT_EQ(language.MemoEntries().size(), c.Memos.size());
    for (size_t i = 0; i < c.Memos.size(); ++i) {
      EXPECT_EQ(language.MemoEntries()[i].GLID, c.Memos[i].GLID);
      EXPECT_EQ(language.MemoEntries()[i].Line, c.Memos[i].Line);
      EXPECT_EQ(language.MemoEntries()[i].Lines, c.Memos[i].Text);
    }
  }
}

TEST(LanguageTables, EveryEditParsesAgainButADeletionOnlyMovesTheEntriesUp) {
  TTranslator translator(nullptr);
  TLanguage& language = *translator.LanguageOf(Q::qlEnglish);
  TStringList other;
  other.Add("7;g");
  // The entries as (GLID, line) pairs after each edit.
  using Entries = std::vector<std::pair<int32_t, int>>;
  auto entries = [&] {
    Entries e;
    for (const auto& entry : language.StringEntries()) e.emplace_back(entry.GLID, entry.Line);
    return e;
  };
  const struct {
    const char* Edit;
    std::function<void()> Run;
    Entries After;
  } steps[] = {
      {"Add", [&] { SetLines(language, {"1;a", "2;b", "3;c"}); }, {{1, 0}, {2, 1}, {3, 2}}},
      {"Delete keeps the entries", [&] { language.Strings.Delete(0); }, {{1, 0}, {2, 0}, {3, 1}}},
      {"Insert", [&] { language.Strings.Insert(0, "4;d"); }, {{4, 0}, {2, 1}, {3, 2}}},
      {"Move", [&] { language.Strings.Move(0, 2); }, {{2, 0}, {3, 1}, {4, 2}}},
      {"AddStrings", [&] { language.Strings.AddStrings(other); }, {{2, 0}, {3, 1}, {4, 2}, {7, 3}}},
      {"SetStrings", [&] { language.Strings.SetStrings(0, "5;e"); }, {{5, 0}, {3, 1}, {4, 2}, {7, 3}}},
      {"Clear", [&] { language.Strings.Clear(); }, {}},
      {"Assign", [&] { language.Strings.Assign(other); }, {{7, 0}}},
      {"LoadFromFile", [&] {
         const std::string file = JoinPath(PlatformFiles().TempDirectory().value_or(""), "qmbiTest.txt");
         ASSERT_TRUE(WriteWholeFile(file, "* a table\r\n9;i\r\n"));
         language.Strings.LoadFromFile(file);
         PlatformFiles().DeleteFile(file);
         EXPECT_EQ(MessageOf([&] { language.Strings.LoadFromFile(file); }),
                   "Cannot read the translation file " + file);
       }, {{9, 1}}},
      {"Add without parsing", [&] {
         language.SetParseEnabled(false);
         language.Strings.Add("8;h");
       }, {{9, 1}}},
  };
  for (const auto& step : steps) {
    step.Run();
    EXPECT_EQ(entries(), step.After) << step.Edit;
  }
}

TEST(LanguageTables, LookupsTakeTheFirstMatchTextsIgnoringCaseMemosExactly) {
  TTranslator translator(nullptr);
  TLanguage& language = *translator.LanguageOf(Q::qlGerman);
  SetLines(language, {"5;Weiter >", "5;Sp\xE4ter", "4;Zur\xFC" "ck", "#20;", "Eine Zeile", "#"});
  const struct {
    std::string Text;
    int32_t Found;  // 0: none
  } texts[] = {{"Weiter >", 5}, {"WEITER >", 5}, {"ZUR\xDC" "CK", 4}, {"Zuruck", 0}, {"Weiter", 0}};
  for (const auto& t : texts) {
    const TLangStringEntry* entry = language.FindStringByText(t.Text);
    EXPECT_EQ(entry ? entry->GLID : 0, t.Found) << t.Text;
  }
  EXPECT_EQ(language.StringOfGLID(5)->Text, "Weiter >");
  EXPECT_EQ(language.StringOfGLID(6), nullptr);
  EXPECT_EQ(language.MemoOfGLID(20), language.FindMemoByText({"Eine Zeile"}));
  EXPECT_NE(language.MemoOfGLID(20), nullptr);
  EXPECT_EQ(language.FindMemoByText({"eine Zeile"}), nullptr);
}

TEST(TranslatorTexts, ATextTakesTheTargetTextOfItsIdentifier) {
  const struct {
    Q From, Into;
    std::string Text, Result;
  } cases[] = {
      {Q::qlEnglish, Q::qlGerman, "Next >", "Weiter >"},
      {Q::qlEnglish, Q::qlGerman, "NEXT >", "Weiter >"},
      {Q::qlGerman, Q::qlGerman, "Weiter >", "Weiter >"},  // already in the target
      {Q::qlGerman, Q::qlEnglish, "Willkommen", "Welcome"},
      {Q::qlEnglish, Q::qlGerman, "Cancel", "Cancel"},     // missing in the target
      {Q::qlEnglish, Q::qlGerman, "Unknown", "Unknown"},   // missing in the source
      {Q::qlEnglish, Q::qlFrench, "Next >", "Next >"},     // a target without a table
      {Q::qlFrench, Q::qlGerman, "Next >", "Next >"},      // a source without a table
  };
  for (const auto& c : cases) {
    TTwoTables tables(c.Into);
    EXPECT_EQ(tables.Translator.TranslateText(c.From, c.Text), c.Result) << c.Text;
  }
  TTwoTables tables;
  EXPECT_EQ(tables.Translator.TranslateGLID(5, "x"), "Weiter >");
  EXPECT_EQ(tables.Translator.TranslateGLID(6, "Cancel"), "Cancel");
  EXPECT_EQ(tables.Translator.TranslateLines(Q::qlEnglish, {"Read this first.", "Then install."}),
            Lines{"Zuerst lesen."});
  EXPECT_EQ(tables.Translator.TranslateLines(Q::qlEnglish, {"Read this first."}), Lines{"Read this first."});
}

// The system service with another default language.
class TUserLanguage : public TForwardingSystem {
 public:
  explicit TUserLanguage(uint16_t langId) : TForwardingSystem(PlatformSystem()), langId_(langId) {}
  uint16_t UserDefaultLangID() override { return langId_; }

 private:
  uint16_t langId_;
};

TEST(TranslatorTexts, TheUserLanguageComesFromTheDefaultLanguageIdentifier) {
  const struct {
    uint16_t LangID;
    Q Language;
  } cases[] = {
      {0x0415, Q::qlPolish},           {0x0407, Q::qlGerman},          {0x0409, Q::qlEnglish},
      {0x0809, Q::qlEnglish},          {0x041F, Q::qlEnglish},         {0x0000, Q::qlEnglish},
      {0x0404, Q::qlChineseTraditional}, {0x0804, Q::qlChineseSimplified}, {0x0C04, Q::qlChineseSimplified},
      {0x0414, Q::qlNorwegianBokmal},  {0x0814, Q::qlNorwegianNynorsk}, {0x0816, Q::qlPortugese},
      {0x042A, Q::qlVietnamese},       {0x040D, Q::qlHebrew},          {0x0413, Q::qlDutch},
  };
  TTranslator translator(nullptr);
  for (const auto& c : cases) {
    TUserLanguage system(c.LangID);
    TPlatformServices services;
    services.System = &system;
    TScopedPlatformServices scope(services);
    EXPECT_EQ(translator.TargetLanguage()->LanguageIdent(), c.Language) << std::hex << c.LangID;
    EXPECT_EQ(translator.Resolve(Q::qlUser), translator.UserLanguage());
  }
}

TEST(TranslatorComponents, AFormTranslatesItsTextsAndThoseOfItsComponents) {
  TTwoTables tables;
  TForm form(nullptr);
  form.Caption = "Welcome";
  auto control = [&]<class T>(T* made, const std::string& caption, int32_t glid = 0) {
    made->SetParent(&form);
    made->Caption = caption;
    if constexpr (requires { made->GLID; }) made->GLID = glid;
    return made;
  };
  auto* next = control(new TTranslateBitBtn(&form), "Something else", 5);
  auto* missing = control(new TTranslateLabel(&form), "Cancel", 6);  // no German text: stays
  auto* fixed = control(new TTranslateLabel(&form), "Welcome", -1);
  fixed->Visible = false;
  auto* label = control(new TLabel(&form), "welcome");
  auto* memo = new TMemo(&form);
  memo->Lines.SetText("Read this first.\r\nThen install.");
  auto* list = new TListBox(&form);
  list->Items.SetText("< Previous\r\nElsewhere");
  auto* named = new TNamedCaption(&form);
  named->SetName("Welcome");
  named->Title = named->Caption = "Welcome";
  auto* owned = new TForm(&form);
  owned->Caption = "Welcome";

  EXPECT_EQ(tables.Translator.TranslateComponent(Q::qlEnglish, &form), Q::qlGerman);
  EXPECT_EQ(form.Caption, "Willkommen");
  EXPECT_EQ(next->Caption, "Weiter >");
  EXPECT_EQ(missing->Caption, "Cancel");
  EXPECT_EQ(fixed->Caption, "Welcome");
  EXPECT_EQ(label->Caption, "Willkommen");
  EXPECT_EQ(memo->Lines.Lines(), Lines{"Zuerst lesen."});
  EXPECT_EQ(list->Items.Lines(), (Lines{"< Zur\xFC" "ck", "Elsewhere"}));
  EXPECT_EQ(named->Title, "Welcome") << "a NAME property is never translated";
  EXPECT_EQ(named->Name(), "Welcome");
  EXPECT_EQ(named->Caption, "Willkommen");
  EXPECT_EQ(owned->Caption, "Welcome") << "an owned form translates itself";
  EXPECT_TRUE(!form.Visible && next->Visible && label->Visible && !fixed->Visible) << "as they were";
  EXPECT_TRUE(label->AutoSize);

  // Translated again, the texts are found in the target table itself.
  EXPECT_EQ(tables.Translator.TranslateComponent(Q::qlGerman, &form), Q::qlGerman);
  EXPECT_EQ(label->Caption, "Willkommen");
  // Into a language without a table nothing changes and the language stays.
  EXPECT_EQ(tables.Translator.TranslateComponentInto(Q::qlGerman, Q::qlFrench, &form), Q::qlGerman);
  EXPECT_EQ(tables.Translator.TranslateIntoLanguage, Q::qlGerman);
  EXPECT_EQ(tables.Translator.TranslateComponentInto(Q::qlGerman, Q::qlEnglish, &form), Q::qlEnglish);
  EXPECT_EQ(label->Caption, "Welcome");
  EXPECT_EQ(tables.Translator.TranslateComponent(Q::qlEnglish, nullptr), Q::qlEnglish);
}

TEST(TranslatorFonts, TheTargetLanguageGivesCharsetFaceAndMinimumSize) {
  const std::string japaneseFace = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
  const struct {
    const char* Case;
    Q Into;
    bool WithTable;
    int32_t Height;  // of the label before
    int32_t Charset;
    std::string Face;
    int32_t LabelHeight;  // after
  } cases[] = {
      {"raised to 8 points", Q::qlGerman, true, -9, 0, "MS Sans Serif", -11},
      {"a larger size stays", Q::qlGerman, true, -16, 0, "MS Sans Serif", -16},
      {"Japanese, 9 points", Q::qlJapanese, true, -11, 128, japaneseFace, -12},
      {"Greek", Q::qlGreek, true, -11, 161, "SGreek", -11},
      {"Portuguese in ANSI", Q::qlPortugese, true, -11, 0, "Arial", -11},
      {"no table: English", Q::qlRussian, false, -9, 0, "Arial", -11},
      {"the language's own font", Q::qlPolish, true, -9, 238, "Tahoma", -20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    TTranslator translator(nullptr);
    TLanguage& language = *translator.LanguageOf(c.Into);
    if (c.WithTable) language.Strings.Add("5;x");
    language.FontOverride = c.Into == Q::qlPolish;
    language.Font.Name = "Tahoma";
    language.Font.Height = -20;
    language.Font.Charset = 238;
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* label = new TLabel(&form);
    label->SetParent(panel);
    label->Font().Height = c.Height;
    label->FontChanged();
    translator.ApplyFontsOf(c.Into, &form);
    EXPECT_EQ(translator.TranslateIntoLanguage, Q::qlUser);
    EXPECT_EQ(label->Font().Charset, c.Charset);
    EXPECT_EQ(label->Font().Name, c.Face);
    EXPECT_EQ(label->Font().Height, c.LabelHeight);
    EXPECT_EQ(form.Font().Name, c.Face);
  }
  TTranslator translator(nullptr);
  translator.LanguageOf(Q::qlHebrew)->Strings.Add("5;x");
  TLabel label(nullptr);
  EXPECT_EQ(MessageOf([&] { translator.ApplyFontsOf(Q::qlHebrew, &label); }), "Unrecognized language");
  EXPECT_EQ(label.Font().Charset, 177);
}

TEST(MainTranslator, TheFirstTranslatorOfTheSessionTranslatesMessagesAndForms) {
  TLabel label(nullptr);
  label.Caption = "Welcome";
  const std::string message = "Cannot open %s";
  EXPECT_EQ(MainTranslator(), nullptr);
  EXPECT_EQ(TranslateForm(Q::qlEnglish, &label), Q::qlEnglish);
  ApplyFormFontsOf(Q::qlJapanese, &label);
  EXPECT_EQ(label.Font().Charset, 1) << "the font a label starts with";
  {
    TTwoTables tables;
    tables.Language(Q::qlEnglish).Strings.Add("30;" + message);
    tables.Language(Q::qlGerman).Strings.Add("30;%s kann nicht ge\xF6" "ffnet werden");
    TTranslator second(nullptr);
    EXPECT_EQ(MainTranslator(), &tables.Translator);
    EXPECT_EQ(IException(message, "a.txt").Message(), "a.txt kann nicht ge\xF6" "ffnet werden");
    EXPECT_EQ(TranslateFormInto(Q::qlEnglish, Q::qlGerman, &label), Q::qlGerman);
    EXPECT_EQ(label.Caption, "Willkommen");
    ApplyFormFontsOf(Q::qlEnglish, &label);
    EXPECT_EQ(label.Font().Name, "Arial");
    ApplyFormFonts(&label);
    EXPECT_EQ(label.Font().Name, "MS Sans Serif");
    {
      TInstallSession inner;
      EXPECT_EQ(MainTranslator(), nullptr) << "a session starts without one";
      EXPECT_EQ(IException(message, "a.txt").Message(), "Cannot open a.txt");
    }
  }
  EXPECT_EQ(MainTranslator(), nullptr);
  EXPECT_EQ(IException(message, "a.txt").Message(), "Cannot open a.txt");
  TTranslator next(nullptr);
  EXPECT_EQ(MainTranslator(), &next);
}

TEST(DialogForms, APageTranslatesFromTheLanguageItIsIn) {
  const struct {
    const char* Case;
    bool AutoSetFont, AutoTranslate, Override;
    Q Into;
    std::string Caption, Face;
    Q Language;
  } cases[] = {
      {"the main translator's language", true, true, false, Q::qlEnglish, "Willkommen", "MS Sans Serif", Q::qlGerman},
      {"the page's own language", true, true, true, Q::qlEnglish, "Welcome", "Arial", Q::qlEnglish},
      {"texts only", false, true, false, Q::qlEnglish, "Willkommen", "Arial", Q::qlGerman},
      {"fonts only", true, false, false, Q::qlEnglish, "Welcome", "MS Sans Serif", Q::qlEnglish},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    TTwoTables tables;
    TBaseBrimwellForm page(nullptr);
    page.Caption = "Welcome";
    page.Font().Name = "Arial";
    // A dialog component's record of the language does not mislead the page.
    TQmbxLanguage dialogLanguage = Q::qlFrench;
    for (int twice = 0; twice < 2; ++twice)
      TranslateDialogForm(page, c.AutoSetFont, c.AutoTranslate, c.Override, c.Into, dialogLanguage);
    EXPECT_EQ(page.Caption, c.Caption);
    EXPECT_EQ(page.Font().Name, c.Face);
    EXPECT_EQ(page.TextLanguage, c.Language);
    EXPECT_EQ(dialogLanguage, c.Language);
  }
}

}  // namespace
}  // namespace test
}  // namespace brim

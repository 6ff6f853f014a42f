// The dialog phases as a user meets them: the wizard's pages in order,
// Back, Next, Cancel and closing, the closing pages, the standalone
// dialogs, the copy progress window and the status window.
#include <cmath>

#include <gtest/gtest.h>

#include "components/InstallParameters.h"
#include "archive/cmp_TQmbxCompress.h"
#include "dialogs/DialogTestSupport.h"
#include "dialogs/dlgcmp_TBadInstallationDlg.h"
#include "dialogs/dlgcmp_TCopyFileDlg.h"
#include "dialogs/dlgcmp_TGoodInstallationDlg.h"
#include "dialogs/dlgcmp_TInstallStatusDlg.h"
#include "dialogs/dlgcmp_TLicenseDlg.h"
#include "dialogs/ordlg_TCopyFileForm.h"
#include "dialogs/ordlg_TInstallStatusForm.h"
#include "dialogs/ordlg_TBadInstallForm.h"
#include "dialogs/ordlg_TGoodInstallForm.h"
#include "dialogs/ordlg_TLicenseForm.h"
#include "dialogs/ordlg_TReadmeForm.h"
#include "dialogs/ordlg_TSelectDestinationForm.h"
#include "dialogs/ordlg_TWelcomeForm.h"
#include "engine/cmp_TInstall.h"
#include "netlocation/cmp_TNetInstallLocation.h"
#include "platform/Canvas.h"
#include "widgets/WidgetTestSupport.h"

namespace brim::test {
namespace {

using Notes = std::vector<std::string>;

constexpr const char* kInstall = R"(
    object Install1: TInstall
      OnUserAbort = UserAbort
    end
    object Before: TDialogManager
      Container = Install1
    end)";

// The installation's answer to the user's abort.
struct TAbortAnswer {
  bool Allow = true;
  int Asked = 0;
  std::map<std::string, std::any> Handlers() {
    return {{"UserAbort", std::function<void(TComponent*, bool&)>([this](TComponent*, bool& quit) {
               ++Asked;
               quit = Allow;
             })}};
  }
};

class WizardTest : public DialogTest {
 protected:
  // The phases step through pages of their own: the destination page,
  // which every before-install phase shows, stays out unless a test
  // brings it back.
  void SetUp() override {
    for (int i = 0; i < PageFormCount(); ++i)
      if (TBIFEntry* e = PageFormEntry(i); !e->Dialog && e->FormClass == &DialogFormClassOf<TSelectDestinationForm>()) {
        UnregisterPageForm(e);
        withdrawn_ = true;
        break;
      }
  }
  void TearDown() override { WithDestinationPage(); }
  void WithDestinationPage() {
    if (withdrawn_) RegisterPageForm(DialogFormClassOf<TSelectDestinationForm>(), nullptr);
    withdrawn_ = false;
  }
  bool withdrawn_ = false;
  // Runs the before-install phase as the run does, with the presses;
  // "back!" is the wizard's Back whether or not the button shows.
  std::string RunPhase(Notes presses) {
    ui_.Presses = std::move(presses);
    try {
      Install().BroadcastEvent(-980, nullptr);
      return "finished";
    } catch (const EAIUserAbort& e) {
      return e.what();
    }
  }
  TAbortAnswer answer_;
};

TEST(DialogPlacement, FollowsPositionAndOffsets) {
  using P = TBrimwellDialogPosition;
  struct {
    P Position;
    int32_t LeftOffset, TopOffset;
    TDialogPlace Place;
  } cases[] = {
      {P::qdpBottomCenter, 0, 30, {83, 286}},
      {P::qdpCenter, 0, 0, {83, 167}},
      {P::qdpCenter, 10, -5, {93, 162}},
      {P::qdpCenterRight, 20, 0, {146, 167}},
      {P::qdpTopLeft, 7, 9, {7, 9}},
      {P::qdpBottomRight, 0, 0, {166, 316}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PlaceDialog(c.Position, c.LeftOffset, c.TopOffset, 474, 146, {640, 480, 18}), c.Place)
        << static_cast<int>(c.Position);
}

TEST_F(WizardTest, StandardPagesComeInTheirOrder) {
  WithDestinationPage();
  Load(std::string(kInstall) + R"(
    object SelectFolderDlg1: TSelectFolderDlg
      Container = MainLinkGroup1
      DialogManager = Before
    end
    object MainLinkGroup1: TMainLinkGroup
      Container = Install1
      DestDir = '\Brimwell Demo'
    end
    object LicenseDlg1: TLicenseDlg
      Container = Install1
      DialogManager = Before
    end)",
       answer_.Handlers());
  EXPECT_EQ(RunPhase({"ProceedBtn", "ProceedBtn", "ProceedBtn", "ProceedBtn"}), "finished");
  EXPECT_EQ(ui_.Trace, (Notes{"Welcome <Next Cancel>", "Software license agreement <Back Next Cancel>",
                              "Choose Destination Location <Back Next Cancel>",
                              "Select folder in start menu <Back Next Cancel>"}));
}

TEST_F(WizardTest, EqualOrdersAreSortedByExchange) {
  Load(kInstall, answer_.Handlers());
  AddTestPage("First2", 2);
  AddTestPage("Second2", 2);
  AddTestPage("One", 1);
  RunPhase({"ProceedBtn", "ProceedBtn", "ProceedBtn", "ProceedBtn"});
  EXPECT_EQ(ui_.Trace, (Notes{"One <Next Cancel>", "Second2 <Back Next Cancel>",
                              "First2 <Back Next Cancel>", "Welcome <Back Next Cancel>"}));
}

TEST_F(WizardTest, BackNextAndClosingMoveOnlyWhereTheyMay) {
  struct {
    const char* Name;
    std::vector<std::pair<int32_t, bool>> Pages;  // order, skipped
    Notes Presses, Trace;
    std::string Result;
  } cases[] = {
      {"next on the only page finishes", {}, {"ProceedBtn"}, {"Welcome <Next Cancel>"}, "finished"},
      {"back on the first page stays", {{10, false}}, {"back!"},
       {"Welcome <Next Cancel>", "(no answer) Welcome <Next Cancel>"}, "finished"},
      {"back past skipped pages stays", {{1, true}, {10, false}}, {"back!", "ProceedBtn", "BackBtn"},
       {"Welcome <Next Cancel>", "Welcome <Next Cancel>", "P10 <Back Next Cancel>",
        "(no answer) Welcome <Next Cancel>"},
       "finished"},
      {"skipped pages after finish", {{10, true}, {20, true}}, {"ProceedBtn"},
       {"Welcome <Next Cancel>"}, "finished"},
      {"a skipped page is passed both ways", {{10, true}, {20, false}}, {"ProceedBtn", "BackBtn", "ProceedBtn", "ProceedBtn"},
       {"Welcome <Next Cancel>", "P20 <Back Next Cancel>", "Welcome <Next Cancel>", "P20 <Back Next Cancel>"},
       "finished"},
      {"closing by the system is refused", {}, {"close", "ProceedBtn"},
       {"Welcome <Next Cancel>", "Welcome <Next Cancel>"}, "finished"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Load(kInstall, answer_.Handlers());
    for (auto [order, skip] : c.Pages) AddTestPage("P" + std::to_string(order), order)->Skip = skip;
    ui_.Trace.clear();
    EXPECT_EQ(RunPhase(c.Presses), c.Result);
    EXPECT_EQ(ui_.Trace, c.Trace);
  }
}

TEST_F(WizardTest, CancelAbortsUnlessTheInstallationVetoes) {
  struct {
    bool Allow;
    Notes Presses, Trace;
    std::string Result;
  } cases[] = {
      {true, {"CancelBtn"}, {"Welcome <Next Cancel>"}, "Installation aborted by the user"},
      {false, {"CancelBtn", "ProceedBtn"}, {"Welcome <Next Cancel>", "Welcome <Next Cancel>"}, "finished"},
  };
  for (const auto& c : cases) {
    answer_ = {c.Allow, 0};
    Load(kInstall, answer_.Handlers());
    ui_.Trace.clear();
    EXPECT_EQ(RunPhase(c.Presses), c.Result);
    EXPECT_EQ(ui_.Trace, c.Trace);
    EXPECT_EQ(answer_.Asked, 1);
    EXPECT_EQ(CurrentDialogManager(), nullptr);
  }
}

TEST_F(WizardTest, APageThatShouldNotExecuteOrHasNoManagerIsNotShown) {
  Load(std::string(kInstall) + R"(
    object LicenseDlg1: TLicenseDlg
      Container = Install1
    end)",
       answer_.Handlers());
  AddTestPage("Hidden", 30)->Execute_ = false;
  RunPhase({"ProceedBtn"});
  EXPECT_EQ(ui_.Trace, (Notes{"Welcome <Next Cancel>"}));
}

TEST_F(WizardTest, ClosingPagesOfferFinishOnTheirLastPage) {
  struct {
    const char* Dialog;
    const char* ManagerType;
    int Code;
    std::string Note;
  } cases[] = {
      {"TGoodInstallationDlg", "dmAfterGoodInstall", -979, "Setup complete <Finish>"},
      {"TBadInstallationDlg", "dmAfterBadInstall", -978, "Setup incomplete <Finish>"},
  };
  for (const auto& c : cases) {
    Load(std::string(kInstall) + "\nobject Closing: TDialogManager\n Container = Install1\n ManagerType = " +
             c.ManagerType + "\nend\nobject Dlg: " + c.Dialog +
             "\n Container = Install1\n DialogManager = Closing\nend",
         answer_.Handlers());
    ui_.Trace.clear();
    ui_.Presses = {"FinishBtn"};
    Install().BroadcastEvent(c.Code, nullptr);
    EXPECT_EQ(ui_.Trace, Notes{c.Note});
  }
}

TEST_F(WizardTest, ADialogWithoutManagerRunsAloneOnItsCode) {
  struct {
    const char* Dialog;
    int Code;
    Notes Presses;
    std::string Note, Result;
  } cases[] = {
      {"TGoodInstallationDlg", -995, {"ProceedBtn"}, "Setup complete <Next>", "finished"},
      {"TBadInstallationDlg", -994, {"ProceedBtn"}, "Setup incomplete <Next>", "finished"},
      {"TLicenseDlg", -981, {"ProceedBtn"}, "Software license agreement <Next Cancel>", "finished"},
      {"TLicenseDlg", -981, {"CancelBtn"}, "Software license agreement <Next Cancel>",
       "Installation aborted by the user"},
  };
  for (const auto& c : cases) {
    Load(std::string(kInstall) + "\nobject Dlg: " + c.Dialog + "\n Container = Install1\nend",
         answer_.Handlers());
    ui_.Trace.clear();
    ui_.Presses = c.Presses;
    std::string result = "finished";
    try {
      Install().BroadcastEvent(c.Code, nullptr);
    } catch (const EAIUserAbort& e) {
      result = e.what();
    }
    EXPECT_EQ(ui_.Trace, Notes{c.Note});
    EXPECT_EQ(result, c.Result);
  }
}

TEST_F(WizardTest, TheLicencePageShowsTheAgreementAndTheThemePicture) {
  struct {
    const char* Agreement;
    int ThemeSize;  // 0: none of the dialog's own
    Notes Lines;
    int ShownWidth;
  } cases[] = {
      {"", 0, {}, 117},
      {"'First line' 'Second line'", 5, {"First line", "Second line"}, 5},
  };
  for (const auto& c : cases) {
    Load(std::string(kInstall) + "\nobject Dlg: TLicenseDlg\n Container = Install1\n" +
             (*c.Agreement ? std::string(" LicenseAgreement.Strings = (") + c.Agreement + ")\n" : "") +
             "end",
         answer_.Handlers());
    auto& install = static_cast<TCustomInstall&>(Install());
    install.DialogThemeBitmap.Bitmap().LoadFromBytes(TinyBitmap(1));
    install.DialogThemeBitmap.Bitmap().SetSize(117, 290);
    auto* dlg = Find<TLicenseDlg>("Dlg");
    if (c.ThemeSize) {
      dlg->ThemeBitmap.Bitmap().LoadFromBytes(TinyBitmap(2));
      dlg->ThemeBitmap.Bitmap().SetSize(c.ThemeSize, c.ThemeSize);
    }
    Notes lines;
    int width = -1;
    struct TLook : TScriptedUserInterface {
      Notes* Lines;
      int* Width;
      void RunModal(TCustomForm& form) override {
        auto& page = dynamic_cast<TLicenseForm&>(form);
        *Lines = page.Control<TCustomMemo>("Agreement")->Lines.Lines();
        *Width = page.ThemeImage()->Picture.Width();
        form.ModalResult = mrOk;
      }
    } look;
    look.Lines = &lines;
    look.Width = &width;
    TUserInterfaceGuard guard(look);
    EXPECT_TRUE(dlg->Execute());
    EXPECT_EQ(lines, c.Lines);
    EXPECT_EQ(width, c.ShownWidth);
    EXPECT_EQ(dlg->Form, nullptr);
  }
}

TEST_F(WizardTest, ThePagesSpeakTheMainTranslatorsLanguageOrTheirOwn) {
  const struct {
    const char* Target;
    const char* Licence;  // the licence dialog's translation settings
    Notes Trace;
  } cases[] = {
      {"qlGerman", "", {"Willkommen <Next Cancel>", "Lizenzvertrag <Back Next Cancel>"}},
      {"qlGerman", " OverrideMainTranslator = True\n TranslateIntoLanguage = qlEnglish\n",
       {"Willkommen <Next Cancel>", "Software license agreement <Back Next Cancel>"}},
      // The wizard's caption is in the character set of the page it shows.
      {"qlPolish", "", {"Witamy <Next Cancel> charset 238", "Umowa <Back Next Cancel> charset 238"}},
  };
  for (const auto& c : cases) {
    Load(std::string(kInstall) + R"(
      object MainTranslator: TTranslator
        TranslateIntoLanguage = )" + c.Target + R"(
        lgEnglish.Strings.Strings = ('1;Software license agreement' '9;Welcome')
        lgGerman.Strings.Strings = ('1;Lizenzvertrag' '9;Willkommen')
        lgPolish.Strings.Strings = ('1;Umowa' '9;Witamy')
      end
      object LicenseDlg1: TLicenseDlg
        Container = Install1
        DialogManager = Before
)" + c.Licence + "end",
         answer_.Handlers());
    EXPECT_EQ(RunPhase({"ProceedBtn", "ProceedBtn"}), "finished");
    EXPECT_EQ(ui_.Trace, c.Trace);
    ui_.Trace.clear();
  }
}

TEST_F(WizardTest, ACopyStatusWithoutTheRightParameterIsRefused) {
  Load(std::string(kInstall) + R"(
    object Copy: TDialogManager
      Container = Install1
      ManagerType = dmDuringCopyFiles
    end)",
       answer_.Handlers());
  TMessageParameter wrong("text");
  struct {
    int Code;
    TPersistent* Parameter;
    std::string Message;
  } cases[] = {
      {-998, nullptr, "Copy got a nil PO parameter"},
      {-988, nullptr, "Copy got a nil PO parameter"},
      {-998, &wrong, "The PO object passed to Copy is not a TFileStatusParameter object"},
      {-988, &wrong, "The PO object passed to Copy is not a TDownloadStatusParameter object"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MessageOf([&] { Install().BroadcastEvent(c.Code, c.Parameter); }), c.Message);
  // A change-disk code reaches every manager; only a change-disk phase reacts.
  EXPECT_EQ(MessageOf([&] { Install().BroadcastEvent(-993, &wrong); }), "");
}

TEST_F(WizardTest, TheRegistriesAndTheManagerNameWhatIsWrong) {
  Load(kInstall, answer_.Handlers());
  auto* before = Find<TDialogManager>("Before");
  EXPECT_EQ(MessageOf([&] { before->AddDialog(nullptr); }),
            "Cannot add a NIL Dialog to the Dialog Manager Before");
  EXPECT_EQ(MessageOf([] { PageFormEntry(PageFormCount()); }),
            std::to_string(PageFormCount()) + " is an invalid index in the BIFList");
  EXPECT_EQ(MessageOf([] { PageFormEntry(-1); }), "-1 is an invalid index in the BIFList");
  TLicenseDlg dlg(nullptr);
  dlg.SetName("Lic");
  EXPECT_EQ(MessageOf([&] { dlg.AssignDialogProperties(); }),
            "Cannot AssignDialogProperties for Lic because the Dialog is Nil");
  EXPECT_EQ(MessageOf([] {
              TBaseFormContainer window(nullptr);
              window.BuildPages();
            }),
            "The current dialog manager is not defined");
}

TEST_F(WizardTest, TheWizardTakesTheManagersSizeAndPlaceAndItsPagesFillIt) {
  Load(std::string(kInstall) + R"(
    object Copy: TDialogManager
      Container = Install1
      ManagerType = dmAfterGoodInstall
      Width = 600
      Height = 500
      Position = qdpTopRight
      RelativeLeftOffset = 4
      RelativeTopOffset = 6
    end
    object Good: TGoodInstallationDlg
      Container = Install1
      DialogManager = Copy
    end)",
       answer_.Handlers());
  std::vector<int32_t> seen;
  struct TLook : TScriptedUserInterface {
    std::vector<int32_t>* Seen;
    void RunModal(TCustomForm& form) override {
      auto& wizard = dynamic_cast<TBaseFormContainer&>(form);
      TBaseInstallForm& page = *wizard.CurrentPage();
      *Seen = {wizard.Left, wizard.Top, wizard.Width, wizard.Height, page.Width, page.Height,
               page.Visible, page.Parent() == wizard.DisplayPanel()};
      form.ModalResult = mrOk;
    }
  } look;
  look.Seen = &seen;
  TUserInterfaceGuard guard(look);
  Install().BroadcastEvent(-979, nullptr);
  EXPECT_EQ(seen, (std::vector<int32_t>{1024 - 600 - 4, 6, 600, 500, 592, 473, 1, 1}));
}

TEST_F(WizardTest, AnUnattendedRunPassesEveryPage) {
  Load(std::string(kInstall) + R"(
    object LicenseDlg1: TLicenseDlg
      Container = Install1
      DialogManager = Before
    end)",
       answer_.Handlers());
  AddTestPage("Destination", 45);
  TUnattendedUserInterface unattended;
  TUserInterfaceGuard guard(unattended);
  EXPECT_EQ(RunPhase({}), "finished");
}

void ExpectTextsFit(const TWinControl& parent, ICanvas& canvas) {
  for (int i = 0; i < parent.ControlCount(); ++i) {
    TControl* c = parent.Controls(i);
    if (auto* label = dynamic_cast<TLabel*>(c); label && label->WordWrap) {
      TCanvasFont font{label->Font().Name, -label->Font().Height};
      EXPECT_LE(WrappedTextHeight(canvas, label->Caption, font, label->Width), label->Height) << label->Name();
    }
    if (auto* w = dynamic_cast<TWinControl*>(c)) ExpectTextsFit(*w, canvas);
  }
}

TEST_F(WizardTest, TheFormsHaveTheirSizesCaptionsAndUnclippedTexts) {
  struct {
    TCustomForm* (*Create)(TComponent*);
    int32_t Width, Height;
    std::string Caption;
    const char* Picture;  // an image that shows one of the program's pictures
  } cases[] = {
      {&CreateDialogForm<TWelcomeForm>, 470, 368, "Welcome", nullptr},
      {&CreateDialogForm<TLicenseForm>, 470, 368, "Software license agreement", nullptr},
      {&CreateDialogForm<TReadmeForm>, 470, 368, "Readme information", nullptr},
      {&CreateDialogForm<TGoodInstallForm>, 470, 368, "Setup complete", nullptr},
      {&CreateDialogForm<TBadInstallForm>, 470, 368, "Setup incomplete", nullptr},
      {&CreateDialogForm<TCopyFileForm>, 466, 119, "Copying installation files", "UnZipImage"},
      {&CreateDialogForm<TInstallStatusForm>, 428, 58, "", "Image1"},
      {&CreateDialogForm<TBaseFormContainer>, 478, 395, "", nullptr},
  };
  auto canvas = CreateMemoryCanvas(1, 1);
  for (const auto& c : cases) {
    TOwned<TCustomForm> form(c.Create(nullptr));
    SCOPED_TRACE(form->ClassName());
    EXPECT_EQ(form->Width, c.Width);
    EXPECT_EQ(form->Height, c.Height);
    EXPECT_EQ(form->Caption, c.Caption);
    EXPECT_EQ(form->Font().Name, "Arial");
    EXPECT_EQ(form->Font().Height, -11);
    ExpectTextsFit(*form, *canvas);
    if (c.Picture) {
      EXPECT_FALSE(dynamic_cast<TImage*>(form->FindComponent(c.Picture))->Picture.Empty());
    }
  }
}

class CopyPhaseTest : public WizardTest {
 protected:
  void SetUp() override {
    Load(std::string(kInstall) + R"(
      object Copy: TDialogManager
        Container = Install1
        ManagerType = dmDuringCopyFiles
      end
      object CopyFileDlg1: TCopyFileDlg
        Container = Install1
        DialogManager = Copy
      end)",
         answer_.Handlers());
  }
  TCopyFileForm& Form() {
    auto& forms = Find<TDialogManager>("Copy")->ProgressForms();
    EXPECT_EQ(forms.size(), 1u);
    return dynamic_cast<TCopyFileForm&>(*forms.at(0));
  }
};

TEST_F(CopyPhaseTest, TheProgressWindowFollowsFilesAndDownloads) {
  struct {
    bool Download;
    int32_t Percent, Total;
    const char* Name;
    int32_t FileBar, TotalBar;
    bool TransferShown;
  } steps[] = {
      {false, 40, 70, "APP.EXE", 40, 70, false},
      {true, 25, 0, "files.1", 25, 70, true},
      {false, 100, 90, "APP.HLP", 100, 90, false},
  };
  for (const auto& s : steps) {
    TFileStatusParameter file;
    TDownloadStatusParameter download;
    file.FilePercent = s.Percent;
    file.TotalPercent = s.Total;
    file.FileName = s.Name;
    download.Percent = s.Percent;
    download.FileName = s.Name;
    if (s.Download) Install().BroadcastEvent(-988, &download);
    else Install().BroadcastEvent(-998, &file);
    TCopyFileForm& form = Form();
    EXPECT_TRUE(form.Visible);
    // 474 x 146 is the window's size, frame included, not its client area.
    EXPECT_EQ(form.Width, 474);
    EXPECT_FALSE(form.ClientSizeGiven());
    EXPECT_EQ(form.Control<TProgressBar>("ProgressBar1")->Position(), s.FileBar);
    EXPECT_EQ(form.Control<TProgressBar>("ProgressBar2")->Position(), s.TotalBar);
    EXPECT_EQ(form.Control<TLabel>("lblCopyingFile")->Caption, s.Name);
    EXPECT_EQ(form.Control<TImage>("TransferBitmap")->Visible, s.TransferShown);
  }
  // Placed by the copy dialog: 474 x 146, centred, 30 + a caption above the bottom.
  TCopyFileForm& form = Form();
  EXPECT_EQ((std::vector<int32_t>{form.Left, form.Top, form.Width, form.Height}),
            (std::vector<int32_t>{275, 574, 474, 146}));
  EXPECT_EQ(Find<TCopyFileDlg>("CopyFileDlg1")->Form, &form);
  Install().BroadcastEvent(-996, nullptr);
  EXPECT_FALSE(form.Visible);
  EXPECT_TRUE(Find<TDialogManager>("Copy")->ProgressForms().empty());
}

TEST_F(CopyPhaseTest, CancelStopsTheCopyUnlessTheInstallationVetoes) {
  for (bool allow : {false, true}) {
    answer_.Allow = allow;
    SharedCompressionEngine().Abort = false;
    SetNetAborted(false);
    TFileStatusParameter file;
    Install().BroadcastEvent(-998, &file);
    Form().Control<TButton>("CancelBtn")->Click();
    EXPECT_EQ(SharedCompressionEngine().Abort, allow);
    EXPECT_EQ(NetAborted(), allow);
    EXPECT_TRUE(Form().Visible);
    Install().BroadcastEvent(-996, nullptr);
  }
}

TEST_F(CopyPhaseTest, AProgressWindowTheApplicationFreesIsForgotten) {
  TFileStatusParameter file;
  Install().BroadcastEvent(-998, &file);
  Form().Free();
  EXPECT_TRUE(Find<TDialogManager>("Copy")->ProgressForms().empty());
  Install().BroadcastEvent(-998, &file);
  EXPECT_TRUE(Form().Visible);
}

class StatusTest : public WizardTest {
 protected:
  void SetUp() override {
    Load(std::string(kInstall) + R"(
      object Status: TInstallStatusDlg
        Container = Install1
      end)",
         answer_.Handlers());
  }
  TInstallStatusDlg& Dlg() { return *Find<TInstallStatusDlg>("Status"); }
};

TEST_F(StatusTest, NestedMessagesComeBackAndTheLastOneHidesTheWindow) {
  struct {
    const char* Message;  // null: withdraw
    bool Visible;
    std::string Shown;
  } steps[] = {
      {"Reading file information...", true, "Reading file information..."},
      {"Creating shortcuts...", true, "Creating shortcuts..."},
      {nullptr, true, "Reading file information..."},
      {nullptr, false, "Reading file information..."},
      {nullptr, false, "Reading file information..."},
  };
  for (const auto& s : steps) {
    if (s.Message) Install().SendStatusMessage(s.Message);
    else Install().BroadcastEvent(-973, nullptr);
    ASSERT_NE(Dlg().StatusForm(), nullptr);
    EXPECT_EQ(Dlg().StatusForm()->Visible, s.Visible);
    EXPECT_EQ(Dlg().StatusForm()->lblMessage()->Caption, s.Shown);
  }
  EXPECT_EQ(Dlg().Messages.Count(), 0);
}

TEST_F(StatusTest, AStatusWindowTheApplicationFreesIsForgotten) {
  Install().SendStatusMessage("First");
  Dlg().StatusForm()->Free();
  EXPECT_EQ(Dlg().StatusForm(), nullptr);
  Install().SendStatusMessage("Second");
  ASSERT_NE(Dlg().StatusForm(), nullptr);
  EXPECT_EQ(Dlg().StatusForm()->lblMessage()->Caption, "Second");
}

TEST_F(StatusTest, TheWindowIsAsWideAsTheTextPlus80EvenBeyondTheScreen) {
  TFont arial;
  arial.Name = "Arial";
  arial.Height = -11;
  auto canvas = CreateMemoryCanvas(1, 1);
  for (std::string text : {std::string("Reading file information..."), std::string(300, 'W')}) {
    Install().SendStatusMessage(text);
    TInstallStatusForm& form = *Dlg().StatusForm();
    int32_t width = canvas->TextExtent(text, TCanvasFont{"Arial", 11}).Width + 80;
    EXPECT_EQ(form.Width, width);
    EXPECT_EQ(form.Left, static_cast<int32_t>(std::nearbyint(512 - width / 2.0)));
    EXPECT_EQ(form.Top, 355);
    EXPECT_FALSE(form.lblMessage()->WordWrap);
  }
  EXPECT_GT(Dlg().StatusForm()->Width, 1024);
  EXPECT_EQ(MessageOf([&] { Install().BroadcastEvent(-974, nullptr); }), "Status got a nil PO parameter");
  TFileStatusParameter wrong;
  EXPECT_EQ(MessageOf([&] { Install().BroadcastEvent(-974, &wrong); }),
            "The PO object passed to Status is not a TMessageParameter object");
}

}  // namespace
}  // namespace brim::test

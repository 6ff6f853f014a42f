// Forms loaded from text through the class registry and written back:
// the page layouts of the dialogs must survive the trip unchanged, named
// constants stay names, and only what differs from a control's defaults
// is written.
#include <gtest/gtest.h>

#include <set>

#include "WidgetTestSupport.h"
#include "objects/BinaryForm.h"
#include "objects/ClassRegistry.h"
#include "translation/cmp_TTranslateControls.h"
#include "widgets/Buttons.h"
#include "widgets/ComCtrls.h"
#include "widgets/ExtCtrls.h"
#include "widgets/Forms.h"

namespace brim::test {
namespace {

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), to);
  return text;
}

// A page form whose buttons are bound to handlers by name.
class TTestPageForm : public TForm {
  BRIM_CLASS(TTestPageForm)

 public:
  explicit TTestPageForm(TComponent* owner) : TForm(owner) {
    AddHandler<void(TComponent*)>("FormCreate", [this](TComponent*) { ++Created; });
    AddHandler<void(TComponent*)>("BackBtnClick", [this](TComponent*) { Pressed += "back "; });
    AddHandler<void(TComponent*)>("ProceedBtnClick", [this](TComponent*) { Pressed += "next "; });
    AddHandler<void(TComponent*)>("CancelBtnClick", [this](TComponent*) { Pressed += "cancel "; });
    AddHandler<void(TComponent*, TCloseAction&)>("FormClose",
                                                  [](TComponent*, TCloseAction& a) { a = TCloseAction::caFree; });
  }
  int Created = 0;
  std::string Pressed;
};

const TClassInfo& TTestPageForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TTestPageForm>("TTestPageForm", &TForm::StaticClass()).Creatable().Build();
  return info;
}

const char* kLicencePage = R"(object LicenseForm: TTestPageForm
  Left = 250
  Top = 120
  ActiveControl = ProceedBtn
  BorderIcons = []
  BorderStyle = bsDialog
  Caption = 'Software license agreement'
  ClientHeight = 368
  ClientWidth = 470
  Font.Charset = ANSI_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Arial'
  Font.Style = []
  FormStyle = fsStayOnTop
  OldCreateOrder = False
  Position = poScreenCenter
  OnClose = FormClose
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 14
  object pnlLeft: TPanel
    Left = 0
    Top = 0
    Width = 136
    Height = 316
    Align = alLeft
    BevelOuter = bvNone
    TabOrder = 0
    object ThemeImage: TImage
      Left = 0
      Top = 0
      Width = 136
      Height = 314
      Center = True
    end
  end
  object pnlBottom: TPanel
    Left = 0
    Top = 316
    Width = 470
    Height = 52
    Align = alBottom
    Cursor = crHourGlass
    BevelOuter = bvNone
    TabOrder = 2
    object Bevel1: TBevel
      Left = 0
      Top = 0
      Width = 470
      Height = 2
      Align = alTop
      Shape = bsTopLine
    end
    object BackBtn: TTranslateBitBtn
      Left = 208
      Top = 15
      Width = 75
      Height = 33
      OnClick = BackBtnClick
      Caption = '< Previous'
      TabOrder = 0
      Glyph.Data = %GLYPH1%
      GLID = 4
    end
    object ProceedBtn: TTranslateBitBtn
      Left = 288
      Top = 15
      Width = 75
      Height = 33
      OnClick = ProceedBtnClick
      Caption = 'Next >'
      Default = True
      ModalResult = mrOk
      TabOrder = 1
      Glyph.Data = %GLYPH2%
      GLID = 5
    end
    object CancelBtn: TTranslateBitBtn
      Left = 368
      Top = 15
      Width = 89
      Height = 33
      OnClick = CancelBtnClick
      Caption = 'Cancel'
      Cancel = True
      TabOrder = 2
      Glyph.Data = %GLYPH3%
      NumGlyphs = 2
      GLID = 6
    end
  end
  object pnlText: TPanel
    Left = 136
    Top = 0
    Width = 334
    Height = 316
    Align = alClient
    BevelOuter = bvNone
    BorderWidth = 8
    TabOrder = 1
    object lblIntro: TTranslateLabel
      Left = 8
      Top = 8
      Width = 318
      Height = 14
      Align = alTop
      Caption = 'Please read the following License Agreement.'
      WordWrap = True
      GLID = 2
    end
    object lblSpacer: TTranslateLabel
      Left = 8
      Top = 22
      Width = 318
      Height = 8
      Align = alTop
      AutoSize = False
    end
    object Agreement: TRichEdit
      Left = 8
      Top = 30
      Width = 318
      Height = 230
      Align = alClient
      Color = clBtnFace
      Lines.Strings = (
        'SOFTWARE LICENSE'
        ''
        'You may install this software on one computer; it''s yours to keep.')
      ReadOnly = True
      PlainText = True
      ScrollBars = ssVertical
      TabOrder = 0
    end
    object lblAgree: TTranslateLabel
      Left = 8
      Top = 260
      Width = 318
      Height = 48
      Align = alBottom
      Caption = 'By clicking on the Next button below, you agree to all terms.'
      Font.Charset = ANSI_CHARSET
      Font.Color = clNavy
      Font.Height = -11
      Font.Name = 'Arial'
      Font.Style = [fsBold]
      ParentFont = False
      WordWrap = True
      GLID = 3
    end
  end
end
)";

std::string LicencePageText() {
  std::string text = kLicencePage;
  text = Replace(text, "%GLYPH1%", BinaryText(GlyphData(TinyBitmap(0x11)), 3));
  text = Replace(text, "%GLYPH2%", BinaryText(GlyphData(TinyBitmap(0x22)), 3));
  return Replace(text, "%GLYPH3%", BinaryText(GlyphData(TinyBitmap(0x33)), 3));
}

class FormStream : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterStreamClasses();
    RegisterClass(TTestPageForm::StaticClass());
  }
};

TEST_F(FormStream, DialogPageIsWrittenBackAsItWasRead) {
  std::string text = LicencePageText();
  auto form = LoadText(text);
  EXPECT_EQ(SaveText(*form), text);
}

TEST_F(FormStream, DialogPageBuildsItsControlsOnTheirPanels) {
  auto form = LoadText(LicencePageText());
  auto* page = As<TTestPageForm>(form);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->Created, 0);  // loading binds OnCreate, it does not run it
  EXPECT_EQ(page->ClientWidth(), 470);
  EXPECT_EQ(page->ClientHeight(), 368);
  EXPECT_EQ(page->BorderStyle, TFormBorderStyle::bsDialog);
  EXPECT_TRUE(page->BorderIcons.Empty());
  EXPECT_FALSE(page->Visible);

  auto* bottom = dynamic_cast<TPanel*>(page->FindComponent("pnlBottom"));
  ASSERT_NE(bottom, nullptr);
  EXPECT_EQ(bottom->Parent(), page);
  ASSERT_EQ(bottom->ControlCount(), 4);
  EXPECT_EQ(bottom->Controls(0)->Name(), "Bevel1");
  EXPECT_EQ(bottom->Controls(3)->Name(), "CancelBtn");

  auto* cancel = dynamic_cast<TTranslateBitBtn*>(page->FindComponent("CancelBtn"));
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(cancel->Owner(), page);
  EXPECT_EQ(cancel->Parent(), bottom);
  EXPECT_TRUE(cancel->Cancel);
  EXPECT_EQ(cancel->GLID, 6);
  EXPECT_EQ(cancel->NumGlyphs(), 2);
  EXPECT_EQ(cancel->Glyph.Width(), 2);
  EXPECT_EQ(cancel->Glyph.Bytes(), TinyBitmap(0x33));

  auto* proceed = dynamic_cast<TTranslateBitBtn*>(page->FindComponent("ProceedBtn"));
  ASSERT_NE(proceed, nullptr);
  EXPECT_EQ(page->ActiveControl, proceed);
  EXPECT_EQ(proceed->ModalResult, mrOk);
  EXPECT_TRUE(proceed->Default);

  auto* agreement = dynamic_cast<TRichEdit*>(page->FindComponent("Agreement"));
  ASSERT_NE(agreement, nullptr);
  ASSERT_EQ(agreement->Lines.Count(), 3);
  EXPECT_EQ(agreement->Lines.Strings(1), "");
  EXPECT_EQ(agreement->Lines.Strings(2), "You may install this software on one computer; it's yours to keep.");
  EXPECT_TRUE(agreement->ReadOnly);
  EXPECT_TRUE(agreement->PlainText);
  EXPECT_EQ(agreement->ScrollBars, TScrollStyle::ssVertical);
}

TEST_F(FormStream, EventNamesBindTheFormsHandlers) {
  auto form = LoadText(LicencePageText());
  auto* page = As<TTestPageForm>(form);
  for (const char* name : {"BackBtn", "ProceedBtn", "CancelBtn"}) {
    auto* button = dynamic_cast<TControl*>(page->FindComponent(name));
    ASSERT_TRUE(button && button->OnClick) << name;
    button->OnClick(button);
  }
  EXPECT_EQ(page->Pressed, "back next cancel ");
  TCloseAction action = TCloseAction::caHide;
  page->OnClose(page, action);
  EXPECT_EQ(action, TCloseAction::caFree);
}

TEST_F(FormStream, AHandlerMissingFromTheFormFailsTheLoad) {
  std::string text = Replace(LicencePageText(), "OnClick = BackBtnClick", "OnClick = NoSuchHandler");
  try {
    LoadText(text);
    FAIL() << "the load succeeded";
  } catch (const EStreamError& e) {
    EXPECT_NE(e.Message().find("BackBtn"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("NoSuchHandler"), std::string::npos) << e.Message();
  }
}

TEST_F(FormStream, NamedConstantsLoadAsValuesAndAreWrittenAsNames) {
  auto form = LoadText(LicencePageText());
  auto* page = As<TTestPageForm>(form);
  auto* agreement = dynamic_cast<TRichEdit*>(page->FindComponent("Agreement"));
  auto* agree = dynamic_cast<TLabel*>(page->FindComponent("lblAgree"));
  auto* bottom = dynamic_cast<TPanel*>(page->FindComponent("pnlBottom"));
  EXPECT_EQ(agreement->Color(), static_cast<TColor>(0xFF00000F));
  EXPECT_EQ(agree->Font().Color, 0x800000);
  EXPECT_EQ(page->Font().Charset, 0);
  EXPECT_EQ(bottom->Cursor, -11);

  agreement->SetColor(clWindowText);
  agree->Font().Charset = 1;
  agree->FontChanged();
  bottom->Cursor = crHourGlass;
  dynamic_cast<TButton*>(page->FindComponent("BackBtn"))->ModalResult = mrCancel;
  std::string saved = SaveText(*form);
  EXPECT_NE(saved.find("Color = clWindowText\n"), std::string::npos);
  EXPECT_NE(saved.find("Font.Charset = DEFAULT_CHARSET\n"), std::string::npos);
  EXPECT_NE(saved.find("Cursor = crHourGlass\n"), std::string::npos);
  EXPECT_NE(saved.find("ModalResult = mrCancel\n"), std::string::npos);
}

TEST_F(FormStream, ControlsThatTakeTheirParentsFontDoNotWriteOne) {
  auto form = LoadText(LicencePageText());
  auto* page = As<TTestPageForm>(form);
  auto* intro = dynamic_cast<TLabel*>(page->FindComponent("lblIntro"));
  auto* agree = dynamic_cast<TLabel*>(page->FindComponent("lblAgree"));
  EXPECT_TRUE(intro->ParentFont());
  EXPECT_EQ(intro->Font().Name, "Arial");  // the form's, through pnlText
  EXPECT_FALSE(agree->ParentFont());
  EXPECT_TRUE(agree->Font().Style.Contains(TFontStyle::fsBold));

  // Giving the label its own font makes it write it; taking the parent's
  // again drops it.
  TFont big;
  big.Assign(intro->Font());
  big.Height = -20;
  intro->SetFont(big);
  std::string saved = SaveText(*form);
  EXPECT_NE(saved.find("Font.Height = -20"), std::string::npos);
  intro->SetParentFont(true);
  EXPECT_EQ(intro->Font().Height, -11);
  EXPECT_EQ(SaveText(*form).find("Font.Height = -20"), std::string::npos);
}

TEST_F(FormStream, FontLinesWithoutParentFontStillGiveTheControlItsOwnFont) {
  auto form = LoadText(R"(object F: TForm
  Left = 0
  Top = 0
  Width = 200
  Height = 100
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Arial'
  Font.Style = []
  OldCreateOrder = False
  PixelsPerInch = 96
  TextHeight = 14
  object L: TLabel
    Left = 0
    Top = 0
    Width = 10
    Height = 10
    Font.Style = [fsItalic]
  end
end
)");
  auto* label = dynamic_cast<TLabel*>(form->FindComponent("L"));
  EXPECT_FALSE(label->ParentFont());
  EXPECT_EQ(label->Font().Name, "Arial");
  EXPECT_TRUE(label->Font().Style.Contains(TFontStyle::fsItalic));
  EXPECT_NE(SaveText(*form).find("    Font.Style = [fsItalic]\n    ParentFont = False\n"), std::string::npos);
}

TEST_F(FormStream, AFreshControlWritesOnlyItsPlaceAndTabOrder) {
  // Every control class's declared defaults agree with what its
  // constructor gives it, so a new control writes nothing else (but its
  // font, when the class gives it one of its own).
  const std::set<std::string> allowed = {"Left", "Top", "Width", "Height", "TabOrder"};
  const std::set<std::string> font = {"Font.Charset", "Font.Color", "Font.Height", "Font.Name", "Font.Style"};
  int checked = 0;
  for (const TClassInfo* cls : RegisteredClasses()) {
    if (!cls->CreateComponent || !cls->InheritsFrom(TControl::StaticClass()) ||
        cls->InheritsFrom(TCustomForm::StaticClass()))
      continue;
    TOwned<TForm> form(new TForm(nullptr));
    TComponent* c = cls->CreateComponent(form.get());
    c->SetName("Fresh");
    c->SetParentComponent(form.get());
    TObjectRecord saved = SaveForm(*form);
    ASSERT_EQ(saved.Children.size(), 1u) << cls->ClassName;
    bool ownFont = !static_cast<TControl*>(c)->ParentFont();
    for (const auto& p : saved.Children[0].Props)
      EXPECT_TRUE(allowed.count(p.Name) || (ownFont && font.count(p.Name)))
          << cls->ClassName << " writes " << p.Name;
    // And it loads back into the same record.
    auto again = LoadText(PrintTextForm(saved));
    EXPECT_EQ(SaveText(*again), PrintTextForm(saved)) << cls->ClassName;
    ++checked;
  }
  EXPECT_GE(checked, 20);
}

TEST_F(FormStream, AFreshFormWritesItsSizeFontAndScaling) {
  TOwned<TForm> form(new TForm(nullptr));
  form->SetName("Form1");
  std::set<std::string> written;
  for (const auto& p : SaveForm(*form).Props) written.insert(p.Name);
  EXPECT_EQ(written, (std::set<std::string>{"Left", "Top", "Width", "Height", "Font.Charset", "Font.Color",
                                             "Font.Height", "Font.Name", "Font.Style", "OldCreateOrder",
                                             "PixelsPerInch", "TextHeight"}));
}

TEST_F(FormStream, AFormWritesTheSizeItsStreamGave) {
  auto form = LoadText(R"(object F: TForm
  Left = 0
  Top = 0
  ClientHeight = 368
  ClientWidth = 470
  OldCreateOrder = False
  PixelsPerInch = 96
  TextHeight = 13
end
)");
  std::string saved = SaveText(*form);
  EXPECT_NE(saved.find("ClientWidth = 470"), std::string::npos);
  EXPECT_EQ(saved.find("  Width ="), std::string::npos);
  EXPECT_EQ(As<TForm>(form)->Width, 470);
}

TEST_F(FormStream, APropertyTheControlDoesNotHaveFailsTheLoad) {
  for (const char* bad : {"object E: TEdit\n    Caption = 'x'\n  end",
                          "object L: TLabel\n    Text = 'x'\n  end",
                          "object I: TImage\n    Font.Height = 9\n  end"}) {
    std::string text = std::string("object F: TForm\n  ") + bad + "\nend\n";
    try {
      LoadText(text);
      ADD_FAILURE() << "loaded: " << bad;
    } catch (const EStreamError& e) {
      std::string name(1, bad[7]);
      EXPECT_NE(e.Message().find("reading " + name), std::string::npos) << e.Message();
    }
  }
}

TEST_F(FormStream, ABinaryStreamLoadsLikeTheText) {
  std::string text = LicencePageText();
  auto fromText = LoadText(text);
  RegisterStreamClasses();
  TOwned<> fromBinary(CreateForm(ParseForm(WriteBinaryForm(ParseTextForm(text)))));
  EXPECT_EQ(SaveText(*fromBinary), text);
}

}  // namespace
}  // namespace brim::test

// The main window's decoration: the install definition's TInstalator
// with its gradient backdrop and the rotated product label, and the
// rules of the label's style.
#include <gtest/gtest.h>

#include "decoration/cmp_Rotate3DLabel.h"
#include "decoration/cmp_TBackDrop.h"
#include "engine/TInstalator.h"
#include "widgets/WidgetTestSupport.h"

namespace brim::test {
namespace {

// The main form as a generated definition writes it.
const char* kMainForm = R"(object Instalator: TInstalator
  Left = 192
  Top = 107
  Width = 696
  Height = 480
  Caption = 'Demo Product Setup'
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = False
  PixelsPerInch = 96
  TextHeight = 13
  object Backdrop1: TBackdrop
    Left = 0
    Top = 0
    Width = 688
    Height = 453
    TabOrder = 0
    StartColor = 15234048
    object Rotate3DLabel1: TRotate3DLabel
      Left = 1
      Top = 1
      Width = 686
      Height = 60
      Align = alTop
      Caption = 'Demo Product'
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clNavy
      Font.Height = -35
      Font.Name = 'Arial'
      Font.Style = [fsBold, fsItalic]
      LabelStyle.Angle = 10
      LabelStyle.AStyle3D = A3dShadowed
    end
  end
end
)";

class Decoration : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterStreamClasses(); }
};

TEST_F(Decoration, TheMainFormHoldsABackdropWithTheProductLabel) {
  auto form = LoadText(kMainForm);
  auto* main = As<TInstalator>(form);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->Name(), TInstalator::ComponentName);
  EXPECT_EQ(main->Left, 192);
  EXPECT_EQ(main->Width, 696);

  auto* backdrop = dynamic_cast<TBackdrop*>(main->FindComponent("Backdrop1"));
  ASSERT_NE(backdrop, nullptr);
  EXPECT_EQ(backdrop->Parent(), main);
  EXPECT_EQ(backdrop->Align, TAlign::alClient);
  EXPECT_EQ(backdrop->Direction, TDirection::bdUp);
  EXPECT_EQ(backdrop->StartColor, 15234048);
  EXPECT_EQ(backdrop->EndColor, clBlack);

  auto* label = dynamic_cast<TRotate3DLabel*>(main->FindComponent("Rotate3DLabel1"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Parent(), backdrop);
  EXPECT_EQ(label->Align, TAlign::alTop);
  EXPECT_EQ(label->Height, 60);
  EXPECT_EQ(label->Font().Color, clNavy);
  EXPECT_EQ(label->Font().Height, -35);
  EXPECT_EQ(label->LabelStyle.Angle(), 10);
  EXPECT_EQ(label->LabelStyle.AStyle3D(), TStyle3D::A3dShadowed);
  EXPECT_TRUE(label->MyTransparent);

  EXPECT_EQ(SaveText(*form), kMainForm);
}

TEST_F(Decoration, ABackdropsDefaultsAreNotWritten) {
  TOwned<TInstalator> main(new TInstalator(nullptr));
  auto* backdrop = new TBackdrop(main.get());
  backdrop->SetName("Backdrop1");
  backdrop->SetParent(main.get());
  EXPECT_EQ(backdrop->StartColor, 16711680);
  EXPECT_EQ(backdrop->Align, TAlign::alClient);
  std::string saved = SaveText(*main);
  for (const char* name : {"Align", "Direction", "StartColor", "EndColor"})
    EXPECT_EQ(saved.find(name), std::string::npos) << name;

  backdrop->Direction = TDirection::bdVertOut;
  backdrop->EndColor = clWhite;
  backdrop->Align = TAlign::alNone;
  saved = SaveText(*main);
  EXPECT_NE(saved.find("Direction = bdVertOut"), std::string::npos);
  EXPECT_NE(saved.find("EndColor = clWhite"), std::string::npos);
  EXPECT_NE(saved.find("Align = alNone"), std::string::npos);
}

TEST_F(Decoration, ANewProductLabelIsTransparentBoldArial) {
  TOwned<TInstalator> main(new TInstalator(nullptr));
  auto* label = new TRotate3DLabel(main.get());
  EXPECT_TRUE(label->MyTransparent);
  EXPECT_TRUE(label->Transparent);
  EXPECT_FALSE(label->AutoSize);
  EXPECT_EQ(label->Font().Name, "Arial");
  EXPECT_TRUE(label->Font().Style.Contains(TFontStyle::fsBold));
  EXPECT_EQ(label->Color(), clWindow);
  const TLabelStyle& style = label->LabelStyle;
  EXPECT_EQ(style.Angle(), 0);
  EXPECT_EQ(style.AStyle3D(), TStyle3D::A3dRaised);
  EXPECT_EQ(style.AShadeLeftTop(), 16777215);
  EXPECT_EQ(style.AShadeRightBottom(), 8421504);
  EXPECT_TRUE(style.AShadeLTSet());
  EXPECT_EQ(style.AHShadeOffSet(), 5);
  EXPECT_EQ(style.AVShadeOffSet(), -5);
  // Placed on a panel it keeps its own font.
  auto* backdrop = new TBackdrop(main.get());
  label->SetParent(backdrop);
  EXPECT_EQ(label->Font().Name, "Arial");
}

TEST_F(Decoration, AnAngleOutsideAFullTurnIsStoredAsZero) {
  TOwned<TRotate3DLabel> label(new TRotate3DLabel(nullptr));
  label->LabelStyle.SetAngle(359);
  EXPECT_EQ(label->LabelStyle.Angle(), 359);
  label->LabelStyle.SetAngle(360);
  EXPECT_EQ(label->LabelStyle.Angle(), 0);
  label->LabelStyle.SetAngle(90);
  label->LabelStyle.SetAngle(-1);
  EXPECT_EQ(label->LabelStyle.Angle(), 0);

  std::string text = kMainForm;
  text.replace(text.find("Angle = 10"), 10, "Angle = 400");
  auto form = LoadText(text);
  EXPECT_EQ(dynamic_cast<TRotate3DLabel*>(form->FindComponent("Rotate3DLabel1"))->LabelStyle.Angle(), 0);
}

TEST_F(Decoration, TheWhiteShadeFlagRemembersAndRestoresTheColour) {
  TOwned<TRotate3DLabel> label(new TRotate3DLabel(nullptr));
  TLabelStyle& style = label->LabelStyle;
  style.SetAShadeLeftTop(clBlue);
  EXPECT_EQ(style.AShadeLeftTop(), clWhite);  // ignored while the flag is set
  style.SetAShadeLTSet(false);
  style.SetAShadeLeftTop(clBlue);
  EXPECT_EQ(style.AShadeLeftTop(), clBlue);
  style.SetAShadeLTSet(true);
  EXPECT_EQ(style.AShadeLeftTop(), clWhite);
  style.SetAShadeLeftTop(clNavy);
  EXPECT_EQ(style.AShadeLeftTop(), clWhite);
  style.SetAShadeLTSet(false);
  EXPECT_EQ(style.AShadeLeftTop(), clBlue);
}

TEST_F(Decoration, AStreamedShadeColourLoadsWhicheverComesFirst) {
  for (const char* order : {"LabelStyle.AShadeLeftTop = clBlue\n      LabelStyle.AShadeLTSet = False\n",
                            "LabelStyle.AShadeLTSet = False\n      LabelStyle.AShadeLeftTop = clBlue\n"}) {
    std::string text = kMainForm;
    text.insert(text.find("LabelStyle.AStyle3D"), std::string(order) + "      ");
    auto form = LoadText(text);
    auto* label = dynamic_cast<TRotate3DLabel*>(form->FindComponent("Rotate3DLabel1"));
    EXPECT_FALSE(label->LabelStyle.AShadeLTSet());
    EXPECT_EQ(label->LabelStyle.AShadeLeftTop(), clBlue);
    std::string saved = SaveText(*form);
    EXPECT_NE(saved.find("LabelStyle.AShadeLeftTop = clBlue\n"), std::string::npos);
    EXPECT_NE(saved.find("LabelStyle.AShadeLTSet = False\n"), std::string::npos);
    // Setting the flag afterwards still remembers the loaded colour.
    label->LabelStyle.SetAShadeLTSet(true);
    label->LabelStyle.SetAShadeLTSet(false);
    EXPECT_EQ(label->LabelStyle.AShadeLeftTop(), clBlue);
  }
}

TEST_F(Decoration, AShadeColourStreamedUnderASetFlagIsRememberedNotShown) {
  std::string text = kMainForm;
  text.insert(text.find("LabelStyle.AStyle3D"), "LabelStyle.AShadeLeftTop = clBlue\n      ");
  auto form = LoadText(text);
  auto* label = dynamic_cast<TRotate3DLabel*>(form->FindComponent("Rotate3DLabel1"));
  EXPECT_EQ(label->LabelStyle.AShadeLeftTop(), clWhite);
  label->LabelStyle.SetAShadeLTSet(false);
  EXPECT_EQ(label->LabelStyle.AShadeLeftTop(), clBlue);
}

}  // namespace
}  // namespace brim::test

// The main window's decoration: the install definition's TInstalator
// with its gradient backdrop and the rotated product label, the rules of
// the label's style, and how both draw: the backdrop's bands in each
// direction, the label's text with its shades, turned and placed, its
// opaque box, when a style change draws it again, and the window's face.
#include <gtest/gtest.h>

#include <functional>

#include "common/MulDiv.h"

#include "decoration/cmp_Rotate3DLabel.h"
#include "decoration/cmp_TBackDrop.h"
#include "engine/TInstalator.h"
#include "widgets/Forms.h"
#include "widgets/Painting.h"
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

constexpr TCanvasColor kRed = CanvasRgb(255, 0, 0);
constexpr TCanvasColor kBlue = CanvasRgb(0, 0, 255);
constexpr TCanvasColor kNavy = CanvasRgb(0, 0, 128);
constexpr TCanvasColor kGray = CanvasRgb(128, 128, 128);
constexpr TCanvasColor kWhite = CanvasRgb(255, 255, 255);

class DecorationPainting : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterStreamClasses(); }

  // A backdrop of the size, red to blue, painted on a canvas of its own.
  std::vector<TCanvasCall> PaintBackdrop(TDirection direction, int32_t width, int32_t height,
                                         TRecordingCanvas* canvas = nullptr) {
    TOwned<TBackdrop> backdrop(new TBackdrop(nullptr));
    backdrop->SetBounds(0, 0, width, height);
    backdrop->Direction = direction;
    backdrop->StartColor = 0x0000FF;  // red
    backdrop->EndColor = 0xFF0000;    // blue
    TRecordingCanvas own(width, height);
    if (!canvas) canvas = &own;
    backdrop->Paint(*canvas);
    return canvas->Calls();
  }

  // A 300 x 200 label with "Demo" in plain 20-pixel Arial (53 x 23 on
  // the recording canvas), navy.
  TOwned<TRotate3DLabel> Label() {
    TOwned<TRotate3DLabel> label(new TRotate3DLabel(nullptr));
    label->SetBounds(0, 0, 300, 200);
    label->Caption = "Demo";
    label->Font().Height = -20;
    label->Font().Style = {};
    label->Font().Color = clNavy;
    return label;
  }

  std::vector<TCanvasCall> PaintLabel(TRotate3DLabel& label) {
    TRecordingCanvas canvas(300, 200);
    label.Paint(canvas);
    return canvas.Calls();
  }
};

TEST_F(DecorationPainting, A256PixelBackdropUpHasOneBandPerRowFromStartToEnd) {
  TRecordingCanvas canvas(40, 256);
  auto calls = PaintBackdrop(TDirection::bdUp, 40, 256, &canvas);
  ASSERT_EQ(calls.size(), 256u);
  for (int32_t n = 0; n < 256; ++n) {
    EXPECT_EQ(calls[n].Kind, TCanvasCall::TKind::FillRect);
    EXPECT_EQ(calls[n].Rect, (TCanvasRect{0, n, 40, n + 1})) << "band " << n;
  }
  EXPECT_EQ(calls.front().Color, kRed);
  EXPECT_EQ(calls.back().Color, kBlue);
  EXPECT_EQ(calls[128].Color, CanvasRgb(255 - MulDiv(128, 255, 255), 0, MulDiv(128, 255, 255)));
  EXPECT_EQ(canvas.Pixel(39, 0), kRed);
  EXPECT_EQ(canvas.Pixel(0, 255), kBlue);
}

TEST_F(DecorationPainting, EachDirectionChoosesItsEndsMirrorAndAxis) {
  // Along the axis: the colour at the start, in the middle and at the far
  // end; the other dimension holds one colour.
  struct Case {
    TDirection Direction;
    TCanvasColor First, Middle, Last;
    bool Across;
  } cases[] = {
      {TDirection::bdUp, kRed, 0, kBlue, false},        {TDirection::bdDown, kBlue, 0, kRed, false},
      {TDirection::bdLeft, kRed, 0, kBlue, true},       {TDirection::bdRight, kBlue, 0, kRed, true},
      {TDirection::bdHorzIn, kBlue, kRed, kBlue, false}, {TDirection::bdHorzOut, kRed, kBlue, kRed, false},
      {TDirection::bdVertIn, kRed, kBlue, kRed, true},   {TDirection::bdVertOut, kBlue, kRed, kBlue, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(DirectionInfo.Values[static_cast<int>(c.Direction)]);
    TRecordingCanvas canvas(256, 256);
    auto calls = PaintBackdrop(c.Direction, 256, 256, &canvas);
    auto at = [&](int32_t along, int32_t other) { return c.Across ? canvas.Pixel(along, other) : canvas.Pixel(other, along); };
    EXPECT_EQ(calls.size(), 256u);
    EXPECT_EQ(at(0, 0), c.First);
    EXPECT_EQ(at(0, 255), c.First);
    EXPECT_EQ(at(255, 0), c.Last);
    EXPECT_EQ(at(255, 255), c.Last);
    if (c.Middle) {
      EXPECT_EQ(at(127, 100), c.Middle);
      EXPECT_EQ(at(128, 100), c.Middle);
    }
  }
}

TEST_F(DecorationPainting, TheSymmetricMiddlePairMeetsInTheSecondColour) {
  for (int32_t length : {256, 300, 453}) {
    SCOPED_TRACE(length);
    auto calls = PaintBackdrop(TDirection::bdHorzOut, 50, length);
    ASSERT_EQ(calls.size(), 256u);
    // Bands go in pairs, each band then its mirror; the last pair is n = 127.
    const TCanvasCall& band = calls[254];
    const TCanvasCall& mirror = calls[255];
    EXPECT_EQ(band.Rect.Bottom, MulDiv(128, length, 256));
    EXPECT_EQ(mirror.Rect.Top, MulDiv(128, length, 256));
    EXPECT_EQ(band.Color, kBlue);
    EXPECT_EQ(mirror.Color, kBlue);
    EXPECT_EQ(calls[1].Rect, (TCanvasRect{0, MulDiv(255, length, 256), 50, length}));
  }
}

TEST_F(DecorationPainting, EachStyleDrawsItsShadesUnderTheText) {
  struct TShade {
    int32_t Dx, Dy;
    TCanvasColor Color;
  };
  struct Case {
    TStyle3D Style;
    std::vector<TShade> Shades;
  } cases[] = {
      {TStyle3D::A3dNormal, {}},
      {TStyle3D::A3dResit, {{1, 1, kWhite}, {-1, -1, kGray}}},
      {TStyle3D::A3dRaised, {{-1, -1, kWhite}, {1, 1, kGray}}},
      {TStyle3D::A3dShadowed, {{3, -4, kGray}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Style3DInfo.Values[static_cast<int>(c.Style)]);
    auto label = Label();
    label->LabelStyle.SetAStyle3D(c.Style);
    label->LabelStyle.SetAHShadeOffSet(3);
    label->LabelStyle.SetAVShadeOffSet(-4);
    auto calls = PaintLabel(*label);
    ASSERT_EQ(calls.size(), c.Shades.size() + 1);
    const TCanvasCall& text = calls.back();
    EXPECT_EQ(text.Kind, TCanvasCall::TKind::TextOut);
    EXPECT_EQ(text.Text, "Demo");
    EXPECT_EQ(text.Color, kNavy);
    EXPECT_EQ(text.Rect.Left, 0);
    EXPECT_EQ(text.Rect.Top, 100 - 23 / 2);
    for (size_t i = 0; i < c.Shades.size(); ++i) {
      EXPECT_EQ(calls[i].Kind, TCanvasCall::TKind::TextOut);
      EXPECT_EQ(calls[i].Rect.Left - text.Rect.Left, c.Shades[i].Dx) << "shade " << i;
      EXPECT_EQ(calls[i].Rect.Top - text.Rect.Top, c.Shades[i].Dy) << "shade " << i;
      EXPECT_EQ(calls[i].Color, c.Shades[i].Color) << "shade " << i;
    }
  }
}

TEST_F(DecorationPainting, TheTextIsPlacedByAlignmentAndTurnedByTheAngle) {
  // W 53, H 23, centre (150, 100): x = 150 - trunc(26.5 cos) - trunc(11.5 sin),
  // y = trunc(26.5 sin) + 100 - trunc(11.5 cos), x 0 or 300 - 53 when
  // not centred.
  struct Case {
    int32_t Angle;
    TAlignment Alignment;
    int32_t X, Y;
  } cases[] = {
      {0, TAlignment::taCenter, 124, 89},   {90, TAlignment::taCenter, 139, 126},
      {30, TAlignment::taCenter, 123, 104}, {180, TAlignment::taCenter, 176, 111},
      {270, TAlignment::taCenter, 161, 74}, {30, TAlignment::taLeftJustify, 0, 104},
      {30, TAlignment::taRightJustify, 247, 104},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Angle << " degrees, alignment " << static_cast<int>(c.Alignment));
    auto label = Label();
    label->LabelStyle.SetAStyle3D(TStyle3D::A3dNormal);
    label->LabelStyle.SetAngle(c.Angle);
    label->Alignment = c.Alignment;
    auto calls = PaintLabel(*label);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Rect.Left, c.X);
    EXPECT_EQ(calls[0].Rect.Top, c.Y);
    EXPECT_EQ(calls[0].Font.Escapement, c.Angle * 10);
    EXPECT_EQ(calls[0].Font.Height, 20);
  }
}

TEST_F(DecorationPainting, AnOpaqueLabelFillsItsTurnedBoxAndLosesItsStyleForGood) {
  auto label = Label();
  label->MyTransparent = false;
  label->SetColor(0x00FFFF);  // yellow
  label->LabelStyle.SetAngle(90);
  auto calls = PaintLabel(*label);
  ASSERT_EQ(calls.size(), 2u);
  // The box is 63 x 30 round (150, 100), turned upright.
  EXPECT_EQ(calls[0].Kind, TCanvasCall::TKind::Polygon);
  EXPECT_EQ(calls[0].Color, CanvasRgb(255, 255, 0));
  EXPECT_EQ(calls[0].Points, (std::vector<TCanvasPoint>{{135, 131}, {135, 69}, {165, 69}, {165, 131}}));
  EXPECT_EQ(calls[1].Kind, TCanvasCall::TKind::TextOut);
  EXPECT_EQ(label->LabelStyle.AStyle3D(), TStyle3D::A3dNormal);

  label->MyTransparent = true;
  calls = PaintLabel(*label);
  EXPECT_EQ(calls.size(), 1u) << "still without shades";
}

// Counts the forms the user interface is asked to show again.
class TCountingUserInterface : public TUnattendedUserInterface {
 public:
  void FormChanged(TCustomForm&) override { ++Changes; }
  int Changes = 0;
};

TEST_F(DecorationPainting, AStyleChangeDrawsTheLabelAgain) {
  struct Case {
    const char* What;
    std::function<void(TLabelStyle&)> Change;
    int Repaints;
    bool Shown = true;
  } cases[] = {
      {"angle", [](TLabelStyle& s) { s.SetAngle(45); }, 1},
      {"the same angle", [](TLabelStyle& s) { s.SetAngle(0); }, 0},
      {"style", [](TLabelStyle& s) { s.SetAStyle3D(TStyle3D::A3dResit); }, 1},
      {"lower-right shade", [](TLabelStyle& s) { s.SetAShadeRightBottom(clNavy); }, 1},
      {"white flag", [](TLabelStyle& s) { s.SetAShadeLTSet(false); }, 1},
      {"upper-left shade under the white flag", [](TLabelStyle& s) { s.SetAShadeLeftTop(clNavy); }, 0},
      {"offsets while raised", [](TLabelStyle& s) { s.SetAHShadeOffSet(9), s.SetAVShadeOffSet(9); }, 0},
      {"offsets while shadowed",
       [](TLabelStyle& s) { s.SetAStyle3D(TStyle3D::A3dShadowed), s.SetAHShadeOffSet(9), s.SetAVShadeOffSet(9); }, 3},
      {"angle on a hidden form", [](TLabelStyle& s) { s.SetAngle(45); }, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TCountingUserInterface ui;
    TUserInterfaceGuard guard(ui);
    TOwned<TForm> form(new TForm(nullptr));
    form->Visible = c.Shown;
    auto* label = new TRotate3DLabel(form.get());
    label->SetParent(form.get());
    c.Change(label->LabelStyle);
    EXPECT_EQ(ui.Changes, c.Repaints);
  }
}

TEST_F(DecorationPainting, TheMainWindowsFaceShowsTheBackdropUnderTheLabel) {
  auto form = LoadText(kMainForm);
  TRecordingCanvas canvas(688, 453);
  PaintControls(*As<TWinControl>(form), canvas);
  EXPECT_EQ(canvas.Pixel(0, 0), 15234048u);
  EXPECT_EQ(canvas.Pixel(687, 452), 0u);
  EXPECT_EQ(canvas.Width(), 688) << "the viewport is the whole picture again";
  // The navy text lies inside the label, cut off at its edges; the
  // backdrop shows round it, the label being transparent.
  int navy = 0, outside = 0;
  for (int32_t y = 0; y < 453; ++y)
    for (int32_t x = 0; x < 688; ++x) {
      const TCanvasColor pixel = *canvas.Pixel(x, y);
      const bool inLabel = x >= 1 && x < 687 && y >= 1 && y < 61;
      if (pixel == kNavy) (inLabel ? navy : outside)++;
    }
  EXPECT_GT(navy, 500);
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(canvas.Pixel(2, 1), 15234048u) << "the first band, seen through the label";
}

}  // namespace
}  // namespace brim::test

#include "decoration/cmp_Rotate3DLabel.h"

#include <cmath>

#include "widgets/Painting.h"

namespace brim {

const TEnumInfo Style3DInfo("TStyle3D", {"A3dNormal", "A3dResit", "A3dRaised", "A3dShadowed"});

// ---- TLabelStyle ----

const TClassInfo& TLabelStyle::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TLabelStyle>("TLabelStyle", &TPersistent::StaticClass())
          .Integer("Angle", Methods(&TLabelStyle::Angle, &TLabelStyle::SetAngle), 0)
          .Enumeration("AStyle3D", Methods(&TLabelStyle::AStyle3D, &TLabelStyle::SetAStyle3D), Style3DInfo,
                       static_cast<int64_t>(TStyle3D::A3dRaised))
          .Color("AShadeLeftTop", Methods(&TLabelStyle::AShadeLeftTop, &TLabelStyle::SetAShadeLeftTop), clWhite)
          .Color("AShadeRightBottom",
                 Methods(&TLabelStyle::AShadeRightBottom, &TLabelStyle::SetAShadeRightBottom), clGray)
          .Boolean("AShadeLTSet", Methods(&TLabelStyle::AShadeLTSet, &TLabelStyle::SetAShadeLTSet), true)
          .Integer("AHShadeOffSet", Methods(&TLabelStyle::AHShadeOffSet, &TLabelStyle::SetAHShadeOffSet), 5)
          .Integer("AVShadeOffSet", Methods(&TLabelStyle::AVShadeOffSet, &TLabelStyle::SetAVShadeOffSet), -5)
          .Build();
  return info;
}

TPersistent* TLabelStyle::GetOwner() const { return label_; }

bool TLabelStyle::Loading() const { return label_ && label_->HasState(csLoading); }

void TLabelStyle::Changed() {
  if (label_) InvalidateControl(*label_);
}

void TLabelStyle::SetAngle(int32_t degrees) {
  int32_t angle = degrees >= 0 && degrees <= 359 ? degrees : 0;
  if (angle == angle_) return;
  angle_ = angle;
  Changed();
}

void TLabelStyle::SetAStyle3D(TStyle3D style) {
  if (style == style3D_) return;
  style3D_ = style;
  Changed();
}

void TLabelStyle::SetAShadeRightBottom(TColor color) {
  if (color == shadeRightBottom_) return;
  shadeRightBottom_ = color;
  Changed();
}

void TLabelStyle::SetAHShadeOffSet(int32_t pixels) {
  if (pixels == hShadeOffset_) return;
  hShadeOffset_ = pixels;
  if (style3D_ == TStyle3D::A3dShadowed) Changed();
}

void TLabelStyle::SetAVShadeOffSet(int32_t pixels) {
  if (pixels == vShadeOffset_) return;
  vShadeOffset_ = pixels;
  if (style3D_ == TStyle3D::A3dShadowed) Changed();
}

void TLabelStyle::SetAShadeLeftTop(TColor color) {
  if (ltSet_ && !Loading()) return;
  if (color == shadeLeftTop_) return;
  shadeLeftTop_ = color;
  Changed();
}

void TLabelStyle::SetAShadeLTSet(bool value) {
  if (Loading()) {
    ltSet_ = value;
    return;
  }
  if (value == ltSet_) return;
  if (value) {
    rememberedLeftTop_ = shadeLeftTop_;
    shadeLeftTop_ = clWhite;
  } else {
    shadeLeftTop_ = rememberedLeftTop_;
  }
  ltSet_ = value;
  Changed();
}

void TLabelStyle::Loaded() {
  if (ltSet_ && shadeLeftTop_ != clWhite) {
    rememberedLeftTop_ = shadeLeftTop_;
    shadeLeftTop_ = clWhite;
  }
}

void TLabelStyle::Assign(const TPersistent& source) {
  auto* s = dynamic_cast<const TLabelStyle*>(&source);
  if (!s) throw EAssignError("Cannot assign a %s to a %s", source.ClassName(), ClassName());
  angle_ = s->angle_;
  style3D_ = s->style3D_;
  shadeLeftTop_ = s->shadeLeftTop_;
  rememberedLeftTop_ = s->rememberedLeftTop_;
  ltSet_ = s->ltSet_;
  shadeRightBottom_ = s->shadeRightBottom_;
  hShadeOffset_ = s->hShadeOffset_;
  vShadeOffset_ = s->vShadeOffset_;
  Changed();
}

// ---- TRotate3DLabel ----

const TClassInfo& TRotate3DLabel::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TRotate3DLabel> b("TRotate3DLabel", &TCustomLabel::StaticClass());
    b.Creatable()
        .Enumeration("Alignment", Field(&TCustomLabel::Alignment), AlignmentInfo, 0);
    PublishCaption(b);
    // The background colour when not transparent; the label never takes
    // its parent's.
    b.Color("Color", Methods(&TControl::Color, &TControl::SetColor), clWindow);
    PublishFont(b, false);
    b.Object("LabelStyle", [](TRotate3DLabel& l) -> TPersistent* { return &l.LabelStyle; })
        .Boolean("MyTransparent", Field(&TRotate3DLabel::MyTransparent), true);
    return b.Build();
  }();
  return info;
}

TRotate3DLabel::TRotate3DLabel(TComponent* owner) : TCustomLabel(owner) {
  AutoSize = false;
  Transparent = true;
  SetColor(clWindow);
  Font().Name = "Arial";
  Font().Style = TFontStyles{TFontStyle::fsBold};
  FontChanged();
}

void TRotate3DLabel::Loaded() {
  TCustomLabel::Loaded();
  LabelStyle.Loaded();
}

void TRotate3DLabel::Paint(ICanvas& canvas) {
  const double radians = LabelStyle.Angle() * 3.14159265358979323846 / 180;
  const double c = std::cos(radians), s = std::sin(radians);
  // An opaque label draws flat, and stays flat.
  if (!MyTransparent) LabelStyle.style3D_ = TStyle3D::A3dNormal;
  const TStyle3D style = LabelStyle.AStyle3D();
  int32_t leftTop = 0, rightBottom = 0;  // the shades' offsets, the same across and down
  if (style == TStyle3D::A3dResit) leftTop = 1, rightBottom = -1;
  if (style == TStyle3D::A3dRaised) leftTop = -1, rightBottom = 1;

  TCanvasFont font = CanvasFontOf(Font());
  font.Escapement = LabelStyle.Angle() * 10;
  const TCanvasSize extent = canvas.TextExtent(Caption, font);
  const double w = extent.Width, h = extent.Height;
  const int32_t cx = Width / 2, cy = Height / 2;
  // A corner of a box centred on the control and turned by the angle:
  // across -1 at the start of the text's line and +1 at its end, down -1
  // at the top of its cell and +1 at the bottom. The centred text's top
  // left is corner (-1, -1) of its own box.
  auto half = [](double length, double factor) { return static_cast<int32_t>(std::trunc(length / 2 * factor)); };
  auto corner = [&](double boxWidth, double boxHeight, int across, int down) -> TCanvasPoint {
    return {cx + across * half(boxWidth, c) + down * half(boxHeight, s),
            cy - across * half(boxWidth, s) + down * half(boxHeight, c)};
  };
  int32_t x = corner(w, h, -1, -1).X;
  if (Alignment == TAlignment::taLeftJustify) x = 0;
  if (Alignment == TAlignment::taRightJustify) x = Width - extent.Width;
  const int32_t y = corner(w, h, -1, -1).Y;

  if (!MyTransparent)
    canvas.Polygon({corner(w + 10, h + 7, -1, -1), corner(w + 10, h + 7, 1, -1), corner(w + 10, h + 7, 1, 1),
                    corner(w + 10, h + 7, -1, 1)},
                   ColorToRGB(Color()));
  auto text = [&](int32_t dx, int32_t dy, TColor color) {
    TCanvasFont shade = font;
    shade.Color = ColorToRGB(color);
    canvas.TextOut(x + dx, y + dy, Caption, shade);
  };
  if (style == TStyle3D::A3dResit || style == TStyle3D::A3dRaised) {
    text(leftTop, leftTop, LabelStyle.AShadeLeftTop());
    text(rightBottom, rightBottom, LabelStyle.AShadeRightBottom());
  } else if (style == TStyle3D::A3dShadowed) {
    text(LabelStyle.AHShadeOffSet(), LabelStyle.AVShadeOffSet(), LabelStyle.AShadeRightBottom());
  }
  canvas.TextOut(x, y, Caption, font);
}

}  // namespace brim

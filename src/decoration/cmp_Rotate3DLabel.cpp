#include "decoration/cmp_Rotate3DLabel.h"

namespace brim {

const TEnumInfo Style3DInfo("TStyle3D", {"A3dNormal", "A3dResit", "A3dRaised", "A3dShadowed"});

// ---- TLabelStyle ----

const TClassInfo& TLabelStyle::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TLabelStyle>("TLabelStyle", &TPersistent::StaticClass())
          .Integer("Angle", Methods(&TLabelStyle::Angle, &TLabelStyle::SetAngle), 0)
          .Enumeration("AStyle3D", Field(&TLabelStyle::AStyle3D), Style3DInfo,
                       static_cast<int64_t>(TStyle3D::A3dRaised))
          .Color("AShadeLeftTop", Methods(&TLabelStyle::AShadeLeftTop, &TLabelStyle::SetAShadeLeftTop), clWhite)
          .Color("AShadeRightBottom", Field(&TLabelStyle::AShadeRightBottom), clGray)
          .Boolean("AShadeLTSet", Methods(&TLabelStyle::AShadeLTSet, &TLabelStyle::SetAShadeLTSet), true)
          .Integer("AHShadeOffSet", Field(&TLabelStyle::AHShadeOffSet), 5)
          .Integer("AVShadeOffSet", Field(&TLabelStyle::AVShadeOffSet), -5)
          .Build();
  return info;
}

TPersistent* TLabelStyle::GetOwner() const { return label_; }

bool TLabelStyle::Loading() const { return label_ && label_->HasState(csLoading); }

void TLabelStyle::SetAngle(int32_t degrees) { angle_ = degrees >= 0 && degrees <= 359 ? degrees : 0; }

void TLabelStyle::SetAShadeLeftTop(TColor color) {
  if (ltSet_ && !Loading()) return;
  shadeLeftTop_ = color;
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
  AStyle3D = s->AStyle3D;
  shadeLeftTop_ = s->shadeLeftTop_;
  rememberedLeftTop_ = s->rememberedLeftTop_;
  ltSet_ = s->ltSet_;
  AShadeRightBottom = s->AShadeRightBottom;
  AHShadeOffSet = s->AHShadeOffSet;
  AVShadeOffSet = s->AVShadeOffSet;
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

}  // namespace brim

// TRotate3DLabel: the large product-name label of the main window, drawn
// at an angle and with a recessed, raised or shadowed look described by
// its nested TLabelStyle. A change of the style draws the label again.
#pragma once

#include "widgets/StdCtrls.h"

namespace brim {

enum class TStyle3D { A3dNormal, A3dResit, A3dRaised, A3dShadowed };
extern const TEnumInfo Style3DInfo;

class TRotate3DLabel;

class TLabelStyle : public TPersistent {
  BRIM_CLASS(TLabelStyle)

 public:
  explicit TLabelStyle(TRotate3DLabel* label) : label_(label) {}
  TPersistent* GetOwner() const override;

  // Whole degrees 0 to 359; any other value is stored as 0.
  int32_t Angle() const { return angle_; }
  void SetAngle(int32_t degrees);

  TStyle3D AStyle3D() const { return style3D_; }
  void SetAStyle3D(TStyle3D style);
  TColor AShadeRightBottom() const { return shadeRightBottom_; }
  void SetAShadeRightBottom(TColor color);
  // The shadow's offsets; a change draws the label again only while the
  // style is A3dShadowed.
  int32_t AHShadeOffSet() const { return hShadeOffset_; }
  void SetAHShadeOffSet(int32_t pixels);
  int32_t AVShadeOffSet() const { return vShadeOffset_; }
  void SetAVShadeOffSet(int32_t pixels);

  // While AShadeLTSet is true the upper-left shade is white and setting
  // AShadeLeftTop is ignored; setting the flag remembers the colour it
  // replaces and clearing it brings that colour back. While the label is
  // being loaded both only store their value.
  TColor AShadeLeftTop() const { return shadeLeftTop_; }
  void SetAShadeLeftTop(TColor color);
  bool AShadeLTSet() const { return ltSet_; }
  void SetAShadeLTSet(bool value);

  // Copies the values as they stand, including the remembered colour.
  // The label is drawn again.
  void Assign(const TPersistent& source) override;

 private:
  friend class TRotate3DLabel;
  bool Loading() const;
  // After loading: a set flag makes the loaded colour the remembered one.
  void Loaded();
  // Asks for the label to be drawn again.
  void Changed();

  TRotate3DLabel* label_;
  int32_t angle_ = 0;
  TStyle3D style3D_ = TStyle3D::A3dRaised;
  TColor shadeRightBottom_ = clGray;
  int32_t hShadeOffset_ = 5;
  int32_t vShadeOffset_ = -5;
  TColor shadeLeftTop_ = clWhite;
  TColor rememberedLeftTop_ = clWhite;
  bool ltSet_ = true;
};

// At creation: transparent, not auto-sized, font Arial bold.
class TRotate3DLabel : public TCustomLabel {
  BRIM_CLASS(TRotate3DLabel)

 public:
  explicit TRotate3DLabel(TComponent* owner);

  // False fills the turned box around the text with Color first; such a
  // label loses its 3D style on its first paint, for good.
  bool MyTransparent = true;
  TLabelStyle LabelStyle{this};

  void Loaded() override;

  // The caption turned by the style's Angle about the control's centre
  // (left, right or centred by Alignment), with its shades below it.
  void Paint(ICanvas& canvas) override;
  bool PaintsItself() const override { return true; }
};

}  // namespace brim

// Panels, images and bevels: the controls that lay out a page (the left
// image panel, the bottom button panel with its bevel line) rather than
// take input.
#pragma once

#include "widgets/Controls.h"

namespace brim {

enum class TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum class TBevelStyle { bsLowered, bsRaised };
extern const TEnumInfo BevelShapeInfo;
extern const TEnumInfo BevelStyleInfo;

// A windowed container with a caption and a two-part bevelled border.
class TCustomPanel : public TCustomControl {
  BRIM_CLASS(TCustomPanel)

 public:
  explicit TCustomPanel(TComponent* owner);

  TAlignment Alignment = TAlignment::taCenter;
  TBevelCut BevelInner = TBevelCut::bvNone;
  TBevelCut BevelOuter = TBevelCut::bvRaised;
  int32_t BevelWidth = 1;
  int32_t BorderWidth = 0;
  TBorderStyle BorderStyle = TBorderStyle::bsNone;
  TNotifyEvent OnResize;
};

class TPanel : public TCustomPanel {
  BRIM_CLASS(TPanel)

 public:
  explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

// Shows a picture, at its own size, centred or stretched to the control.
class TImage : public TGraphicControl {
  BRIM_CLASS(TImage)

 public:
  explicit TImage(TComponent* owner);

  bool AutoSize = false;
  bool Center = false;
  TPicture Picture;
  bool Stretch = false;
  bool Transparent = false;
};

// A lowered or raised line or frame.
class TBevel : public TGraphicControl {
  BRIM_CLASS(TBevel)

 public:
  explicit TBevel(TComponent* owner);

  TBevelShape Shape = TBevelShape::bsBox;
  TBevelStyle Style = TBevelStyle::bsLowered;
};

}  // namespace brim

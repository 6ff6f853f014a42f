// TBackdrop: the gradient panel that fills the setup program's main
// window, shading from StartColor to EndColor in the chosen Direction.
// The gradient is 256 solid bands (128 mirrored pairs in the symmetric
// directions), each a step of the colour between the two ends.
#pragma once

#include "widgets/ExtCtrls.h"

namespace brim {

enum class TDirection { bdUp, bdDown, bdLeft, bdRight, bdHorzIn, bdHorzOut, bdVertIn, bdVertOut };
extern const TEnumInfo DirectionInfo;

class TBackdrop : public TPanel {
  BRIM_CLASS(TBackdrop)

 public:
  explicit TBackdrop(TComponent* owner);

  TDirection Direction = TDirection::bdUp;
  TColor StartColor = 16711680;
  TColor EndColor = 0;

  void Paint(ICanvas& canvas) override;
  bool PaintsItself() const override { return true; }
};

}  // namespace brim

// The two controls that carry the string identifier of their text: a
// label and a glyph button. A GLID above 0 names the text the translator
// puts in; any GLID other than 0 keeps the translator from translating
// the control's text by its wording (so a negative GLID leaves it as is).
#pragma once

#include "widgets/Buttons.h"
#include "widgets/StdCtrls.h"

namespace brim {

class TTranslateLabel : public TLabel {
  BRIM_CLASS(TTranslateLabel)

 public:
  explicit TTranslateLabel(TComponent* owner) : TLabel(owner) {}

  int32_t GLID = 0;
};

class TTranslateBitBtn : public TBitBtn {
  BRIM_CLASS(TTranslateBitBtn)

 public:
  explicit TTranslateBitBtn(TComponent* owner) : TBitBtn(owner) {}

  int32_t GLID = 0;
};

}  // namespace brim

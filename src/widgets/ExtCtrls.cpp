#include "widgets/ExtCtrls.h"

namespace brim {

const TEnumInfo BevelShapeInfo("TBevelShape", {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine",
                                               "bsLeftLine", "bsRightLine", "bsSpacer"});
const TEnumInfo BevelStyleInfo("TBevelStyle", {"bsLowered", "bsRaised"});

const TClassInfo& TCustomPanel::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomPanel>("TCustomPanel", &TCustomControl::StaticClass()).Build();
  return info;
}

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  Width = 185;
  Height = 41;
}

const TClassInfo& TPanel::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TPanel> b("TPanel", &TCustomPanel::StaticClass());
    b.Creatable()
        .Enumeration("Alignment", Field(&TCustomPanel::Alignment), AlignmentInfo, 2)
        .Enumeration("BevelInner", Field(&TCustomPanel::BevelInner), BevelCutInfo, 0)
        .Enumeration("BevelOuter", Field(&TCustomPanel::BevelOuter), BevelCutInfo, 2)
        .Integer("BevelWidth", Field(&TCustomPanel::BevelWidth), 1)
        .Integer("BorderWidth", Field(&TCustomPanel::BorderWidth), 0)
        .Enumeration("BorderStyle", Field(&TCustomPanel::BorderStyle), BorderStyleInfo, 0);
    PublishCaption(b);
    PublishColor(b, clBtnFace, true);
    PublishFont(b);
    PublishTabs(b, false);
    b.Event("OnResize", &TCustomPanel::OnResize);
    return b.Build();
  }();
  return info;
}

const TClassInfo& TImage::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TImage>("TImage", &TGraphicControl::StaticClass())
          .Creatable()
          .Boolean("AutoSize", Field(&TImage::AutoSize), false)
          .Boolean("Center", Field(&TImage::Center), false)
          .Object("Picture", [](TImage& i) -> TPersistent* { return &i.Picture; })
          .Boolean("Stretch", Field(&TImage::Stretch), false)
          .Boolean("Transparent", Field(&TImage::Transparent), false)
          .Build();
  return info;
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  Width = 105;
  Height = 105;
}

const TClassInfo& TBevel::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TBevel>("TBevel", &TGraphicControl::StaticClass())
          .Creatable()
          .Enumeration("Shape", Field(&TBevel::Shape), BevelShapeInfo, 0)
          .Enumeration("Style", Field(&TBevel::Style), BevelStyleInfo, 0)
          .Build();
  return info;
}

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
  Width = 50;
  Height = 50;
}

}  // namespace brim

#include "decoration/cmp_TBackDrop.h"

namespace brim {

const TEnumInfo DirectionInfo("TDirection", {"bdUp", "bdDown", "bdLeft", "bdRight", "bdHorzIn", "bdHorzOut",
                                             "bdVertIn", "bdVertOut"});

const TClassInfo& TBackdrop::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TBackdrop>("TBackdrop", &TPanel::StaticClass())
          .Creatable()
          // A backdrop fills its parent unless told otherwise.
          .Enumeration("Align", Field(&TControl::Align), AlignInfo, static_cast<int64_t>(TAlign::alClient))
          .Enumeration("Direction", Field(&TBackdrop::Direction), DirectionInfo, 0)
          .Color("EndColor", Field(&TBackdrop::EndColor), 0)
          .Color("StartColor", Field(&TBackdrop::StartColor), 16711680)
          .Build();
  return info;
}

TBackdrop::TBackdrop(TComponent* owner) : TPanel(owner) { Align = TAlign::alClient; }

}  // namespace brim

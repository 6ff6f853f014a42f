#include "translation/cmp_TTranslateControls.h"

namespace brim {

const TClassInfo& TTranslateLabel::StaticClass() {
  static const TClassInfo info = TClassBuilder<TTranslateLabel>("TTranslateLabel", &TLabel::StaticClass())
                                     .Creatable()
                                     .Integer("GLID", Field(&TTranslateLabel::GLID), 0)
                                     .Build();
  return info;
}

const TClassInfo& TTranslateBitBtn::StaticClass() {
  static const TClassInfo info = TClassBuilder<TTranslateBitBtn>("TTranslateBitBtn", &TBitBtn::StaticClass())
                                     .Creatable()
                                     .Integer("GLID", Field(&TTranslateBitBtn::GLID), 0)
                                     .Build();
  return info;
}

}  // namespace brim

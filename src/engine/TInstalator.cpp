#include "engine/TInstalator.h"

namespace brim {

const TClassInfo& TInstalator::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TInstalator>("TInstalator", &TForm::StaticClass()).Creatable().Build();
  return info;
}

}  // namespace brim

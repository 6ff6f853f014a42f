#include "components/InstallParameters.h"

namespace brim {

const TClassInfo& TMessageParameter::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TMessageParameter>("TMessageParameter", &TPersistent::StaticClass()).Build();
  return info;
}

}  // namespace brim

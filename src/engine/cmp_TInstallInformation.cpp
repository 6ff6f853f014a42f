#include "engine/cmp_TInstallInformation.h"

namespace brim {

const TClassInfo& TInstallInformation::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TInstallInformation>("TInstallInformation", &TPersistent::StaticClass())
          .String("CompanyName", Field(&TInstallInformation::CompanyName), "My Company")
          .String("ProductName", Field(&TInstallInformation::ProductName), "My product")
          .String("Version", Field(&TInstallInformation::Version), "1.0")
          .Build();
  return info;
}

}  // namespace brim

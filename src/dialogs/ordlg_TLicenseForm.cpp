#include "dialogs/ordlg_TLicenseForm.h"

namespace brim {

const TClassInfo& TLicenseForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TLicenseForm>("TLicenseForm", &TBaseInstallForm::StaticClass()).Creatable().Build();
  return info;
}

}  // namespace brim

#include "dialogs/ordlg_TBadInstallForm.h"

namespace brim {

const TClassInfo& TBadInstallForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TBadInstallForm>("TBadInstallForm", &TBaseInstallForm::StaticClass()).Creatable().Build();
  return info;
}

}  // namespace brim

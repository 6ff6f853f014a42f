#include "dialogs/ordlg_TGoodInstallForm.h"

namespace brim {

const TClassInfo& TGoodInstallForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TGoodInstallForm>("TGoodInstallForm", &TBaseInstallForm::StaticClass()).Creatable().Build();
  return info;
}

}  // namespace brim

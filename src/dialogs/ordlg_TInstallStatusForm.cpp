#include "dialogs/ordlg_TInstallStatusForm.h"

namespace brim {

const TClassInfo& TInstallStatusForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TInstallStatusForm>("TInstallStatusForm", &TForm::StaticClass()).Creatable().Build();
  return info;
}

}  // namespace brim

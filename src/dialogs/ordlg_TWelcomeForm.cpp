#include "dialogs/ordlg_TWelcomeForm.h"

namespace brim {

const TClassInfo& TWelcomeForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TWelcomeForm>("TWelcomeForm", &TBaseInstallForm::StaticClass()).Creatable().Build();
  return info;
}

}  // namespace brim

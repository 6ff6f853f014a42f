#include "dialogs/ordlg_TReadmeForm.h"

namespace brim {

const TClassInfo& TReadmeForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TReadmeForm>("TReadmeForm", &TBaseInstallForm::StaticClass()).Creatable().Build();
  return info;
}

}  // namespace brim

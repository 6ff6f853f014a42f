#include "dialogs/dlgcmp_TGoodInstallationDlg.h"

namespace brim {

const TClassInfo& TGoodInstallationDlg::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TGoodInstallationDlg>("TGoodInstallationDlg", &TBaseInstallDlg::StaticClass()).Creatable().Build();
  return info;
}

}  // namespace brim

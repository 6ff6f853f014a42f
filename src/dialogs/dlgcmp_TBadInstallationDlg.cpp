#include "dialogs/dlgcmp_TBadInstallationDlg.h"

namespace brim {

const TClassInfo& TBadInstallationDlg::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TBadInstallationDlg>("TBadInstallationDlg", &TBaseInstallDlg::StaticClass()).Creatable().Build();
  return info;
}

}  // namespace brim

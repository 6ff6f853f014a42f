#include "dialogs/dlgcmp_TBaseDlg.h"

namespace brim {

TCustomBaseInstallDlg::TCustomBaseInstallDlg(TComponent* owner) : TInstallObject(owner) {
  // Dialogs run when their phase comes, not with the container.
  ProcessWithContainer = false;
  Order = 0;
  InstallTypes = TInstallTypeSet{TInstallType::itFull, TInstallType::itDefault,
                                 TInstallType::itCompact, TInstallType::itCustom};
}

const TClassInfo& TCustomBaseInstallDlg::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomBaseInstallDlg>("TCustomBaseInstallDlg", &TInstallObject::StaticClass())
          .Build();
  return info;
}

const TClassInfo& TBaseInstallDlg::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TBaseInstallDlg> b("TBaseInstallDlg", &TCustomBaseInstallDlg::StaticClass());
    b.Creatable();
    PublishDialogProperties(b, {BRIM_PAGE_DIALOG_PROPERTIES});
    return b.Build();
  }();
  return info;
}

}  // namespace brim

#include "dialogs/dlgcmp_TBadInstallationDlg.h"

#include "dialogs/ordlg_TBadInstallForm.h"

namespace brim {

TBadInstallationDlg::TBadInstallationDlg(TComponent* owner) : TBaseInstallDlg(owner) {
  Order = 10;
  RegisterPage(TManagerType::dmAfterBadInstall, *FormClass());
}

const TDialogFormClass* TBadInstallationDlg::FormClass() const { return &DialogFormClassOf<TBadInstallForm>(); }

void TBadInstallationDlg::AssignDialogProperties() {
  TBaseInstallDlg::AssignDialogProperties();
  AssignStandardPageProperties();
}

const TClassInfo& TBadInstallationDlg::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TBadInstallationDlg>("TBadInstallationDlg", &TBaseInstallDlg::StaticClass()).Creatable().Build();
  return info;
}

}  // namespace brim

#include "dialogs/dlgcmp_TGoodInstallationDlg.h"

#include "dialogs/ordlg_TGoodInstallForm.h"

namespace brim {

TGoodInstallationDlg::TGoodInstallationDlg(TComponent* owner) : TBaseInstallDlg(owner) {
  Order = 10;
  RegisterPage(TManagerType::dmAfterGoodInstall, *FormClass());
}

const TDialogFormClass* TGoodInstallationDlg::FormClass() const { return &DialogFormClassOf<TGoodInstallForm>(); }

void TGoodInstallationDlg::AssignDialogProperties() {
  TBaseInstallDlg::AssignDialogProperties();
  AssignStandardPageProperties();
}

const TClassInfo& TGoodInstallationDlg::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TGoodInstallationDlg>("TGoodInstallationDlg", &TBaseInstallDlg::StaticClass()).Creatable().Build();
  return info;
}

}  // namespace brim

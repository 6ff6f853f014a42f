#include "dialogs/dlgcmp_TLicenseDlg.h"

#include "dialogs/ordlg_TLicenseForm.h"

namespace brim {

TLicenseDlg::TLicenseDlg(TComponent* owner) : TBaseInstallDlg(owner) {
  Order = 20;
  RegisterPage(TManagerType::dmBeforeInstall, *FormClass());
}

const TDialogFormClass* TLicenseDlg::FormClass() const { return &DialogFormClassOf<TLicenseForm>(); }

void TLicenseDlg::AssignDialogProperties() {
  TBaseInstallDlg::AssignDialogProperties();
  AssignStandardPageProperties();
  if (auto* page = dynamic_cast<TLicenseForm*>(Form))
    if (auto* agreement = page->Control<TCustomMemo>("Agreement")) agreement->Lines.Assign(LicenseAgreement);
}

const TClassInfo& TLicenseDlg::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TLicenseDlg>("TLicenseDlg", &TBaseInstallDlg::StaticClass())
          .Creatable()
          .Object("LicenseAgreement", [](TLicenseDlg& d) { return &d.LicenseAgreement; })
          .Build();
  return info;
}

}  // namespace brim

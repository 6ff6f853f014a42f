// TLicenseDlg: the licence page of the wizard ("Software license
// agreement") with the agreement text the author wrote.
#pragma once

#include "dialogs/dlgcmp_TBaseDlg.h"
#include "objects/TStrings.h"

namespace brim {

class TLicenseDlg : public TBaseInstallDlg {
  BRIM_CLASS(TLicenseDlg)

 public:
  // Registers the licence page of the before-install phase for itself.
  explicit TLicenseDlg(TComponent* owner);

  // The licence text shown in the page's agreement box.
  TStringList LicenseAgreement;

  const TDialogFormClass* FormClass() const override;
  // Also puts the agreement into the page.
  void AssignDialogProperties() override;

 protected:
  int StandaloneCode() const override { return -981; }
};

}  // namespace brim

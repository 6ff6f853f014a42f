// TLicenseDlg: the licence page of the wizard ("Software license
// agreement") with the agreement text the author wrote.
#pragma once

#include "dialogs/dlgcmp_TBaseDlg.h"
#include "objects/TStrings.h"

namespace brim {

class TLicenseDlg : public TBaseInstallDlg {
  BRIM_CLASS(TLicenseDlg)

 public:
  explicit TLicenseDlg(TComponent* owner) : TBaseInstallDlg(owner) { Order = 20; }

  // The licence text shown in the page's agreement box.
  TStringList LicenseAgreement;
};

}  // namespace brim

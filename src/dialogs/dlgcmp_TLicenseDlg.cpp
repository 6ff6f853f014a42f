#include "dialogs/dlgcmp_TLicenseDlg.h"

namespace brim {

const TClassInfo& TLicenseDlg::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TLicenseDlg>("TLicenseDlg", &TBaseInstallDlg::StaticClass())
          .Creatable()
          .Object("LicenseAgreement", [](TLicenseDlg& d) { return &d.LicenseAgreement; })
          .Build();
  return info;
}

}  // namespace brim

// TGoodInstallationDlg: the closing page after a good installation
// ("Setup complete"), shown in the dmAfterGoodInstall phase.
#pragma once

#include "dialogs/dlgcmp_TBaseDlg.h"

namespace brim {

class TGoodInstallationDlg : public TBaseInstallDlg {
  BRIM_CLASS(TGoodInstallationDlg)

 public:
  explicit TGoodInstallationDlg(TComponent* owner) : TBaseInstallDlg(owner) { Order = 10; }
};

}  // namespace brim

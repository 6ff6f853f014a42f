// TBadInstallationDlg: the closing page after a failed installation
// ("Setup incomplete"), shown in the dmAfterBadInstall phase.
#pragma once

#include "dialogs/dlgcmp_TBaseDlg.h"

namespace brim {

class TBadInstallationDlg : public TBaseInstallDlg {
  BRIM_CLASS(TBadInstallationDlg)

 public:
  explicit TBadInstallationDlg(TComponent* owner) : TBaseInstallDlg(owner) { Order = 10; }
};

}  // namespace brim

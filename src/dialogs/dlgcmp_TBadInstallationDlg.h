// TBadInstallationDlg: the closing page after a failed installation
// ("Setup incomplete"), shown in the dmAfterBadInstall phase.
#pragma once

#include "dialogs/dlgcmp_TBaseDlg.h"

namespace brim {

class TBadInstallationDlg : public TBaseInstallDlg {
  BRIM_CLASS(TBadInstallationDlg)

 public:
  // Registers the closing page of the after-bad-install phase for itself.
  explicit TBadInstallationDlg(TComponent* owner);

  const TDialogFormClass* FormClass() const override;
  void AssignDialogProperties() override;

 protected:
  int StandaloneCode() const override { return -994; }
};

}  // namespace brim

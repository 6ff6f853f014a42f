// TGoodInstallationDlg: the closing page after a good installation
// ("Setup complete"), shown in the dmAfterGoodInstall phase.
#pragma once

#include "dialogs/dlgcmp_TBaseDlg.h"

namespace brim {

class TGoodInstallationDlg : public TBaseInstallDlg {
  BRIM_CLASS(TGoodInstallationDlg)

 public:
  // Registers the closing page of the after-good-install phase for itself.
  explicit TGoodInstallationDlg(TComponent* owner);

  const TDialogFormClass* FormClass() const override;
  void AssignDialogProperties() override;

 protected:
  int StandaloneCode() const override { return -995; }
};

}  // namespace brim

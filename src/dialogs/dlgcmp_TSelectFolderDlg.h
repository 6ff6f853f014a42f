// TSelectFolderDlg: the program folder page of the wizard ("Select folder
// in start menu"). Its Container is the shell link group whose folder the
// user chooses.
#pragma once

#include "dialogs/dlgcmp_TBaseDlg.h"

namespace brim {

class TSelectFolderDlg : public TBaseInstallDlg {
  BRIM_CLASS(TSelectFolderDlg)

 public:
  explicit TSelectFolderDlg(TComponent* owner) : TBaseInstallDlg(owner) { Order = 60; }
};

}  // namespace brim

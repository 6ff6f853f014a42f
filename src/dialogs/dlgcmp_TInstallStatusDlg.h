// TInstallStatusDlg: the borderless window that shows one line of status
// ("Reading file information...") while a longer step runs. Nested steps
// push their message and withdraw it again.
#pragma once

#include <string>

#include "dialogs/dlgcmp_TBaseDlg.h"
#include "objects/TStrings.h"

namespace brim {

class TInstallStatusDlg : public TCustomBaseInstallDlg {
  BRIM_CLASS(TInstallStatusDlg)

 public:
  explicit TInstallStatusDlg(TComponent* owner) : TCustomBaseInstallDlg(owner) {}

  // The messages announced and not yet withdrawn, the newest last.
  TStringList Messages;
  std::string CurrentMessage;
};

}  // namespace brim

// TCopyFileDlg: the progress window shown while files are copied (a file
// bar, a total bar and Cancel), with its size and screen placement.
#pragma once

#include "dialogs/dlgcmp_TBaseDlg.h"

namespace brim {

class TCopyFileDlg : public TCustomBaseInstallDlg {
  BRIM_CLASS(TCopyFileDlg)

 public:
  // Registers the copy progress form of the copy phase for itself.
  explicit TCopyFileDlg(TComponent* owner);

  const TDialogFormClass* FormClass() const override;

  int32_t Height = 146;
  int32_t Width = 474;
  TBrimwellDialogPosition Position = TBrimwellDialogPosition::qdpBottomCenter;
  int32_t RelativeLeftOffset = 0;
  int32_t RelativeTopOffset = 30;
};

}  // namespace brim

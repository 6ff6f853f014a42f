// The dialog manager: one per dialog phase of an installation (the wizard
// before copying, the closing pages, the copy progress, the change-disk
// prompt, the reboot page). It reacts to the codes its container
// broadcasts and shows the pages of its phase in one wizard window. This
// unit holds the manager component and the phase and placement types.
#pragma once

#include <cstdint>

#include "components/cmp_TInstallContainer.h"

namespace brim {

enum class TManagerType {
  dmBeforeInstall,
  dmAfterGoodInstall,
  dmAfterBadInstall,
  dmDuringCopyFiles,
  dmChangeDisk,
  dmReboot
};
extern const TEnumInfo ManagerTypeInfo;

// Where a dialog window is placed on the screen.
enum class TBrimwellDialogPosition {
  qdpCenterLeft,
  qdpCenter,
  qdpCenterRight,
  qdpBottomLeft,
  qdpBottomCenter,
  qdpBottomRight,
  qdpTopLeft,
  qdpTopCenter,
  qdpTopRight
};
extern const TEnumInfo DialogPositionInfo;

class TDialogManager : public TInstallObject {
  BRIM_CLASS(TDialogManager)

 public:
  explicit TDialogManager(TComponent* owner);
  int RegisteredType() const override { return rtDialog; }

  TManagerType ManagerType = TManagerType::dmBeforeInstall;
  // Size and placement of the wizard window.
  int32_t Height = 395;
  int32_t Width = 478;
  TBrimwellDialogPosition Position = TBrimwellDialogPosition::qdpCenter;
  int32_t RelativeLeftOffset = 0;
  int32_t RelativeTopOffset = 0;
};

}  // namespace brim

#include "dialogs/dlgcmp_TBaseContainer.h"

namespace brim {

const TEnumInfo ManagerTypeInfo("TManagerType",
                                {"dmBeforeInstall", "dmAfterGoodInstall", "dmAfterBadInstall",
                                 "dmDuringCopyFiles", "dmChangeDisk", "dmReboot"});
const TEnumInfo DialogPositionInfo("TBrimwellDialogPosition",
                                   {"qdpCenterLeft", "qdpCenter", "qdpCenterRight",
                                    "qdpBottomLeft", "qdpBottomCenter", "qdpBottomRight",
                                    "qdpTopLeft", "qdpTopCenter", "qdpTopRight"});

TDialogManager::TDialogManager(TComponent* owner) : TInstallObject(owner) {
  // A manager runs when its phase's code arrives, not with the container.
  ProcessWithContainer = false;
}

const TClassInfo& TDialogManager::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TDialogManager> b("TDialogManager", &TInstallObject::StaticClass());
    b.Creatable();
    PublishInstallProperty(b, "Container");
    b.Integer("Height", Field(&TDialogManager::Height), 395)
        .Enumeration("ManagerType", Field(&TDialogManager::ManagerType), ManagerTypeInfo,
                     static_cast<int64_t>(TManagerType::dmBeforeInstall))
        .Enumeration("Position", Field(&TDialogManager::Position), DialogPositionInfo,
                     static_cast<int64_t>(TBrimwellDialogPosition::qdpCenter))
        .Integer("RelativeLeftOffset", Field(&TDialogManager::RelativeLeftOffset))
        .Integer("RelativeTopOffset", Field(&TDialogManager::RelativeTopOffset))
        .Integer("Width", Field(&TDialogManager::Width), 478);
    return b.Build();
  }();
  return info;
}

}  // namespace brim

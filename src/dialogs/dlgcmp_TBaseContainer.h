// The dialog manager: one per dialog phase of an installation (the wizard
// before copying, the closing pages, the copy progress, the change-disk
// prompt, the reboot page). It reacts to the codes its container
// broadcasts: a page phase shows every page form registered for it in one
// wizard window, the copy phase opens progress windows and hands them the
// status of each file and download.
//
// This unit also holds the registries through which forms reach a phase:
// page forms (TBIFList), progress forms (TDCFList) and change-disk forms.
// A form class registers a default entry at program start; a dialog
// component registers an entry naming itself while it lives. And it holds
// the placement rule of the dialog windows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/cmp_TInstallContainer.h"
#include "platform/WindowService.h"

namespace brim {

class TCustomForm;
class TCustomBaseInstallDlg;
class TBaseDuringCopyForm;
class TFileStatusParameter;
class TDownloadStatusParameter;

BRIM_IEXCEPTION_CLASS(IEDialogManager, IException);

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

// The top left corner of a window of the given size placed on the screen
// by position and offsets: a left or top position takes the offset as it
// is, a centred one adds it to the centred coordinate, a right or bottom
// one keeps that far from the screen's edge (at the bottom also a
// caption's height).
struct TDialogPlace {
  int32_t Left = 0;
  int32_t Top = 0;
  bool operator==(const TDialogPlace&) const = default;
};
TDialogPlace PlaceDialog(TBrimwellDialogPosition position, int32_t relativeLeftOffset,
                         int32_t relativeTopOffset, int32_t width, int32_t height,
                         const TScreenMetrics& screen);

// A form class as the registries hold it: its name and how to make one
// (the form's stream read, ready to be configured).
struct TDialogFormClass {
  std::string Name;
  TCustomForm* (*Create)(TComponent* owner) = nullptr;
};

// An entry of the page form registry (TBIFEntry) or of the progress form
// registry (TDCFEntry): the form class, and the dialog component that
// registered it (null for the form's default entry).
struct TDialogFormEntry {
  const TDialogFormClass* FormClass = nullptr;
  TCustomBaseInstallDlg* Dialog = nullptr;
};
using TBIFEntry = TDialogFormEntry;
using TDCFEntry = TDialogFormEntry;

// Appends an entry to the page form registry; the entry stays valid until
// it is unregistered.
TBIFEntry* RegisterPageForm(const TDialogFormClass& formClass, TCustomBaseInstallDlg* dialog);
void UnregisterPageForm(TBIFEntry* entry);
int PageFormCount();
// Fails with "%d is an invalid index in the BIFList" outside the list.
TBIFEntry* PageFormEntry(int index);

TDCFEntry* RegisterProgressForm(const TDialogFormClass& formClass, TCustomBaseInstallDlg* dialog);
void UnregisterProgressForm(TDCFEntry* entry);
int ProgressFormCount();
TDCFEntry* ProgressFormEntry(int index);

// The change-disk form classes; the first one is shown.
void RegisterChangeDiskForm(const TDialogFormClass& formClass);
void UnregisterChangeDiskForm(const TDialogFormClass& formClass);
const std::vector<const TDialogFormClass*>& ChangeDiskFormClasses();

class TDialogManager : public TInstallObject {
  BRIM_CLASS(TDialogManager)

 public:
  explicit TDialogManager(TComponent* owner);
  ~TDialogManager() override;
  int RegisteredType() const override { return rtDialog; }

  TManagerType ManagerType = TManagerType::dmBeforeInstall;
  // Size and placement of the wizard window.
  int32_t Height = 395;
  int32_t Width = 478;
  TBrimwellDialogPosition Position = TBrimwellDialogPosition::qdpCenter;
  int32_t RelativeLeftOffset = 0;
  int32_t RelativeTopOffset = 0;

  // The phase's reaction to a broadcast code (-980, -979, -978, -987 run
  // the page phase of the manager of that type; -998, -988 and -996 drive
  // the copy phase; -993 the change-disk phase).
  void HandleEvent(TInstallContainer* sender, int code, TPersistent* parameter) override;

  // The page phase: the wizard window with this manager's pages. Returns
  // when the last page is done or there is no page; raises EAIUserAbort
  // when the user cancels.
  virtual void Execute();
  // The change-disk phase, for the list of the install file and its
  // TDiskParameter.
  virtual void ShowChangeDisk(TPersistent* parameterObject);

  // The copy phase: the progress forms registered for this manager.
  void OpenProgressForms();
  // Hands the status (one of the two) to each open progress form, opening
  // them first when none is open.
  void DispatchStatus(TFileStatusParameter* fileStatus, TDownloadStatusParameter* downloadStatus);
  // Hides the open progress forms; the next status opens fresh ones.
  void CloseProgressForms();
  const std::vector<TBaseDuringCopyForm*>& ProgressForms() const { return progressForms_; }

  // The dialog components whose DialogManager is this manager.
  void AddDialog(TCustomBaseInstallDlg* dialog);
  void RemoveDialog(TCustomBaseInstallDlg* dialog);
  const std::vector<TCustomBaseInstallDlg*>& Dialogs() const { return dialogs_; }

  // Forgets an open progress form the application freed.
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  // Its dialogs forget it.
  void ReleaseOnDestroy() override;

 private:
  std::vector<TCustomBaseInstallDlg*> dialogs_;
  std::vector<TBaseDuringCopyForm*> progressForms_;
};

// The manager whose page or change-disk phase is running, or null.
TDialogManager* CurrentDialogManager();
void SetCurrentDialogManager(TDialogManager* manager);

// The first dialog manager of that type whose Container is the current
// installation, in the order of the list of install containers; null when
// there is none.
TDialogManager* FindDialogManager(TManagerType type);

// Asks the current installation whether the user's abort may go ahead;
// true when there is no installation.
bool ConfirmUserAbort();

}  // namespace brim

// The progress windows of the copy phase. TBaseDuringCopyForm is what the
// copy phase's manager opens: it knows its manager and takes each status.
// TCopyFileForm ("Copying installation files") shows the file being
// processed with a file bar and a total bar; its Cancel asks whether the
// user's abort may go ahead and then stops the copy at its next checkpoint.
#pragma once

#include "dialogs/ordlg_TBaseInstallForm.h"
#include "widgets/ComCtrls.h"

namespace brim {

class TFileStatusParameter;
class TDownloadStatusParameter;

class TBaseDuringCopyForm : public TBaseBrimwellForm {
  BRIM_CLASS(TBaseDuringCopyForm)

 public:
  // Finds the copy phase's manager among the installation's.
  explicit TBaseDuringCopyForm(TComponent* owner);

  TDialogManager* Manager = nullptr;

  // When the installation allows the user's abort, the compression engine
  // and the download stop at their next checkpoint. The window stays open.
  virtual void AbortCopy();
  // One of the two is given.
  virtual void UpdateStatus(TFileStatusParameter* fileStatus, TDownloadStatusParameter* downloadStatus) {
    (void)fileStatus;
    (void)downloadStatus;
  }
};

class TCopyFileForm : public TBaseDuringCopyForm {
  BRIM_CLASS(TCopyFileForm)

 public:
  static constexpr const char* ResourceName = "TCOPYFILEFORM";

  explicit TCopyFileForm(TComponent* owner);
  // Puts the program's pictures COPYFILEIMAGE and TRANSFERIMAGE into
  // UnZipImage and TransferBitmap.
  void FormCreated() override;

  // A file status moves both bars and hides the transfer picture; a
  // download status moves the file bar and shows it.
  void UpdateStatus(TFileStatusParameter* fileStatus, TDownloadStatusParameter* downloadStatus) override;
};

}  // namespace brim

#include "dialogs/ordlg_TCopyFileForm.h"

#include "archive/cmp_TQmbxCompress.h"
#include "components/InstallParameters.h"
#include "netlocation/cmp_TNetInstallLocation.h"
#include "widgets/StdCtrls.h"

namespace brim {

TBaseDuringCopyForm::TBaseDuringCopyForm(TComponent* owner) : TBaseBrimwellForm(owner) {
  Manager = FindDialogManager(TManagerType::dmDuringCopyFiles);
  AddHandler<void(TComponent*)>("CancelBtnClick", [this](TComponent*) { AbortCopy(); });
}

void TBaseDuringCopyForm::AbortCopy() {
  if (!ConfirmUserAbort()) return;
  SharedCompressionEngine().Abort = true;
  SetNetAborted(true);
}

const TClassInfo& TBaseDuringCopyForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TBaseDuringCopyForm>("TBaseDuringCopyForm", &TBaseBrimwellForm::StaticClass()).Build();
  return info;
}

TCopyFileForm::TCopyFileForm(TComponent* owner) : TBaseDuringCopyForm(owner) {}

void TCopyFileForm::FormCreated() {
  TBaseDuringCopyForm::FormCreated();
  LoadPictureResource(Control<TImage>("UnZipImage"), "COPYFILEIMAGE");
  LoadPictureResource(Control<TImage>("TransferBitmap"), "TRANSFERIMAGE");
}

void TCopyFileForm::UpdateStatus(TFileStatusParameter* fileStatus,
                                 TDownloadStatusParameter* downloadStatus) {
  auto* transfer = Control<TImage>("TransferBitmap");
  auto* fileBar = Control<TProgressBar>("ProgressBar1");
  auto* totalBar = Control<TProgressBar>("ProgressBar2");
  auto* fileLabel = Control<TLabel>("lblCopyingFile");
  if (fileStatus) {
    if (transfer) transfer->Visible = false;
    if (totalBar) totalBar->SetPosition(fileStatus->TotalPercent);
    if (fileBar) fileBar->SetPosition(fileStatus->FilePercent);
    if (fileLabel) fileLabel->Caption = fileStatus->FileName;
  } else if (downloadStatus) {
    if (transfer) transfer->Visible = true;
    if (fileBar) fileBar->SetPosition(downloadStatus->Percent);
    if (fileLabel) fileLabel->Caption = downloadStatus->FileName;
  }
  Repaint();
  UserInterface().FormChanged(*this);
}

const TClassInfo& TCopyFileForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCopyFileForm>("TCopyFileForm", &TBaseDuringCopyForm::StaticClass()).Creatable().Build();
  return info;
}

}  // namespace brim

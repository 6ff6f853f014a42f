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
  // The engine reports every few kilobytes; the window is redrawn only when
  // what it shows changes, so that a large file is not slowed by its own
  // progress display.
  const bool download = !fileStatus && downloadStatus;
  if (!fileStatus && !downloadStatus) return;
  const std::string name = fileStatus ? fileStatus->FileName : downloadStatus->FileName;
  const int32_t filePercent = fileStatus ? fileStatus->FilePercent : downloadStatus->Percent;
  const bool same = (!transfer || transfer->Visible == download) &&
                    (!fileBar || fileBar->Position() == filePercent) &&
                    (!totalBar || download || totalBar->Position() == fileStatus->TotalPercent) &&
                    (!fileLabel || fileLabel->Caption == name);
  if (same) return;
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
  UserInterface().FormChanged(*this);
  Repaint();
}

const TClassInfo& TCopyFileForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCopyFileForm>("TCopyFileForm", &TBaseDuringCopyForm::StaticClass()).Creatable().Build();
  return info;
}

}  // namespace brim

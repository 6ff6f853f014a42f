// TInstallStatusDlg: the borderless window that shows one line of status
// ("Reading file information...") while a longer step runs. A status
// message (-974) is pushed and shown; its withdrawal (-973) shows the one
// before it again, or hides the window when none is left, so nested steps
// announce themselves and the outer step's message comes back.
#pragma once

#include <string>

#include "dialogs/dlgcmp_TBaseDlg.h"
#include "objects/TStrings.h"

namespace brim {

class TInstallStatusForm;

BRIM_IEXCEPTION_CLASS(IEInstallStatusDlg, IException);

class TInstallStatusDlg : public TCustomBaseInstallDlg {
  BRIM_CLASS(TInstallStatusDlg)

 public:
  explicit TInstallStatusDlg(TComponent* owner) : TCustomBaseInstallDlg(owner) {}
  ~TInstallStatusDlg() override;

  // The messages announced and not yet withdrawn, the newest last.
  TStringList Messages;
  std::string CurrentMessage;

  const TDialogFormClass* FormClass() const override;
  // -974 pushes and shows a message, -973 withdraws the newest.
  void HandleEvent(TInstallContainer* sender, int code, TPersistent* parameter) override;
  // Every message is set in English: the text language goes back to it.
  void Translate() override;

  // The status window, made on first use; null before.
  TInstallStatusForm* StatusForm() const { return statusForm_; }
  // Forgets a status window the application freed first.
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void ShowCurrentMessage();

  TInstallStatusForm* statusForm_ = nullptr;
};

}  // namespace brim

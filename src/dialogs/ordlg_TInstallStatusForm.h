// TInstallStatusForm: the borderless window of one status line ("Reading
// file information..."): a picture on the left and the message in
// lblMessage, the window as wide as the message.
#pragma once

#include "dialogs/ordlg_TBaseInstallForm.h"
#include "widgets/ExtCtrls.h"
#include "widgets/Forms.h"
#include "widgets/StdCtrls.h"

namespace brim {

class TInstallStatusForm : public TForm {
  BRIM_CLASS(TInstallStatusForm)

 public:
  static constexpr const char* ResourceName = "TINSTALLSTATUSFORM";

  explicit TInstallStatusForm(TComponent* owner) : TForm(owner) {}
  // Puts the program's picture STATUSIMAGE into Image1.
  void FormCreated() { LoadPictureResource(dynamic_cast<TImage*>(FindComponent("Image1")), "STATUSIMAGE"); }

  TPanel* pnlBack() const { return dynamic_cast<TPanel*>(FindComponent("pnlBack")); }
  TPanel* pnlMessage() const { return dynamic_cast<TPanel*>(FindComponent("pnlMessage")); }
  TLabel* lblMessage() const { return dynamic_cast<TLabel*>(FindComponent("lblMessage")); }
};

}  // namespace brim

// TWelcomeForm: the welcome page of the before-install phase ("Welcome"). It has no
// dialog component: its default entry shows it in every such phase.
#pragma once

#include "dialogs/ordlg_TBaseInstallForm.h"

namespace brim {

class TWelcomeForm : public TBaseInstallForm {
  BRIM_CLASS(TWelcomeForm)

 public:
  static constexpr const char* ResourceName = "TWELCOMEFORM";

  explicit TWelcomeForm(TComponent* owner) : TBaseInstallForm(owner, TManagerType::dmBeforeInstall) { Order = 5; }
  void PrepareForShow() override { PrepareStandardPage(*this); }
};

}  // namespace brim

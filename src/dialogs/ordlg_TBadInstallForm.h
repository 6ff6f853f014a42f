// TBadInstallForm: the closing page after a failed installation ("Setup incomplete").
// On the last page of its phase it offers Finish instead of Next.
#pragma once

#include "dialogs/ordlg_TBaseInstallForm.h"

namespace brim {

class TBadInstallForm : public TBaseInstallForm {
  BRIM_CLASS(TBadInstallForm)

 public:
  static constexpr const char* ResourceName = "TBADINSTALLFORM";

  explicit TBadInstallForm(TComponent* owner) : TBaseInstallForm(owner, TManagerType::dmAfterBadInstall) { Order = 10; }
  void PrepareForShow() override { PrepareClosingPage(*this); }
};

}  // namespace brim

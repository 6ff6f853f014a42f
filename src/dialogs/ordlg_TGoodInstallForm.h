// TGoodInstallForm: the closing page after a good installation ("Setup complete"). On
// the last page of its phase it offers Finish instead of Next.
#pragma once

#include "dialogs/ordlg_TBaseInstallForm.h"

namespace brim {

class TGoodInstallForm : public TBaseInstallForm {
  BRIM_CLASS(TGoodInstallForm)

 public:
  static constexpr const char* ResourceName = "TGOODINSTALLFORM";

  explicit TGoodInstallForm(TComponent* owner) : TBaseInstallForm(owner, TManagerType::dmAfterGoodInstall) { Order = 10; }
  void PrepareForShow() override { PrepareClosingPage(*this); }
};

}  // namespace brim

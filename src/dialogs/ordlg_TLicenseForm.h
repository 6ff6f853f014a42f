// TLicenseForm: the licence page ("Software license agreement"): the agreement in a
// read-only box, Agreement, filled by its TLicenseDlg.
#pragma once

#include "dialogs/ordlg_TBaseInstallForm.h"

namespace brim {

class TLicenseForm : public TBaseInstallForm {
  BRIM_CLASS(TLicenseForm)

 public:
  static constexpr const char* ResourceName = "TLICENSEFORM";

  explicit TLicenseForm(TComponent* owner) : TBaseInstallForm(owner, TManagerType::dmBeforeInstall) { Order = 20; }
  void PrepareForShow() override { PrepareStandardPage(*this); }
};

}  // namespace brim

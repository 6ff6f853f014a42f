// TReadmeForm: the readme page ("Readme information"): the text to read before
// installing in a read-only box, Information.
#pragma once

#include "dialogs/ordlg_TBaseInstallForm.h"

namespace brim {

class TReadmeForm : public TBaseInstallForm {
  BRIM_CLASS(TReadmeForm)

 public:
  static constexpr const char* ResourceName = "TREADMEFORM";

  explicit TReadmeForm(TComponent* owner) : TBaseInstallForm(owner, TManagerType::dmBeforeInstall) { Order = 30; }
  void PrepareForShow() override { PrepareStandardPage(*this); }
};

}  // namespace brim

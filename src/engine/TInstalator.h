// TInstalator: the main form of the setup program. Its stream, the
// resource "TINSTALATOR", is the install definition: the window's own
// properties, a TBackdrop holding the product label, and every install
// component of the definition as an owned component of the form.
#pragma once

#include "common/constants_Brimwell.h"
#include "widgets/Forms.h"

namespace brim {

class TInstalator : public TForm {
  BRIM_CLASS(TInstalator)

 public:
  // The resource that holds the form's stream, and the form's name in it.
  static constexpr const char* ResourceName = InstallDefinitionResource;
  static constexpr const char* ComponentName = "Instalator";

  explicit TInstalator(TComponent* owner) : TForm(owner) {}
};

}  // namespace brim

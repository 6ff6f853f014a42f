// TWelcomeForm: the welcome page of the before-install dialogs. The program
// creates one instance at start; the page's controls, its stream resource
// ("TWELCOMEFORM") and its place in the dialog sequence come later, with
// the dialog pages.
#pragma once

#include "widgets/Forms.h"

namespace brim {

class TWelcomeForm : public TForm {
  BRIM_CLASS(TWelcomeForm)

 public:
  explicit TWelcomeForm(TComponent* owner) : TForm(owner) {}
};

}  // namespace brim

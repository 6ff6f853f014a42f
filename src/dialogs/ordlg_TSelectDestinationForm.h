// TSelectDestinationForm: the page of the before-install dialogs where the
// user chooses the destination directory. The program creates one instance
// at start; the page's controls, its stream resource
// ("TSELECTDESTINATIONFORM") and its place in the dialog sequence come
// later, with the dialog pages.
#pragma once

#include "widgets/Forms.h"

namespace brim {

class TSelectDestinationForm : public TForm {
  BRIM_CLASS(TSelectDestinationForm)

 public:
  static constexpr const char* ResourceName = "TSELECTDESTINATIONFORM";
  explicit TSelectDestinationForm(TComponent* owner) : TForm(owner) {}
};

}  // namespace brim

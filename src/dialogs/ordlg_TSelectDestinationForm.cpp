#include "dialogs/ordlg_TSelectDestinationForm.h"

namespace brim {

const TClassInfo& TSelectDestinationForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TSelectDestinationForm>("TSelectDestinationForm", &TForm::StaticClass())
          .Creatable()
          .Build();
  return info;
}

}  // namespace brim

#include "engine/InstallDefinition.h"

#include "decoration/cmp_Rotate3DLabel.h"
#include "decoration/cmp_TBackDrop.h"
#include "engine/TInstalator.h"
#include "objects/ClassRegistry.h"
#include "objects/TCollection.h"
#include "objects/TGraphics.h"
#include "objects/TStrings.h"
#include "translation/cmp_TTranslateControls.h"
#include "widgets/Buttons.h"
#include "widgets/ComCtrls.h"
#include "widgets/Controls.h"
#include "widgets/ExtCtrls.h"
#include "widgets/Forms.h"
#include "widgets/StdCtrls.h"

namespace brim {

void RegisterStreamClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  const TClassInfo* classes[] = {
      // The component model.
      &TPersistent::StaticClass(), &TComponent::StaticClass(), &TStrings::StaticClass(),
      &TStringList::StaticClass(), &TCollection::StaticClass(), &TCollectionItem::StaticClass(),
      &TGraphic::StaticClass(), &TBitmap::StaticClass(), &TIcon::StaticClass(),
      &TPicture::StaticClass(), &TFont::StaticClass(),
      // The controls the forms are made of.
      &TControl::StaticClass(), &TWinControl::StaticClass(), &TGraphicControl::StaticClass(),
      &TCustomControl::StaticClass(), &TCustomForm::StaticClass(), &TForm::StaticClass(),
      &TCustomLabel::StaticClass(), &TLabel::StaticClass(), &TButton::StaticClass(),
      &TCustomEdit::StaticClass(), &TEdit::StaticClass(), &TCustomMemo::StaticClass(),
      &TMemo::StaticClass(), &TListControl::StaticClass(), &TListBox::StaticClass(),
      &TComboBox::StaticClass(), &TGroupBox::StaticClass(), &TCheckBox::StaticClass(),
      &TRadioButton::StaticClass(), &TCustomPanel::StaticClass(), &TPanel::StaticClass(),
      &TImage::StaticClass(), &TBevel::StaticClass(), &TBitBtn::StaticClass(),
      &TSpeedButton::StaticClass(), &TProgressBar::StaticClass(), &TRichEdit::StaticClass(),
      &TTabControl::StaticClass(),
      // The main form and its decoration.
      &TInstalator::StaticClass(), &TBackdrop::StaticClass(), &TRotate3DLabel::StaticClass(),
      &TLabelStyle::StaticClass(),
      // Controls that carry a string identifier.
      &TTranslateLabel::StaticClass(), &TTranslateBitBtn::StaticClass(),
  };
  for (const TClassInfo* c : classes) RegisterClass(*c);
}

}  // namespace brim

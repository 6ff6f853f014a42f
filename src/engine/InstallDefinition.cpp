#include "engine/InstallDefinition.h"

#include "objects/ClassRegistry.h"
#include "objects/TCollection.h"
#include "objects/TGraphics.h"
#include "objects/TStrings.h"

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
  };
  for (const TClassInfo* c : classes) RegisterClass(*c);
}

}  // namespace brim

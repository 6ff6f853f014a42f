// TInstallFont: an install file that, once written, is added to the
// system's font table and registered under its font name.
#pragma once

#include "components/cmp_TInstallContainer.h"

namespace brim {

BRIM_IEXCEPTION_CLASS(IEInstallFont, IException);

class TInstallFont : public TCustomInstallFile {
  BRIM_CLASS(TInstallFont)

 public:
  explicit TInstallFont(TComponent* owner) : TCustomInstallFile(owner) {}

  // The name under which the font is registered.
  std::string FontName = "A New Font";
};

}  // namespace brim

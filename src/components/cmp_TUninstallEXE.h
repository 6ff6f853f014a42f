// TUninstallEXE: the install file that ships the uninstaller and registers
// it with the platform's list of installed software, under the product's
// Uninstall key.
#pragma once

#include "components/cmp_TInstallContainer.h"

namespace brim {

BRIM_IEXCEPTION_CLASS(IEUninstallEXE, IException);

class TUninstallEXE : public TCustomInstallFile {
  BRIM_CLASS(TUninstallEXE)

 public:
  // The uninstaller comes from the network archive unless told otherwise.
  explicit TUninstallEXE(TComponent* owner) : TCustomInstallFile(owner) { SetNet(true); }
};

}  // namespace brim

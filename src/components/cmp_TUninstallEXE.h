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
  // The build no longer adds an uninstaller of its own.
  ~TUninstallEXE() override;
  // Registers the uninstaller under the product's Uninstall key: its
  // "DisplayName", the "UninstallString" and "QuietUninstallString" that
  // start it (quoted) with the product name, and what the platform's list
  // and deployment tools read: "DisplayVersion", "Publisher",
  // "URLInfoAbout" (where the definition has them), "InstallLocation",
  // "DisplayIcon", "EstimatedSize" (KB), "NoModify" and "NoRepair". The
  // uninstaller does not list itself among the files.
  void WriteUninstallInfo(const std::string& key) override;
};

}  // namespace brim

// The fixture of the install file and file container tests: a definition
// loaded from inline text onto a form (an installation and the directory
// Dir holding the files), with its sources in the scratch directory "src",
// its archive "files.1" and its destination "app".
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "archive/cmp_TQmbxCompress.h"
#include "components/cmp_TInstallContainer.h"
#include "engine/DefinitionTestForm.h"
#include "engine/cmp_TInstall.h"
#include "platform/PlatformTest.h"

namespace brim::test {

class InstallFileTest : public PlatformTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Loads the installation (with its extra properties), Dir and the files.
  void Load(const std::string& files, const std::string& installProperties = "");
  // The text of a file of Dir named name, whose source is src\fileName.
  std::string FileText(const std::string& name, const std::string& fileName,
                       const std::string& properties = "") const;
  // Writes each file's source and compresses it into files.1 under its identity.
  void Archive(const std::map<std::string, std::string>& contents);
  TCustomInstallFile* File(const std::string& name) const {
    return form->Find<TCustomInstallFile>(name);
  }
  std::string Installed(const std::string& name) { return ReadFile(At("app\\" + name)).value_or("<none>"); }
  // A string value under HKEY_LOCAL_MACHINE, or "<none>".
  std::string MachineValue(const std::string& key, const std::string& name);
  std::optional<int32_t> MachineInteger(const std::string& key, const std::string& name);
  // The uninstall key of the definition's product.
  std::string UninstallKey() const { return std::string(UninstallKeyPrefix) + ScratchKey; }

  std::unique_ptr<TDefinitionTestMainForm> form;
  TCustomInstall* install = nullptr;
  TInstallDirectory* dir = nullptr;
};

}  // namespace brim::test

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
#include "platform/ForwardingServices.h"
#include "platform/PlatformTest.h"

namespace brim::test {

// Holds a file open as another program would, while it lives.
struct THeldFile {
  std::unique_ptr<IFile> File;
  explicit THeldFile(const std::string& path)
      : File(PlatformFiles().Open(path, accRead, shareRead, TFileCreation::OpenExisting)) {}
};

// The file service of the set, with the temporary directory given.
class TTemporaryDirectoryAt : public TForwardingFileService {
 public:
  TTemporaryDirectoryAt(std::string temp) : TForwardingFileService(PlatformFiles()), temp_(temp) {}
  std::optional<std::string> TempDirectory() override { return temp_; }
  std::string temp_;
};

// The system service of the set, on another platform of Windows.
class TPlatformOf : public ISystemService {
 public:
  TPlatformOf(ISystemService& inner, uint32_t platformId) : inner_(inner), platformId_(platformId) {}
  std::optional<TOSVersion> GetVersionEx() override {
    auto v = inner_.GetVersionEx();
    if (v) v->PlatformId = platformId_;
    return v;
  }
  std::optional<std::string> SystemDirectory() override { return inner_.SystemDirectory(); }
  std::optional<std::string> WindowsDirectory() override { return inner_.WindowsDirectory(); }
  uint16_t UserDefaultLangID() override { return inner_.UserDefaultLangID(); }
  int CompareText(const std::string& a, const std::string& b) override { return inner_.CompareText(a, b); }
  bool Reboot() override { return false; }
  uint32_t LastError() override { return inner_.LastError(); }
  void SetLastError(uint32_t code) override { inner_.SetLastError(code); }
  std::string ErrorMessage(uint32_t code) override { return inner_.ErrorMessage(code); }
  int64_t UtcToLocalFileTime(int64_t t) override { return inner_.UtcToLocalFileTime(t); }
  int64_t LocalToUtcFileTime(int64_t t) override { return inner_.LocalToUtcFileTime(t); }
  TDateTime Now() override { return inner_.Now(); }
  uint32_t TickCount() override { return inner_.TickCount(); }
  uint32_t AnsiCodePage() override { return inner_.AnsiCodePage(); }
  std::optional<std::string> AnsiFromWide(const std::u16string& t) override { return inner_.AnsiFromWide(t); }
  std::u16string WideFromAnsi(const std::string& t) override { return inner_.WideFromAnsi(t); }

 private:
  ISystemService& inner_;
  uint32_t platformId_;
};

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

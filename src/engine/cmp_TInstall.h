// TInstall: the one installation component of a definition and the root of
// the install tree. It is itself a file container (its destination is the
// main installation directory, its archive the main archive) and carries
// the product's information, the build settings and the installation-wide
// events.
#pragma once

#include <array>
#include <string>

#include "components/cmp_TInstallContainer.h"
#include "engine/cmp_TInstallInformation.h"

namespace brim {

BRIM_IEXCEPTION_CLASS(IEInstall, IException);
BRIM_IEXCEPTION_CLASS(IEInstallNetLocNil, IEInstall);

extern const TEnumInfo DistributeTypeInfo;

// Settings used when the distribution is built.
class TBuildInfo : public TPersistent {
  BRIM_CLASS(TBuildInfo)

 public:
  explicit TBuildInfo(TPersistent* owner = nullptr) : owner_(owner) {}
  TPersistent* GetOwner() const override { return owner_; }

  bool AddUninstallOnCreate = true;
  std::string AppName;
  std::string AppURL;
  std::string BuildDirectory = "c:\\build";
  std::string CredentialsFile;
  std::string OCXName = "qxsetup";
  std::string PrivateKeyFile;
  bool SignCode = false;
  std::string URLPath;

 private:
  TPersistent* owner_;
};

// A handler that may clear a flag to veto what follows (Continue, QuitOut).
using TInstallVetoEvent = TEvent<void(TComponent* Sender, bool& Continue)>;
using TBeforeRunFileEvent =
    TEvent<void(TComponent* Sender, TCustomInstallFile* FileToRun, bool& DefaultAction)>;

// The command-line switch letters, in the order of their bits.
inline constexpr const char CommandSwitchLetters[] = "bfdersc";

class TCustomInstall : public TFileContainer {
  BRIM_CLASS(TCustomInstall)

 public:
  explicit TCustomInstall(TComponent* owner);
  ~TCustomInstall() override;
  bool HasPathSpecifier() const override { return false; }

  // Whether the switch letter (one of CommandSwitchLetters, lower case) was
  // given, and the text that followed it.
  bool HasSwitch(char letter) const;
  const std::string& SwitchArgument(char letter) const;

  bool AutoMaximizeWindow = true;
  TBuildInfo BuildInfo{this};
  // The side picture of the wizard pages that have none of their own.
  TPicture DialogThemeBitmap;
  TDistributeType DistributeType = TDistributeType::dtTraditional;
  bool HideMainForm = false;
  TInstallInformation Information{this};
  // Extra files placed beside the setup program.
  TStringList PresetupFiles;
  bool Reboot = false;
  bool RunAutomatic = true;
  bool UseLoadingProgram = true;

  TInstallContainerNotifyEvent OnAfterInitialized;
  TInstallContainerNotifyEvent OnAfterNotifyBadInstall;
  TInstallContainerNotifyEvent OnAfterNotifyGoodInstall;
  TInstallContainerNotifyEvent OnAfterReadArchiveInfo;
  TInstallContainerNotifyEvent OnBeforeReadArchiveInfo;
  TInstallVetoEvent OnBeforeReboot;
  TBeforeRunFileEvent OnBeforeRunFile;
  TInstallVetoEvent OnBeforeShutdown;
  TInstallVetoEvent OnBeforeCleanup;
  TInstallContainerNotifyEvent OnBeforeNotifyBadInstall;
  TInstallContainerNotifyEvent OnBeforeNotifyGoodInstall;
  TInstallContainerNotifyEvent OnFailedReboot;
  TInstallVetoEvent OnUserAbort;

  // Run-time state, not part of the definition.
  // Bit n set: the switch CommandSwitchLetters[n] was given.
  uint32_t CommandSwitches = 0;
  // The text that followed each switch letter, in the order of the bits.
  std::array<std::string, 7> SwitchArguments;
  // The directory from which the setup runs.
  std::string InstallSource;
  bool Running = false;
  bool Ended = false;
  int UnfinishedCount = 0;
  std::string CleanupBatchFile;
  bool RunCleanupBatch = false;
};

// The one installation component of the process, or null.
TCustomInstall* CurrentInstall();

class TInstall : public TCustomInstall {
  BRIM_CLASS(TInstall)

 public:
  explicit TInstall(TComponent* owner) : TCustomInstall(owner) {}
};

}  // namespace brim

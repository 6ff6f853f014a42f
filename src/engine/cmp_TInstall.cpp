#include "engine/cmp_TInstall.h"

#include <cstring>

namespace brim {

const TEnumInfo DistributeTypeInfo("TDistributeType", DistributeTypeNames);

const TClassInfo& TBuildInfo::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TBuildInfo>("TBuildInfo", &TPersistent::StaticClass())
          .Boolean("AddUninstallOnCreate", Field(&TBuildInfo::AddUninstallOnCreate), true)
          .String("AppName", Field(&TBuildInfo::AppName))
          .String("AppURL", Field(&TBuildInfo::AppURL))
          .String("BuildDirectory", Field(&TBuildInfo::BuildDirectory), "c:\\build")
          .String("CredentialsFile", Field(&TBuildInfo::CredentialsFile))
          .String("OCXName", Field(&TBuildInfo::OCXName), "qxsetup")
          .String("PrivateKeyFile", Field(&TBuildInfo::PrivateKeyFile))
          .Boolean("SignCode", Field(&TBuildInfo::SignCode))
          .String("URLPath", Field(&TBuildInfo::URLPath))
          .Build();
  return info;
}

namespace {
TCustomInstall* theInstall = nullptr;

int SwitchBit(char letter) {
  const char* at = std::strchr(CommandSwitchLetters, letter);
  return letter != '\0' && at ? static_cast<int>(at - CommandSwitchLetters) : -1;
}
}  // namespace

TCustomInstall* CurrentInstall() { return theInstall; }

bool TCustomInstall::HasSwitch(char letter) const {
  int bit = SwitchBit(letter);
  return bit >= 0 && (CommandSwitches & (1u << bit)) != 0;
}

const std::string& TCustomInstall::SwitchArgument(char letter) const {
  static const std::string none;
  int bit = SwitchBit(letter);
  return bit >= 0 ? SwitchArguments[bit] : none;
}

TCustomInstall::~TCustomInstall() {
  if (theInstall == this) theInstall = nullptr;
}

TCustomInstall::TCustomInstall(TComponent* owner) : TFileContainer(owner, false) {
  if (!theInstall) theInstall = this;
  InstallTypes = TInstallTypeSet{TInstallType::itFull};
  // The installation raises OnAfterInstallObjects itself at the end of the run.
  FireAfterInstall = false;
  SetDestDir("\\MyApplication");
  Description = "TInstall component";
}

const TClassInfo& TCustomInstall::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomInstall>("TCustomInstall", &TFileContainer::StaticClass()).Build();
  return info;
}

const TClassInfo& TInstall::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstall> b("TInstall", &TCustomInstall::StaticClass());
    b.Creatable()
        .Boolean("AutoMaximizeWindow", Field(&TCustomInstall::AutoMaximizeWindow), true)
        .Object("BuildInfo", [](TInstall& i) { return &i.BuildInfo; })
        .String("DestDir", Methods(&TInstallContainer::DestDir, &TInstallContainer::SetDestDir),
                "\\MyApplication");
    PublishInstallProperties(b, {"DestDirType"});
    b.Object("DialogThemeBitmap", [](TInstall& i) { return &i.DialogThemeBitmap; })
        .Enumeration("DistributeType", Field(&TCustomInstall::DistributeType), DistributeTypeInfo,
                     static_cast<int64_t>(TDistributeType::dtTraditional))
        .Boolean("HideMainForm", Field(&TCustomInstall::HideMainForm))
        .Object("Information", [](TInstall& i) { return &i.Information; })
        .Set("InstallTypes", Field(&TInstallContainer::InstallTypes), InstallTypeInfo,
             TInstallTypeSet{TInstallType::itFull}.Mask());
    PublishInstallProperties(b, {"NetLocation"});
    b.Object("PresetupFiles", [](TInstall& i) { return &i.PresetupFiles; })
        .Boolean("Reboot", Field(&TCustomInstall::Reboot))
        .Boolean("RunAutomatic", Field(&TCustomInstall::RunAutomatic), true)
        .Boolean("UseLoadingProgram", Field(&TCustomInstall::UseLoadingProgram))
        .Event("OnAfterInitialized", &TCustomInstall::OnAfterInitialized);
    PublishInstallProperties(b, {"OnAfterInstallObjects"});
    b.Event("OnAfterNotifyBadInstall", &TCustomInstall::OnAfterNotifyBadInstall)
        .Event("OnAfterNotifyGoodInstall", &TCustomInstall::OnAfterNotifyGoodInstall)
        .Event("OnAfterReadArchiveInfo", &TCustomInstall::OnAfterReadArchiveInfo);
    PublishInstallProperties(b, {"OnBeforeInstallObjects"});
    b.Event("OnBeforeReadArchiveInfo", &TCustomInstall::OnBeforeReadArchiveInfo)
        .Event("OnBeforeReboot", &TCustomInstall::OnBeforeReboot)
        .Event("OnBeforeRunFile", &TCustomInstall::OnBeforeRunFile)
        .Event("OnBeforeShutdown", &TCustomInstall::OnBeforeShutdown)
        .Event("OnBeforeCleanup", &TCustomInstall::OnBeforeCleanup)
        .Event("OnBeforeNotifyBadInstall", &TCustomInstall::OnBeforeNotifyBadInstall)
        .Event("OnBeforeNotifyGoodInstall", &TCustomInstall::OnBeforeNotifyGoodInstall)
        .Event("OnFailedReboot", &TCustomInstall::OnFailedReboot);
    PublishInstallProperties(b, {"OnNewDisk", "OnReplacing", "OnStatus"});
    b.Event("OnUserAbort", &TCustomInstall::OnUserAbort);
    return b.Build();
  }();
  return info;
}

}  // namespace brim

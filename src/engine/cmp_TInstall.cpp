#include "engine/cmp_TInstall.h"

#include <cstring>
#include <optional>

#include "common/routines_Strings.h"
#include "engine/cmp_TInstallRegistry.h"
#include "platform/Platform.h"
#include "session/InstallLog.h"
#include "system/cmp_TQmbxRegistry.h"
#include "system/routines_API.h"
#include "system/routines_Registry.h"

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

int SwitchBit(char letter) {
  const char* at = std::strchr(CommandSwitchLetters, letter);
  return letter != '\0' && at ? static_cast<int>(at - CommandSwitchLetters) : -1;
}

char LowerLetter(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

TInstallHooks DefaultInstallHooks() {
  TInstallHooks hooks;
  hooks.FindInstallRecord = [](TCustomInstall& install) { return install.FindInstallRecord(false); };
  // The record is known only now, after the components took their own
  // copies: the main archive's copy is taken here.
  hooks.UseLocalArchive = [](TCustomInstall& install) {
    std::string path;
    if (install.FindLocalFile(path)) install.LocalArchive = path;
  };
  hooks.Run = [](TCustomInstall& install) { install.Process(); };
  hooks.NotifyBadInstall = [](TCustomInstall& install) { install.NotifyBadInstall(); };
  hooks.CleanupLoadingProgram = [](TCustomInstall& install) { install.CleanupLoadingProgram(); };
  hooks.RemoveInstallRecord = [](TCustomInstall& install) { install.RemoveInstallRecord(); };
  hooks.Build = [](TCustomInstall& install) { install.BuildFromBuildInf(); };
  hooks.TransferToFloppies = [](TCustomInstall& install, const std::string& drive) {
    install.TransferToFloppies(drive);
  };
  hooks.ContinueAfterReboot = [](TCustomInstall& install) { install.ContinueAfterReboot(); };
  return hooks;
}

TInstallHooks& InstallHooks() {
  static TInstallHooks hooks = DefaultInstallHooks();
  return hooks;
}

TCustomInstall* CurrentInstall() { return dynamic_cast<TCustomInstall*>(CurrentInstallation()); }

namespace {

// The restart asked for by the run, and what to say if it is refused.
struct TRestartRequest {
  std::string FailureMessage;
};

}  // namespace

void RequireRestartAtEnd(const std::string& failureMessage) {
  CurrentSession().State<TRestartRequest>().FailureMessage = failureMessage;
  CurrentSession().RequireRestart();
}

bool RestartWhenRequired() {
  TInstallSession& session = CurrentSession();
  if (!session.RestartRequired()) return false;
  session.ClearRestartRequired();
  if (PlatformSystem().Reboot()) return true;
  // The components are gone by now, and with them OnFailedReboot: the
  // message taken when the restart was asked for is all that is left.
  const TRestartRequest* request = session.FindState<TRestartRequest>();
  std::string text = request && !request->FailureMessage.empty()
                         ? request->FailureMessage
                         : std::string("Could not reboot windows. Please manually reboot windows.");
  Application().MessageBox(text, Application().Title(), boxOk | boxIconWarning);
  return false;
}

namespace {

constexpr int kLocalMachine = static_cast<int>(TRootKeys::hkLocalMachine);

// The unfinished list's key: the record key joined with "Unfinished".
std::string UnfinishedKey(const std::string& recordKey) {
  if (recordKey.empty())
    throw IEInstall("The TInstall could not either write or read unfinished business from the registry");
  return JoinPath(recordKey, "Unfinished");
}

}  // namespace

std::string TCustomInstall::RecordKey() const { return InstallRecordKey; }

bool TCustomInstall::RunHasStarted() const { return Running || RunStartTime != 0; }

void TCustomInstall::ClearUnfinished() {
  DeleteRegistryTree(kLocalMachine, UnfinishedKey(InstallRecordKey));
}

void TCustomInstall::AddUnfinished(const std::string& name, int type) {
  std::string key = UnfinishedKey(InstallRecordKey);
  ++UnfinishedCount;
  WriteRegistryString(kLocalMachine, key, name, std::to_string(type));
}

void TCustomInstall::ReadUnfinished(TStrings& list) {
  list.Clear();
  std::string key = UnfinishedKey(InstallRecordKey);
  TQmbxRegistry registry(TRegRoot::LocalMachine);
  if (!registry.OpenKey(key, false)) return;
  for (const std::string& name : registry.GetValueNames()) list.Add(name + ";" + registry.ReadString(name));
}

bool TCustomInstall::HasSwitch(char letter) const {
  int bit = SwitchBit(letter);
  return bit >= 0 && (CommandSwitches & (1u << bit)) != 0;
}

const std::string& TCustomInstall::SwitchArgument(char letter) const {
  static const std::string none;
  int bit = SwitchBit(letter);
  return bit >= 0 ? SwitchArguments[bit] : none;
}

TCustomInstall::TCustomInstall(TComponent* owner) : TFileContainer(owner, false) {
  InstallTypes = TInstallTypeSet{TInstallType::itFull};
  // The installation raises OnAfterInstallObjects itself at the end of the run.
  FireAfterInstall = false;
  if (CurrentInstallation())
    throw IEInstall(
        "The TInstall component does not currently support the use of 2 TInstall components in "
        "the same project");
  if (!IsFormOrDataModule(owner)) {
    const char* text = "The owner of the TInstall component must be a form or a data module; %s";
    if (!owner) throw IEInstall(text, "it has none");
    throw IEInstall(text, owner->Name() + " is a " + owner->ClassName());
  }
  if (std::optional<std::string> bitmap = PlatformModule().LoadBitmapResource("INSTALLTHEME1")) {
    DialogThemeBitmap.Bitmap().LoadFromBytes(*bitmap);
    DialogThemeBitmap.Bitmap().SetSize(117, 290);
    defaultDialogTheme_ = DialogThemeBitmap.Bitmap().Bytes();
  }
  // The specifiers check that there is an installation: from here on this
  // is the one.
  CurrentSession().SetInstallation(this);
  try {
    SetArchiveFileType(StandardPathSpecifier<TpsMainArchiveFile>());
    SetArchiveFile("");
    SetDestDirType(StandardPathSpecifier<TpsProgramFiles>());
  } catch (...) {
    CurrentSession().SetInstallation(nullptr);
    throw;
  }
  SetDestDir("\\MyApplication");
  Description = "TInstall component";
  // An authoring tool's load runs no installation.
  if (!HasState(csDesigning)) {
    Application().OnException.Handler = [this](TComponent* sender, const Exception& e) {
      HandleException(sender, e);
    };
    handlesExceptions_ = true;
  }
}

TCustomInstall::~TCustomInstall() {
  GiveBackActivation();
  if (CurrentInstallation() == this) CurrentSession().SetInstallation(nullptr);
  RegistriesLoseInstallation();
  if (handlesExceptions_) Application().OnException = {};
  // The setup's temporary directory goes now when nothing is left in it; a
  // rename batch waiting for the restart keeps it until the start after it.
  EndTemporaryFiles();
  if (RunCleanupBatch) PlatformProcesses().RunBatchFile(CleanupBatchFile, TShowWindow::Hide);
}

void TCustomInstall::GiveBackActivation() {
  if (activationHooked_ && mainWindow_ && !mainWindow_->HasState(csDestroying))
    mainWindow_->OnActivate = savedActivate_;
  activationHooked_ = false;
}

bool TCustomInstall::DialogThemeIsDefault() const {
  if (DialogThemeBitmap.Empty()) return defaultDialogTheme_.empty();
  const auto* bitmap = dynamic_cast<const TBitmap*>(DialogThemeBitmap.Graphic());
  return bitmap && !defaultDialogTheme_.empty() && bitmap->Bytes() == defaultDialogTheme_;
}

void TCustomInstall::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component == mainWindow_) {
    mainWindow_ = nullptr;
    activationHooked_ = false;
  }
  TFileContainer::Notification(component, operation);
}

void TCustomInstall::ParseCommandLine() {
  CommandSwitches = 0;
  for (std::string& argument : SwitchArguments) argument.clear();
  LanguageArgument.clear();
  Deployment = {};
  for (const std::string& argument : ProgramArguments()) {
    // The words of a deployment ("*QUIET", "*LOG=FILE", "*LANG=NAME", ...);
    // the "*" keeps them from older programs that do not know them.
    if (TakeDeploymentWord(argument, Deployment)) {
      LanguageArgument = Deployment.Language;
      continue;
    }
    auto invalid = [&] {
      return IEInstallParameter(
          "Invalid parameter <%s>. Valid command line parameters are: -b (Build), -d (Debug), -f "
          "(Transfer to floppies), -e (Called by self-extractor), -r (After reboot)",
          argument);
    };
    if (argument.size() < 2 || (argument[0] != '-' && argument[0] != '*')) throw invalid();
    int bit = SwitchBit(LowerLetter(argument[1]));
    if (bit < 0) {
      // "*" passes other letters through ("*TODISK").
      if (argument[0] == '-') throw invalid();
      continue;
    }
    CommandSwitches |= 1u << bit;
    SwitchArguments[bit] = argument.substr(2);
  }
}

void TCustomInstall::Loaded() {
  TFileContainer::Loaded();
  if (HasState(csDesigning)) return;
  TInstallHooks& hooks = InstallHooks();
  ParseCommandLine();
  if (HasSwitch('d') && (!HasSwitch('s') || Trim(SwitchArgument('s')).empty()))
    throw IEInstall(
        "You forgot to pass in the build directory. In Run | Parameters, follow this format: -d "
        "\"-sC:\\My Build\"");
  // This program is never a library module: its directory is the executable's.
  InstallSource = HasSwitch('s') ? SwitchArgument('s')
                                 : ExtractFileDir(PlatformModule().ModuleFileName());
  InstallRecordKey = hooks.FindInstallRecord(*this);
  hooks.UseLocalArchive(*this);

  mainWindow_ = Application().MainForm();
  if (!mainWindow_) mainWindow_ = dynamic_cast<TCustomForm*>(Owner());
  if (!mainWindow_ && RunAutomatic)
    throw IEInstall(
        "Application.MainForm is undefined and the TInstall is not on a form. Therefore, "
        "therefore the TInstall can't run the installation automatically");
  if (mainWindow_) mainWindow_->FreeNotification(this);

  SetCurrentInstallType(TInstallType::itFull);
  if (InstallTypes.Contains(TInstallType::itDefault)) SetCurrentInstallType(TInstallType::itDefault);
  else if (InstallTypes.Contains(TInstallType::itCompact))
    SetCurrentInstallType(TInstallType::itCompact);

  if (HasSwitch('b')) {
    hooks.Build(*this);
    Application().Terminate();
  } else if (HasSwitch('f')) {
    hooks.TransferToFloppies(*this, "a:");
    Application().Terminate();
  } else if (HasSwitch('r')) {
    hooks.ContinueAfterReboot(*this);
  } else if (mainWindow_) {
    savedActivate_ = mainWindow_->OnActivate;
    mainWindow_->OnActivate = {};
    mainWindow_->OnActivate.Handler = [this](TComponent* sender) { FormActivated(sender); };
    activationHooked_ = true;
    if (HideMainForm()) {
      int32_t width = mainWindow_->Width, height = mainWindow_->Height;
      mainWindow_->SetBounds(-2 * width, -2 * height, width, height);
    }
  }
}

void TCustomInstall::FormActivated(TComponent* Sender) {
  if (activationHandled_) return;
  if (savedActivate_) savedActivate_(Owner());
  activationHandled_ = true;
  if (AutoMaximizeWindow() && mainWindow_) {
    mainWindow_->SetWindowState(TWindowState::wsMaximized);
    mainWindow_->Repaint();
  }
  if (!RunAutomatic) return;
  GiveBackActivation();
  InstallHooks().Run(*this);
}

void TCustomInstall::HandleException(TComponent* Sender, const Exception& E) {
  LogError(E);
  if (!Running) {
    Application().ShowException(E);
    return;
  }
  Running = false;
  Ended = true;
  EndedByUser = dynamic_cast<const EAIUserAbort*>(&E) != nullptr;
  TInstallHooks& hooks = InstallHooks();
  try {
    if (EndedByUser) {
      hooks.NotifyBadInstall(*this);
      hooks.CleanupLoadingProgram(*this);
      hooks.RemoveInstallRecord(*this);
      if (RunAutomatic) ShutdownQuery();
    } else {
      // The run's own error is shown even when the bad-end page fails (a
      // language whose fonts cannot be set): a setup never ends unexplained.
      try {
        hooks.NotifyBadInstall(*this);
      } catch (...) {
      }
      Application().ShowException(E);
      ShutdownQuery();
    }
  } catch (...) {
    // A second error is not shown.
    if (RunAutomatic) Application().Terminate();
  }
}

bool TCustomInstall::ShutdownQuery() {
  bool quitOut = true;
  if (OnBeforeShutdown) OnBeforeShutdown(this, quitOut);
  if (quitOut) Application().Terminate();
  return !quitOut;
}

bool TCustomInstall::ConfirmUserAbort() {
  bool quitOut = true;
  if (OnUserAbort) OnUserAbort(this, quitOut);
  return quitOut;
}

std::string TCustomInstall::GetSetupFileName() {
  if (HasSwitch('e')) return ArchivePath();
  if (!UseLoadingProgram()) return PlatformModule().ModuleFileName();
  const std::vector<std::string>& arguments = ProgramArguments();
  std::string source = InstallSource;
  if (source.empty() || source.back() != '\\') source += '\\';
  return source + (arguments.size() >= 2 ? arguments[1] : std::string());
}

void TCustomInstall::SetAutoMaximizeWindow(bool value) {
  autoMaximizeWindow_ = value;
  if (value && !HasState(csLoading)) hideMainForm_ = false;
}

void TCustomInstall::SetHideMainForm(bool value) {
  hideMainForm_ = value;
  if (value && !HasState(csLoading)) autoMaximizeWindow_ = false;
}

void TCustomInstall::SetUseLoadingProgram(bool value) {
  useLoadingProgram_ = value;
  if (value && !HasState(csLoading)) {
    SetArchiveFileType(StandardPathSpecifier<TpsMainArchiveFile>());
    SetArchiveFile("");
  }
}

void TCustomInstall::SetDistributeType(TDistributeType value) {
  if (!HasState(csLoading)) throw IEInstall("DistributeType can only be set at design-time");
  distributeType_ = value;
}

void TCustomInstall::SetNetLocation(TCustomNetInstallLocation* value) {
  TFileContainer::SetNetLocation(value);
  SetCurrentNetLocation(value);
  if (!value && !HasState(csLoading)) distributeType_ = TDistributeType::dtTraditional;
}

void TCustomInstall::SetPresetupFiles(TStrings& value) {
  for (int i = value.Count() - 1; i >= 0; --i)
    if (Trim(value.Strings(i)).empty()) value.Delete(i);
  PresetupFiles.Assign(value);
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
        .Boolean("AutoMaximizeWindow",
                 Methods(&TCustomInstall::AutoMaximizeWindow, &TCustomInstall::SetAutoMaximizeWindow),
                 true)
        .Object("BuildInfo", [](TInstall& i) { return &i.BuildInfo; })
        .String("DestDir", Methods(&TInstallContainer::DestDir, &TInstallContainer::SetDestDir),
                "\\MyApplication");
    PublishInstallProperties(b, {"DestDirType"});
    b.Object("DialogThemeBitmap", [](TInstall& i) { return &i.DialogThemeBitmap; })
        .StoredWhen([](const TInstall& i) { return !i.DialogThemeIsDefault(); })
        .Enumeration("DistributeType",
                     Methods(&TCustomInstall::DistributeType, &TCustomInstall::SetDistributeType),
                     DistributeTypeInfo, static_cast<int64_t>(TDistributeType::dtTraditional))
        .Boolean("HideMainForm", Methods(&TCustomInstall::HideMainForm, &TCustomInstall::SetHideMainForm))
        .Object("Information", [](TInstall& i) { return &i.Information; })
        .Set("InstallTypes", Field(&TInstallContainer::InstallTypes), InstallTypeInfo,
             TInstallTypeSet{TInstallType::itFull}.Mask());
    PublishInstallProperties(b, {"NetLocation"});
    b.Object("PresetupFiles", [](TInstall& i) { return &i.PresetupFiles; })
        .Boolean("Reboot", Field(&TCustomInstall::Reboot))
        .Boolean("RunAutomatic", Field(&TCustomInstall::RunAutomatic), true)
        .Boolean("UseLoadingProgram",
                 Methods(&TCustomInstall::UseLoadingProgram, &TCustomInstall::SetUseLoadingProgram))
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

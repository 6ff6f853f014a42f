// TInstall: the one installation component of a definition and the root of
// the install tree. It is itself a file container (its destination is the
// main installation directory, its archive the main archive) and carries
// the product's information, the build settings and the installation-wide
// events. Once the definition is read it takes the command line, chooses
// what the program does, starts the installation on the main window's
// first activation and routes the errors that end a run.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "archive/SelfExtractTrailer.h"
#include "common/DateTime.h"
#include "components/cmp_TInstallContainer.h"
#include "engine/cmp_TInstallInformation.h"
#include "session/DeploymentOptions.h"
#include "session/InstallSession.h"
#include "widgets/Forms.h"

namespace brim {

BRIM_IEXCEPTION_CLASS(IEInstallNetLocNil, IEInstall);
// A command-line argument the setup does not take.
BRIM_IEXCEPTION_CLASS(IEInstallParameter, IException);

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

class TCustomInstall;

// The steps of the program's life that other units carry out: the
// installation record, the run itself, its bad end, the loading program's
// clean-up and the modes of the command line. The installation calls them
// through this table, so that a test can put its own steps in their place.
// By default they are the installation's own members.
struct TInstallHooks {
  // The key of this installation's record, looked up without creating one;
  // "" when there is none.
  std::function<std::string(TCustomInstall&)> FindInstallRecord;
  // Takes the local copy of the main archive that the record keeps, if any.
  std::function<void(TCustomInstall&)> UseLocalArchive;
  // The installation run, started on the main window's first activation.
  std::function<void(TCustomInstall&)> Run;
  // The bad-end notification of a run that failed or was aborted.
  std::function<void(TCustomInstall&)> NotifyBadInstall;
  // Removes the copy of the setup that the loading program made.
  std::function<void(TCustomInstall&)> CleanupLoadingProgram;
  std::function<void(TCustomInstall&)> RemoveInstallRecord;
  // -b: builds the distribution from BUILD.INF.
  std::function<void(TCustomInstall&)> Build;
  // -f: copies the installation onto the floppy disks of the drive ("a:").
  std::function<void(TCustomInstall&, const std::string& drive)> TransferToFloppies;
  // -r: finishes the unfinished work after a reboot.
  std::function<void(TCustomInstall&)> ContinueAfterReboot;
};

// The installation's own steps.
TInstallHooks DefaultInstallHooks();
// The steps in use; they start as the defaults.
TInstallHooks& InstallHooks();

class TCustomInstall : public TFileContainer, public IInstallation {
  BRIM_CLASS(TCustomInstall)

 public:
  explicit TCustomInstall(TComponent* owner);
  ~TCustomInstall() override;
  bool HasPathSpecifier() const override { return false; }

  // Whether the switch letter (one of CommandSwitchLetters, lower case) was
  // given, and the text that followed it.
  bool HasSwitch(char letter) const override;
  const std::string& SwitchArgument(char letter) const override;

  // What the units below the engine see of the installation.
  TInstallContainer& RootContainer() override { return *this; }
  bool IsRunning() const override { return Running; }
  bool IsDestroying() const override { return Destroying(); }
  const std::string& SourceDirectory() const override { return InstallSource; }
  std::string ProductName() const override { return Information.ProductName; }
  std::string ProductVersion() const override { return Information.Version; }
  std::string Publisher() const override { return Information.CompanyName; }
  std::string AboutURL() const override { return BuildInfo.AppURL; }
  TDistributeType DistributeType() const override { return distributeType_; }
  std::string RecordKey() const override;
  void AddUnfinished(const std::string& name, int type) override;
  void RequestReboot() override { Reboot = true; }
  bool RunHasStarted() const override;
  void UninstallerRemoved() override { BuildInfo.AddUninstallOnCreate = false; }
  std::string LanguageName() const override;

  // The unfinished list of the installation record: work left for the
  // start after the reboot. Each fails when there is no record.
  // Deletes the list; failures to delete are ignored.
  void ClearUnfinished();
  // "name;type" for every entry, in the registry's order.
  void ReadUnfinished(TStrings& list);

  // Reads the program's arguments into CommandSwitches and SwitchArguments.
  void ParseCommandLine();
  // After the definition is read: the command line, the install source,
  // the installation record, the main window, the current install type
  // and the mode. An authoring tool's load (csDesigning) starts nothing.
  void Loaded() override;
  // The main window's activation: its first one starts the run.
  void FormActivated(TComponent* Sender);
  // The application's handler of the exceptions that escape the message
  // loop: a failed or aborted run ends here.
  void HandleException(TComponent* Sender, const Exception& E);
  // Raises OnBeforeShutdown and terminates the application unless the
  // handler cleared QuitOut. True when the application keeps running.
  bool ShutdownQuery();
  // Raises OnUserAbort: true when the user's abort may go ahead.
  bool ConfirmUserAbort() override;
  // The full path of the setup file.
  std::string GetSetupFileName();

  // The installation run and its ends.
  // The run, started on the main window's first activation: returns at a
  // good end or when the program ends for a reboot, raises on failure.
  void Process() override;
  // Processes every install container of one registered type, showing
  // message while it does (none when blank).
  void ProcessRegisteredType(int kind, const std::string& message);
  // The archive information of every install file, once per program run.
  void ReadFileInformation();
  void NotifyGoodInstall();
  void NotifyBadInstall();
  // Starts the installed files marked RunAfterInstall, without waiting.
  void RunFilesAfterInstall();
  // Asks Windows to restart, or reports that it cannot.
  void RebootWindows();

  // The start after the reboot.
  // Registers the setup in RunOnce so that it continues after the reboot.
  void RegisterRunOnce();
  // -r: finishes the unfinished list and ends the installation well.
  void ContinueAfterReboot();

  // The installation record under HKLM "\SOFTWARE\Brimwell\Install".
  // The matching record's key, made when create is true and none matches;
  // "" when none is found or made.
  std::string FindInstallRecord(bool create);
  // Deletes the current record and the local archive copies it lists.
  void RemoveInstallRecord();
  // The dialog language kept in the record across a reboot.
  void SaveLanguage();
  // Makes the language named by "*LANG=NAME" the main translator's target.
  void ChooseLanguageArgument();
  void LoadLanguage();

  // Building the distribution and the loading program's copy.
  // -b: builds into the directory named by BUILD.INF's first line. An
  // error is shown in a message box and sets Ended; the application is
  // terminated either way.
  void BuildFromBuildInf();
  void BuildDistribution(const std::string& setupExe, const std::string& buildDir,
                         bool standAlone);
  void CopySetupProgram(const std::string& buildDir, const std::string& setupExe);
  void CreateSetupArchive(const std::string& buildDir, const std::string& setupExe);
  // "filelist.lst" of the files this build placed into archives.
  void WriteRemoteFileList();
  // -f: copies the self-extracting setup onto the floppies of drive,
  // asking for each further disk. Errors end it as they end BuildFromBuildInf.
  void TransferToFloppies(const std::string& drive);
  // Removes the copy of the setup that the loading program made.
  void CleanupLoadingProgram();

  // The form whose first activation starts the installation, or null.
  TCustomForm* MainWindow() const { return mainWindow_; }
  // True while the run waits for the main window's first activation.
  bool WaitsForActivation() const { return activationHooked_ && !activationHandled_; }

  // Setting one of these true clears the other (not while loading).
  bool AutoMaximizeWindow() const { return autoMaximizeWindow_; }
  void SetAutoMaximizeWindow(bool value);
  bool HideMainForm() const { return hideMainForm_; }
  void SetHideMainForm(bool value);
  // True (not while loading) also takes the main archive as the archive.
  bool UseLoadingProgram() const { return useLoadingProgram_; }
  void SetUseLoadingProgram(bool value);
  // Comes from the definition only: setting it outside loading fails.
  void SetDistributeType(TDistributeType value);
  // Also the session's network location; none resets DistributeType.
  void SetNetLocation(TCustomNetInstallLocation* value) override;
  // Removes the blank lines from value itself, then copies it.
  void SetPresetupFiles(TStrings& value);
  void SetBuildInfo(const TBuildInfo& value) { BuildInfo.Assign(value); }
  void SetDialogThemeBitmap(const TPicture& value) { DialogThemeBitmap.Assign(value); }
  const TPicture& DialogThemePicture() const override { return DialogThemeBitmap; }

  void Notification(TComponent* component, TOperation operation) override;

  TBuildInfo BuildInfo{this};
  // The side picture of the wizard pages that have none of their own: the
  // program's "INSTALLTHEME1" until a definition sets another.
  TPicture DialogThemeBitmap;
  // True while DialogThemeBitmap is the program's own picture, which a
  // saved definition therefore leaves out.
  bool DialogThemeIsDefault() const;
  TInstallInformation Information{this};
  // Extra files placed beside the setup program.
  TStringList PresetupFiles;

 private:
  std::string defaultDialogTheme_;

 public:
  bool Reboot = false;
  bool RunAutomatic = true;

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
  // The language named by "*LANG=NAME", empty without one.
  std::string LanguageArgument;
  // The deployment's "*" words: quiet or passive, log, destination, language.
  TDeploymentOptions Deployment;
  // The directory from which the setup runs.
  std::string InstallSource;
  bool Running = false;
  bool Ended = false;
  // The run was ended by the user's abort.
  bool EndedByUser = false;
  // The run ended for a reboot: the start after it finishes the work.
  bool EndedForReboot = false;
  int UnfinishedCount = 0;
  // The key of this installation's record ("" when there is none), and
  // when the current run began (0 before the first run).
  std::string InstallRecordKey;
  TDateTime RunStartTime = 0;
  std::string CleanupBatchFile;
  bool RunCleanupBatch = false;

 private:
  void GiveBackActivation();
  // The good end of a run or of the start after the reboot: the
  // notification, the clean-up, the record's removal, the shutdown query
  // and the files to run.
  void EndWell();

  bool autoMaximizeWindow_ = true;
  bool hideMainForm_ = false;
  bool useLoadingProgram_ = true;
  TDistributeType distributeType_ = TDistributeType::dtTraditional;
  TCustomForm* mainWindow_ = nullptr;
  // The main window's own activation handler while FormActivated holds its place.
  TNotifyEvent savedActivate_;
  bool activationHooked_ = false;
  bool activationHandled_ = false;
  bool handlesExceptions_ = false;
  // The archive information is read once per program run.
  bool fileInformationRead_ = false;
};

// Appends setup1Path, then files1Path when it exists, and the trailer to
// setupExePath.
void AppendSelfExtract(const std::string& setupExePath, const std::string& setup1Path,
                       const std::string& files1Path);
// The trailer at the end of fileName, before a signature appended to it, as
// read (the signature is not checked); *trailerEnd, when asked for, is the
// position just after it.
TSelfExtractTrailer ReadSelfExtractTrailer(const std::string& fileName,
                                           int64_t* trailerEnd = nullptr);

// The installation component of the current session, or null.
TCustomInstall* CurrentInstall();

// Records that the computer must restart once the program has ended its
// work (RestartWhenRequired does it), with the message shown if the
// restart is refused then.
void RequireRestartAtEnd(const std::string& failureMessage);
// At the end of a run: when a step of the current session recorded that a
// restart is required, restarts the computer, once. True when it asked
// for the restart and the system took the request; when the system refuses
// it, the message recorded with the request (else "Could not reboot
// windows. Please manually reboot windows.") is shown and it is false.
bool RestartWhenRequired();


class TInstall : public TCustomInstall {
  BRIM_CLASS(TInstall)

 public:
  explicit TInstall(TComponent* owner) : TCustomInstall(owner) {}
};

}  // namespace brim

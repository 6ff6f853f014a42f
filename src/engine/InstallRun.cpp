// The installation run and the start after a reboot. The run prepares
// (record, unfinished list, self-extract offset, archive information), lets
// the before-install dialogs run, installs the tree of files, then the
// later phases in their fixed order, and ends either with a restart of
// Windows, registered to continue under RunOnce, or with the good end.
// Dialogs only hear the codes broadcast to the installation's members.
#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "archive/cmp_TQmbxCompress.h"
#include "common/LittleEndian.h"
#include "common/routines_Strings.h"
#include "components/InstallParameters.h"
#include "engine/cmp_TInstall.h"
#include "netlocation/routines_DownloadChecks.h"
#include "platform/Platform.h"
#include "platform/PlatformError.h"
#include "session/InstallLog.h"
#include "system/routines_API.h"
#include "system/routines_Registry.h"
#include "translation/cmp_TTranslator.h"

namespace brim {

namespace {

// Codes of the run that no component of this system answers yet.
constexpr int bcRunStarts = -986;
constexpr int bcBeforeInstallDialogs = -980;
constexpr int bcBeforeReadArchiveInfo = -984;
constexpr int bcAfterReadArchiveInfo = -983;
constexpr int bcGoodEnd = -995;
constexpr int bcAfterGoodEnd = -979;
constexpr int bcBadEnd = -994;
constexpr int bcAfterBadEnd = -978;
constexpr int bcRebootRequested = -987;

// The phases after the tree, in their order (shortcuts before INI files),
// with the status message each shows while it runs.
struct TPhase {
  int Kind;
  const char* Message;
};
constexpr TPhase kPhases[] = {
    {2750, "Installing ODBC drivers..."},
    {2875, "Installing ODBC sources..."},
    {3000, "Installing Borland Database Engine aliases..."},
    {rtShellLinkGroup, "Installing shell links..."},
    {rtShellLink, "Installing shell links..."},
    {4000, "Installing INI files..."},
    {rtInstallRegistry, "Installing registry keys..."},
    {8700, ""},
};

// One record of "filelist.lst".
constexpr int kRemoteRecordSize = 80;
constexpr int kRemoteNameSize = 40;
constexpr int kRemoteVersionChars = 20;
// The largest list a setup takes: a record for each of its install files
// (the build writes no more), and never fewer than the file identities an
// archive can hold.
int64_t RemoteListLimit() {
  return 4 + int64_t{kRemoteRecordSize} * std::max(2000, AllInstallFiles().Count());
}

// The text of a zero-terminated field of at most size bytes.
std::string FieldText(const unsigned char* at, size_t size) {
  const void* end = std::memchr(at, 0, size);
  return std::string(reinterpret_cast<const char*>(at),
                     end ? static_cast<const unsigned char*>(end) - at : size);
}

std::string DistributeTypeName(TDistributeType type) {
  return DistributeTypeInfo.Values.at(static_cast<size_t>(type));
}

// A distribution that fetches its files over the network needs a location
// to fetch them from.
TCustomNetInstallLocation* RequiredNetLocation(const TCustomInstall& install) {
  TCustomNetInstallLocation* location = CurrentNetLocation();
  if (!location)
    throw IEInstallNetLocNil(
        "%s has the DistributeType %s, which reads the remote list of files \"filelist.lst\" from "
        "a network location, but its NetLocation names none",
        install.Name(), DistributeTypeName(install.DistributeType()));
  return location;
}

// Fetches "filelist.lst" into a temporary file, which goes in every case,
// and gives each record's size, date and version to the install file of
// that name.
void ReadRemoteFileList(const TCustomInstall& install) {
  TCustomNetInstallLocation* location = RequiredNetLocation(install);
  struct TTemporary {
    std::string Path;
    ~TTemporary() { PlatformFiles().DeleteFile(Path); }
  } temporary{CreateTemporaryFile(".tmp")};
  // The list the build wrote, where the setup carries its hash.
  location->Expected = {};
  if (const TArchiveHashList* hashes = SetupArchiveHashes()) {
    const TArchiveHash* hash = hashes->Find("filelist.lst");
    if (!hash)
      throw IEInstall("The list of archive hashes of this setup does not name \"filelist.lst\"");
    location->Expected.Size = hash->Size;
    location->Expected.Digest = hash->Digest;
  } else {
    location->Expected.Limit = RemoteListLimit();
  }
  location->Download("filelist.lst", temporary.Path);
  if (NetAborted()) throw EAIUserAbort();

  const char* message = "Cannot read the remote list of files: %s";
  std::unique_ptr<IFile> file =
      PlatformFiles().Open(temporary.Path, accRead, shareRead, TFileCreation::OpenExisting);
  if (!file) throw TCaused<IEInstall>(TPlatformError::Last(), message, temporary.Path);
  unsigned char countBytes[4];
  if (!ReadExactly(*file, countBytes, sizeof countBytes)) throw IEInstall(message, temporary.Path);
  const auto count = static_cast<int32_t>(ReadLittleEndian(countBytes, 4));
  if (count < 0) throw IEInstall(message, temporary.Path);
  // The build writes each name cut to what a record holds (and refuses two
  // that would become one), so the files are looked up by that cut name.
  std::map<std::string, TCustomInstallFile*> byName;
  TCustomInstallFileList& files = AllInstallFiles();
  for (int f = 0; f < files.Count(); ++f)
    byName.emplace(UpperCase(files.Items(f)->Name().substr(0, kRemoteNameSize - 1)),
                   files.Items(f));
  for (int32_t i = 0; i < count; ++i) {
    unsigned char record[kRemoteRecordSize];
    if (!ReadExactly(*file, record, sizeof record)) throw IEInstall(message, temporary.Path);
    const std::string name = FieldText(record + 16, kRemoteNameSize);
    auto found = byName.find(UpperCase(name));
    if (found == byName.end()) continue;
    TCustomInstallFile* installFile = found->second;
    installFile->UncompressedSize = static_cast<int32_t>(ReadLittleEndian(record, 4));
    SetRemoteFileSize(installFile->Name(), static_cast<uint32_t>(installFile->UncompressedSize));
    uint64_t dateBits = ReadLittleEndian(record + 8, 8);
    std::memcpy(&installFile->Date, &dateBits, sizeof dateBits);
    installFile->Version =
        FieldText(record + 56, kRemoteRecordSize - 56).substr(0, kRemoteVersionChars);
  }
}

// Reads where the archive begins inside the self-extracting file and gives
// it to the compression engine.
void UseSelfExtractingArchive(const std::string& selfExtractor) {
  const TSelfExtractTrailer trailer = ReadSelfExtractTrailer(selfExtractor);
  std::optional<int64_t> size;
  if (auto file = PlatformFiles().Open(selfExtractor, accRead, shareRead | shareWrite,
                                       TFileCreation::OpenExisting))
    size = file->Size();
  if (trailer.ArchiveStart < 0 || (size && trailer.ArchiveStart >= *size))
    throw IEInstall("The self-extracting file %s is damaged: its archive would begin at %d, outside the file",
                    selfExtractor, trailer.ArchiveStart);
  SharedCompressionEngine().Offset = trailer.ArchiveStart;
}

// Broadcasts a code, then the code after it, between the two events.
void Notify(TCustomInstall& install, TInstallContainerNotifyEvent& before, int first, int second,
            TInstallContainerNotifyEvent& after) {
  if (before) before(&install);
  install.BroadcastEvent(first, nullptr);
  install.BroadcastEvent(second, nullptr);
  if (after) after(&install);
}

}  // namespace

void TCustomInstall::Process() {
  Ended = false;
  RunStartTime = PlatformSystem().Now();
  // From here on a failed COM registration waits for the retry at the end
  // of the tree.
  RegistrationRetryFiles().Clear();
  UnfinishedCount = 0;
  RunCleanupBatch = false;
  Running = true;
  for (TInstallContainer* container : InstallContainers().Containers()) container->Processed = false;

  ChooseLanguageArgument();
  LogEvent(TLogKind::Phase, "preparation");
  // "*INSTALLDIR=PATH": the destination the destination page would show.
  if (!Deployment.InstallDir.empty()) {
    SetDestDirType(nullptr);
    SetDestDir(RemoveTrailingBackslash(Deployment.InstallDir));
  }
  if (UseLoadingProgram() && !HasSwitch('s'))
    throw IEInstall(
        "The path of the loading program was not passed correctly. If you are running your "
        "install project in the IDE, then you need to add two command line parameters. In Run | "
        "Parameters | \"Run Parameters\", type in: -d \"-sBUILDPATH\" where BUILDPATH is the path "
        "into which you built the distributables. Example: -d \"-sC:\\My Build\".");
  // Before anything on the machine changes.
  if (DistributeType() != TDistributeType::dtTraditional) RequiredNetLocation(*this);

  const std::string found = FindInstallRecord(false);
  InstallRecordKey = found.empty() ? FindInstallRecord(true) : found;
  try {
    ClearUnfinished();
    if (HasSwitch('e')) UseSelfExtractingArchive(ArchivePath());
    ReadFileInformation();
    if (OnAfterInitialized) OnAfterInitialized(this);
    BroadcastEvent(bcRunStarts, nullptr);
    LogEvent(TLogKind::Phase, "before-install pages");
    BroadcastEvent(bcBeforeInstallDialogs, nullptr);
  } catch (...) {
    // Nothing is installed yet: a record made by this run goes with it, so
    // a run that fails this early leaves the machine as it found it.
    if (found.empty()) {
      try {
        RemoveInstallRecord();
      } catch (...) {
        // The run's own error is the one to report.
      }
    }
    throw;
  }
  // A dialog's error was handled while it showed: the run is over.
  if (Ended) return;

  {
    bool reported = false;
    auto afterInstallObjects = [&] {
      if (reported) return;
      reported = true;
      if (OnAfterInstallObjects) OnAfterInstallObjects(this, SharedCompressionEngine().Abort);
    };
    try {
      LogEvent(TLogKind::Phase, "files into " + DestinationPath());
      TFileContainer::Process();
      std::vector<TCustomInstallFile*> retry;
      for (int i = 0; i < RegistrationRetryFiles().Count(); ++i) retry.push_back(RegistrationRetryFiles().Items(i));
      for (TCustomInstallFile* file : retry) file->RegisterActiveX();
      for (const TPhase& phase : kPhases)
        ProcessRegisteredType(phase.Kind, *phase.Message ? TranslateMessage(phase.Message) : "");
    } catch (...) {
      afterInstallObjects();
      throw;
    }
    afterInstallObjects();
  }

  if (UnfinishedCount > 0 || Reboot) RegisterRunOnce();
  if (Reboot) LogEvent(TLogKind::Phase, "end: the installation finishes after the restart");
  const bool rebootWanted = Reboot;
  if (Reboot) {
    SaveLanguage();
    BroadcastEvent(bcRebootRequested, nullptr);
    if (Reboot && OnBeforeReboot) {
      bool proceed = Reboot;
      OnBeforeReboot(this, proceed);
      Reboot = proceed;
    }
  }
  if (Reboot) RebootWindows();
  // A run that needed the reboot ends here, declined or not: the start
  // after the reboot has the good end.
  if (rebootWanted) {
    EndedForReboot = true;
    Application().Terminate();
    Running = false;
    return;
  }

  EndWell();
}

void TCustomInstall::EndWell() {
  LogEvent(TLogKind::Phase, "end: installed");
  NotifyGoodInstall();
  CleanupLoadingProgram();
  RemoveInstallRecord();
  if (RunAutomatic) ShutdownQuery();
  RunFilesAfterInstall();
  Running = false;
}

void TCustomInstall::ProcessRegisteredType(int kind, const std::string& message) {
  const std::vector<TInstallContainer*> containers = InstallContainers().Containers();
  bool shown = false;
  try {
    for (TInstallContainer* container : containers) {
      // One processed before may have taken this one with it.
      const std::vector<TInstallContainer*>& live = InstallContainers().Containers();
      if (std::find(live.begin(), live.end(), container) == live.end()) continue;
      if (container->RegisteredType() != kind) continue;
      if (!shown && !Trim(message).empty()) {
        LogEvent(TLogKind::Phase, message);
        SendStatusMessage(message);
        shown = true;
      }
      auto* object = dynamic_cast<TInstallObject*>(container);
      TInstallContainer* parent = object ? object->Container() : nullptr;
      if (parent && !parent->Processed) continue;
      container->Process();
    }
  } catch (...) {
    if (shown) BroadcastEvent(bcStatusMessageDone, nullptr);
    throw;
  }
  if (shown) BroadcastEvent(bcStatusMessageDone, nullptr);
}

void TCustomInstall::ReadFileInformation() {
  if (fileInformationRead_) return;
  if (OnBeforeReadArchiveInfo) OnBeforeReadArchiveInfo(this);
  BroadcastEvent(bcBeforeReadArchiveInfo, nullptr);
  const TCursor savedCursor = mainWindow_ ? mainWindow_->Cursor : crDefault;
  if (mainWindow_) mainWindow_->Cursor = crHourGlass;
  auto restore = [&] {
    if (mainWindow_) mainWindow_->Cursor = savedCursor;
    BroadcastEvent(bcStatusMessageDone, nullptr);
  };
  try {
    SendStatusMessage(TranslateMessage("Reading file information..."));
    ReadInfoFromArchiveAll();
    if (DistributeType() != TDistributeType::dtTraditional) ReadRemoteFileList(*this);
  } catch (...) {
    restore();
    throw;
  }
  restore();
  fileInformationRead_ = true;
  if (OnAfterReadArchiveInfo) OnAfterReadArchiveInfo(this);
  BroadcastEvent(bcAfterReadArchiveInfo, nullptr);
}

void TCustomInstall::NotifyGoodInstall() {
  Notify(*this, OnBeforeNotifyGoodInstall, bcGoodEnd, bcAfterGoodEnd, OnAfterNotifyGoodInstall);
}

void TCustomInstall::NotifyBadInstall() {
  Notify(*this, OnBeforeNotifyBadInstall, bcBadEnd, bcAfterBadEnd, OnAfterNotifyBadInstall);
}

void TCustomInstall::RunFilesAfterInstall() {
  std::vector<TCustomInstallFile*> files;
  for (int i = 0; i < AllInstallFiles().Count(); ++i) files.push_back(AllInstallFiles().Items(i));
  for (TCustomInstallFile* file : files) {
    if (!file->RunAfterInstall) continue;
    bool defaultAction = true;
    if (OnBeforeRunFile) OnBeforeRunFile(this, file, defaultAction);
    // The installation is over: a program that does not start is the
    // user's to start, not a failed installation.
    if (defaultAction)
      PlatformProcesses().StartProgram("\"" + file->DestinationFile() + "\"", TShowWindow::Normal);
  }
}

void TCustomInstall::RebootWindows() {
  const int platform = GetWindowsPlatform();
  if (platform == wpWindows95 || platform == wpWindowsNT) {
    // The restart comes once the program has let go of its files and
    // windows (brimsetup's end); the text of its failure is taken now, in
    // the dialogs' language.
    RequireRestartAtEnd(TranslateMessage("Could not reboot windows. Please manually reboot windows."));
    return;
  }
  // No platform that restarts this way.
  if (OnFailedReboot) {
    OnFailedReboot(this);
    return;
  }
  Application().MessageBox(TranslateMessage("Could not reboot windows. Please manually reboot windows."),
                           Application().Title(), boxOk | boxIconWarning);
}

// ---- The start after the reboot ----

void TCustomInstall::RegisterRunOnce() {
  const std::string setupFile = GetSetupFileName();
  const std::string source = RemoveTrailingBackslash(ExtractFileDir(setupFile));
  std::string command = "\"" + PlatformModule().ModuleFileName() + "\" -r ";
  if (HasSwitch('e')) command += "\"-e" + ExtractFileName(setupFile) + "\" ";
  command += "\"-s" + source + "\"";
  if (HasSwitch('c')) command += " -c";
  // The start after the restart meets the user as this one did.
  if (Deployment.Quiet) {
    command += " *QUIET";
  } else if (Deployment.Passive) {
    command += " *PASSIVE";
  }
  if (!RegisterRunOnceCommand("BrimwellUnfinished", command, true))
    throw IEInstall("Cannot register the install to be run on reboot in the RunOnce key in the registry");
}

void TCustomInstall::ContinueAfterReboot() {
  Running = true;
  LogEvent(TLogKind::Phase, "after the restart: the unfinished work");
  InstallRecordKey = FindInstallRecord(false);
  if (MainTranslator()) LoadLanguage();
  TStringList entries;
  ReadUnfinished(entries);
  ClearUnfinished();
  for (int i = 0; i < entries.Count(); ++i) {
    const std::string& entry = entries.Strings(i);
    const size_t separator = entry.find(';');
    const std::string name = entry.substr(0, separator);
    const std::string type =
        separator == std::string::npos ? "" : SemicolonField(entry.substr(separator + 1), 1);
    long long kind = 0;
    if (!TryStrToInt64(type, kind))
      throw IEInstall("There is an invalid entry for the unfinished install list %s", entry);
    if (kind == 1) {
      // One already gone is as good as deleted. The temporary directory a
      // batch file was made in goes with its last file.
      PlatformFiles().DeleteFile(name);
      if (IsTemporaryFilesDirectory(ExtractFileDir(name)))
        PlatformFiles().RemoveDirectory(ExtractFileDir(name));
    } else if (kind == 0) {
      const std::vector<TInstallContainer*> containers = InstallContainers().Containers();
      for (TInstallContainer* container : containers)
        if (SameText(container->Name(), name))
          if (auto* file = dynamic_cast<TCustomInstallFile*>(container)) file->CompleteAfterReboot();
    }
  }
  EndWell();
}

}  // namespace brim

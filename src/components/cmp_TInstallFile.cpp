// The operations of an install file: its property rules, its install (the
// replace decision, files in use, the extraction, the registrations), its
// uninstall entries, and compressing and copying it when a distribution is
// built.
#include <algorithm>
#include <cstdio>

#include "archive/cmp_TQmbxCompress.h"
#include "common/routines_Strings.h"
#include "components/InstallParameters.h"
#include "components/cmp_TInstallContainer.h"
#include "components/cmp_TVersion.h"
#include "platform/ComService.h"
#include "platform/Platform.h"
#include "session/InstallLog.h"
#include "session/InstallSession.h"
#include "system/cmp_TQmbxRegistry.h"
#include "system/routines_API.h"
#include "system/routines_Registry.h"

namespace brim {

namespace {

constexpr int kLocalMachine = 4;  // the TRootKeys ordinal of HKEY_LOCAL_MACHINE
constexpr const char* kHelpKey = "\\SOFTWARE\\Microsoft\\Windows\\Help";
constexpr const char* kSharedDLLsKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
// How many "Files" subkeys the uninstall entry of a file tries before the
// registry's refusal stands: "Files", then "Files1" to "Files99".
constexpr int kFilesSubkeys = 100;
// GetShortPathNameA's buffer: 401 characters with the terminating NUL.
constexpr size_t kShortPathBuffer = 401;

constexpr const char* msgDestinationBlank =
    "Cannot compress,copy, or install the following file because it's destination directory is "
    "blank. File is :%s";
constexpr const char* msgArchiveBlank =
    "Cannot either compress or decompress the following file because it's archive file property "
    "is blank. File is :%s";

// However a build operation ends: the engine's handlers unbound, State
// back to ifsNone and the end broadcast.
struct TOperationEnd {
  TCustomInstallFile& File;
  TQmbxCompress& Engine;
  ~TOperationEnd() {
    Engine.OnAborted = {};
    Engine.OnStatus = {};
    File.State = TInstallFileState::ifsNone;
    try {
      File.BroadcastEvent(bcOperationEnded, nullptr);
    } catch (...) {
    }
  }
};

// Whether another program holds the file: it cannot be opened for
// writing without sharing, as Windows refuses for a running image or a
// file open elsewhere.
bool HeldByAnotherProgram(const std::string& path) {
  auto file = PlatformFiles().Open(path, accRead | accWrite, shareNone, TFileCreation::OpenExisting);
  if (file) return false;
  uint32_t code = PlatformSystem().LastError();
  return code == errSharingViolation || code == errAccessDenied;
}

// The short (8.3) form of an existing path; the path itself when the
// platform gives none or it does not fit the buffer.
std::string ShortPath(const std::string& path) {
  auto shortPath = PlatformFiles().ShortPathName(path);
  if (!shortPath || shortPath->size() >= kShortPathBuffer) return path;
  return *shortPath;
}

TDistributeType DistributionType() {
  IInstallation* install = CurrentInstallation();
  return install ? install->DistributeType() : TDistributeType::dtTraditionalNet;
}

// The installation's archive path, or "" without an installation.
std::string MainArchivePath() {
  IInstallation* install = CurrentInstallation();
  if (!install) return "";
  auto* root = dynamic_cast<TFileRelated*>(&install->RootContainer());
  return root ? root->ArchivePath() : "";
}

// The source file's version resource asks for self-registration.
bool SelfRegistering(const std::string& source) {
  auto& versions = PlatformVersions();
  if (versions.GetFileVersionInfoSize(source) == 0) return false;
  auto block = versions.GetFileVersionInfo(source);
  if (!block) return false;
  auto translation = versions.QueryValue(*block, "\\VarFileInfo\\Translation");
  if (!translation || translation->size() < 4) return false;
  auto word = [&](size_t at) {
    return static_cast<unsigned>(static_cast<uint8_t>((*translation)[at])) |
           static_cast<unsigned>(static_cast<uint8_t>((*translation)[at + 1])) << 8;
  };
  char table[9];
  std::snprintf(table, sizeof table, "%04X%04X", word(0), word(2));
  return versions.QueryValue(*block, std::string("\\StringFileInfo\\") + table + "\\OLESelfRegister")
      .has_value();
}

int32_t EntriesOf(const std::string& key) {
  long long n = 0;
  if (!TryStrToInt64(Trim(ReadRegistryString(kLocalMachine, key, "Entries", "0")), n)) n = 0;
  return static_cast<int32_t>(n);
}

// The value's low word when the HRESULT carries a Windows error code.
uint32_t Win32CodeOf(const TPlatformError& error) {
  return (error.Code & 0xFFFF0000u) == 0x80070000u ? error.Code & 0xFFFFu : error.Code;
}

// While it lives, the current directory is another one (a failure to
// change it is ignored).
class TCurrentDirectory {
 public:
  explicit TCurrentDirectory(const std::string& directory)
      : previous_(PlatformFiles().CurrentDirectory()) {
    PlatformFiles().SetCurrentDirectory(directory);
  }
  ~TCurrentDirectory() { PlatformFiles().SetCurrentDirectory(previous_); }
  TCurrentDirectory(const TCurrentDirectory&) = delete;
  TCurrentDirectory& operator=(const TCurrentDirectory&) = delete;

 private:
  std::string previous_;
};

// The session's two file lists.
struct TInstallFileLists {
  TCustomInstallFileList All;
  TCustomInstallFileList Retry;
};
TInstallFileLists* LiveLists() { return CurrentSession().FindState<TInstallFileLists>(); }

}  // namespace

// ---- The file lists ----

void TCustomInstallFileList::Add(TCustomInstallFile* file) {
  if (!file)
    throw IECustomInstallFileList("Cannot add a blank entry to the TCustomInstallFileList object");
  items_.push_back(file);
}

void TCustomInstallFileList::Remove(TCustomInstallFile* file) {
  // From the end: files are mostly freed last first.
  auto it = std::find(items_.rbegin(), items_.rend(), file);
  if (it != items_.rend()) items_.erase(std::next(it).base());
}

bool TCustomInstallFileList::Contains(const TCustomInstallFile* file) const {
  return std::find(items_.begin(), items_.end(), file) != items_.end();
}

TCustomInstallFileList& AllInstallFiles() { return CurrentSession().State<TInstallFileLists>().All; }
TCustomInstallFileList& RegistrationRetryFiles() {
  return CurrentSession().State<TInstallFileLists>().Retry;
}

void ForgetInstallFile(TCustomInstallFile* file) {
  if (TInstallFileLists* lists = LiveLists()) {
    lists->All.Remove(file);
    lists->Retry.Remove(file);
  }
}

// ---- Construction ----

TCustomInstallFile::TCustomInstallFile(TComponent* owner, const std::string& sourcePath)
    : TCustomInstallFile(owner) {
  SetIncludeFromDir(RemoveTrailingBackslash(ExtractFileDir(sourcePath)));
  SetFileName(ExtractFileName(sourcePath));
}

TCustomInstallFile::TCustomInstallFile(TComponent* owner, TInstallContainer* container,
                                       const std::string& sourcePath)
    : TCustomInstallFile(owner, sourcePath) {
  SetContainer(container);
}

// ---- The property rules ----

struct TCustomInstallFile::TProperties {
  TInstallContainer* Container = nullptr;
  std::string DestName;
  std::string FileName;
  std::string IncludeFromDir;
  std::string DestDir;
  TCustomPathSpecifier* DestDirType = nullptr;
  TInstallFileType FileType = TInstallFileType::iftNormal;
  bool ActiveX = false;
};

TCustomInstallFile::TProperties TCustomInstallFile::CurrentProperties() const {
  TProperties p;
  p.Container = Container();
  p.DestName = DestName;
  p.FileName = FileName;
  p.IncludeFromDir = IncludeFromDir;
  p.DestDir = DestDir();
  p.DestDirType = DestDirType();
  p.FileType = FileType;
  p.ActiveX = ActiveX;
  return p;
}

void TCustomInstallFile::SetFileProperties(const TProperties& given) {
  TProperties p = given;
  const bool containerChanged = p.Container != Container();
  const bool nameChanged = !SameText(p.FileName, FileName);
  const bool dirChanged = !SameText(p.IncludeFromDir, IncludeFromDir);
  auto* fileContainer = dynamic_cast<TFileContainer*>(p.Container);

  if (containerChanged && p.Container && !fileContainer)
    throw IECustomInstallFile(
        "The following TInstallFile component %s requires the Container property to be a "
        "component descended from the TFileContainer component",
        Name());
  // A file without a name yet cannot clash with another.
  if ((containerChanged || nameChanged || dirChanged) && fileContainer && !Trim(p.FileName).empty()) {
    std::string source = p.IncludeFromDir + "\\" + p.FileName;
    TCustomInstallFile* other = fileContainer->FindFile(source);
    if (other && other != this) throw IEfcDuplicateFile("There is already a file with the name :%s", source);
  }
  if (nameChanged && !Trim(p.FileName).empty()) p.DestName = ArchiveNamePart(p.FileName);
  CheckDestName(p.DestName);
  const std::string extension = UpperCase(ExtractFileExt(p.FileName));
  if (nameChanged || dirChanged) {
    RegisterAsHelp = extension == ".HLP" || extension == ".CNT";
    if (extension == ".OCX") {
      p.ActiveX = true;
    } else {
      try {
        p.ActiveX = SelfRegistering(p.IncludeFromDir + "\\" + p.FileName);
      } catch (const std::exception&) {
        p.ActiveX = false;
      }
    }
  }
  if (!ActiveX && p.ActiveX) p.FileType = TInstallFileType::iftSystemWideDLL;
  if (p.DestDirType != DestDirType() && extension.size() == 4 &&
      (extension == ".DLL" || extension == ".OCX" || extension == ".BLL" || extension == ".EXE")) {
    if (dynamic_cast<TpsWindow*>(p.DestDirType) || dynamic_cast<TpsBDEDLL*>(p.DestDirType))
      OverwriteMode = TOverwriteType::owVersionDate;
    else if (dynamic_cast<TpsSystem*>(p.DestDirType))
      p.FileType = TInstallFileType::iftSystemWideDLL;
  }
  if (p.FileType != FileType) {
    switch (p.FileType) {
      case TInstallFileType::iftJustADLL:
      case TInstallFileType::iftApplicationSpecificDLL:
        OverwriteMode = TOverwriteType::owVersionDate;
        break;
      case TInstallFileType::iftVendorSharedDLL:
      case TInstallFileType::iftSystemWideDLL:
        UpdateDLLCounter = true;
        OverwriteMode = TOverwriteType::owVersionDate;
        break;
      case TInstallFileType::iftNormal: break;
    }
  }

  struct TApplying {
    bool& flag;
    explicit TApplying(bool& f) : flag(f) { flag = true; }
    ~TApplying() { flag = false; }
  } applying(applying_);
  TFileRelated::SetDestDirType(p.DestDirType);
  TFileRelated::SetContainer(p.Container);
  // A new container gave the file its directory; what was asked for
  // otherwise still stands.
  if (containerChanged) {
    p.DestDirType = DestDirType();
    p.DestDir = DestDir();
  }
  switch (p.FileType) {
    case TInstallFileType::iftApplicationSpecificDLL:
      p.DestDir = "\\System";
      TFileRelated::SetDestDirType(ObtainStandardPathSpecifier(TpsMainInstall::StaticClass(), Owner()));
      break;
    case TInstallFileType::iftVendorSharedDLL:
      p.DestDir = "\\System";
      TFileRelated::SetDestDirType(ObtainStandardPathSpecifier(TpsCommonFiles::StaticClass(), Owner()));
      break;
    case TInstallFileType::iftSystemWideDLL:
      p.DestDir.clear();
      TFileRelated::SetDestDirType(ObtainStandardPathSpecifier(TpsSystem::StaticClass(), Owner()));
      break;
    default: break;
  }
  IncludeFromDir = p.IncludeFromDir;
  FileName = p.FileName;
  TFileRelated::SetDestDir(p.DestDir);
  DestName = p.DestName;
  FileType = p.FileType;
  ActiveX = p.ActiveX;
}

// Outside loading every setter passes the whole set through the rule.
#define BRIM_FILE_SETTER(assign)                     \
  if (HasState(csLoading) || applying_ || Destroying()) { \
    assign;                                          \
    return;                                          \
  }                                                  \
  TProperties p = CurrentProperties();

void TCustomInstallFile::SetContainer(TInstallContainer* value) {
  BRIM_FILE_SETTER(TFileRelated::SetContainer(value))
  p.Container = value;
  SetFileProperties(p);
}

void TCustomInstallFile::SetDestDir(const std::string& value) {
  BRIM_FILE_SETTER(TFileRelated::SetDestDir(value))
  p.DestDir = value;
  SetFileProperties(p);
}

void TCustomInstallFile::SetDestDirType(TCustomPathSpecifier* value) {
  BRIM_FILE_SETTER(TFileRelated::SetDestDirType(value))
  p.DestDirType = value;
  SetFileProperties(p);
}

void TCustomInstallFile::SetDestName(const std::string& value) {
  BRIM_FILE_SETTER(DestName = value)
  p.DestName = value;
  SetFileProperties(p);
}

void TCustomInstallFile::SetFileName(const std::string& value) {
  BRIM_FILE_SETTER(FileName = value)
  p.FileName = value;
  SetFileProperties(p);
}

void TCustomInstallFile::SetIncludeFromDir(const std::string& value) {
  BRIM_FILE_SETTER(IncludeFromDir = value)
  p.IncludeFromDir = value;
  SetFileProperties(p);
}

void TCustomInstallFile::SetFileType(TInstallFileType value) {
  BRIM_FILE_SETTER(FileType = value)
  p.FileType = value;
  SetFileProperties(p);
}

void TCustomInstallFile::SetActiveX(bool value) {
  BRIM_FILE_SETTER(ActiveX = value)
  p.ActiveX = value;
  SetFileProperties(p);
}

#undef BRIM_FILE_SETTER

void TCustomInstallFile::SetState(TInstallFileState value) {
  if (HasState(csLoading)) {
    State = value;
    return;
  }
  struct TEnd {
    TInstallFileState& state;
    ~TEnd() { state = TInstallFileState::ifsNone; }
  } end{State};
  switch (value) {
    case TInstallFileState::ifsCompress: CompressFile(); break;
    case TInstallFileState::ifsInstall:
      State = value;
      Process();
      break;
    case TInstallFileState::ifsCopying: CopyToDestination(); break;
    case TInstallFileState::ifsNone: break;
  }
}

// ---- Paths ----

void TCustomInstallFile::CheckDestName(const std::string& name) const {
  if (!Trim(name).empty() && !IsSafeFileName(name))
    throw IECustomInstallFile("The DestName %s of %s is not a plain file name", name, Name());
}

std::string TCustomInstallFile::DestinationFile() {
  CheckDestName(DestName);
  std::string path = DestinationPath();
  return (path.empty() || path.back() != '\\' ? path + "\\" : path) + DestName;
}

std::string TCustomInstallFile::SourceFile() const { return IncludeFromDir + "\\" + FileName; }

bool TCustomInstallFile::HasOwnNetArchive() const {
  return NetLocation() || OverwriteMode == TOverwriteType::owVersion ||
         OverwriteMode == TOverwriteType::owDate || OverwriteMode == TOverwriteType::owVersionDate;
}

std::string TCustomInstallFile::ArchivePath() {
  const TDistributeType type = DistributionType();
  const bool fromNet = type == TDistributeType::dtWeb || (type != TDistributeType::dtTraditional && Net());
  if (State == TInstallFileState::ifsInstall && fromNet) {
    if (HasOwnNetArchive() && !Trim(LocalArchive).empty()) return LocalArchive;
    if (auto* container = dynamic_cast<TFileContainer*>(Container()); container && container->HasLocalArchive())
      return container->LocalArchivePath();
  }
  return TFileRelated::ArchivePath();
}

bool TCustomInstallFile::IsSelfRegistering() {
  try {
    return SelfRegistering(SourceFile());
  } catch (const std::exception&) {
    return false;
  }
}

// ---- Information events ----

void TCustomInstallFile::Inform(int code) {
  if (TInstallContainer* container = Container()) container->DoInformationEventControl(this, code, this);
}

// ---- Install ----

namespace {

// Why an existing file stays, in the words of the log.
std::string KeptReason(bool vetoed, int decision, TOverwriteType mode) {
  if (vetoed) return "its OnReplacing event kept it";
  if (decision == vrSame) return "the same version";
  switch (mode) {
    case TOverwriteType::owNever: return "the overwrite mode is never";
    case TOverwriteType::owDate: return "the existing file is as new or newer";
    default: return "the existing file's version is as new or newer";
  }
}

}  // namespace

void TCustomInstallFile::Install() {
  InUse = false;
  try {
    Inform(ieFileStarts);
    if (OnBeforeInstall) OnBeforeInstall(this);
  } catch (const EAbort&) {
    Inform(ieFileSkipped);
    LogEvent(TLogKind::File, DestinationFile() + ": skipped by its OnBeforeInstall event");
    return;
  }
  if (Trim(DestinationPath()).empty()) throw IECustomInstallFile(msgDestinationBlank, Name());
  const std::string destination = DestinationFile();
  TargetExisted = FileExists(destination);
  int decision = TVersionResource::IsFileNewer(Version, Date, destination, OverwriteMode);
  Replace = decision == vrNoDecision || decision == vrNewer;
  bool vetoed = false;
  // The name the file has at its destination; a file in use is written
  // under a temporary one that the restart moves over it.
  const std::string finalName = DestName;
  if (Replace) {
    try {
      ReplaceFile();
    } catch (const EAbort&) {
      Replace = false;
      vetoed = true;
      DestName = finalName;
      InUse = false;
    } catch (...) {
      DestName = finalName;
      throw;
    }
  }
  if (Replace) {
    try {
      Extract();
    } catch (...) {
      DestName = finalName;
      throw;
    }
    if (InUse) {
      const std::string written = DestinationFile();
      DestName = finalName;
      ReplaceAtRestart(written);
      LogEvent(TLogKind::File,
               destination + ": in use, written as " + written + ", replaced at the restart");
    } else {
      // A font is written under a name of its own: the log names the file written.
      const std::string written = DestinationFile();
      const bool over = TargetExisted && SameText(written, destination);
      LogEvent(TLogKind::File, written + (over ? ": written over the old one" : ": written"));
    }
  } else {
    Inform(ieFileKept);
    LogEvent(TLogKind::File,
             destination + ": kept, " + KeptReason(vetoed, decision, OverwriteMode));
  }
  Registrations();
  if (OnAfterInstall) OnAfterInstall(this);
  Inform(ieFileDone);
  ProcessMembers();
}

void TCustomInstallFile::Extract() {
  std::string local;
  if (FindLocalFile(local)) LocalArchive = local;
  State = TInstallFileState::ifsInstall;

  TQmbxCompress& shared = SharedCompressionEngine();
  std::unique_ptr<TQmbxCompress> own;
  const TDistributeType type = DistributionType();
  if (type != TDistributeType::dtTraditional && (Net() || type == TDistributeType::dtWeb)) {
    if (HasOwnNetArchive()) {
      DownloadArchive();
    } else if (auto* container = dynamic_cast<TFileContainer*>(Container());
               container && !container->HasLocalArchive()) {
      container->DownloadArchive();
    }
    own = std::make_unique<TQmbxCompress>(nullptr);
  } else if (!SameText(ArchivePath(), MainArchivePath())) {
    own = std::make_unique<TQmbxCompress>(nullptr);
  }
  TQmbxCompress& engine = own ? *own : shared;

  struct TEnd {
    TCustomInstallFile& file;
    TQmbxCompress& engine;
    TQmbxCompress& shared;
    bool own;
    ~TEnd() {
      engine.OnNewDisk = {};
      engine.OnStatus = {};
      engine.OnAborted = {};
      if (own && engine.Abort) shared.Abort = true;
      file.State = TInstallFileState::ifsNone;
    }
  } end{*this, engine, shared, own != nullptr};

  CreateDirectoryPath(DestinationPath());
  const std::string archive = ArchivePath();
  if (Trim(archive).empty()) throw IECustomInstallFile(msgArchiveBlank, FileName);
  engine.SetCompressedFile(archive);
  const std::string destination = DestinationFile();
  engine.ExtractDirectory = ExtractFileDir(destination);
  engine.ExtractName = ExtractFileName(destination);
  engine.Overwrite = OverwriteMode;
  engine.OnAborted.Handler = [this](TComponent* sender) { EngineAborted(sender); };
  engine.OnNewDisk.Handler = [this](TQmbxCompress* e, int32_t disk, std::string& path) {
    EngineNewDisk(e, disk, path);
  };
  engine.OnStatus.Handler = [this](TQmbxCompress* e, TlzhFileStats& stats) { EngineStatus(e, stats); };
  TStringList files;
  files.Add(SourceFile());
  engine.SetFilesToProcess(files);
  engine.ExtractFiles();
  try {
    BroadcastEvent(bcOperationEnded, nullptr);
  } catch (...) {
    engine.Abort = true;
    throw;
  }
}

void TCustomInstallFile::ReplaceFile() {
  if (OnReplacing) OnReplacing(this);
  BroadcastEvent(bcReplacingFile, this);
  Inform(ieReplacing);
  const std::string destination = DestinationFile();
  // An existing file that no program holds is replaced whole by the
  // extraction once the new one is complete; one in use stays until the
  // restart, and the new one is written beside it.
  if (!FileExists(destination) || !HeldByAnotherProgram(destination)) return;
  InUse = true;
  const std::string directory = DestinationPath();
  std::string name;
  for (int n = 1;; ++n) {
    name = ChangeFileExt(DestName, "." + std::to_string(n));
    if (!FileExists(JoinPath(directory, name)) || n >= 9999) break;
  }
  DestName = name;
}

void TCustomInstallFile::ReplaceAtRestart(const std::string& written) {
  const std::string destination = DestinationFile();
  const std::string oldShort = ShortPath(destination);
  const std::string newShort = JoinPath(ExtractFileDir(oldShort), ExtractFileName(written));
  IInstallation* install = CurrentInstallation();
  if (GetWindowsPlatform() == wpWindows95) {
    const std::string wininit = GetWindowsDirectoryPath() + "\\WININIT.INI";
    if (!PlatformFiles().WriteProfileString(wininit, "Rename", oldShort, newShort))
      throw TCaused<IECustomInstallFile>(TPlatformError::Last(),
                                         "%s cannot write the file %s to replace %s after the reboot",
                                         Name(), wininit, destination);
    if (install) install->RequestReboot();
    return;
  }
  if (install) install->RequestReboot();
  if (PlatformFiles().MoveFileAtReboot(written, destination, true) || !install) return;
  // The restart cannot move it: a batch file run once at the next start does.
  // Every path is quoted; one a batch file cannot carry is refused before
  // anything is written.
  std::string text;
  try {
    text = "erase " + BatchQuoted(oldShort) + "\r\nmove " + BatchQuoted(newShort) + " " +
           BatchQuoted(oldShort) + "\r\n";
  } catch (const EAPIRoutines& e) {
    throw IECustomInstallFile("%s cannot move its file %s into place after the reboot. %s", Name(),
                              destination, e.Message());
  }
  const std::string batch = CreateTemporaryFile(".bat");
  auto file = PlatformFiles().Open(batch, accWrite, shareNone, TFileCreation::TruncateExisting);
  uint32_t done = 0;
  if (!file || !file->Write(text.data(), static_cast<uint32_t>(text.size()), done) ||
      done != text.size())
    throw TCaused<IECustomInstallFile>(TPlatformError::Last(),
                                       "%s cannot register a routine in the register to move the "
                                       "files after the computer is reboot",
                                       Name(), batch);
  file.reset();
  install->AddUnfinished(batch, 1);
  if (!RegisterRunOnceCommand("BrimwellBatFile", BatchQuoted(batch), true))
    throw IECustomInstallFile(
        "%s cannot register a routine in the register to move the files after the computer is "
        "reboot",
        Name(), batch);
}

// ---- Registrations ----

void TCustomInstallFile::Registrations() {
  if (RegisterAsHelp) {
    WriteRegistryString(kLocalMachine, kHelpKey, UpperCase(DestName), DestinationPath());
    LogEvent(TLogKind::Registration, DestinationFile() + ": help file");
  }
  if (UpdateDLLCounter && !UpdateSharedDLLCount())
    throw IECustomInstallFile("Cannot update the DLL count for the following file :%s:", FileName);
  IInstallation* install = CurrentInstallation();
  if (InUse && install) {
    install->AddUnfinished(Name(), 0);
  } else if (ActiveX) {
    try {
      RegisterActiveX();
    } catch (const EAbort&) {
      throw;
    } catch (const Exception&) {
      if (!install || !install->RunHasStarted()) throw;
      if (!RegistrationRetryFiles().Contains(this)) RegistrationRetryFiles().Add(this);
    }
  }
}

void TCustomInstallFile::CompleteAfterReboot() {
  if (ActiveX) RegisterActiveX();
}

bool TCustomInstallFile::UpdateSharedDLLCount() {
  TQmbxRegistry registry(TRegRoot::LocalMachine);
  bool opened = false;
  try {
    opened = registry.OpenKey(kSharedDLLsKey, true);
  } catch (const EQmbxRegistry&) {
  }
  if (!opened)
    throw TCaused<IECustomInstallFile>(
        TPlatformError::Last(),
        "Could not open the key SharedDLLs key in the registry. File component %s. GetLastError "
        "return: %d",
        Name(), static_cast<int>(PlatformSystem().LastError()));
  const std::string longName = DestinationFile();
  const std::string shortName = ShortPath(longName);
  auto read = [&](const std::string& name) -> std::optional<int32_t> {
    try {
      if (registry.ValueExists(name)) return registry.ReadInteger(name);
    } catch (const EQmbxRegistry&) {
    }
    return std::nullopt;
  };
  if (auto count = read(shortName)) {
    WriteRegistryInteger(kLocalMachine, kSharedDLLsKey, shortName, *count + 1);
  } else {
    WriteRegistryInteger(kLocalMachine, kSharedDLLsKey, longName, read(longName).value_or(0) + 1);
  }
  LogEvent(TLogKind::Registration, longName + ": shared DLL count raised");
  return true;
}

void TCustomInstallFile::RegisterActiveX() {
  if (Trim(DestinationPath() + DestName).empty()) throw IECustomInstallFile(msgDestinationBlank, Name());
  const std::string path = DestinationFile();
  if (!FileExists(path))
    throw IECustomInstallFile(
        "Could not register the ActiveX component %s: its file %s is not at its destination", Name(),
        path);
  TCurrentDirectory inDestination(DestinationPath());
  if (UpperCase(ExtractFileExt(FileName)) == ".EXE") {
    std::string command = path.find(' ') == std::string::npos ? path : "\"" + path + "\"";
    LogEvent(TLogKind::Registration, path + ": COM server, started with /REGSERVER");
    if (!PlatformProcesses().StartProgram(command + " /REGSERVER", TShowWindow::Hide))
      throw TCaused<IECustomInstallFile>(
          TPlatformError::Last(),
          "Could not register the ActiveX component, %s, because the WinExec(%s,SW_HIDE) function "
          "returned a value < 32. The file component is %s. The following value is the value of "
          "the GetLastError function: %d",
          path, path, Name(), static_cast<int>(PlatformSystem().LastError()));
    return;
  }
  TServerStep step = TServerStep::Load;
  TPlatformError result = PlatformCom().RegisterServer(path, false, &step);
  if (!result.Failed()) {
    LogEvent(TLogKind::Registration, path + ": COM server registered");
    return;
  }
  const int code = static_cast<int>(Win32CodeOf(result));
  switch (step) {
    case TServerStep::Load:
      throw TCaused<IECustomInstallFile>(
          result,
          "Could not register the ActiveX component, %s, because the LoadLibrary(%s) procedure "
          "returned a value of 0. The file component is %s. The following value is the value of "
          "the GetLastError function: %d",
          path, path, Name(), code);
    case TServerStep::FindEntry:
      throw TCaused<IECustomInstallFile>(
          result,
          "Could not register the ActiveX component, %s, because the DllRegisterServer function "
          "could not be found. The file component is %s. The following value is the value of the "
          "GetLastError function: %d",
          path, Name(), code);
    case TServerStep::Call:
      throw TCaused<IECustomInstallFile>(
          result,
          "Could not register the ActiveX component, %s, because the DllRegisterServer function "
          "returned a value of %d. The file component is %s",
          path, static_cast<int>(static_cast<int32_t>(result.Code)), Name());
  }
}

// ---- Uninstall entries ----

void TCustomInstallFile::WriteUninstallInfo(const std::string& key) {
  if (ActiveX) {
    const std::string subkey = key + "\\ActiveX";
    const int32_t n = EntriesOf(subkey) + 1;
    const bool program = UpperCase(ExtractFileExt(FileName)) == ".EXE";
    WriteRegistryString(kLocalMachine, subkey, "File" + std::to_string(n),
                        DestinationFile() + ";" + (program ? "1" : "0"));
    WriteRegistryString(kLocalMachine, subkey, "Entries", std::to_string(n));
    return;
  }
  WriteUninstallFileEntry(key, DestinationFile());
}

void WriteUninstallFileEntry(const std::string& key, const std::string& path) {
  // A subkey that refuses the entry passes it to the next one.
  for (int i = 0;; ++i) {
    const std::string subkey = key + "\\Files" + (i == 0 ? "" : std::to_string(i));
    try {
      const int32_t n = EntriesOf(subkey) + 1;
      WriteRegistryString(kLocalMachine, subkey, "File" + std::to_string(n), path);
      WriteRegistryString(kLocalMachine, subkey, "Entries", std::to_string(n));
      return;
    } catch (const EIRCannotWriteValue&) {
      if (i + 1 >= kFilesSubkeys) throw;
    }
  }
}

// ---- Information from the archive and from the source ----

void TCustomInstallFile::ReadInfoFromArchive() {
  IInstallation* install = CurrentInstallation();
  if (install && install->IsRunning() && InformationRead) return;
  const TDistributeType type = DistributionType();
  std::string archive;
  if (type == TDistributeType::dtTraditional ||
      (type == TDistributeType::dtTraditionalNet && !Net())) {
    archive = TFileRelated::ArchivePath();
  } else if (HasOwnNetArchive() && !Trim(LocalArchive).empty()) {
    archive = LocalArchive;
  } else if (auto* container = dynamic_cast<TFileContainer*>(Container())) {
    if (!container->HasLocalArchive()) return;
    archive = container->LocalArchivePath();
  } else {
    throw IECustomInstallFile(
        "%s cannot perform ReadInfoFromArchive because either no container is assigned or the "
        "container is not TFileContainer",
        Name());
  }
  ReadEntry(archive);
}

void TCustomInstallFile::ReadEntry(const std::string& archive) {
  if (Trim(archive).empty()) throw IECustomInstallFile(msgArchiveBlank, FileName);
  std::unique_ptr<TQmbxCompress> own;
  if (!SameText(archive, MainArchivePath())) own = std::make_unique<TQmbxCompress>(nullptr);
  TQmbxCompress& engine = own ? *own : SharedCompressionEngine();
  engine.SetCompressedFile(archive);
  int index = engine.IndexOfFileID(UniqueID);
  if (index < 0) return;
  // The lookup answers 0 for an identity no entry carries: only an entry
  // that has it gives its information.
  if (engine.FileCount() == 0 || engine.Headers().FileHeaders(index).FileID != UniqueID) return;
  TlzhFileStats stats;
  engine.GetFileStats(index, stats);
  CompressedSize = stats.Header.CompressedSize;
  Date = stats.Header.FileDate;
  UncompressedSize = stats.Header.FileSize;
  Version = stats.Header.FileVersion.substr(0, MaxStoredFileVersion);
  InformationRead = true;
}

void TCustomInstallFile::ReadInfoFromFile() {
  const std::string source = SourceFile();
  auto file = PlatformFiles().Open(source, accRead, shareRead | shareWrite, TFileCreation::OpenExisting);
  std::optional<int64_t> written, size;
  if (file) {
    written = file->LastWriteTime();
    size = file->Size();
  }
  if (!file || !written || !size)
    throw TCaused<IECustomInstallFile>(
        TPlatformError::Last(),
        "Could not open or find the following file when trying to read the Size, Date, and Version :%s",
        source);
  file.reset();
  Date = LocalFileTimeToDateTime(PlatformSystem().UtcToLocalFileTime(*written));
  UncompressedSize = static_cast<int32_t>(std::min<int64_t>(*size, INT32_MAX));
  Version = FileVersionOf(source).substr(0, MaxStoredFileVersion);
}

// ---- Build: compress and copy ----

void TCustomInstallFile::CompressFile() {
  State = TInstallFileState::ifsCompress;
  TQmbxCompress& engine = SharedCompressionEngine();
  TOperationEnd end{*this, engine};
  if (OnBeforeCompress) OnBeforeCompress(this);
  Inform(ieCompressStarts);
  const std::string archive = ArchivePath();
  if (Trim(archive).empty()) throw IECustomInstallFile(msgArchiveBlank, FileName);
  if (!Include) return;
  CreateDirectoryPath(ExtractFileDir(archive));
  engine.SetCompressedFile(archive);
  engine.OnAborted.Handler = [this](TComponent* sender) { EngineAborted(sender); };
  engine.OnStatus.Handler = [this](TQmbxCompress* e, TlzhFileStats& stats) { EngineStatus(e, stats); };
  TStringList files;
  files.Add(SourceFile());
  engine.SetFilesToProcess(files);
  engine.CompressFiles(AddToArchive, UniqueID);
  CompressState = 2;
  if (OnAfterCompress) OnAfterCompress(this);
  Inform(ieCompressEnds);
}

void TCustomInstallFile::CopyToDestination() {
  State = TInstallFileState::ifsCopying;
  TQmbxCompress& engine = SharedCompressionEngine();
  TOperationEnd end{*this, engine};
  if (OnBeforeCopy) OnBeforeCopy(this);
  Inform(ieCopyStarts);
  if (!Include) return;
  if (Trim(DestinationPath()).empty()) throw IECustomInstallFile(msgDestinationBlank, Name());
  CreateDirectoryPath(DestinationPath());
  engine.OnStatus.Handler = [this](TQmbxCompress* e, TlzhFileStats& stats) { EngineStatus(e, stats); };
  engine.CopyFile(SourceFile(), DestinationFile());
  if (OnAfterCopy) OnAfterCopy(this);
  Inform(ieCopyEnds);
}

// ---- The engine's handlers ----

void TCustomInstallFile::EngineStatus(TQmbxCompress*, TlzhFileStats& stats) {
  TFileStatusParameter status(stats, FileName);
  if (OnStatus) OnStatus(this, status.FilePercent, status.TotalPercent);
  BroadcastEvent(bcFileStatus, &status);
  int code = State == TInstallFileState::ifsCompress ? ieCompressProgress
             : State == TInstallFileState::ifsCopying ? ieCopyProgress
                                                      : ieInstallProgress;
  TParameterList list{this, &status};
  if (TInstallContainer* container = Container()) container->DoInformationEventControl(this, code, &list);
}

void TCustomInstallFile::EngineNewDisk(TQmbxCompress* engine, int32_t disk, std::string& path) {
  SetTag(0);
  TDiskParameter parameter;
  parameter.NewDisk = disk;
  parameter.Path = RemoveTrailingBackslash(ExtractFileDir(ArchivePath()));
  if (OnNewDisk) OnNewDisk(this, disk, parameter.Path);
  TParameterList list{this, &parameter};
  BroadcastEvent(bcNewDisk, &list);
  if (TInstallContainer* container = Container()) container->DoInformationEventControl(this, ieNewDisk, &list);
  if (!OnNewDisk && Tag() == 0) {
    int answer = PlatformWindows().MessageBox(Format(TranslateMessage("Please insert disk #%d"), disk),
                                              "", boxOkCancel | boxIconInformation);
    if (answer == idCancel && engine) engine->Abort = true;
  }
  path = RemoveTrailingBackslash(parameter.Path);
  try {
    if (auto* main = StandardPathSpecifier<TpsMainArchiveFile>()) main->DiskDirectory = path;
  } catch (const Exception&) {
  }
  SetTag(0);
}

void TCustomInstallFile::EngineAborted(TComponent*) { throw EAIUserAbort(); }

}  // namespace brim

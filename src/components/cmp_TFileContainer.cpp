// The operations of file-related objects and file containers: the local
// copy of a network archive and its download, the install, copy and
// compress operations over a subtree of files, the byte totals, and the
// information events that files send up the tree.
#include <algorithm>
#include <map>

#include "archive/cmp_TQmbxCompress.h"
#include "common/routines_Strings.h"
#include "components/InstallParameters.h"
#include "components/cmp_TInstallContainer.h"
#include "netlocation/routines_DownloadChecks.h"
#include "platform/Platform.h"
#include "session/InstallSession.h"
#include "system/routines_API.h"
#include "system/routines_Registry.h"

namespace brim {

namespace {

constexpr int kLocalMachine = 4;  // the TRootKeys ordinal of HKEY_LOCAL_MACHINE


// A host or directory as a folder name: "/" becomes "-", and the
// characters Windows refuses in names go.
std::string MadeSafe(const std::string& text) {
  std::string safe;
  for (char c : text) {
    if (c == '/') safe += '-';
    else if (std::string_view("\"*:;<>?\\|").find(c) == std::string_view::npos) safe += c;
  }
  return safe;
}

TFileRelated* MainArchiveOwner() {
  IInstallation* install = CurrentInstallation();
  return install ? dynamic_cast<TFileRelated*>(&install->RootContainer()) : nullptr;
}

int32_t Clamped(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

bool ComparesVersionOrDate(const TCustomInstallFile& file) {
  return file.OverwriteMode == TOverwriteType::owVersion || file.OverwriteMode == TOverwriteType::owDate ||
         file.OverwriteMode == TOverwriteType::owVersionDate;
}

// A container operation ends with Operation 0 and broadcast -996, also
// when it fails.
class TOperationScope {
 public:
  TOperationScope(TFileContainer& container, uint8_t operation) : container_(container) {
    container_.Operation = operation;
  }
  ~TOperationScope() {
    container_.Operation = 0;
    try {
      container_.BroadcastEvent(bcOperationEnded, nullptr);
    } catch (...) {
    }
  }
  TOperationScope(const TOperationScope&) = delete;
  TOperationScope& operator=(const TOperationScope&) = delete;

 private:
  TFileContainer& container_;
};

// The most bytes an archive of files of these sizes can take: the files,
// what deflate adds to data it cannot shrink, and a header for each.
int64_t ArchiveBound(int64_t fileBytes, int files) {
  return fileBytes + fileBytes / 64 + 1024 * (int64_t{files} + 4);
}

// The size "filelist.lst" gave each file of the archive, summed; none when
// it did not name them all.
std::optional<int64_t> RemoteListBound(TFileRelated& owner) {
  std::vector<TCustomInstallFile*> files;
  if (auto* file = dynamic_cast<TCustomInstallFile*>(&owner)) {
    files.push_back(file);
  } else if (auto* container = dynamic_cast<TFileContainer*>(&owner)) {
    for (int i = 0; i < container->MemberCount(); ++i)
      if (auto* file = dynamic_cast<TCustomInstallFile*>(container->Members(i));
          file && !file->HasOwnNetArchive())
        files.push_back(file);
  }
  if (files.empty()) return std::nullopt;
  int64_t total = 0;
  for (TCustomInstallFile* file : files) {
    std::optional<int64_t> size = RemoteFileSize(file->Name());
    if (!size) return std::nullopt;
    total += *size;
  }
  return ArchiveBound(total, static_cast<int>(files.size()));
}

// The first file of the archive whose size differs from the one
// "filelist.lst" gave it, as a message; empty when all agree. An archive
// the build's hash vouches for needs no such check.
std::string RemoteListDisagreement(const std::string& archive) {
  if (SetupArchiveHashes() || !RemoteFileSizesKnown()) return "";
  TQmbxCompress engine(nullptr);
  engine.SetCompressedFile(archive);
  // Each stored file is the first install file of its identity.
  std::map<int32_t, TCustomInstallFile*> byID;
  TCustomInstallFileList& files = AllInstallFiles();
  for (int f = 0; f < files.Count(); ++f) byID.emplace(files.Items(f)->UniqueID, files.Items(f));
  const int count = engine.FileCount();
  for (int i = 0; i < count; ++i) {
    const TFileHeader& header = engine.Headers().FileHeaders(i);
    auto found = byID.find(header.FileID);
    if (found == byID.end()) continue;
    TCustomInstallFile* file = found->second;
    std::optional<int64_t> listed = RemoteFileSize(file->Name());
    if (listed && *listed != header.FileSize)
      return Format(
          "The archive %s holds %s with %d bytes, but the remote list of files "
          "\"filelist.lst\" gives it %d bytes",
          archive, file->Name(), header.FileSize, *listed);
  }
  return "";
}

}  // namespace

// ---- TFileRelated: the local copy of the network archive ----

void TFileRelated::AssignArchive(const std::string& file, TCustomPathSpecifier* type) {
  archiveFile_ = file;
  archiveFileType_ = type;
  if (type) FreeNotification(type);
}

void TFileRelated::Loaded() {
  TInstallObject::Loaded();
  std::string path;
  if (FindLocalFile(path)) LocalArchive = path;
}

bool TFileRelated::FindLocalFile(std::string& path) {
  if (Trim(Name()).empty()) return false;
  IInstallation* install = CurrentInstallation();
  std::string record = install ? install->RecordKey() : "";
  if (record.empty()) return false;
  std::string value = ReadRegistryString(kLocalMachine, JoinPath(record, Name()), "LocalFile", "");
  if (Trim(value).empty() || !FileExists(value)) return false;
  // A copy is used again only while it is what the build wrote (anyone
  // who can write the temporary directory could have replaced it); one
  // that is not goes, and the archive is fetched again.
  bool good = true;
  if (const TArchiveHashList* hashes = SetupArchiveHashes()) {
    const TArchiveHash* hash = hashes->Find(Name() + ".1");
    good = hash && HashOfFile(value) == *hash;
  }
  if (good) {
    try {
      good = RemoteListDisagreement(value).empty();
    } catch (const Exception&) {
      good = false;
    }
  }
  if (!good) {
    PlatformFiles().DeleteFile(value);
    try {
      WriteRegistryString(kLocalMachine, JoinPath(record, Name()), "LocalFile", "");
    } catch (const Exception&) {
      // The copy is gone: a record of it finds nothing.
    }
    if (SameText(LocalArchive, value)) LocalArchive.clear();
    return false;
  }
  path = value;
  return true;
}

void TFileRelated::RememberLocalFile(const std::string& path) {
  if (Trim(Name()).empty() || Trim(path).empty()) return;
  IInstallation* install = CurrentInstallation();
  std::string record = install ? install->RecordKey() : "";
  if (record.empty()) return;
  try {
    WriteRegistryString(kLocalMachine, JoinPath(record, Name()), "LocalFile", path);
  } catch (const Exception&) {
    // A copy that is not remembered is only downloaded again next time.
  }
}

bool TFileRelated::HasLocalArchive() {
  if (!Trim(LocalArchive).empty()) return true;
  std::string path;
  return FindLocalFile(path);
}

TCustomNetInstallLocation* TFileRelated::FindNetLocation() {
  if (NetLocation()) return NetLocation();
  if (dynamic_cast<TCustomInstallFile*>(this) && Container()) {
    auto* container = dynamic_cast<TFileContainer*>(Container());
    return container ? container->FindNetLocation() : nullptr;
  }
  TFileRelated* main = MainArchiveOwner();
  if (main && main != this && main->NetLocation()) return main->NetLocation();
  return CurrentNetLocation();
}

std::string TFileRelated::NetArchiveFolder() {
  TCustomNetInstallLocation* location = FindNetLocation();
  if (!location) throw IEFileRel_NoNetLocation("Could not find a net install location for %s", Name());
  const TLoginInformation& login = location->LoginInformation();
  std::string host = MadeSafe(login.Hostname);
  if (!Trim(login.Directory).empty()) return host + "\\" + MadeSafe(login.Directory);
  return host + "\\" +
         (login.Protocol == TInternetProtocol::ipFTP ? "FTP Root directory" : "HTTP Root directory");
}

void TFileRelated::DownloadArchive() {
  std::string found;
  if (FindLocalFile(found)) {
    LocalArchive = found;
    return;
  }
  TCustomNetInstallLocation* location = FindNetLocation();
  if (!location) throw Exception("Could not find a net install location for %s", Name());
  if (!LoginComplete(location->LoginInformation())) {
    if (NetLocation())
      throw IEFileRelated(
          "%s could not install itself because the TNetLocation component's properties, in the "
          "NetLocation property, have not been filled in",
          Name());
    throw IEFileRelated(
        "%s could not install itself because the LoginInformation property of the TInstall "
        "component has not been properly filled in",
        Name());
  }
  // What the archive must be: the build's hash and size when the setup
  // carries its hash list, else no more than its files in "filelist.lst".
  const std::string archiveName = Name() + ".1";
  TExpectedDownload expected;
  if (const TArchiveHashList* hashes = SetupArchiveHashes()) {
    const TArchiveHash* hash = hashes->Find(archiveName);
    if (!hash)
      throw IEFileRelated(
          "%s cannot be installed: the list of archive hashes of this setup does not name %s",
          Name(), archiveName);
    expected.Size = hash->Size;
    expected.Digest = hash->Digest;
  } else if (std::optional<int64_t> bound = RemoteListBound(*this)) {
    expected.Limit = *bound;
  }
  LocalArchive = CreateTemporaryFile(".1");
  location->DataReceived = [this](TComponent*, const std::string& fileName, int32_t bytes,
                                          int32_t totalBytes, int32_t fileSize, const void* buffer) {
    DoDataReceived(fileName, bytes, totalBytes, fileSize, buffer);
  };
  // A download the user aborted gives way to the abort, whatever it raised.
  auto abandon = [&] {
    location->DataReceived = nullptr;
    PlatformFiles().DeleteFile(LocalArchive);
    LocalArchive.clear();
    throw EAIUserAbort();
  };
  try {
    location->Expected = expected;
    location->Download(archiveName, LocalArchive);
    if (!NetAborted()) {
      std::string disagreement = RemoteListDisagreement(LocalArchive);
      if (!disagreement.empty()) throw IEFileRelated("%s", disagreement);
    }
  } catch (...) {
    location->Expected = {};
    location->DataReceived = nullptr;
    if (NetAborted()) abandon();
    // A failed download leaves no partial archive to be taken for a whole one.
    PlatformFiles().DeleteFile(LocalArchive);
    LocalArchive.clear();
    throw;
  }
  location->DataReceived = nullptr;
  if (NetAborted()) abandon();
  if (!HasState(csDesigning)) RememberLocalFile(LocalArchive);
}

void TFileRelated::DoDataReceived(const std::string& fileName, int32_t bytes, int32_t totalBytes,
                                  int32_t fileSize, const void* buffer) {
  TDownloadStatusParameter status;
  status.Bytes = bytes;
  status.FileName = fileName;
  status.FileSize = fileSize;
  status.TotalBytes = totalBytes;
  status.Percent = PercentOf(totalBytes, fileSize);
  if (OnDataReceived) OnDataReceived(this, fileName, bytes, totalBytes, fileSize, buffer);
  BroadcastEvent(bcDownloadStatus, &status);
  if (TInstallContainer* container = Container())
    container->DoInformationEventControl(this, ieDownloadProgress, &status);
}

// ---- TFileContainer: information events ----

void TFileContainer::InformContainer(int code, TPersistent* parameter) {
  if (TInstallContainer* container = Container()) container->DoInformationEventControl(this, code, parameter);
}

void TFileContainer::DoInformationEventControl(TInstallContainer* sender, int code, TPersistent* parameter) {
  if (Operation == 0) return;
  auto needParameter = [&] {
    if (!parameter) throw IEFileContainer("%s got a nil PO parameter", Name());
  };
  // The list of a status or new-disk event: the file, then its parameter.
  auto listOf = [&]() -> TParameterList& {
    needParameter();
    auto* list = dynamic_cast<TParameterList*>(parameter);
    if (!list) throw IEFileContainer("DoInformationEventControl--PO is not a TList object");
    if (list->Items.size() < 2)
      throw IEFileContainer("DoInformationEventControl--Not engouh parameters for status event");
    return *list;
  };
  switch (code) {
    case ieReplacing: {
      needParameter();
      auto* file = dynamic_cast<TCustomInstallFile*>(parameter);
      if (!file) throw IEFileContainer("DoInformationEventControl parameter is not TInstallFile");
      DoReplacing(file);
      break;
    }
    case ieInstallProgress:
    case ieCompressProgress:
    case ieCopyProgress: {
      TParameterList& list = listOf();
      auto* file = dynamic_cast<TCustomInstallFile*>(list.Items[0]);
      if (!file) throw IEFileContainer("DoInformationEventControl says bad first parameter");
      auto* status = dynamic_cast<TFileStatusParameter*>(list.Items[1]);
      if (!status) throw IEFileContainer("DoInformationEventControl says bad second parameter");
      RelayStatus(file, *status);
      break;
    }
    case ieNewDisk: {
      TParameterList& list = listOf();
      auto* file = dynamic_cast<TCustomInstallFile*>(list.Items[0]);
      if (!file) throw IEFileContainer("DoInformationEventControl says bad %d parameter", 1);
      auto* disk = dynamic_cast<TDiskParameter*>(list.Items[1]);
      if (!disk) throw IEFileContainer("DoInformationEventControl says bad %d parameter", 2);
      DoNewDisk(file, *disk);
      BroadcastEvent(bcNewDisk, &list);
      break;
    }
    case ieDownloadProgress: {
      needParameter();
      auto* status = dynamic_cast<TDownloadStatusParameter*>(parameter);
      if (!status)
        throw IEFileContainer("The PO object passed to %s is not a TDownloadStatusParameter object",
                              Name());
      // The same meanings in the same places as the file's own event:
      // the block, the bytes received so far, the file's size.
      if (OnDataReceived)
        OnDataReceived(this, status->FileName, status->Bytes, status->TotalBytes, status->FileSize,
                       nullptr);
      BroadcastEvent(bcDownloadStatus, status);
      break;
    }
    case ieFileSkipped:
    case ieFileKept: {
      needParameter();
      auto* file = dynamic_cast<TCustomInstallFile*>(parameter);
      if (!file) throw IEFileContainer("DoInformationEventControl says bad first parameter");
      FinishedFile(file);
      break;
    }
    default: break;
  }
  InformContainer(code, parameter);
}

void TFileContainer::RelayStatus(TCustomInstallFile* file, TFileStatusParameter& status) {
  status.TotalBytesDone = Clamped(int64_t{DoneBytes} + status.FileBytesDone);
  status.TotalPercent = PercentOf(status.TotalBytesDone, TotalBytes);
  DoStatus(file, status);
  if (status.Stats.Finished && Operation >= 1 && Operation <= 3)
    DoneBytes = Clamped(int64_t{DoneBytes} + status.Stats.FileSize);
}

void TFileContainer::FinishedFile(TCustomInstallFile* file) {
  TFileStatusParameter status;
  status.FileBytesDone = file->UncompressedSize;
  status.FilePercent = 100;
  status.FileName = file->FileName;
  status.TotalBytesDone = Clamped(int64_t{DoneBytes} + status.FileBytesDone);
  status.TotalPercent = PercentOf(status.TotalBytesDone, TotalBytes);
  DoStatus(file, status);
  DoneBytes = Clamped(int64_t{DoneBytes} + file->UncompressedSize);
}

void TFileContainer::DoNewDisk(TCustomInstallFile* file, TDiskParameter& disk) {
  if (!OnNewDisk) return;
  OnNewDisk(file, disk.NewDisk, disk.Path);
  file->SetTag(1);
}

void TFileContainer::DoReplacing(TCustomInstallFile* file) {
  if (OnReplacing) OnReplacing(file);
  BroadcastEvent(bcReplacingFile, file);
}

void TFileContainer::DoStatus(TCustomInstallFile* file, TFileStatusParameter& status) {
  if (OnStatus) OnStatus(file, status.FilePercent, status.TotalPercent);
  BroadcastEvent(bcFileStatus, &status);
}

// ---- TFileContainer: totals ----

int32_t TFileContainer::SizeOf(bool all, bool recursive) {
  int64_t total = 0;
  for (int i = 0; i < MemberCount(); ++i) {
    TInstallObject* member = Members(i);
    if (auto* file = dynamic_cast<TCustomInstallFile*>(member)) {
      if (all || file->IsSelected()) total += file->UncompressedSize;
    } else if (auto* container = dynamic_cast<TFileContainer*>(member); container && recursive) {
      if (all || container->IsSelected()) total += container->SizeOf(all, true);
    }
  }
  return Clamped(total);
}

int32_t TFileContainer::CompressedSize(bool all) {
  int64_t total = 0;
  for (int i = 0; i < MemberCount(); ++i) {
    TInstallObject* member = Members(i);
    if (auto* file = dynamic_cast<TCustomInstallFile*>(member)) {
      if (all || file->IsSelected()) total += file->CompressedSize;
    } else if (auto* container = dynamic_cast<TFileContainer*>(member)) {
      if (all || container->IsSelected()) total += container->CompressedSize(all);
    }
  }
  return Clamped(total);
}

bool TFileContainer::AnyNetFile() const {
  for (int i = 0; i < MemberCount(); ++i)
    if (auto* file = dynamic_cast<TCustomInstallFile*>(Members(i)); file && file->Net()) return true;
  return false;
}

TCustomInstallFile* TFileContainer::FindFile(const std::string& sourcePath) const {
  for (int i = 0; i < MemberCount(); ++i)
    if (auto* file = dynamic_cast<TCustomInstallFile*>(Members(i));
        file && SameText(file->IncludeFromDir + "\\" + file->FileName, sourcePath))
      return file;
  return nullptr;
}

bool TFileContainer::NeedsContainerDownload() {
  IInstallation* install = CurrentInstallation();
  if (install && install->DistributeType() == TDistributeType::dtTraditional) return false;
  for (int i = 0; i < MemberCount(); ++i)
    if (auto* file = dynamic_cast<TCustomInstallFile*>(Members(i));
        file && file->Net() && file->Include && !file->NetLocation())
      return true;
  return false;
}

std::string TFileContainer::LocalArchivePath() {
  if (!Trim(LocalArchive).empty()) return LocalArchive;
  std::string path;
  if (FindLocalFile(path)) return path;
  throw IEFileContainer(
      "%s has not yet downloaded the archive file and therefore cannot retrieve the path of the "
      "archive file",
      Name());
}

void TFileContainer::ReadInfoFromArchiveAll() {
  std::vector<TInstallObject*> members;
  for (int i = 0; i < MemberCount(); ++i) members.push_back(Members(i));
  for (TInstallObject* member : members)
    if (auto* file = dynamic_cast<TCustomInstallFile*>(member)) file->ReadInfoFromArchive();
  for (TInstallObject* member : members)
    if (auto* container = dynamic_cast<TFileContainer*>(member)) container->ReadInfoFromArchiveAll();
  InformationRead = true;
}

void TFileContainer::ReadInfoFromFilesAll() {
  std::vector<TInstallObject*> members;
  for (int i = 0; i < MemberCount(); ++i) members.push_back(Members(i));
  for (TInstallObject* member : members)
    if (auto* file = dynamic_cast<TCustomInstallFile*>(member)) file->ReadInfoFromFile();
  for (TInstallObject* member : members)
    if (auto* container = dynamic_cast<TFileContainer*>(member)) container->ReadInfoFromFilesAll();
}

TInstallDirectory::TInstallDirectory(TComponent* owner) : TFileContainer(owner) {
  if (!owner || !owner->HasState(csDesigning)) return;
  const auto& containers = InstallContainers().Containers();
  long count = std::count_if(containers.begin(), containers.end(),
                             [](TInstallContainer* c) { return dynamic_cast<TFileContainer*>(c) != nullptr; });
  Description = "Install Directory " + std::to_string(count);
}

void TInstallDirectory::RemoveMissingFiles() {
  for (int i = MemberCount() - 1; i >= 0; --i) {
    if (i >= MemberCount()) continue;
    auto* file = dynamic_cast<TCustomInstallFile*>(Members(i));
    if (!file || FileExists(file->SourceFile())) continue;
    RemoveMember(file);
    file->Free();
  }
}

// ---- TFileContainer: operations ----

void TFileContainer::Execute(int operation) {
  struct TEnd {
    uint8_t& operation;
    ~TEnd() { operation = 0; }
  } end{Operation};
  switch (operation) {
    case 1: Compress(0); break;
    case 2: Process(); break;
    case 3: CopyFiles(); break;
    default: break;
  }
}

void TFileContainer::Install() {
  bool aborted = false;
  {
    TOperationScope scope(*this, 2);
    std::string local;
    if (FindLocalFile(local)) LocalArchive = local;
    ReadInfoFromArchiveAll();
    BroadcastEvent(bcStartInstalling, nullptr);
    InformContainer(ieContainerStarts, this);
    TotalBytes = SelectedSize(false);
    DoneBytes = 0;
    if (OnBeforeInstallObjects) OnBeforeInstallObjects(this);
    ProcessMembers();
    InformContainer(ieContainerEnds, this);
    aborted = SharedCompressionEngine().Abort;
  }
  if (FireAfterInstall && OnAfterInstallObjects) OnAfterInstallObjects(this, aborted);
}

void TFileContainer::CopyFiles() {
  TOperationScope scope(*this, 3);
  if (OnBeforeProcess) OnBeforeProcess(this);
  if (!Include) return;
  InformContainer(ieContainerStarts, this);
  ReadInfoFromFilesAll();
  TotalBytes = SelectedSize(false);
  DoneBytes = 0;
  std::vector<TInstallObject*> members;
  for (int i = 0; i < MemberCount(); ++i) members.push_back(Members(i));
  for (TInstallObject* member : members)
    if (auto* file = dynamic_cast<TCustomInstallFile*>(member)) file->CopyToDestination();
  for (TInstallObject* member : members)
    if (auto* container = dynamic_cast<TFileContainer*>(member)) container->CopyFiles();
  if (OnAfterProcess) OnAfterProcess(this);
  InformContainer(ieContainerEnds, this);
}

void TFileContainer::Compress(uint32_t options) {
  if ((options & coForceNetFilesLocal) && (options & coForceFilesNet))
    throw IEFileContainer("Cannot pass both coForceNetFilesLocal and coForceFilesNet to Compress");
  TOperationScope scope(*this, 1);
  if (OnBeforeProcess) OnBeforeProcess(this);
  if (!Include) return;
  InformContainer(ieContainerStarts, this);
  ReadInfoFromFilesAll();
  TotalBytes = SelectedSize((options & coIncludeExcluded) != 0);
  DoneBytes = 0;

  const std::string archiveDirectory = ExtractFileDir(ArchivePath());
  try {
    LocalArchive = JoinPath(archiveDirectory, NetArchiveFolder()) + "\\" + Name() + ".1";
  } catch (const IEFileRel_NoNetLocation&) {
    if (!(options & coForceNetFilesLocal)) throw;
  }
  auto deleteArchive = [&](const std::string& path) {
    if (FileExists(path) && !PlatformFiles().DeleteFile(path))
      throw TCaused<IEFileContainer>(TPlatformError::Last(), "%s cannot delete the archive file %s",
                                     Name(), path);
  };
  if (AddToArchive == TlzhCommand::lzcOverwrite) deleteArchive(ChangeFileExt(ArchivePath(), ".1"));
  if (AnyNetFile() || ((options & coForceFilesNet) && InstallFileCount() > 0)) deleteArchive(LocalArchive);

  std::vector<TInstallObject*> members;
  for (int i = 0; i < MemberCount(); ++i) members.push_back(Members(i));
  for (TInstallObject* object : members) {
    auto* member = dynamic_cast<TFileRelated*>(object);
    if (!member) continue;
    struct TSaved {
      TFileRelated& member;
      TlzhCommand addToArchive;
      std::string archiveFile;
      TCustomPathSpecifier* archiveFileType;
      bool include;
      ~TSaved() {
        member.AddToArchive = addToArchive;
        member.AssignArchive(archiveFile, archiveFileType);
        member.Include = include;
      }
    } saved{*member, member->AddToArchive, member->ArchiveFile(), member->ArchiveFileType(),
            member->Include};
    if (options & coIncludeExcluded) member->Include = true;

    auto* file = dynamic_cast<TCustomInstallFile*>(member);
    TCustomPathSpecifier* type = member->ArchiveFileType();
    const bool netFile = file && !(options & coForceNetFilesLocal) &&
                         (file->Net() || (options & coForceFilesNet));
    if (netFile) {
      std::string own = JoinPath(archiveDirectory, file->NetArchiveFolder()) + "\\" + file->Name() + ".1";
      if (file->NetLocation()) {
        member->AddToArchive = TlzhCommand::lzcOverwrite;
        member->AssignArchive(own, nullptr);
      } else {
        member->AddToArchive = TlzhCommand::lzcOnlyAdd;
        member->AssignArchive(ComparesVersionOrDate(*file) ? own : LocalArchive, nullptr);
      }
    } else if (options & coLocalMembersAdd) {
      member->AddToArchive = TlzhCommand::lzcOnlyAdd;
      member->AssignArchive("", nullptr);
    } else if (dynamic_cast<TpsContainerArchiveFile*>(type)) {
      member->AddToArchive = TlzhCommand::lzcOnlyAdd;
    } else if (dynamic_cast<TpsInstallSource*>(type)) {
      TFileRelated* main = MainArchiveOwner();
      std::string directory =
          main ? RemoveTrailingBackslash(ExtractFileDir(main->ArchivePath())) : archiveDirectory;
      member->AddToArchive = TlzhCommand::lzcOverwrite;
      member->AssignArchive(directory + saved.archiveFile, nullptr);
    } else if (options & coUnderArchiveDir) {
      std::string path = member->ArchivePath();
      size_t colon = path.find(':');
      member->AddToArchive = TlzhCommand::lzcOverwrite;
      member->AssignArchive(archiveDirectory + (colon == std::string::npos ? path : path.substr(colon + 1)),
                            nullptr);
    }
    if (auto* container = dynamic_cast<TFileContainer*>(member))
      container->Compress(options);
    else if (file)
      // Directly, not through State: a build started while the definition
      // is still being read (the -b mode) finds later files still loading.
      file->CompressFile();
  }
  if (OnAfterProcess) OnAfterProcess(this);
  InformContainer(ieContainerEnds, this);
}

}  // namespace brim

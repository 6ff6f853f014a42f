// The install tree: every component of a definition that takes part in an
// installation is a TInstallContainer. Install objects sit in a container
// (their Container), which keeps them in a member list ordered by
// registered type; file-related objects carry an archive; file containers
// (directories, groups and the installation itself) hold the install
// files. This unit holds the containment rules, the processing of a
// container and its members, the broadcast codes that travel down the
// tree, the registry of live containers and the identity table of install
// files, and the published classes TInstallDirectory, TInstallGroup and
// TInstallFile.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "netlocation/cmp_TNetInstallLocation.h"
#include "objects/TComponent.h"
#include "objects/TGraphics.h"
#include "objects/TStrings.h"
#include "paths/cmp_TPathSpecifier.h"

namespace brim {

class TQmbxCompress;
struct TlzhFileStats;
class TFileStatusParameter;
class TDiskParameter;

BRIM_IEXCEPTION_CLASS(IEInstallContainer, IException);
BRIM_IEXCEPTION_CLASS(IEContainerList, IException);
BRIM_IEXCEPTION_CLASS(IEInstallGroup, IException);
BRIM_IEXCEPTION_CLASS(IEFileRelated, IException);
BRIM_IEXCEPTION_CLASS(IEFileRel_NoNetLocation, IEFileRelated);
BRIM_IEXCEPTION_CLASS(IEFileContainer, IException);
BRIM_IEXCEPTION_CLASS(IEfcDuplicateFile, IEFileContainer);
BRIM_IEXCEPTION_CLASS(IECustomInstallFile, IException);
BRIM_IEXCEPTION_CLASS(IECustomInstallFileList, IException);

extern const TEnumInfo InstallTypeInfo;
extern const TEnumInfo LzhCommandInfo;
extern const TEnumInfo OverwriteTypeInfo;

enum class TInstallFileType {
  iftNormal,
  iftJustADLL,
  iftApplicationSpecificDLL,
  iftVendorSharedDLL,
  iftSystemWideDLL
};
extern const TEnumInfo InstallFileTypeInfo;

// The operation an install file is running.
enum class TInstallFileState { ifsNone, ifsCompress, ifsInstall, ifsCopying };
extern const TEnumInfo InstallFileStateInfo;

// Registered types: the number of each component family. Member lists are
// ordered by it and the phases of a run select their members by it.
inline constexpr int rtInstallGroup = 500;
inline constexpr int rtFileContainer = 1000;
inline constexpr int rtInstallFile = 2000;
inline constexpr int rtShellLinkGroup = 7000;
inline constexpr int rtShellLink = 8000;
inline constexpr int rtInstallRegistry = 8500;
inline constexpr int rtDialog = 9000;

using TInstallContainerNotifyEvent = TEvent<void(TComponent* Sender)>;
using TAfterInstallObjectsEvent = TEvent<void(TComponent* Sender, bool WasAborted)>;
using TInstallFileNotifyEvent = TEvent<void(TComponent* Sender)>;
using TInstallFileStatusEvent =
    TEvent<void(TComponent* Sender, int32_t FilePercentDone, int32_t TotalPercentDone)>;
using TInstallFileNewDiskEvent = TEvent<void(TComponent* Sender, int32_t NewDisk, std::string& Path)>;

// Codes broadcast down the tree to the members of registered type 2000 or
// more (BroadcastEvent); the parameter object named with each code is
// made by the sender and freed after the broadcast.
inline constexpr int bcIncluded = -999;          // Process passed the Include test
inline constexpr int bcFileStatus = -998;        // file progress: a file status parameter
inline constexpr int bcReplacingFile = -997;     // a file is about to be replaced: the file
inline constexpr int bcOperationEnded = -996;    // a file container operation ended
inline constexpr int bcNewDisk = -993;           // a new disk: the file and a disk parameter
inline constexpr int bcStartInstalling = -992;   // a file container starts installing
inline constexpr int bcBeforeProcess = -990;
inline constexpr int bcAfterProcess = -989;
inline constexpr int bcDownloadStatus = -988;    // a download status parameter
inline constexpr int bcStatusMessage = -974;     // a TMessageParameter with the text
inline constexpr int bcStatusMessageDone = -973; // the last status message is withdrawn

// The uninstall key of the product, completed by its product name.
inline constexpr const char* UninstallKeyPrefix =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The install types of an object. An empty set is stored as [itFull].
class TInstallTypes : public TInstallTypeSet {
 public:
  TInstallTypes(TInstallTypeSet types) : TInstallTypeSet(Stored(types)) {}
  TInstallTypes& operator=(TInstallTypeSet types) {
    TInstallTypeSet::operator=(Stored(types));
    return *this;
  }

 private:
  static TInstallTypeSet Stored(TInstallTypeSet types) {
    return types.Empty() ? TInstallTypeSet{TInstallType::itFull} : types;
  }
};

class TInstallObject;
class TFileContainer;
class TCustomInstallFile;

class TInstallContainer : public TComponent {
  BRIM_CLASS(TInstallContainer)

 public:
  // Registers the container; one owned by a form also makes sure every
  // standard path specifier exists.
  explicit TInstallContainer(TComponent* owner);
  ~TInstallContainer() override;
  // Tells every other container that this one goes (members leave it and
  // objects it contains lose their Container), then leaves the registry.
  void BeforeDestruction() override;
  void Notification(TComponent* component, TOperation operation) override;
  // True from the start of the destruction on.
  bool Destroying() const { return destroying_ || HasState(csDestroying); }

  // The family number; a class that takes part in the tree declares one.
  virtual int RegisteredType() const;

  // The members that are file containers.
  virtual int FileContainerCount() const;
  virtual TFileContainer* FileContainers(int i) const;

  // The destination directory, relative to DestDirType; by convention it
  // begins with a backslash ("\" alone: the specifier's directory itself).
  const std::string& DestDir() const { return destDir_; }
  virtual void SetDestDir(const std::string& value) { destDir_ = value; }
  TCustomPathSpecifier* DestDirType() const { return destDirType_; }
  // Outside loading the specifier first validates this object.
  virtual void SetDestDirType(TCustomPathSpecifier* value);
  // A specifier took over from another: what named from names to.
  virtual void SpecifierReplaced(TCustomPathSpecifier* from, TCustomPathSpecifier* to);

  // Another container is being destroyed: it leaves the member list.
  virtual void ContainerDestroyed(TInstallContainer* container);
  // Broadcasts a status message (bcStatusMessage) to the members.
  virtual void SendStatusMessage(const std::string& text);
  // An information event on its way up the tree; file containers handle it.
  virtual void DoInformationEventControl(TInstallContainer* sender, int code,
                                         TPersistent* parameter) {}
  // A broadcast code reaching this member; dialogs react to some.
  virtual void HandleEvent(TInstallContainer* sender, int code, TPersistent* parameter) {}
  // The expansion of DestDirType for this object followed by DestDir,
  // without a trailing backslash.
  virtual std::string DestinationPath();
  // The install object this one points at (a shortcut's ObjectLink), or null.
  virtual TInstallContainer* LinkedObject() const { return nullptr; }
  // Once loaded, the destination is checked: a DestDir below a DestDirType
  // stays inside its folder (no "." or ".." part, no drive or stream), one
  // without a DestDirType holds no "." or ".." part; and neither the
  // destination nor the linked object leads back to this object.
  void Loaded() override;

  // Inserts an object into the member list, ordered by registered type.
  virtual void AddMember(TInstallObject* object);
  // Events, broadcasts, the install-type test, the members and the
  // uninstall information; a silent abort ends it quietly.
  virtual void Process();
  // Processes every member that goes with its container, in list order.
  virtual void ProcessMembers();
  // Included, and selected by the current install type.
  virtual bool IsSelected() const;
  virtual void RemoveMember(TInstallObject* object);
  // Records what the uninstaller needs under the product's uninstall key.
  virtual void WriteUninstallInfo(const std::string& key) {}

  int MemberCount() const { return static_cast<int>(members_.size()); }
  TInstallObject* Members(int i) const;
  // Members of a class (or a descendant), and the index-th of them.
  int CompCount(const TClassInfo& cls) const;
  TInstallObject* Comp(int index, const TClassInfo& cls) const;
  int InstallFileCount() const;
  TCustomInstallFile* InstallFiles(int i) const;
  // Frees every member of the class, from the end of the list.
  void DestroyMembersOfClass(const TClassInfo& cls);
  // Hands the code to every member of registered type 2000 or more.
  void BroadcastEvent(int code, TPersistent* parameter);
  // Sets the type on every member (recursively), then on this object.
  void SetCurrentInstallType(TInstallType type);

  // Processed together with the container's members (files, directories,
  // groups); dialogs, shortcuts and registry components are processed in
  // their own phases.
  bool ProcessWithContainer = false;
  bool Include = true;
  bool Processed = false;
  TInstallType CurrentInstallType = TInstallType::itFull;
  bool Uninstall = true;
  TInstallTypes InstallTypes{{TInstallType::itFull, TInstallType::itDefault,
                              TInstallType::itCompact}};
  // Position among the pages of a dialog phase; stored only.
  int32_t Order = -1;

  TInstallContainerNotifyEvent OnAfterProcess;
  TInstallContainerNotifyEvent OnBeforeProcess;

 protected:
  // The processing step of Process; file containers install their files here.
  virtual void ProcessContents() { ProcessMembers(); }
  // What a class gives back when the object is destroyed, while the object
  // is still whole. Classes that add to it also call BeforeDestruction
  // from their destructor, so that a plain delete does the same.
  virtual void ReleaseOnDestroy() {}

 private:
  std::vector<TInstallObject*> members_;
  std::string destDir_;
  TCustomPathSpecifier* destDirType_ = nullptr;
  bool destroying_ = false;
};

// Lists a file the uninstaller removes under the uninstall key: the next
// "FileN" of the subkey "Files", or of the first of "Files1" to "Files99"
// that takes it when the registry refuses (HKEY_LOCAL_MACHINE).
void WriteUninstallFileEntry(const std::string& key, const std::string& path);

// Every live install container, in creation order.
class TInstallContainerList {
 public:
  void Add(TInstallContainer* container);
  void Remove(TInstallContainer* container);
  int Count() const { return static_cast<int>(items_.size()); }
  TInstallContainer* Items(int i) const { return items_.at(i); }
  const std::vector<TInstallContainer*>& Containers() const { return items_; }

 private:
  std::vector<TInstallContainer*> items_;
};

TInstallContainerList& InstallContainers();

// An install container that sits in another one.
class TInstallObject : public TInstallContainer {
  BRIM_CLASS(TInstallObject)

 public:
  explicit TInstallObject(TComponent* owner) : TInstallContainer(owner) {}

  TInstallContainer* Container() const { return container_; }
  // Moves the object into another container's member list. Outside
  // loading the object then takes its new container's directory
  // (psContainerDestDir, DestDir empty).
  virtual void SetContainer(TInstallContainer* value);
  void ContainerDestroyed(TInstallContainer* container) override;
  // Runs only when the container has been processed in the running installation.
  void Process() override;

 protected:
  // The defaults that follow a change of container (outside loading).
  virtual void ContainerChanged(TInstallContainer* container);

 private:
  TInstallContainer* container_ = nullptr;
};

// What containers and files share: the archive their data comes from and
// the network location it may be fetched from.
class TFileRelated : public TInstallObject {
  BRIM_CLASS(TFileRelated)

 public:
  explicit TFileRelated(TComponent* owner);
  void Notification(TComponent* component, TOperation operation) override;

  const std::string& ArchiveFile() const { return archiveFile_; }
  // Outside loading, an archive named by psContainerArchiveFile or
  // psMainArchiveFile keeps ArchiveFile empty.
  virtual void SetArchiveFile(const std::string& value);
  TCustomPathSpecifier* ArchiveFileType() const { return archiveFileType_; }
  // Outside loading the specifier first validates this object.
  virtual void SetArchiveFileType(TCustomPathSpecifier* value);
  // Sets both as they are, without the rules: a container's Compress
  // gives its members their archives for one build and restores them.
  void AssignArchive(const std::string& file, TCustomPathSpecifier* type);
  void SpecifierReplaced(TCustomPathSpecifier* from, TCustomPathSpecifier* to) override;
  bool Net() const { return net_; }
  virtual void SetNet(bool value) { net_ = value; }
  TCustomNetInstallLocation* NetLocation() const { return netLocation_; }
  virtual void SetNetLocation(TCustomNetInstallLocation* value);
  // The expansion of ArchiveFileType for this object followed by
  // ArchiveFile, without a trailing backslash.
  virtual std::string ArchivePath();
  // Once loaded, a local copy of the network archive remembered by an
  // earlier run is taken.
  void Loaded() override;

  // Progress of a download, from the network location: bytes of the last
  // block, bytes received so far, the file's size.
  virtual void DoDataReceived(const std::string& fileName, int32_t bytes, int32_t totalBytes,
                              int32_t fileSize, const void* buffer);
  // Fetches this object's network archive into a local file (LocalArchive),
  // unless a remembered copy exists.
  virtual void DownloadArchive();
  // LocalArchive is known, or a remembered copy exists.
  virtual bool HasLocalArchive();
  // Records the local copy of the archive under the installation record
  // ("LocalFile"), so a later run finds it; a failed write is ignored.
  virtual void RememberLocalFile(const std::string& path);
  // The remembered local copy, when its file exists.
  bool FindLocalFile(std::string& path);
  // The network location this object downloads from: its own, its file
  // container's, or the installation's; may be null.
  TCustomNetInstallLocation* FindNetLocation();
  // The folder (host\directory, made safe) under which the archives of
  // the location are kept beside the main archive.
  std::string NetArchiveFolder();

  // The local copy of this object's network archive, once known.
  std::string LocalArchive;
  TlzhCommand AddToArchive = TlzhCommand::lzcOverwrite;
  // The archive information of the subtree has been read.
  bool InformationRead = false;
  TDataReceivedEvent OnDataReceived;

 protected:
  // A file-related container passes its archive on (psContainerArchiveFile).
  void ContainerChanged(TInstallContainer* container) override;

 private:
  // Whether the specifier names a whole archive, leaving no file name to add.
  static bool NamesWholeArchive(const TCustomPathSpecifier* specifier);

  std::string archiveFile_;
  TCustomPathSpecifier* archiveFileType_ = nullptr;
  bool net_ = true;
  TCustomNetInstallLocation* netLocation_ = nullptr;
};

// A container of install files: directories, groups and the installation.
class TFileContainer : public TFileRelated {
  BRIM_CLASS(TFileContainer)

 public:
  // Makes the container's path specifier.
  explicit TFileContainer(TComponent* owner) : TFileContainer(owner, true) {}
  ~TFileContainer() override { BeforeDestruction(); }
  int RegisteredType() const override { return rtFileContainer; }
  // Whether the container gets a TpsFileContainer of its own.
  virtual bool HasPathSpecifier() const { return true; }
  // Frees every member install file.
  virtual void DestroyFiles();

  // Relays an information event of a member (codes 1001 to 1016) up the
  // tree while an operation runs, handling progress, new disks,
  // replacements and downloads on the way.
  void DoInformationEventControl(TInstallContainer* sender, int code,
                                 TPersistent* parameter) override;
  // A file needs another disk: OnNewDisk may change the directory.
  virtual void DoNewDisk(TCustomInstallFile* file, TDiskParameter& disk);
  virtual void DoReplacing(TCustomInstallFile* file);
  // Fires OnStatus and broadcasts the file progress (bcFileStatus).
  virtual void DoStatus(TCustomInstallFile* file, TFileStatusParameter& status);

  // Uncompressed bytes of the selected member files (all: of every one);
  // recursive adds the selected (all: every) member containers' sums.
  virtual int32_t SizeOf(bool all, bool recursive);
  // 1 Compress, 2 Process (install), 3 CopyFiles; Operation is 0 afterwards.
  virtual void Execute(int operation);
  // Copies the member files uncompressed to their destinations.
  virtual void CopyFiles();
  // Builds the archives of the subtree; options are the co* bits.
  virtual void Compress(uint32_t options);
  // Like SizeOf(all, true), over compressed sizes.
  virtual int32_t CompressedSize(bool all);
  // The local copy of the downloaded archive; raises when there is none.
  virtual std::string LocalArchivePath();
  virtual int32_t SelectedSizeOwn(bool all) { return SizeOf(all, false); }
  virtual int32_t SelectedSize(bool all) { return SizeOf(all, true); }
  // Every member file reads its information from its archive, then every
  // member container does the same.
  virtual void ReadInfoFromArchiveAll();
  // The same from the source files (build).
  virtual void ReadInfoFromFilesAll();
  // Whether a member file needs this container's network archive.
  virtual bool NeedsContainerDownload();
  // The install step: extracts the selected files of the subtree.
  virtual void Install();
  // A member install file has Net set.
  bool AnyNetFile() const;
  // The member file whose source (IncludeFromDir\FileName) is the path,
  // without regard to case; null when none.
  TCustomInstallFile* FindFile(const std::string& sourcePath) const;

  // Byte total and bytes done of the running operation.
  int32_t TotalBytes = 0;
  int32_t DoneBytes = 0;
  std::string Description;
  // 0 idle, 1 compress, 2 install, 3 copy.
  uint8_t Operation = 0;
  // Install fires OnAfterInstallObjects itself (all but the installation).
  bool FireAfterInstall = true;
  // The specifier through which others refer to this container's directory.
  TpsFileContainer* PathSpecifier = nullptr;

  TInstallFileStatusEvent OnStatus;
  TInstallFileNewDiskEvent OnNewDisk;
  TInstallFileNotifyEvent OnReplacing;
  TAfterInstallObjectsEvent OnAfterInstallObjects;
  TInstallContainerNotifyEvent OnBeforeInstallObjects;

 protected:
  // The installation, which has no path specifier, passes false.
  TFileContainer(TComponent* owner, bool withPathSpecifier);
  // Frees the install files and the path specifier.
  void ReleaseOnDestroy() override;
  // A file container's processing step is its install.
  void ProcessContents() override { Install(); }

 private:
  // Sends an information event to the container above, if it is one.
  void InformContainer(int code, TPersistent* parameter);
  // The status of a file handled without the engine (1015, 1016).
  void FinishedFile(TCustomInstallFile* file);
  // Sets the totals of a status and fires it (1008 to 1010).
  void RelayStatus(TCustomInstallFile* file, TFileStatusParameter& status);
};

// The options of TFileContainer::Compress.
inline constexpr uint32_t coLocalMembersAdd = 1;     // local members add to an unnamed archive
inline constexpr uint32_t coUnderArchiveDir = 2;     // own archives under the container's directory
inline constexpr uint32_t coInstallerOptions = 4;    // no effect in file containers
inline constexpr uint32_t coForceNetFilesLocal = 8;  // network files go into the local archives
inline constexpr uint32_t coForceFilesNet = 16;      // every file goes into a network archive
inline constexpr uint32_t coIncludeExcluded = 32;    // excluded objects are compressed too

// Information event codes, sent up the tree from files through their
// containers.
inline constexpr int ieFileDone = 1001;
inline constexpr int ieFileStarts = 1002;
inline constexpr int ieReplacing = 1003;
inline constexpr int ieCompressStarts = 1004;
inline constexpr int ieCompressEnds = 1005;
inline constexpr int ieCopyStarts = 1006;
inline constexpr int ieCopyEnds = 1007;
inline constexpr int ieInstallProgress = 1008;
inline constexpr int ieCompressProgress = 1009;
inline constexpr int ieCopyProgress = 1010;
inline constexpr int ieNewDisk = 1011;
inline constexpr int ieContainerStarts = 1012;
inline constexpr int ieContainerEnds = 1013;
inline constexpr int ieDownloadProgress = 1014;
inline constexpr int ieFileSkipped = 1015;
inline constexpr int ieFileKept = 1016;

// The plain file container of a definition.
class TInstallDirectory : public TFileContainer {
  BRIM_CLASS(TInstallDirectory)

 public:
  // While a definition is designed, a new directory is described by its number.
  explicit TInstallDirectory(TComponent* owner);
  // Frees the member files whose source file does not exist.
  void RemoveMissingFiles();
};

// How a group presents itself in the component selection of the wizard.
class TInstallGroupDialogOptions : public TPersistent {
  BRIM_CLASS(TInstallGroupDialogOptions)

 public:
  bool AllowChangeDir = true;
  bool AllowExcludeInclude = true;
  TStringList Description;
  bool DisplayDirectory = true;
  TIcon SmallIcon;
  bool ShowRegardlessOfInclude = true;
};

class TCustomInstallGroup : public TFileContainer {
  BRIM_CLASS(TCustomInstallGroup)

 public:
  explicit TCustomInstallGroup(TComponent* owner) : TFileContainer(owner) {}
  int RegisteredType() const override { return rtInstallGroup; }
  // Only the installation or another group may contain a group; none
  // means the installation.
  void SetContainer(TInstallContainer* value) override;

  TInstallGroupDialogOptions DialogOptions;
};

class TInstallGroup : public TCustomInstallGroup {
  BRIM_CLASS(TInstallGroup)

 public:
  explicit TInstallGroup(TComponent* owner) : TCustomInstallGroup(owner) {}
};

// One file of the definition: where it comes from, which archive holds
// it, where it goes and how an existing file is treated. It installs
// itself (the replace decision, files in use, registrations), compresses
// itself into its archive and copies itself when a distribution is built.
class TCustomInstallFile : public TFileRelated {
  BRIM_CLASS(TCustomInstallFile)

 public:
  // Takes the lowest free identity and joins the list of all files.
  explicit TCustomInstallFile(TComponent* owner);
  // From a source path: IncludeFromDir and FileName through their setters;
  // with a container, then placed in it.
  TCustomInstallFile(TComponent* owner, const std::string& sourcePath);
  TCustomInstallFile(TComponent* owner, TInstallContainer* container, const std::string& sourcePath);
  ~TCustomInstallFile() override { BeforeDestruction(); }
  int RegisteredType() const override { return rtInstallFile; }
  // Marks the streamed identity as used (the first file of a load clears
  // the table first).
  void Loaded() override;

  // The setters below apply the file rules outside loading (the duplicate
  // test, defaults by extension, by file type and by directory).
  void SetContainer(TInstallContainer* value) override;
  void SetDestDir(const std::string& value) override;
  void SetDestDirType(TCustomPathSpecifier* value) override;
  const std::string& GetDestName() const { return DestName; }
  void SetDestName(const std::string& value);
  const std::string& GetFileName() const { return FileName; }
  void SetFileName(const std::string& value);
  const std::string& GetIncludeFromDir() const { return IncludeFromDir; }
  void SetIncludeFromDir(const std::string& value);
  TInstallFileType GetFileType() const { return FileType; }
  void SetFileType(TInstallFileType value);
  bool GetActiveX() const { return ActiveX; }
  void SetActiveX(bool value);
  TInstallFileState GetState() const { return State; }
  // Runs the operation (compress, install, copy); State is ifsNone
  // afterwards, also on failure. While loading it is only stored.
  void SetState(TInstallFileState value);

  // The processing step: the replace decision, the extraction, the
  // registrations.
  virtual void Install();
  // Sizes, date and version from the archive (install) or the source file (build).
  virtual void ReadInfoFromArchive();
  virtual void ReadInfoFromFile();
  virtual void CompressFile();
  virtual void CopyToDestination();
  // Prepares writing over the destination; one in use is written under a
  // temporary name and moved over the old one at the next start.
  virtual void ReplaceFile();
  // Registers the installed file as a COM server.
  virtual void RegisterActiveX();
  // The work left for after the reboot: the COM registration.
  virtual void CompleteAfterReboot();
  // The source file's version resource asks for self-registration.
  bool IsSelfRegistering();
  // Counts the file in the shared DLL counters.
  bool UpdateSharedDLLCount();
  // The uninstall entries: under "ActiveX" for a COM server, under
  // "Files" (or the first of "Files1", "Files2", ... that takes it).
  void WriteUninstallInfo(const std::string& key) override;
  // DestinationPath\DestName: the one place the file is written, decided
  // on, registered, recorded and started at. A DestName that is not a
  // plain file name (a folder, a drive, "..") is refused.
  std::string DestinationFile();
  // Refuses a DestName that is not blank and not a plain file name.
  void CheckDestName(const std::string& name) const;
  // IncludeFromDir\FileName, also the file's name in the archive.
  std::string SourceFile() const;
  // The file has an archive of its own on the network.
  bool HasOwnNetArchive() const;
  // While installing a network file: the local copy of its archive.
  std::string ArchivePath() override;

  // The handlers given to the compression engine.
  void EngineStatus(TQmbxCompress* engine, TlzhFileStats& stats);
  void EngineNewDisk(TQmbxCompress* engine, int32_t disk, std::string& path);
  void EngineAborted(TComponent* sender);

  // The destination existed when this file's install began.
  bool TargetExisted = false;
  // The destination was in use: the file was written under another name.
  bool InUse = false;
  // The replace decision of the current install.
  bool Replace = false;
  bool ActiveX = false;
  int32_t CompressedSize = 0;
  // 2 once compressed in the current build.
  uint8_t CompressState = 0;
  // Last-write date of the file.
  double Date = 0;
  std::string DestName;
  std::string FileName;
  TInstallFileType FileType = TInstallFileType::iftNormal;
  // Directory of the source file on the authoring machine.
  std::string IncludeFromDir;
  TOverwriteType OverwriteMode = TOverwriteType::owAlways;
  bool RegisterAsHelp = false;
  bool RunAfterInstall = false;
  int32_t UncompressedSize = 0;
  TInstallFileState State = TInstallFileState::ifsNone;
  // Identity of the file in its archive, 0 to 1999.
  int32_t UniqueID = 0;
  bool UpdateDLLCounter = false;
  // The file version, at most 20 characters.
  std::string Version;

  TInstallFileNotifyEvent OnAfterCompress;
  TInstallFileNotifyEvent OnAfterCopy;
  TInstallFileNotifyEvent OnAfterInstall;
  TInstallFileNotifyEvent OnBeforeCompress;
  TInstallFileNotifyEvent OnBeforeCopy;
  TInstallFileNotifyEvent OnBeforeInstall;
  TInstallFileStatusEvent OnStatus;
  TInstallFileNewDiskEvent OnNewDisk;
  TInstallFileNotifyEvent OnReplacing;

 protected:
  // Frees the file's identity and leaves the file lists.
  void ReleaseOnDestroy() override;
  // A file's processing step is its install.
  void ProcessContents() override { Install(); }
  // Registrations after a file was written or kept: help file, shared DLL
  // count, COM server.
  virtual void Registrations();

 private:
  struct TProperties;
  // The one rule every property setter passes the full new set through.
  void SetFileProperties(const TProperties& p);
  TProperties CurrentProperties() const;
  // Sends an information event to the file container.
  void Inform(int code);
  // Reads the archive's entry of this file into its information.
  void ReadEntry(const std::string& archive);
  // Extracts the file with the engine chosen for it.
  void Extract();
  // The file written under a temporary name replaces the one in use at
  // the next start of Windows.
  void ReplaceAtRestart(const std::string& written);

  // Set while SetFileProperties applies values through the base setters.
  bool applying_ = false;
};

// A list of install files (all files; files whose COM registration is to
// be retried), kept by the install session.
class TCustomInstallFileList {
 public:
  void Add(TCustomInstallFile* file);
  void Remove(TCustomInstallFile* file);
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  TCustomInstallFile* Items(int i) const { return items_.at(i); }
  bool Contains(const TCustomInstallFile* file) const;

 private:
  std::vector<TCustomInstallFile*> items_;
};

// Every install file, in creation order.
TCustomInstallFileList& AllInstallFiles();
// The files whose COM registration failed during the file phase of the
// current run: the run registers them once more after it.
TCustomInstallFileList& RegistrationRetryFiles();
// Takes a file that goes off both lists, while the session has them.
void ForgetInstallFile(TCustomInstallFile* file);

// The identities of install files: 2000 slots, 0 to 1999.
inline constexpr int UniqueIDCount = 2000;
// Whether an identity is in use.
bool UniqueIDInUse(int32_t id);

class TInstallFile : public TCustomInstallFile {
  BRIM_CLASS(TInstallFile)

 public:
  explicit TInstallFile(TComponent* owner) : TCustomInstallFile(owner) {}
  using TCustomInstallFile::TCustomInstallFile;
};

// Publishing the install properties. The published classes (groups,
// directories, files, fonts, the uninstaller, the installation) each
// publish their own selection of the fields above, in their own order;
// this adds one property or event by name with its declared default.
template <class T>
void PublishInstallProperty(TClassBuilder<T>& b, std::string_view name) {
  constexpr bool isFile = std::is_base_of_v<TCustomInstallFile, T>;
  constexpr int64_t allInstallTypes = 15;
  if (name == "AddToArchive")
    b.Enumeration("AddToArchive", Field(&TFileRelated::AddToArchive), LzhCommandInfo,
                  static_cast<int64_t>(TlzhCommand::lzcOverwrite));
  else if (name == "ArchiveFile")
    b.String("ArchiveFile", Methods(&TFileRelated::ArchiveFile, &TFileRelated::SetArchiveFile));
  else if (name == "ArchiveFileType")
    b.template Reference<TCustomPathSpecifier>(
        "ArchiveFileType", Methods(&TFileRelated::ArchiveFileType, &TFileRelated::SetArchiveFileType));
  else if (name == "Container")
    b.template Reference<TInstallContainer>(
        "Container", Methods(&TInstallObject::Container, &TInstallObject::SetContainer));
  else if (name == "Description")
    b.String("Description", Field(&TFileContainer::Description));
  else if (name == "DestDir")
    b.String("DestDir", Methods(&TInstallContainer::DestDir, &TInstallContainer::SetDestDir));
  else if (name == "DestDirType")
    b.template Reference<TCustomPathSpecifier>(
        "DestDirType", Methods(&TInstallContainer::DestDirType, &TInstallContainer::SetDestDirType));
  else if (name == "DialogOptions")
    b.Object("DialogOptions", [](T& t) -> TPersistent* {
      if constexpr (std::is_base_of_v<TCustomInstallGroup, T>) return &t.DialogOptions;
      else return nullptr;
    });
  else if (name == "Include")
    b.Boolean("Include", Field(&TInstallContainer::Include), true);
  else if (name == "InstallTypes")
    b.Set("InstallTypes", Field(&TInstallContainer::InstallTypes), InstallTypeInfo, allInstallTypes);
  else if (name == "Net")
    b.Boolean("Net", Methods(&TFileRelated::Net, &TFileRelated::SetNet), false);
  else if (name == "NetLocation")
    b.template Reference<TCustomNetInstallLocation>(
        "NetLocation", Methods(&TFileRelated::NetLocation, &TFileRelated::SetNetLocation));
  else if (name == "Uninstall")
    b.Boolean("Uninstall", Field(&TInstallContainer::Uninstall), true);
  else if (name == "ActiveX")
    b.Boolean("ActiveX", Methods(&TCustomInstallFile::GetActiveX, &TCustomInstallFile::SetActiveX),
              false);
  else if (name == "DestName")
    b.String("DestName", Methods(&TCustomInstallFile::GetDestName, &TCustomInstallFile::SetDestName));
  else if (name == "FileName")
    b.String("FileName", Methods(&TCustomInstallFile::GetFileName, &TCustomInstallFile::SetFileName));
  else if (name == "FileType")
    b.Enumeration("FileType",
                  Methods(&TCustomInstallFile::GetFileType, &TCustomInstallFile::SetFileType),
                  InstallFileTypeInfo, static_cast<int64_t>(TInstallFileType::iftNormal));
  else if (name == "IncludeFromDir")
    b.String("IncludeFromDir", Methods(&TCustomInstallFile::GetIncludeFromDir,
                                       &TCustomInstallFile::SetIncludeFromDir));
  else if (name == "OverwriteMode")
    b.Enumeration("OverwriteMode", Field(&TCustomInstallFile::OverwriteMode), OverwriteTypeInfo,
                  static_cast<int64_t>(TOverwriteType::owAlways));
  else if (name == "RegisterAsHelp")
    b.Boolean("RegisterAsHelp", Field(&TCustomInstallFile::RegisterAsHelp), false);
  else if (name == "RunAfterInstall")
    b.Boolean("RunAfterInstall", Field(&TCustomInstallFile::RunAfterInstall), false);
  else if (name == "UpdateDLLCounter")
    b.Boolean("UpdateDLLCounter", Field(&TCustomInstallFile::UpdateDLLCounter), false);
  else if (name == "Order")
    b.Integer("Order", Field(&TInstallContainer::Order));
  else if (name == "State")
    b.Enumeration("State", Methods(&TCustomInstallFile::GetState, &TCustomInstallFile::SetState),
                  InstallFileStateInfo,
                  static_cast<int64_t>(TInstallFileState::ifsNone));
  // The identity of a file in its archive is always written.
  else if (name == "UniqueID")
    b.Custom(
        "UniqueID",
        [](const T& t, TValue& v) {
          if constexpr (isFile) v = TValue::Integer(t.UniqueID);
          return isFile;
        },
        [](T& t, const TValue& v) {
          if (!v.IsInteger())
            throw EConvertError("%s is not a valid value: UniqueID expects an integer",
                                ValueTagName(v.Tag));
          if (v.Int < INT32_MIN || v.Int > INT32_MAX)
            throw EConvertError("%d is out of range for UniqueID", v.Int);
          if constexpr (isFile) t.UniqueID = static_cast<int32_t>(v.Int);
        });
  else if (name == "OnAfterProcess")
    b.Event("OnAfterProcess", &TInstallContainer::OnAfterProcess);
  else if (name == "OnBeforeProcess")
    b.Event("OnBeforeProcess", &TInstallContainer::OnBeforeProcess);
  else if (name == "OnDataReceived")
    b.Event("OnDataReceived", &TFileRelated::OnDataReceived);
  else if (name == "OnAfterInstallObjects")
    b.Event("OnAfterInstallObjects", &TFileContainer::OnAfterInstallObjects);
  else if (name == "OnBeforeInstallObjects")
    b.Event("OnBeforeInstallObjects", &TFileContainer::OnBeforeInstallObjects);
  else if (name == "OnStatus") {
    if constexpr (isFile) b.Event("OnStatus", &TCustomInstallFile::OnStatus);
    else b.Event("OnStatus", &TFileContainer::OnStatus);
  } else if (name == "OnNewDisk") {
    if constexpr (isFile) b.Event("OnNewDisk", &TCustomInstallFile::OnNewDisk);
    else b.Event("OnNewDisk", &TFileContainer::OnNewDisk);
  } else if (name == "OnReplacing") {
    if constexpr (isFile) b.Event("OnReplacing", &TCustomInstallFile::OnReplacing);
    else b.Event("OnReplacing", &TFileContainer::OnReplacing);
  } else if (name == "OnAfterCompress")
    b.Event("OnAfterCompress", &TCustomInstallFile::OnAfterCompress);
  else if (name == "OnAfterCopy")
    b.Event("OnAfterCopy", &TCustomInstallFile::OnAfterCopy);
  else if (name == "OnAfterInstall")
    b.Event("OnAfterInstall", &TCustomInstallFile::OnAfterInstall);
  else if (name == "OnBeforeCompress")
    b.Event("OnBeforeCompress", &TCustomInstallFile::OnBeforeCompress);
  else if (name == "OnBeforeCopy")
    b.Event("OnBeforeCopy", &TCustomInstallFile::OnBeforeCopy);
  else if (name == "OnBeforeInstall")
    b.Event("OnBeforeInstall", &TCustomInstallFile::OnBeforeInstall);
  else
    throw std::logic_error("no install property " + std::string(name));
}

template <class T>
void PublishInstallProperties(TClassBuilder<T>& b, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names) PublishInstallProperty(b, n);
}

// The events of install files, in publishing order.
#define BRIM_INSTALL_FILE_EVENTS                                                     \
  "OnAfterCompress", "OnAfterCopy", "OnAfterInstall", "OnBeforeCompress", "OnBeforeCopy", \
      "OnBeforeInstall", "OnStatus", "OnNewDisk", "OnReplacing"

}  // namespace brim

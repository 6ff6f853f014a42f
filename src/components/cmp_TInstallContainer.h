// The install tree: every component of a definition that takes part in an
// installation is a TInstallContainer. Install objects sit in a container
// (their Container); file-related objects carry an archive; file
// containers (directories, groups and the installation itself) hold the
// install files. This unit holds the class tree with its fields and the
// published classes TInstallDirectory, TInstallGroup and TInstallFile.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

#include "netlocation/cmp_TNetInstallLocation.h"
#include "objects/TComponent.h"
#include "objects/TGraphics.h"
#include "objects/TStrings.h"
#include "paths/cmp_TPathSpecifier.h"

namespace brim {

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

class TInstallContainer : public TComponent {
  BRIM_CLASS(TInstallContainer)

 public:
  explicit TInstallContainer(TComponent* owner) : TComponent(owner) {}

  // The family number; a class that takes part in the tree declares one.
  virtual int RegisteredType() const;

  // The destination directory, relative to DestDirType; by convention it
  // begins with a backslash ("\" alone: the specifier's directory itself).
  const std::string& DestDir() const { return destDir_; }
  virtual void SetDestDir(const std::string& value) { destDir_ = value; }
  TCustomPathSpecifier* DestDirType() const { return destDirType_; }
  virtual void SetDestDirType(TCustomPathSpecifier* value) { destDirType_ = value; }

  // Processed together with the container's members (files, directories,
  // groups); dialogs, shortcuts and registry components are processed in
  // their own phases.
  bool ProcessWithContainer = false;
  bool Include = true;
  bool Processed = false;
  TInstallType CurrentInstallType = TInstallType::itFull;
  bool Uninstall = true;
  TInstallTypeSet InstallTypes{TInstallType::itFull, TInstallType::itDefault,
                               TInstallType::itCompact};
  // Position among the pages of a dialog phase; stored only.
  int32_t Order = -1;

  TInstallContainerNotifyEvent OnAfterProcess;
  TInstallContainerNotifyEvent OnBeforeProcess;

 private:
  std::string destDir_;
  TCustomPathSpecifier* destDirType_ = nullptr;
};

// An install container that sits in another one.
class TInstallObject : public TInstallContainer {
  BRIM_CLASS(TInstallObject)

 public:
  explicit TInstallObject(TComponent* owner) : TInstallContainer(owner) {}

  TInstallContainer* Container() const { return container_; }
  virtual void SetContainer(TInstallContainer* value) { container_ = value; }

 private:
  TInstallContainer* container_ = nullptr;
};

// What containers and files share: the archive their data comes from and
// the network location it may be fetched from.
class TFileRelated : public TInstallObject {
  BRIM_CLASS(TFileRelated)

 public:
  explicit TFileRelated(TComponent* owner);

  const std::string& ArchiveFile() const { return archiveFile_; }
  virtual void SetArchiveFile(const std::string& value) { archiveFile_ = value; }
  TCustomPathSpecifier* ArchiveFileType() const { return archiveFileType_; }
  virtual void SetArchiveFileType(TCustomPathSpecifier* value) { archiveFileType_ = value; }
  bool Net() const { return net_; }
  virtual void SetNet(bool value) { net_ = value; }
  TCustomNetInstallLocation* NetLocation() const { return netLocation_; }
  virtual void SetNetLocation(TCustomNetInstallLocation* value) { netLocation_ = value; }

  // The local copy of this object's network archive, once known.
  std::string LocalArchive;
  TlzhCommand AddToArchive = TlzhCommand::lzcOverwrite;
  // The archive information of the subtree has been read.
  bool InformationRead = false;
  TDataReceivedEvent OnDataReceived;

 private:
  std::string archiveFile_;
  TCustomPathSpecifier* archiveFileType_ = nullptr;
  bool net_ = true;
  TCustomNetInstallLocation* netLocation_ = nullptr;
};

// A container of install files: directories, groups and the installation.
class TFileContainer : public TFileRelated {
  BRIM_CLASS(TFileContainer)

 public:
  explicit TFileContainer(TComponent* owner) : TFileRelated(owner) {}
  int RegisteredType() const override { return rtFileContainer; }
  // Whether the container gets a TpsFileContainer of its own.
  virtual bool HasPathSpecifier() const { return true; }

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
};

// The plain file container of a definition.
class TInstallDirectory : public TFileContainer {
  BRIM_CLASS(TInstallDirectory)

 public:
  explicit TInstallDirectory(TComponent* owner) : TFileContainer(owner) {}
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

  TInstallGroupDialogOptions DialogOptions;
};

class TInstallGroup : public TCustomInstallGroup {
  BRIM_CLASS(TInstallGroup)

 public:
  explicit TInstallGroup(TComponent* owner) : TCustomInstallGroup(owner) {}
};

// One file of the definition: where it comes from, which archive holds
// it, where it goes and how an existing file is treated.
class TCustomInstallFile : public TFileRelated {
  BRIM_CLASS(TCustomInstallFile)

 public:
  explicit TCustomInstallFile(TComponent* owner);
  int RegisteredType() const override { return rtInstallFile; }

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
};

class TInstallFile : public TCustomInstallFile {
  BRIM_CLASS(TInstallFile)

 public:
  explicit TInstallFile(TComponent* owner) : TCustomInstallFile(owner) {}
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
    b.Boolean("ActiveX", Field(&TCustomInstallFile::ActiveX), false);
  else if (name == "DestName")
    b.String("DestName", Field(&TCustomInstallFile::DestName));
  else if (name == "FileName")
    b.String("FileName", Field(&TCustomInstallFile::FileName));
  else if (name == "FileType")
    b.Enumeration("FileType", Field(&TCustomInstallFile::FileType), InstallFileTypeInfo,
                  static_cast<int64_t>(TInstallFileType::iftNormal));
  else if (name == "IncludeFromDir")
    b.String("IncludeFromDir", Field(&TCustomInstallFile::IncludeFromDir));
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
    b.Enumeration("State", Field(&TCustomInstallFile::State), InstallFileStateInfo,
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

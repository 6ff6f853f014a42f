#include "components/cmp_TInstallContainer.h"

#include <algorithm>
#include <bitset>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "common/routines_Strings.h"
#include "components/InstallParameters.h"
#include "session/InstallSession.h"

namespace brim {

const TEnumInfo InstallTypeInfo("TInstallType", InstallTypeNames);
const TEnumInfo LzhCommandInfo("TlzhCommand", LzhCommandNames);
const TEnumInfo InstallFileTypeInfo("TInstallFileType",
                                    {"iftNormal", "iftJustADLL", "iftApplicationSpecificDLL",
                                     "iftVendorSharedDLL", "iftSystemWideDLL"});
const TEnumInfo InstallFileStateInfo("TInstallFileState",
                                     {"ifsNone", "ifsCompress", "ifsInstall", "ifsCopying"});

// ---- The session's registries ----

namespace {

struct TContainerRegistries {
  TInstallContainerList Containers;
  // Which identities of install files are in use.
  std::bitset<UniqueIDCount> UsedIDs;
  // No identity below this one is free: a new file does not search the
  // identities in use again.
  int32_t FirstFreeFrom = 0;
  // The next install file that finishes loading clears the identities
  // first: set when a stream creates an install file.
  bool ClearIDsOnLoad = false;
};

TContainerRegistries& Registries() { return CurrentSession().State<TContainerRegistries>(); }
// The registries if the session still has them: a container that goes
// after its session ended touches nothing.
TContainerRegistries* LiveRegistries() { return CurrentSession().FindState<TContainerRegistries>(); }

bool ValidUniqueID(int32_t id) { return id >= 0 && id < UniqueIDCount; }

}  // namespace

void TInstallContainerList::Add(TInstallContainer* container) {
  if (!container) throw IEContainerList("Cannot add a blank entry to the TInstallContainerList object");
  items_.push_back(container);
}

void TInstallContainerList::Remove(TInstallContainer* container) {
  // From the end: containers are mostly freed last first.
  auto it = std::find(items_.rbegin(), items_.rend(), container);
  if (it != items_.rend()) items_.erase(std::next(it).base());
}

TInstallContainerList& InstallContainers() { return Registries().Containers; }

bool UniqueIDInUse(int32_t id) { return ValidUniqueID(id) && Registries().UsedIDs.test(id); }

// ---- TInstallContainer ----

TInstallContainer::TInstallContainer(TComponent* owner) : TComponent(owner) {
  if (owner && owner->IsModuleRoot()) EnsureStandardSpecifiers(owner);
  InstallContainers().Add(this);
}

TInstallContainer::~TInstallContainer() {
  BeforeDestruction();
  if (TContainerRegistries* registries = LiveRegistries()) registries->Containers.Remove(this);
}

void TInstallContainer::BeforeDestruction() {
  if (!destroying_) {
    destroying_ = true;
    ReleaseOnDestroy();
    if (TContainerRegistries* registries = LiveRegistries()) {
      // Told: the objects this contains and the container holding this,
      // the only ones whose member lists or Container name it. (Telling
      // every container made freeing n files cost n * n.)
      std::vector<TInstallContainer*> others(members_.begin(), members_.end());
      if (auto* object = dynamic_cast<TInstallObject*>(this); object && object->Container())
        others.push_back(object->Container());
      for (TInstallContainer* other : others) {
        if (other == this) continue;
        // Destruction must finish: an object that cannot move elsewhere
        // just loses this container.
        try {
          other->ContainerDestroyed(this);
        } catch (const Exception&) {
        }
      }
      registries->Containers.Remove(this);
    }
    members_.clear();
  }
  TComponent::BeforeDestruction();
}

void TInstallContainer::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component && component == destDirType_)
    destDirType_ = nullptr;
}

int TInstallContainer::RegisteredType() const {
  throw IEInstallContainer("Class must declare a registered type");
}

int TInstallContainer::FileContainerCount() const {
  return CompCount(TFileContainer::StaticClass());
}

TFileContainer* TInstallContainer::FileContainers(int i) const {
  return static_cast<TFileContainer*>(Comp(i, TFileContainer::StaticClass()));
}

void TInstallContainer::SetDestDirType(TCustomPathSpecifier* value) {
  if (value && !HasState(csLoading)) value->Validate(this);
  destDirType_ = value;
  if (value) FreeNotification(value);
}

void TInstallContainer::SpecifierReplaced(TCustomPathSpecifier* from, TCustomPathSpecifier* to) {
  if (destDirType_ != from) return;
  destDirType_ = to;
  if (to) FreeNotification(to);
}

void TInstallContainer::ContainerDestroyed(TInstallContainer* container) {
  if (auto* object = dynamic_cast<TInstallObject*>(container)) RemoveMember(object);
}

void TInstallContainer::SendStatusMessage(const std::string& text) {
  TMessageParameter message(text);
  BroadcastEvent(bcStatusMessage, &message);
}

namespace {

// Whether a part of a path, as Windows reads it, names the folder itself or
// its parent: nothing but dots and blanks ("." and "..", and "..." or ". "
// once Windows drops the trailing dots and blanks).
bool IsDotPart(std::string_view part) {
  return !part.empty() && part.find_first_not_of(". ") == std::string_view::npos;
}

bool HasDotPart(const std::string& path) {
  size_t start = 0;
  while (true) {
    size_t end = path.find_first_of("\\/", start);
    if (IsDotPart(std::string_view(path).substr(start, end - start))) return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

}  // namespace

void TInstallContainer::Loaded() {
  TComponent::Loaded();
  if (HasDotPart(destDir_) || (destDirType_ && destDir_.find(':') != std::string::npos))
    throw IEInstallContainer(
        "The DestDir %s of %s leaves its folder: a \".\" or \"..\" part, a drive or a stream "
        "is not allowed",
        destDir_, Name());
  // Each object's destination comes from at most two others (the source of
  // its DestDirType, the object it links to): a walk that comes back here
  // would expand for ever.
  std::vector<TInstallContainer*> pending{this};
  std::unordered_set<TInstallContainer*> seen;
  while (!pending.empty()) {
    TInstallContainer* object = pending.back();
    pending.pop_back();
    TInstallContainer* next[] = {
        object->LinkedObject(),
        object->destDirType_ ? object->destDirType_->PathSource(object) : nullptr};
    for (TInstallContainer* other : next) {
      if (!other) continue;
      if (other == this)
        throw IEInstallContainer(
            "Circular reference: the destination or ObjectLink of %s leads back to it", Name());
      if (seen.insert(other).second) pending.push_back(other);
    }
  }
}

std::string TInstallContainer::DestinationPath() {
  if (!destDirType_) return RemoveTrailingBackslash(destDir_);
  return RemoveTrailingBackslash(destDirType_->GetPath(this) + destDir_);
}

void TInstallContainer::AddMember(TInstallObject* object) {
  if (!object) throw IEInstallContainer("Cannot add a blank base helper component to %s", Name());
  if (object == this) throw IEInstallContainer("Circular reference");
  for (TInstallContainer* node = this; auto* inner = dynamic_cast<TInstallObject*>(node);) {
    node = inner->Container();
    if (node == object) throw IEInstallContainer("Circular reference");
  }
  // Ascending by registered type; the newest of one type stands first.
  size_t position = members_.size();
  if (SameText(object->ClassName(), "TINSTALLBDE")) {
    position = 0;
  } else {
    int type = object->RegisteredType();
    for (size_t i = 0; i < members_.size(); ++i)
      if (members_[i]->RegisteredType() >= type) {
        position = i;
        break;
      }
  }
  members_.insert(members_.begin() + static_cast<std::ptrdiff_t>(position), object);
}

void TInstallContainer::RemoveMember(TInstallObject* object) {
  if (!object) return;
  auto it = std::find(members_.begin(), members_.end(), object);
  if (it != members_.end()) members_.erase(it);
}

void TInstallContainer::Process() {
  try {
    if (OnBeforeProcess) OnBeforeProcess(this);
    BroadcastEvent(bcBeforeProcess, nullptr);
    if (!Include) return;
    BroadcastEvent(bcIncluded, nullptr);
    if (CurrentInstallType != TInstallType::itCustom && !InstallTypes.Contains(CurrentInstallType))
      return;
    ProcessContents();
    Processed = true;
    if (IInstallation* install = CurrentInstallation(); install && Uninstall)
      WriteUninstallInfo(UninstallKeyPrefix + install->ProductName());
    if (OnAfterProcess) OnAfterProcess(this);
    BroadcastEvent(bcAfterProcess, nullptr);
  } catch (const EAbort&) {
    // A silent abort skips this object quietly.
  }
}

void TInstallContainer::ProcessMembers() {
  Processed = true;
  std::vector<TInstallObject*> members = members_;
  for (TInstallObject* member : members)
    if (member->ProcessWithContainer) member->Process();
}

bool TInstallContainer::IsSelected() const {
  if (!Include) return false;
  return CurrentInstallType == TInstallType::itCustom || InstallTypes.Contains(CurrentInstallType);
}

TInstallObject* TInstallContainer::Members(int i) const {
  if (i < 0 || i >= MemberCount())
    throw IEInstallContainer(
        "Tried to reference a helper component in the following component: %s. The following "
        "index was used: %d",
        Name(), i);
  return members_[i];
}

int TInstallContainer::CompCount(const TClassInfo& cls) const {
  return static_cast<int>(std::count_if(members_.begin(), members_.end(),
                                        [&](TInstallObject* m) { return m->InheritsFrom(cls); }));
}

TInstallObject* TInstallContainer::Comp(int index, const TClassInfo& cls) const {
  int seen = 0;
  for (TInstallObject* member : members_)
    if (member->InheritsFrom(cls) && seen++ == index) return member;
  // The number shown as the component type is how many members of that
  // class there are, which is what a caller needs to see its mistake.
  throw IEInstallContainer(
      "Bad call to the Comp procedure which returns a TInstallObject for a TInstallContainer "
      "component. The parameters are probably reversed. Index: %d, ComponentType: %d",
      index, seen);
}

int TInstallContainer::InstallFileCount() const {
  return CompCount(TCustomInstallFile::StaticClass());
}

TCustomInstallFile* TInstallContainer::InstallFiles(int i) const {
  return static_cast<TCustomInstallFile*>(Comp(i, TCustomInstallFile::StaticClass()));
}

void TInstallContainer::DestroyMembersOfClass(const TClassInfo& cls) {
  // Freeing a member may take others with it (a directory frees its
  // files), so the index is checked against the list each time.
  for (int i = MemberCount() - 1; i >= 0; --i) {
    if (i >= MemberCount()) continue;
    TInstallObject* member = members_[i];
    if (member->InheritsFrom(cls) && !member->Destroying()) member->Free();
  }
}

void TInstallContainer::BroadcastEvent(int code, TPersistent* parameter) {
  std::vector<TInstallObject*> members = members_;
  for (TInstallObject* member : members)
    if (member->RegisteredType() >= rtInstallFile) member->HandleEvent(this, code, parameter);
}

void TInstallContainer::SetCurrentInstallType(TInstallType type) {
  for (TInstallObject* member : members_) member->SetCurrentInstallType(type);
  CurrentInstallType = type;
}

// ---- TInstallObject ----

void TInstallObject::SetContainer(TInstallContainer* value) {
  if (value == container_) return;
  if (value) value->AddMember(this);
  if (container_) container_->RemoveMember(this);
  container_ = value;
  if (!HasState(csLoading)) ContainerChanged(value);
}

void TInstallObject::ContainerChanged(TInstallContainer* container) {
  if (container) {
    SetDestDirType(ObtainStandardPathSpecifier(TpsContainerDestDir::StaticClass(), Owner()));
    SetDestDir("");
  } else if (dynamic_cast<TpsContainerDestDir*>(DestDirType())) {
    SetDestDirType(nullptr);
  }
}

void TInstallObject::ContainerDestroyed(TInstallContainer* container) {
  TInstallContainer::ContainerDestroyed(container);
  if (container_ != container) return;
  try {
    SetContainer(nullptr);
  } catch (...) {
    // Whatever failed, the object must not keep pointing at the container.
    container_ = nullptr;
    throw;
  }
}

void TInstallObject::Process() {
  IInstallation* install = CurrentInstallation();
  if (install && install->IsRunning() && container_ && !container_->Processed) return;
  TInstallContainer::Process();
}

// ---- TFileRelated ----

TFileRelated::TFileRelated(TComponent* owner) : TInstallObject(owner) {
  ProcessWithContainer = true;
}

void TFileRelated::Notification(TComponent* component, TOperation operation) {
  TInstallObject::Notification(component, operation);
  if (operation != TOperation::opRemove || !component) return;
  if (component == archiveFileType_) archiveFileType_ = nullptr;
  if (component == netLocation_) netLocation_ = nullptr;
}

bool TFileRelated::NamesWholeArchive(const TCustomPathSpecifier* specifier) {
  return dynamic_cast<const TpsContainerArchiveFile*>(specifier) ||
         dynamic_cast<const TpsMainArchiveFile*>(specifier);
}

void TFileRelated::SetArchiveFile(const std::string& value) {
  if (!HasState(csLoading) && NamesWholeArchive(archiveFileType_)) {
    archiveFile_.clear();
    return;
  }
  archiveFile_ = value;
}

void TFileRelated::SetArchiveFileType(TCustomPathSpecifier* value) {
  if (value && !HasState(csLoading)) value->Validate(this);
  archiveFileType_ = value;
  if (value) FreeNotification(value);
  if (!HasState(csLoading) && NamesWholeArchive(value)) archiveFile_.clear();
}

void TFileRelated::SpecifierReplaced(TCustomPathSpecifier* from, TCustomPathSpecifier* to) {
  TInstallObject::SpecifierReplaced(from, to);
  if (archiveFileType_ != from) return;
  archiveFileType_ = to;
  if (to) FreeNotification(to);
}

void TFileRelated::SetNetLocation(TCustomNetInstallLocation* value) {
  netLocation_ = value;
  if (value) FreeNotification(value);
}

std::string TFileRelated::ArchivePath() {
  if (!archiveFileType_) return RemoveTrailingBackslash(archiveFile_);
  return RemoveTrailingBackslash(archiveFileType_->GetPath(this) + archiveFile_);
}

void TFileRelated::ContainerChanged(TInstallContainer* container) {
  TInstallObject::ContainerChanged(container);
  if (dynamic_cast<TFileRelated*>(container)) {
    SetArchiveFileType(ObtainStandardPathSpecifier(TpsContainerArchiveFile::StaticClass(), Owner()));
    SetArchiveFile("");
  } else if (dynamic_cast<TpsContainerArchiveFile*>(archiveFileType_)) {
    SetArchiveFileType(nullptr);
  }
}

// ---- TFileContainer ----

TFileContainer::TFileContainer(TComponent* owner, bool withPathSpecifier) : TFileRelated(owner) {
  if (!withPathSpecifier) return;
  // Named "psFileContainer", or with the first number that makes the name
  // free among the owner's components.
  std::string name = "psFileContainer";
  for (int n = 1; owner && owner->FindComponent(name); ++n) name = "psFileContainer" + std::to_string(n);
  auto* specifier = new TpsFileContainer(owner);
  specifier->FileContainer = this;
  PathSpecifier = specifier;
  specifier->SetName(name);
}

void TFileContainer::DestroyFiles() {
  for (int i = MemberCount() - 1; i >= 0; --i) {
    if (i >= MemberCount()) continue;
    auto* file = dynamic_cast<TCustomInstallFile*>(Members(i));
    if (file && !file->Destroying()) file->Free();
  }
}

void TFileContainer::ReleaseOnDestroy() {
  TFileRelated::ReleaseOnDestroy();
  DestroyFiles();
  if (TpsFileContainer* specifier = PathSpecifier) {
    PathSpecifier = nullptr;
    specifier->FileContainer = nullptr;
    if (!specifier->HasState(csDestroying)) specifier->Free();
  }
}

// ---- TCustomInstallGroup ----

void TCustomInstallGroup::SetContainer(TInstallContainer* value) {
  if (value && !dynamic_cast<IInstallation*>(value) && !dynamic_cast<TCustomInstallGroup*>(value))
    throw IEInstallGroup(
        "A TInstallGroup component can only be contained by a TInstall, or another TInstallGroup "
        "component");
  if (!value) {
    IInstallation* install = CurrentInstallation();
    if (install && !install->IsDestroying()) value = &install->RootContainer();
  }
  TFileContainer::SetContainer(value);
}

// ---- TCustomInstallFile ----

TCustomInstallFile::TCustomInstallFile(TComponent* owner) : TFileRelated(owner) {
  SetNet(false);
  AllInstallFiles().Add(this);
  auto& registries = Registries();
  for (int32_t& id = registries.FirstFreeFrom; id < UniqueIDCount; ++id)
    if (!registries.UsedIDs.test(id)) {
      registries.UsedIDs.set(id);
      UniqueID = id;
      break;
    }
  // A stream creates this file: its identity comes from the stream.
  if (owner && owner->HasState(csLoading)) Registries().ClearIDsOnLoad = true;
}

void TCustomInstallFile::Loaded() {
  TFileRelated::Loaded();
  CheckDestName(DestName);
  auto& registries = Registries();
  if (registries.ClearIDsOnLoad) {
    registries.UsedIDs.reset();
    registries.FirstFreeFrom = 0;
    registries.ClearIDsOnLoad = false;
  }
  if (ValidUniqueID(UniqueID)) registries.UsedIDs.set(UniqueID);
}

void TCustomInstallFile::ReleaseOnDestroy() {
  TFileRelated::ReleaseOnDestroy();
  ForgetInstallFile(this);
  TContainerRegistries* registries = LiveRegistries();
  if (registries && ValidUniqueID(UniqueID)) {
    registries->UsedIDs.reset(UniqueID);
    registries->FirstFreeFrom = std::min(registries->FirstFreeFrom, UniqueID);
  }
}

// The bases publish nothing: each published class chooses its properties.

const TClassInfo& TInstallContainer::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TInstallContainer>("TInstallContainer", &TComponent::StaticClass()).Build();
  return info;
}

const TClassInfo& TInstallObject::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TInstallObject>("TInstallObject", &TInstallContainer::StaticClass()).Build();
  return info;
}

const TClassInfo& TFileRelated::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFileRelated>("TFileRelated", &TInstallObject::StaticClass()).Build();
  return info;
}

const TClassInfo& TFileContainer::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFileContainer>("TFileContainer", &TFileRelated::StaticClass()).Build();
  return info;
}

const TClassInfo& TInstallDirectory::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstallDirectory> b("TInstallDirectory", &TFileContainer::StaticClass());
    b.Creatable();
    PublishInstallProperties(
        b, {"AddToArchive", "ArchiveFile", "ArchiveFileType", "Container", "Description", "DestDir",
            "DestDirType", "Include", "InstallTypes", "NetLocation", "OnAfterInstallObjects",
            "OnAfterProcess", "OnBeforeInstallObjects", "OnBeforeProcess", "OnDataReceived",
            "OnNewDisk", "OnReplacing", "OnStatus"});
    return b.Build();
  }();
  return info;
}

const TClassInfo& TInstallGroupDialogOptions::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TInstallGroupDialogOptions>("TInstallGroupDialogOptions",
                                                &TPersistent::StaticClass())
          .Boolean("AllowChangeDir", Field(&TInstallGroupDialogOptions::AllowChangeDir), true)
          .Boolean("AllowExcludeInclude", Field(&TInstallGroupDialogOptions::AllowExcludeInclude),
                   true)
          .Object("Description", [](TInstallGroupDialogOptions& o) { return &o.Description; })
          .Boolean("DisplayDirectory", Field(&TInstallGroupDialogOptions::DisplayDirectory), true)
          .Object("SmallIcon", [](TInstallGroupDialogOptions& o) { return &o.SmallIcon; })
          .Boolean("ShowRegardlessOfInclude",
                   Field(&TInstallGroupDialogOptions::ShowRegardlessOfInclude), true)
          .Build();
  return info;
}

const TClassInfo& TCustomInstallGroup::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomInstallGroup>("TCustomInstallGroup", &TFileContainer::StaticClass())
          .Build();
  return info;
}

const TClassInfo& TInstallGroup::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstallGroup> b("TInstallGroup", &TCustomInstallGroup::StaticClass());
    b.Creatable();
    PublishInstallProperties(
        b, {"AddToArchive", "ArchiveFile", "ArchiveFileType", "Container", "Description", "DestDir",
            "DestDirType", "DialogOptions", "Include", "InstallTypes", "NetLocation",
            "OnAfterInstallObjects", "OnAfterProcess", "OnBeforeInstallObjects", "OnBeforeProcess",
            "OnDataReceived", "OnNewDisk", "OnReplacing", "OnStatus"});
    return b.Build();
  }();
  return info;
}

const TClassInfo& TCustomInstallFile::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomInstallFile>("TCustomInstallFile", &TFileRelated::StaticClass()).Build();
  return info;
}

const TClassInfo& TInstallFile::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstallFile> b("TInstallFile", &TCustomInstallFile::StaticClass());
    b.Creatable();
    PublishInstallProperties(
        b, {"ArchiveFile", "ArchiveFileType", "AddToArchive", "Container", "DestDir", "DestDirType",
            "Include", "InstallTypes", "Net", "NetLocation", "Uninstall", "ActiveX", "DestName",
            "FileName", "FileType", "IncludeFromDir", "OverwriteMode", "RegisterAsHelp",
            "RunAfterInstall", "UpdateDLLCounter", "UniqueID", BRIM_INSTALL_FILE_EVENTS});
    return b.Build();
  }();
  return info;
}

}  // namespace brim

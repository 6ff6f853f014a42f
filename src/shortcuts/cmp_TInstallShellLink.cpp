// The operations of shortcuts and of the program folder: the property
// rules, the install step of each kind (shell link file, Program Manager
// item, internet shortcut), the uninstall entry, the process's lists and
// the main program folder, and the psObjectLink specifier.
#include "shortcuts/cmp_TInstallShellLink.h"

#include <algorithm>

#include "common/routines_Strings.h"
#include "components/cmp_TUninstallEXE.h"
#include "components/cmp_TVersion.h"
#include "paths/routines_ExpandPaths.h"
#include "platform/ComService.h"
#include "platform/PlatformServices.h"
#include "session/InstallLog.h"
#include "session/InstallSession.h"
#include "shortcuts/cmp_TProgramManager.h"
#include "system/routines_API.h"

namespace brim {

const TEnumInfo MethodTypeInfo("TMethodType",
                               {"mtAutoDetect", "mtShellLinkInterface", "mtProgramManager"});

namespace {

// The shortcuts of the session and its one main program folder.
struct TShellLinkRegistry {
  TShellLinkList Links;
  TShellLinkList MainLinks;
  TMainLinkGroup* MainGroup = nullptr;
};

TShellLinkRegistry& Registry() { return CurrentSession().State<TShellLinkRegistry>(); }
// The registry while the session still has it: an object that goes after
// its session ended touches nothing.
TShellLinkRegistry* LiveRegistry() { return CurrentSession().FindState<TShellLinkRegistry>(); }

constexpr const char* msgLinkNameBlank =
    "The LinkName is blank for %s and therefore could not be installed";
constexpr const char* msgNotInstalledCode =
    "The TCustomInstallShellLink %s name could not be installed. The following error was reported "
    "%s. Error code %d";
// The longest link file name the shell's IPersistFile takes (MAX_PATH with
// its terminating NUL).
constexpr size_t kMaxLinkPath = 259;
constexpr uint32_t hrFileNameTooLong = 0x800700CEu;  // HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)

// The explanation of a COM error the shell's link object reports.
std::string ExplainComError(const TPlatformError& error) {
  switch (error.Code) {
    case 0x8000FFFFu: return TranslateMessage("Indicates an unexpected error occurred");
    case 0x80040110u:
      return TranslateMessage("Indicates this class cannot be created as part of an aggregate");
    case 0x80040154u:
      return TranslateMessage(
          "Indicates that a specified class is not registered in the registration database");
    case 0x8007000Eu: return TranslateMessage("Out of memory");
    case 0x80070057u: return TranslateMessage("Indicates one or more arguments are invalid");
    case 0: return "";
    default: return error.Describe();
  }
}

[[noreturn]] void RaiseNotInstalled(const TComponent& link, const TPlatformError& error) {
  throw TCaused<IEInstallShellLink>(error, msgNotInstalledCode, link.Name(), ExplainComError(error),
                                    static_cast<int32_t>(error.Code));
}

// A web address as a file name: what follows the scheme, without trailing
// slashes, with the characters a file name cannot hold made "_".
std::string AddressFileName(const std::string& rest) {
  std::string name = rest;
  while (!name.empty() && (name.back() == '/' || name.back() == '\\')) name.pop_back();
  for (char& c : name)
    if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) c = '_';
  return name;
}

// Whether a component is freed with its owner anyway.
bool OwnerGoing(const TComponent& component) {
  return component.Owner() && component.Owner()->HasState(csDestroying);
}

// A group or shortcut whose container goes leaves it and goes too, unless
// it is going already or its owner frees it anyway.
void GoWithContainer(TInstallObject& object, TInstallContainer* container) {
  const bool own = container == object.Container();
  object.TInstallObject::ContainerDestroyed(container);
  if (own && !object.Destroying() && !OwnerGoing(object)) object.Free();
}

// Makes a folder with every missing parent, or raises E naming it and the
// component that needs it.
template <class E>
void MakeFolder(const std::string& folder, const TComponent& component, const char* message) {
  if (!CreateDirectoryPath(folder))
    throw TCaused<E>(TPlatformError::Last(), message, folder, component.Name());
}

}  // namespace

// ---- The lists ----

void TShellLinkList::Add(TCustomInstallShellLink* link) {
  if (!link) throw IEShellLinkList("Cannot add a blank entry to the shell link list");
  items_.push_back(link);
}

void TShellLinkList::Remove(TCustomInstallShellLink* link) {
  auto it = std::find(items_.begin(), items_.end(), link);
  if (it != items_.end()) items_.erase(it);
}

TShellLinkList& ShellLinks() { return Registry().Links; }
TShellLinkList& MainLinks() { return Registry().MainLinks; }
TMainLinkGroup* MainLinkGroup() {
  TShellLinkRegistry* registry = LiveRegistry();
  return registry ? registry->MainGroup : nullptr;
}

// ---- Shell link groups ----

TCustomShellLinkGroup::TCustomShellLinkGroup(TComponent* owner) : TInstallObject(owner) {
  // Groups are made in their own phase of the run.
  ProcessWithContainer = false;
}

void TCustomShellLinkGroup::ContainerDestroyed(TInstallContainer* container) {
  GoWithContainer(*this, container);
}

void TCustomShellLinkGroup::ProcessContents() {
  BroadcastEvent(bcShellLinkGroup, nullptr);
  MakeFolder<IEShellLinkGroup>(DestinationPath(), *this, "Could not create the folder %s of %s");
  ProcessMembers();
}

TMainLinkGroup::TMainLinkGroup(TComponent* owner) : TCustomShellLinkGroup(owner) {
  TShellLinkRegistry& registry = Registry();
  if (registry.MainGroup)
    throw IEShellLinkGroup("You can only have one TMainLinkGroup component in your project");
  registry.MainGroup = this;
  IInstallation* install = CurrentInstallation();
  SetDestDir(install ? "\\" + install->ProductName() : "\\MainFolderName");
  SetDestDirType(nullptr);
}

TMainLinkGroup::~TMainLinkGroup() { BeforeDestruction(); }

void TMainLinkGroup::ReleaseOnDestroy() {
  TShellLinkRegistry* registry = LiveRegistry();
  if (registry && registry->MainGroup == this) registry->MainGroup = nullptr;
}

void TMainLinkGroup::SetDestDirType(TCustomPathSpecifier*) {
  TCustomShellLinkGroup::SetDestDirType(
      ObtainStandardPathSpecifier(TpsProgramMenu::StaticClass(), Owner()));
}

// ---- Shortcuts ----

TCustomInstallShellLink::TCustomInstallShellLink(TComponent* owner) : TInstallObject(owner) {
  // Shortcuts are made in their own phase of the run.
  ProcessWithContainer = false;
  if (owner && owner->IsModuleRoot()) {
    // The form's shortcuts name their targets through psObjectLink.
    TPathSpecifierClassList& classes = PathSpecifierClasses();
    const auto& known = classes.Classes();
    if (std::find(known.begin(), known.end(), &TpsObjectLink::StaticClass()) == known.end())
      classes.Add(&TpsObjectLink::StaticClass());
    EnsureStandardSpecifiers(owner);
  }
  ShellLinks().Add(this);
}

TCustomInstallShellLink::~TCustomInstallShellLink() { BeforeDestruction(); }

void TCustomInstallShellLink::ReleaseOnDestroy() {
  if (TShellLinkRegistry* registry = LiveRegistry()) registry->Links.Remove(this);
}

void TCustomInstallShellLink::Notification(TComponent* component, TOperation operation) {
  const bool linkGoes =
      operation == TOperation::opRemove && component && component == objectLink_;
  const bool specifierGoes =
      operation == TOperation::opRemove && component && component == objectLocationType_;
  if (linkGoes) objectLink_ = nullptr;
  if (specifierGoes) objectLocationType_ = nullptr;
  TInstallObject::Notification(component, operation);
  // A shortcut to nothing has no reason to stay.
  if (linkGoes && !Destroying() && !OwnerGoing(*this)) Free();
}

void TCustomInstallShellLink::ContainerDestroyed(TInstallContainer* container) {
  GoWithContainer(*this, container);
}

void TCustomInstallShellLink::SetLinkName(const std::string& value) {
  const std::string previous = linkName_;
  linkName_ = value;
  if (HasState(csLoading) || Trim(value).empty()) return;
  const std::string extension = UpperCase(ExtractFileExt(value));
  if (extension == ".URL") {
    SetObjectLink(nullptr);
  } else if (extension != ".LNK") {
    const std::string before = UpperCase(ExtractFileExt(previous));
    linkName_ = ChangeFileExt(value, before.empty() ? ".LNK" : before);
  }
}

void TCustomInstallShellLink::SetObjectLink(TInstallContainer* value) {
  if (HasState(csLoading)) {
    objectLink_ = value;
    if (value) FreeNotification(value);
    return;
  }
  if (!value) {
    objectLink_ = nullptr;
    objectLocationType_ = nullptr;
    return;
  }
  objectLink_ = value;
  FreeNotification(value);
  objectLocationType_ = ObtainStandardPathSpecifier(TpsObjectLink::StaticClass(), Owner());
  FreeNotification(objectLocationType_);
  objectLocation_.clear();
  if (auto* file = dynamic_cast<TCustomInstallFile*>(value))
    linkName_ = ChangeFileExt(file->DestName, ".lnk");
  else if (auto* directory = dynamic_cast<TInstallDirectory*>(value))
    linkName_ = directory->Description + ".lnk";
  else
    linkName_ = value->Name() + ".lnk";
  if (!Container()) SetContainer(value);
}

void TCustomInstallShellLink::SetObjectLocation(const std::string& value) {
  objectLocation_ = value;
  if (HasState(csLoading)) return;
  if (dynamic_cast<TpsObjectLink*>(objectLocationType_)) objectLocation_.clear();
  const std::string name = UpperCase(Trim(linkName_));
  if (!name.empty() && name != ".LNK") return;
  const std::string upper = UpperCase(value);
  for (const char* scheme : {"HTTP://", "FTP://"}) {
    size_t at = upper.find(scheme);
    if (at != std::string::npos) {
      linkName_ = AddressFileName(value.substr(at + std::string_view(scheme).size())) + ".URL";
      return;
    }
  }
  SetLinkName(ChangeFileExt(ExtractFileName(value), ""));
}

void TCustomInstallShellLink::SetObjectLocationType(TCustomPathSpecifier* value) {
  if (value && !HasState(csLoading)) value->Validate(this);
  objectLocationType_ = value;
  if (value) FreeNotification(value);
  if (!HasState(csLoading) && dynamic_cast<TpsObjectLink*>(value)) objectLocation_.clear();
}

std::string TCustomInstallShellLink::LinkFile() { return JoinPath(DestinationPath(), linkName_); }

std::string TCustomInstallShellLink::Target() {
  if (objectLocationType_) return objectLocationType_->GetPath(this) + objectLocation_;
  return RemoveTrailingBackslash(objectLocation_);
}

void TCustomInstallShellLink::CreateFolder(const std::string& folder) {
  if (Trim(folder).empty())
    throw IEInstallShellLink("The shortcut %s has no folder: its DestDirType and DestDir name none",
                             Name());
  MakeFolder<IEInstallShellLink>(folder, *this, "Could not create the folder %s for the shortcut %s");
}

void TCustomInstallShellLink::ProcessContents() {
  made_ = false;
  if (Trim(linkName_).empty()) throw IEInstallShellLink(msgLinkNameBlank, Name());
  if (objectLink_) {
    // A shortcut to something this run did not install is left out.
    if (!objectLink_->Processed) return;
    if (dynamic_cast<TUninstallEXE*>(objectLink_)) {
      IInstallation* install = CurrentInstallation();
      if (!install)
        throw IEInstallShellLink("%s cannot perform operation because there is no TInstall component",
                                 Name());
      Parameters = install->ProductName();
    } else if (auto* group = dynamic_cast<TCustomShellLinkGroup*>(objectLink_)) {
      CreateFolder(group->DestinationPath());
    }
  }
  if (UpperCase(ExtractFileExt(linkName_)) == ".URL") {
    WriteInternetShortcut();
  } else {
    bool shellLink = Method == TMethodType::mtShellLinkInterface;
    if (Method == TMethodType::mtAutoDetect) {
      const int platform = GetWindowsPlatform();
      shellLink = platform == wpWindows95 || platform == wpWindowsNT;
    }
    if (shellLink) WriteShellLinkFile();
    else WriteProgramManagerItem();
  }
  ProcessMembers();
}

void TCustomInstallShellLink::WriteShellLinkFile() {
  CreateFolder(DestinationPath());
  const std::string file = LinkFile();
  TShellLink link;
  link.Arguments = ExpandMetaVariables(Parameters, this);
  link.Target = Target();
  link.HotKey = HotKey;
  link.WorkingDirectory = Trim(WorkingDir).empty() ? RemoveTrailingBackslash(ExtractFileDir(link.Target))
                                                   : WorkingDir;
  if (!Trim(IconFilePath).empty()) {
    link.IconPath = IconFilePath;
    link.IconIndex = IconIndex;
  }
  // The shell would cut a longer name and save under another file.
  if (file.size() > kMaxLinkPath) RaiseNotInstalled(*this, {TErrorDomain::HResult, hrFileNameTooLong});
  TShellLinkStep step = TShellLinkStep::Create;
  TPlatformError result = PlatformCom().SaveShellLink(file, link, &step);
  if (!result.Failed()) {
    made_ = true;
    LogEvent(TLogKind::Shortcut,
             file + " -> " + link.Target + (link.Arguments.empty() ? "" : " " + link.Arguments));
    return;
  }
  // The shell's link object itself is missing: its error as it stands.
  if (step == TShellLinkStep::Create) throw TCaused<EAPIRoutines>(result, result.Describe());
  RaiseNotInstalled(*this, result);
}

bool TCustomInstallShellLink::InProgramGroup() const {
  // A shortcut placed by its container's folder is in a program group
  // when that folder is.
  const TInstallContainer* object = this;
  for (int depth = 0; object && depth < 64; ++depth) {
    TCustomPathSpecifier* place = object->DestDirType();
    if (dynamic_cast<TpsProgramMenu*>(place)) return true;
    if (!dynamic_cast<TpsContainerDestDir*>(place)) return false;
    auto* inner = dynamic_cast<const TInstallObject*>(object);
    object = inner ? inner->Container() : nullptr;
  }
  return false;
}

void TCustomInstallShellLink::WriteProgramManagerItem() {
  // Program Manager holds only program groups.
  if (!InProgramGroup()) return;
  const std::string group = Trim(ExtractFileName(RemoveTrailingBackslash(DestinationPath())));
  if (group.empty()) throw IEInstallShellLink(msgLinkNameBlank, Name());
  TProgramManager& manager = ProgramManager();
  manager.CreateGroup(group);
  const std::string item = ChangeFileExt(linkName_, "");
  if (manager.FindItem(item) > 0) manager.ReplaceItem(item);
  const std::string target = Target();
  const std::string commandLine = "\"" + target + "\" " + ExpandMetaVariables(Parameters, this);
  const std::string directory = "\"" + RemoveTrailingBackslash(ExtractFileDir(target)) + "\"";
  manager.AddItem(commandLine, item, "", 0, directory, "");
  made_ = true;
  LogEvent(TLogKind::Shortcut,
           "Program Manager group " + group + ", item " + item + " -> " + commandLine);
}

void TCustomInstallShellLink::WriteInternetShortcut() {
  CreateFolder(DestinationPath());
  const std::string file = LinkFile();
  if (!PlatformFiles().WriteProfileString(file, "InternetShortcut", "URL", objectLocation_))
    throw TCaused<IEInstallShellLink>(TPlatformError::Last(),
                                      "Could not write the internet shortcut %s of %s", file, Name());
  made_ = true;
  LogEvent(TLogKind::Shortcut, file + " -> " + objectLocation_);
}

void TCustomInstallShellLink::WriteUninstallInfo(const std::string& key) {
  if (made_) WriteUninstallFileEntry(key, LinkFile());
}

// ---- Main links ----

TInstallMainLink::TInstallMainLink(TComponent* owner) : TCustomInstallShellLink(owner) {
  TMainLinkGroup* group = MainLinkGroup();
  if (!group) {
    throw IEInstallShellLink(
        "To create a TInstallMainLink you must first have a TMainLinkGroup component in your "
        "project");
  }
  MainLinks().Add(this);
  TInstallObject::SetContainer(group);
  SetDestDirType(nullptr);
}

TInstallMainLink::~TInstallMainLink() { BeforeDestruction(); }

void TInstallMainLink::ReleaseOnDestroy() {
  if (TShellLinkRegistry* registry = LiveRegistry()) registry->MainLinks.Remove(this);
  TCustomInstallShellLink::ReleaseOnDestroy();
}

void TInstallMainLink::SetContainer(TInstallContainer* value) {
  // Leaving a folder that is going is the one change allowed.
  if (value && value != MainLinkGroup())
    throw IEInstallShellLink(
        "The TMainLinkGroup component must be the Container for TInstallMainLink and "
        "TSubLinkGroup components");
  TCustomInstallShellLink::SetContainer(value);
}

void TInstallMainLink::ContainerChanged(TInstallContainer* container) {
  if (container) TCustomInstallShellLink::ContainerChanged(container);
}

void TInstallMainLink::SetDestDirType(TCustomPathSpecifier*) {
  TCustomInstallShellLink::SetDestDirType(
      ObtainStandardPathSpecifier(TpsContainerDestDir::StaticClass(), Owner()));
}

// ---- psObjectLink ----

void TpsObjectLink::Validate(TComponent* component) const {
  auto* link = dynamic_cast<TCustomInstallShellLink*>(component);
  if (!link)
    throw IEPathSpecifier("%s must be a %s to use the %s path specifier",
                          component ? component->Name() : std::string("nil"),
                          "TCustomInstallShellLink", "psObjectLink");
  if (!link->ObjectLink())
    throw IEPathSpecifier("Cannot use ddObjectLink for %s unless you assign a value to ObjectLink",
                          link->Name());
}

std::string TpsObjectLink::ExpandPath(TComponent* component) const {
  TInstallContainer* object = static_cast<TCustomInstallShellLink*>(component)->ObjectLink();
  if (auto* file = dynamic_cast<TCustomInstallFile*>(object))
    return RemoveTrailingBackslash(file->DestinationFile());
  return RemoveTrailingBackslash(object->DestinationPath());
}

const TClassInfo& TCustomShellLinkGroup::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomShellLinkGroup>("TCustomShellLinkGroup", &TInstallObject::StaticClass())
          .Build();
  return info;
}

const TClassInfo& TMainLinkGroup::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TMainLinkGroup> b("TMainLinkGroup", &TCustomShellLinkGroup::StaticClass());
    b.Creatable();
    PublishInstallProperties(b, {"Container"});
    // The constructor's folder name depends on the product, so the name is
    // always written.
    b.String("DestDir", Methods(&TInstallContainer::DestDir, &TInstallContainer::SetDestDir),
             std::nullopt);
    PublishInstallProperties(b, {"Include", "OnAfterProcess", "OnBeforeProcess"});
    return b.Build();
  }();
  return info;
}

const TClassInfo& TCustomInstallShellLink::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomInstallShellLink>("TCustomInstallShellLink", &TInstallObject::StaticClass())
          .Build();
  return info;
}

namespace {

// Adds the shortcut properties that both published classes share, by name.
template <class T>
void PublishLinkProperty(TClassBuilder<T>& b, std::string_view name) {
  using L = TCustomInstallShellLink;
  if (name == "HotKey") b.Integer("HotKey", Field(&L::HotKey));
  else if (name == "IconFilePath") b.String("IconFilePath", Field(&L::IconFilePath));
  else if (name == "IconIndex") b.Integer("IconIndex", Field(&L::IconIndex));
  else if (name == "LinkName") b.String("LinkName", Methods(&L::LinkName, &L::SetLinkName));
  else if (name == "Method")
    b.Enumeration("Method", Field(&L::Method), MethodTypeInfo,
                  static_cast<int64_t>(TMethodType::mtAutoDetect));
  else if (name == "ObjectLink")
    b.template Reference<TInstallContainer>("ObjectLink", Methods(&L::ObjectLink, &L::SetObjectLink));
  else if (name == "ObjectLocation")
    b.String("ObjectLocation", Methods(&L::ObjectLocation, &L::SetObjectLocation));
  else if (name == "ObjectLocationType")
    b.template Reference<TCustomPathSpecifier>(
        "ObjectLocationType", Methods(&L::ObjectLocationType, &L::SetObjectLocationType));
  else if (name == "Parameters") b.String("Parameters", Field(&L::Parameters));
  else if (name == "WorkingDir") b.String("WorkingDir", Field(&L::WorkingDir));
  else PublishInstallProperty(b, name);
}

template <class T>
void PublishLinkProperties(TClassBuilder<T>& b, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names) PublishLinkProperty(b, n);
}

}  // namespace

const TClassInfo& TInstallShellLink::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstallShellLink> b("TInstallShellLink", &TCustomInstallShellLink::StaticClass());
    b.Creatable();
    PublishLinkProperties(
        b, {"Container", "DestDir", "DestDirType", "Include", "HotKey", "IconFilePath", "IconIndex",
            "LinkName", "Method", "ObjectLink", "ObjectLocation", "ObjectLocationType",
            "Parameters", "WorkingDir", "Uninstall", "OnAfterProcess", "OnBeforeProcess"});
    return b.Build();
  }();
  return info;
}

const TClassInfo& TInstallMainLink::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstallMainLink> b("TInstallMainLink", &TCustomInstallShellLink::StaticClass());
    b.Creatable();
    PublishLinkProperties(
        b, {"DestDir", "Include", "HotKey", "LinkName", "Method", "ObjectLink", "ObjectLocation",
            "ObjectLocationType", "Parameters", "Uninstall", "OnAfterProcess", "OnBeforeProcess"});
    return b.Build();
  }();
  return info;
}

const TStandardSpecifierTexts& TpsObjectLink::Texts() {
  static const TStandardSpecifierTexts texts{
      "psObjectLink", "Path of the file or file group in the ObjectLink property",
      "psObjectLink"};
  return texts;
}

const TClassInfo& TpsObjectLink::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TpsObjectLink>("TpsObjectLink", &TStandardPathSpecifier::StaticClass())
          .Creatable()
          .Build();
  return info;
}

}  // namespace brim

#include "paths/cmp_TPathSpecifier.h"

#include <algorithm>
#include <utility>

#include "common/routines_Strings.h"
#include "components/cmp_TInstallContainer.h"
#include "paths/routines_ExpandPaths.h"
#include "session/InstallSession.h"
#include "system/routines_API.h"

namespace brim {

// ---- The session's lists ----

namespace {

// The lists live together so that the specifiers this unit keeps (made
// for components without an owner) are freed with them.
struct TPathSpecifierLists {
  TPathSpecifierList All;
  TStandardPathSpecList Standard;
  TPathSpecifierClassList Classes;
  std::vector<TCustomPathSpecifier*> Kept;

  TPathSpecifierLists() {
    for (const TClassInfo* cls :
         {&TpsBDEDLL::StaticClass(), &TpsCommonFiles::StaticClass(),
          &TpsContainerArchiveFile::StaticClass(), &TpsContainerDestDir::StaticClass(),
          &TpsDesktopMenu::StaticClass(), &TpsInstallSource::StaticClass(),
          &TpsMainInstall::StaticClass(), &TpsProgramFiles::StaticClass(),
          &TpsProgramMenu::StaticClass(), &TpsStartMenu::StaticClass(),
          &TpsStartupMenu::StaticClass(), &TpsSystem::StaticClass(),
          &TpsMainArchiveFile::StaticClass(), &TpsWindow::StaticClass()})
      Classes.Add(cls);
  }
  // The session no longer finds the lists here, so a specifier that goes
  // now touches none of them.
  ~TPathSpecifierLists() {
    for (TCustomPathSpecifier* specifier : std::vector<TCustomPathSpecifier*>(std::move(Kept)))
      specifier->Free();
  }
};

TPathSpecifierLists& Lists() { return CurrentSession().State<TPathSpecifierLists>(); }

// A component as messages name it.
std::string NameOf(const TComponent* component) { return component ? component->Name() : "nil"; }

}  // namespace

void TPathSpecifierList::Add(TCustomPathSpecifier* specifier) {
  if (!specifier) throw IEPathSpecifierList("Tried to add a nil object to the path specifier list");
  items_.push_back(specifier);
}

void TPathSpecifierList::Remove(TCustomPathSpecifier* specifier) {
  auto it = std::find(items_.begin(), items_.end(), specifier);
  if (it != items_.end()) items_.erase(it);
}

TCustomPathSpecifier* TPathSpecifierList::FindInstanceOf(const TClassInfo& cls) const {
  for (TCustomPathSpecifier* specifier : items_)
    if (specifier->InheritsFrom(cls)) return specifier;
  return nullptr;
}

void TPathSpecifierClassList::Add(const TClassInfo* cls) {
  if (!cls)
    throw IEPathSpecifierClassList("Tried to add a nil object to the path specifier list");
  classes_.push_back(cls);
}

TPathSpecifierList& PathSpecifiers() { return Lists().All; }
TStandardPathSpecList& StandardPathSpecifiers() { return Lists().Standard; }
TPathSpecifierClassList& PathSpecifierClasses() { return Lists().Classes; }

const std::vector<const TClassInfo*>& StandardPathSpecifierClasses() {
  return PathSpecifierClasses().Classes();
}

TStandardPathSpecifier* FindStandardPathSpecifier(const TClassInfo& cls) {
  TCustomPathSpecifier* found = StandardPathSpecifiers().FindInstanceOf(cls);
  if (!found) throw IEPathSpecifier("Could not find the path specifier");
  return static_cast<TStandardPathSpecifier*>(found);
}

namespace {
TStandardPathSpecifier* CreateStandardPathSpecifier(const TClassInfo& cls, TComponent* owner) {
  auto* specifier = static_cast<TStandardPathSpecifier*>(cls.CreateComponent(owner));
  try {
    specifier->SetName(specifier->StandardName());
  } catch (...) {
    specifier->Free();
    throw;
  }
  return specifier;
}
}  // namespace

TStandardPathSpecifier* ObtainStandardPathSpecifier(const TClassInfo& cls, TComponent* owner) {
  if (TCustomPathSpecifier* found = StandardPathSpecifiers().FindInstanceOf(cls))
    return static_cast<TStandardPathSpecifier*>(found);
  TStandardPathSpecifier* created = CreateStandardPathSpecifier(cls, owner);
  if (!owner) Lists().Kept.push_back(created);
  return created;
}

void EnsureStandardSpecifiers(TComponent* owner) {
  if (!owner) return;
  for (const TClassInfo* cls : PathSpecifierClasses().Classes())
    if (!PathSpecifiers().FindInstanceOf(*cls)) CreateStandardPathSpecifier(*cls, owner);
}

// ---- TCustomPathSpecifier ----

TCustomPathSpecifier::TCustomPathSpecifier(TComponent* owner) : TComponent(owner) {
  PathSpecifiers().Add(this);
}

TCustomPathSpecifier::~TCustomPathSpecifier() { LeaveLists(); }

void TCustomPathSpecifier::BeforeDestruction() {
  // A specifier on its way out is found by no lookup.
  LeaveLists();
  TComponent::BeforeDestruction();
}

void TCustomPathSpecifier::LeaveLists() {
  TPathSpecifierLists* lists = CurrentSession().FindState<TPathSpecifierLists>();
  if (!lists) return;
  lists->All.Remove(this);
  lists->Standard.Remove(this);
  auto& kept = lists->Kept;
  kept.erase(std::remove(kept.begin(), kept.end(), this), kept.end());
}

std::string TCustomPathSpecifier::GetDescription() const { return "Unspecified"; }

std::string TCustomPathSpecifier::GetPath(TComponent* component) const {
  std::string path;
  if (OnGetPath) OnGetPath(component, path);
  return path;
}

// ---- The standard specifiers ----

TStandardPathSpecifier::TStandardPathSpecifier(TComponent* owner,
                                               const TStandardSpecifierTexts& texts)
    : TCustomPathSpecifier(owner), texts_(texts) {
  StandardPathSpecifiers().Add(this);
}

namespace {
int nameClashCounter = 0;

// Renames the owner's component of this name out of the way.
void GiveWay(TComponent& owner, TComponent& other) {
  std::string clash;
  do clash = "nameClash" + std::to_string(++nameClashCounter);
  while (owner.FindComponent(clash));
  other.SetName(clash);
}

// Points every install container and every reference property of the
// owner and its components that names from at to instead.
void MoveReferences(TComponent& owner, TCustomPathSpecifier* from, TCustomPathSpecifier* to) {
  for (TInstallContainer* container : std::vector<TInstallContainer*>(InstallContainers().Containers()))
    container->SpecifierReplaced(from, to);
  auto move = [&](TComponent& c) {
    for (const TPropInfo* p : c.ClassType().AllProps())
      if (p->Kind == TPropKind::Reference && p->GetRef && p->SetRef && p->GetRef(c) == from)
        p->SetRef(c, to);
  };
  move(owner);
  for (int i = 0; i < owner.ComponentCount(); ++i) move(*owner.Components(i));
}
}  // namespace

void TStandardPathSpecifier::SetName(const std::string& name) {
  TComponent* owner = Owner();
  auto* other = owner ? dynamic_cast<TStandardPathSpecifier*>(owner->FindComponent(name)) : nullptr;
  if (other && other != this && HasState(csLoading) && &other->ClassType() == &ClassType() &&
      !other->HasState(csLoading)) {
    GiveWay(*owner, *other);
    replaces_ = other;
    other->FreeNotification(this);
  }
  TCustomPathSpecifier::SetName(name);
}

void TStandardPathSpecifier::Loaded() {
  TCustomPathSpecifier::Loaded();
  TStandardPathSpecifier* previous = std::exchange(replaces_, nullptr);
  if (!previous) return;
  previous->RemoveFreeNotification(this);
  if (Owner()) MoveReferences(*Owner(), previous, this);
  previous->Free();
}

void TStandardPathSpecifier::Notification(TComponent* component, TOperation operation) {
  TCustomPathSpecifier::Notification(component, operation);
  if (operation == TOperation::opRemove && component == replaces_) replaces_ = nullptr;
}

std::string TStandardPathSpecifier::GetPath(TComponent* component) const {
  Validate(component);
  return ExpandPath(component);
}

namespace {

// The component as an install object; anything else cannot use the specifier.
TInstallObject* RequireInstallObject(const TStandardPathSpecifier& specifier,
                                     TComponent* component) {
  auto* object = dynamic_cast<TInstallObject*>(component);
  if (!object)
    throw IEPathSpecifier("%s must be a %s to use the %s path specifier", NameOf(component),
                          "TInstallObject", specifier.GetShortName());
  return object;
}

IInstallation* RequireInstall(TComponent* component) {
  IInstallation* install = CurrentInstallation();
  if (!install)
    throw IEPathSpecifier(
        "There is no TInstall component so the path specifier could not be expanded for %s",
        NameOf(component));
  return install;
}

// The container of a component that passed its specifier's validation.
TInstallContainer* ContainerOf(TComponent* component) {
  return static_cast<TInstallObject*>(component)->Container();
}

}  // namespace

std::string TpsBDEDLL::ExpandPath(TComponent*) const { return GetBDEDLLFolder(); }
std::string TpsCommonFiles::ExpandPath(TComponent*) const { return GetCommonFilesFolder(); }
std::string TpsDesktopMenu::ExpandPath(TComponent*) const { return GetDesktopFolder(); }
std::string TpsProgramFiles::ExpandPath(TComponent*) const { return GetProgramFilesFolder(); }
std::string TpsProgramMenu::ExpandPath(TComponent*) const { return GetProgramsFolder(); }
std::string TpsStartMenu::ExpandPath(TComponent*) const { return GetStartMenuFolder(); }
std::string TpsStartupMenu::ExpandPath(TComponent*) const { return GetStartupFolder(); }
std::string TpsSystem::ExpandPath(TComponent*) const { return GetSystemDirectoryPath(); }
std::string TpsWindow::ExpandPath(TComponent*) const { return GetWindowsDirectoryPath(); }

void TpsContainerArchiveFile::Validate(TComponent* component) const {
  TInstallObject* object = RequireInstallObject(*this, component);
  if (!object->Container())
    throw IEPathSpecifier("Cannot use ddContainerArchiveFile for %s unless you assign a Container",
                          object->Name());
  if (!dynamic_cast<TFileRelated*>(object->Container()))
    throw IEPathSpecifier(
        "Cannot use the ddContainerArchiveFile path specifier for %s because the Container is "
        "not a TFileRelated descendant",
        object->Name());
}

std::string TpsContainerArchiveFile::ExpandPath(TComponent* component) const {
  return static_cast<TFileRelated*>(ContainerOf(component))->ArchivePath();
}

void TpsContainerDestDir::Validate(TComponent* component) const {
  TInstallObject* object = RequireInstallObject(*this, component);
  if (!object->Container())
    throw IEPathSpecifier("Cannot use ddContainerDestDir for %s unless you assign a Container",
                          object->Name());
}

std::string TpsContainerDestDir::ExpandPath(TComponent* component) const {
  return ContainerOf(component)->DestinationPath();
}

TInstallContainer* TpsContainerDestDir::PathSource(TComponent* component) const {
  auto* object = dynamic_cast<TInstallObject*>(component);
  return object ? object->Container() : nullptr;
}

namespace {
// How the container of a component is named: what a group or directory is
// described as, or the component name of anything else.
std::string ContainerTitle(TInstallContainer* container) {
  if (auto* files = dynamic_cast<TFileContainer*>(container)) return files->Description;
  return container->Name();
}
}  // namespace

std::string TpsContainerDestDir::GetDescriptionFor(TComponent* component) const {
  try {
    Validate(component);
    TInstallContainer* container = ContainerOf(component);
    if (dynamic_cast<IInstallation*>(container)) return "Main installation directory";
    const char* form = dynamic_cast<TFileContainer*>(container) &&
                               !dynamic_cast<TCustomInstallGroup*>(container)
                           ? "Path of the <%s> directory"
                           : "Path of the <%s> group";
    return Format(form, ContainerTitle(container));
  } catch (const Exception&) {
    return GetDescription();
  }
}

std::string TpsContainerDestDir::GetShortDescriptionFor(TComponent* component) const {
  try {
    Validate(component);
    TInstallContainer* container = ContainerOf(component);
    if (dynamic_cast<IInstallation*>(container)) return "Main installation directory";
    return Format("<%s>", ContainerTitle(container));
  } catch (const Exception&) {
    return GetDescription();
  }
}

void TpsInstallSource::Validate(TComponent* component) const { RequireInstall(component); }

std::string TpsInstallSource::ExpandPath(TComponent* component) const {
  return RemoveTrailingBackslash(CurrentInstallation()->SourceDirectory());
}

void TpsMainInstall::Validate(TComponent* component) const {
  IInstallation* install = RequireInstall(component);
  if (component == &install->RootContainer())
    throw IEPathSpecifier("Cannot use the ddMainInstallDir path specifier for a TInstall component");
}

std::string TpsMainInstall::ExpandPath(TComponent*) const {
  return CurrentInstallation()->RootContainer().DestinationPath();
}

void TpsMainArchiveFile::Validate(TComponent* component) const { RequireInstall(component); }

std::string TpsMainArchiveFile::ExpandPath(TComponent*) const {
  IInstallation* install = CurrentInstallation();
  // Called by the self-extractor: the archive is the setup file itself.
  if (install->HasSwitch('e')) {
    const std::string& setupFile = install->SwitchArgument('e');
    if (Trim(setupFile).empty())
      throw IEInstall(
          "You forgot to pass in the name of the self-extracting executable. Usage example: "
          "\"-eSetup.exe\"");
    return JoinPath(install->SourceDirectory(), setupFile);
  }
  if (!Trim(DiskDirectory).empty()) return JoinPath(DiskDirectory, "files.1");
  return JoinPath(install->SourceDirectory(), "files.1");
}

// ---- TpsFileContainer ----

void TpsFileContainer::SetName(const std::string& name) {
  TComponent* owner = Owner();
  TComponent* other = owner ? owner->FindComponent(name) : nullptr;
  if (other && other != this) GiveWay(*owner, *other);
  TCustomPathSpecifier::SetName(name);
}

void TpsFileContainer::Loaded() {
  TCustomPathSpecifier::Loaded();
  if (!FileContainer || FileContainer->PathSpecifier == this) return;
  // The one the container made when it was created gives way.
  TpsFileContainer* previous = FileContainer->PathSpecifier;
  FileContainer->PathSpecifier = this;
  if (previous) {
    previous->FileContainer = nullptr;
    previous->Free();
  }
}

void TpsFileContainer::BeforeDestruction() {
  if (FileContainer && FileContainer->PathSpecifier == this) FileContainer->PathSpecifier = nullptr;
  FileContainer = nullptr;
  TCustomPathSpecifier::BeforeDestruction();
}

void TpsFileContainer::Validate(TComponent* component) const {
  if (dynamic_cast<TFileContainer*>(component) || dynamic_cast<TCustomInstallFile*>(component))
    throw IEPathSpecifier("A file container cannot reference another file container or group");
}

TInstallContainer* TpsFileContainer::PathSource(TComponent*) const { return FileContainer; }

std::string TpsFileContainer::GetDescription() const {
  if (!FileContainer) return "Path specifier for unknown file container";
  return "Path into which " + FileContainer->Description + " will be installed";
}

std::string TpsFileContainer::GetShortName() const {
  if (!FileContainer) return "Path specifier for unknown file container";
  return "<" + FileContainer->Description + ">";
}

std::string TpsFileContainer::GetPath(TComponent* component) const {
  Validate(component);
  return FileContainer ? FileContainer->DestinationPath() : "";
}

// ---- Class metadata ----

const TClassInfo& TCustomPathSpecifier::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomPathSpecifier>("TCustomPathSpecifier", &TComponent::StaticClass()).Build();
  return info;
}

const TClassInfo& TPathSpecifier::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TPathSpecifier>("TPathSpecifier", &TCustomPathSpecifier::StaticClass())
          .Creatable()
          .String("Description", Field(&TPathSpecifier::Description), "My cool new path specifier")
          .Event("OnGetPath", &TCustomPathSpecifier::OnGetPath)
          .Build();
  return info;
}

const TClassInfo& TStandardPathSpecifier::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TStandardPathSpecifier>("TStandardPathSpecifier",
                                            &TCustomPathSpecifier::StaticClass())
          .Build();
  return info;
}

// Each built-in class: its texts and its (property-less) metadata.
#define BRIM_DEFINE_STANDARD_PATH_SPECIFIER(Name, StdName, Description, ShortName)          \
  const TStandardSpecifierTexts& Name::Texts() {                                             \
    static const TStandardSpecifierTexts texts{StdName, Description, ShortName};             \
    return texts;                                                                            \
  }                                                                                          \
  const TClassInfo& Name::StaticClass() {                                                    \
    static const TClassInfo info =                                                           \
        TClassBuilder<Name>(#Name, &TStandardPathSpecifier::StaticClass()).Creatable().Build(); \
    return info;                                                                             \
  }

BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsBDEDLL, "psBDEDLL", "Borland Database Engine DLL Path",
                                    "BDE DLL")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(
    TpsCommonFiles, "psCommonFiles",
    "Path of the common files directory under the program files directory", "Common files")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsContainerArchiveFile, "psContainerArchiveFile",
                                    "Path to the archive file of the container",
                                    "Container archive file")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsContainerDestDir, "psContainerDestDir",
                                    "Path of the group (container)",
                                    "Path of the group (container)")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsDesktopMenu, "psDesktopMenu", "Path of the Desktop", "Desktop")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsInstallSource, "psInstallSource",
                                    "Path from which the user ran the install", "Install source")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsMainInstall, "psMainInstall", "Main installation directory",
                                    "Main install dir")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsMainArchiveFile, "psMainArchiveFile",
                                    "Archive containing most or all non-internet installation files",
                                    "Main archive")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsProgramFiles, "psProgramFiles",
                                    "Path of the program files directory", "Program files")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsProgramMenu, "psProgramMenu",
                                    "Path of the Programs folder under the Start Menu", "Program menu")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsStartMenu, "psStartMenu", "Path of Start Menu", "Start menu")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(
    TpsStartupMenu, "psStartupMenu",
    "Path of the Startup folder in the Programs folder under the Start Menu", "Startup menu")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsSystem, "psSystem", "Path of system directory", "System dir")
BRIM_DEFINE_STANDARD_PATH_SPECIFIER(TpsWindow, "psWindow", "Path of the Windows directory",
                                    "Windows dir")

const TClassInfo& TpsFileContainer::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TpsFileContainer>("TpsFileContainer", &TCustomPathSpecifier::StaticClass())
          .Creatable()
          .Reference<TFileContainer>("FileContainer", Field(&TpsFileContainer::FileContainer))
          .Build();
  return info;
}

}  // namespace brim

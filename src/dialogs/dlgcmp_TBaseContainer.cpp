#include "dialogs/dlgcmp_TBaseContainer.h"

#include <algorithm>
#include <cmath>
#include <list>

#include "components/InstallParameters.h"
#include "dialogs/dlgcmp_TBaseDlg.h"
#include "dialogs/dlgcmp_TCopyFileDlg.h"
#include "dialogs/ordlg_TBaseFormContainer.h"
#include "dialogs/ordlg_TCopyFileForm.h"
#include "session/InstallSession.h"
#include "widgets/Forms.h"

namespace brim {

const TEnumInfo ManagerTypeInfo("TManagerType",
                                {"dmBeforeInstall", "dmAfterGoodInstall", "dmAfterBadInstall",
                                 "dmDuringCopyFiles", "dmChangeDisk", "dmReboot"});
const TEnumInfo DialogPositionInfo("TBrimwellDialogPosition",
                                   {"qdpCenterLeft", "qdpCenter", "qdpCenterRight",
                                    "qdpBottomLeft", "qdpBottomCenter", "qdpBottomRight",
                                    "qdpTopLeft", "qdpTopCenter", "qdpTopRight"});

namespace {

constexpr int bcBeforeInstallPhase = -980;
constexpr int bcAfterGoodInstallPhase = -979;
constexpr int bcAfterBadInstallPhase = -978;
constexpr int bcRebootPhase = -987;

// Half of a size, to the nearest integer with halves to even.
int32_t Centred(int32_t screen, int32_t size) {
  return static_cast<int32_t>(std::nearbyint(screen / 2.0 - size / 2.0));
}

// The registries live for the whole program: forms register at its start.
// Entries are kept in lists so that a registered entry never moves.
struct TFormRegistries {
  std::list<TDialogFormEntry> Pages;
  std::list<TDialogFormEntry> Progress;
  std::vector<const TDialogFormClass*> ChangeDisk;
};

TFormRegistries& Registries() {
  static TFormRegistries* registries = new TFormRegistries;
  return *registries;
}

void Unregister(std::list<TDialogFormEntry>& list, TDialogFormEntry* entry) {
  list.remove_if([entry](const TDialogFormEntry& e) { return &e == entry; });
}

TDialogFormEntry* EntryAt(std::list<TDialogFormEntry>& list, int index) {
  auto it = list.begin();
  std::advance(it, index);
  return &*it;
}

// The session's mark of the running phase.
struct TCurrentDialogManager {
  TDialogManager* Manager = nullptr;
};

}  // namespace

TDialogPlace PlaceDialog(TBrimwellDialogPosition position, int32_t relativeLeftOffset,
                         int32_t relativeTopOffset, int32_t width, int32_t height,
                         const TScreenMetrics& screen) {
  using P = TBrimwellDialogPosition;
  TDialogPlace place;
  switch (position) {
    case P::qdpCenterLeft: case P::qdpBottomLeft: case P::qdpTopLeft:
      place.Left = relativeLeftOffset;
      break;
    case P::qdpCenter: case P::qdpBottomCenter: case P::qdpTopCenter:
      place.Left = Centred(screen.Width, width) + relativeLeftOffset;
      break;
    case P::qdpCenterRight: case P::qdpBottomRight: case P::qdpTopRight:
      place.Left = screen.Width - width - relativeLeftOffset;
      break;
  }
  switch (position) {
    case P::qdpCenterLeft: case P::qdpCenter: case P::qdpCenterRight:
      place.Top = Centred(screen.Height, height) + relativeTopOffset;
      break;
    case P::qdpTopLeft: case P::qdpTopCenter: case P::qdpTopRight:
      place.Top = relativeTopOffset;
      break;
    case P::qdpBottomLeft: case P::qdpBottomCenter: case P::qdpBottomRight:
      place.Top = screen.Height - screen.CaptionHeight - height - relativeTopOffset;
      break;
  }
  return place;
}

TBIFEntry* RegisterPageForm(const TDialogFormClass& formClass, TCustomBaseInstallDlg* dialog) {
  return &Registries().Pages.emplace_back(TDialogFormEntry{&formClass, dialog});
}

void UnregisterPageForm(TBIFEntry* entry) { Unregister(Registries().Pages, entry); }

int PageFormCount() { return static_cast<int>(Registries().Pages.size()); }

TBIFEntry* PageFormEntry(int index) {
  if (index < 0 || index > PageFormCount() - 1)
    throw IEDialogManager("%d is an invalid index in the BIFList", index);
  return EntryAt(Registries().Pages, index);
}

TDCFEntry* RegisterProgressForm(const TDialogFormClass& formClass, TCustomBaseInstallDlg* dialog) {
  return &Registries().Progress.emplace_back(TDialogFormEntry{&formClass, dialog});
}

void UnregisterProgressForm(TDCFEntry* entry) { Unregister(Registries().Progress, entry); }

int ProgressFormCount() { return static_cast<int>(Registries().Progress.size()); }

TDCFEntry* ProgressFormEntry(int index) {
  if (index < 0 || index > ProgressFormCount() - 1)
    throw IEDialogManager("%d is an invalid index in the DCFList", index);
  return EntryAt(Registries().Progress, index);
}

void RegisterChangeDiskForm(const TDialogFormClass& formClass) {
  Registries().ChangeDisk.push_back(&formClass);
}

void UnregisterChangeDiskForm(const TDialogFormClass& formClass) {
  std::erase(Registries().ChangeDisk, &formClass);
}

const std::vector<const TDialogFormClass*>& ChangeDiskFormClasses() {
  return Registries().ChangeDisk;
}

TDialogManager* CurrentDialogManager() {
  auto* state = CurrentSession().FindState<TCurrentDialogManager>();
  return state ? state->Manager : nullptr;
}

void SetCurrentDialogManager(TDialogManager* manager) {
  if (!manager && !CurrentSession().FindState<TCurrentDialogManager>()) return;
  CurrentSession().State<TCurrentDialogManager>().Manager = manager;
}

TDialogManager* FindDialogManager(TManagerType type) {
  IInstallation* installation = CurrentInstallation();
  if (!installation) return nullptr;
  TInstallContainer* root = &installation->RootContainer();
  for (TInstallContainer* container : InstallContainers().Containers())
    if (auto* manager = dynamic_cast<TDialogManager*>(container))
      if (manager->ManagerType == type && manager->Container() == root) return manager;
  return nullptr;
}

bool ConfirmUserAbort() {
  IInstallation* installation = CurrentInstallation();
  return installation ? installation->ConfirmUserAbort() : true;
}

// ---- TDialogManager ----

TDialogManager::TDialogManager(TComponent* owner) : TInstallObject(owner) {
  // A manager runs when its phase's code arrives, not with the container.
  ProcessWithContainer = false;
}

TDialogManager::~TDialogManager() { BeforeDestruction(); }

void TDialogManager::ReleaseOnDestroy() {
  TInstallObject::ReleaseOnDestroy();
  for (TCustomBaseInstallDlg* dialog : std::vector<TCustomBaseInstallDlg*>(dialogs_))
    dialog->DialogManager = nullptr;
  dialogs_.clear();
  if (CurrentDialogManager() == this) SetCurrentDialogManager(nullptr);
  // The progress forms belong to the application; they lose their manager.
  for (TBaseDuringCopyForm* form : progressForms_) form->Manager = nullptr;
  progressForms_.clear();
}

void TDialogManager::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove) std::erase(progressForms_, component);
  TInstallObject::Notification(component, operation);
}

void TDialogManager::HandleEvent(TInstallContainer* sender, int code, TPersistent* parameter) {
  using M = TManagerType;
  auto phase = [&](M type) { return ManagerType == type; };
  switch (code) {
    case bcBeforeInstallPhase:
      if (phase(M::dmBeforeInstall)) Execute();
      break;
    case bcAfterGoodInstallPhase:
      if (phase(M::dmAfterGoodInstall)) Execute();
      break;
    case bcAfterBadInstallPhase:
      if (phase(M::dmAfterBadInstall)) Execute();
      break;
    case bcRebootPhase:
      if (phase(M::dmReboot)) Execute();
      break;
    case bcFileStatus:
    case bcDownloadStatus: {
      if (!phase(M::dmDuringCopyFiles)) break;
      if (!parameter) throw IEDialogManager("%s got a nil PO parameter", Name());
      if (code == bcFileStatus) {
        auto* status = dynamic_cast<TFileStatusParameter*>(parameter);
        if (!status)
          throw IEDialogManager("The PO object passed to %s is not a TFileStatusParameter object", Name());
        DispatchStatus(status, nullptr);
      } else {
        auto* status = dynamic_cast<TDownloadStatusParameter*>(parameter);
        if (!status)
          throw IEDialogManager("The PO object passed to %s is not a TDownloadStatusParameter object",
                                Name());
        DispatchStatus(nullptr, status);
      }
      break;
    }
    case bcOperationEnded:
      if (phase(M::dmDuringCopyFiles)) CloseProgressForms();
      break;
    case bcNewDisk:
      if (phase(M::dmChangeDisk)) ShowChangeDisk(parameter);
      break;
    default:
      break;
  }
  TInstallObject::HandleEvent(sender, code, parameter);
}

void TDialogManager::Execute() {
  SetCurrentDialogManager(this);
  TBaseFormContainer* window = nullptr;
  auto end = [&] {
    SetCurrentDialogManager(nullptr);
    if (window) window->Free();
  };
  try {
    window = static_cast<TBaseFormContainer*>(CreateDialogForm<TBaseFormContainer>(&Application()));
    window->Position = TPosition::poDesigned;
    TDialogPlace place = PlaceDialog(Position, RelativeLeftOffset, RelativeTopOffset, Width, Height,
                                     Application().Windows().ScreenMetrics());
    window->SetBounds(place.Left, place.Top, Width, Height);
    if (window->BuildPages() > 0) {
      window->OpenFirstPage();
      if (window->ShowModal() == mrCancel) throw EAIUserAbort();
      if (TCustomForm* main = Application().MainForm()) main->Repaint();
      Application().ProcessMessages();
    }
  } catch (...) {
    end();
    throw;
  }
  end();
}

void TDialogManager::ShowChangeDisk(TPersistent* parameterObject) {
  const std::vector<const TDialogFormClass*>& classes = ChangeDiskFormClasses();
  if (classes.empty()) return;
  TCustomForm* created = classes.front()->Create(&Application());
  SetCurrentDialogManager(this);
  auto end = [&] {
    SetCurrentDialogManager(nullptr);
    created->Free();
  };
  try {
    auto* form = dynamic_cast<TBaseChangeDiskForm*>(created);
    if (!form || form->Manager != this) {
      end();
      return;
    }
    if (!parameterObject)
      throw IEDialogManager(
          "The ParameterObject is Nil in the TDialogManager. Cannot show the change disk form");
    auto* list = dynamic_cast<TParameterList*>(parameterObject);
    if (!list) throw IEDialogManager("TChangeDiskDlg--PO is not a TList object");
    if (list->Items.size() < 2)
      throw IEDialogManager("TChangeDiskDlg--Not engouh parameters for status event");
    auto* file = dynamic_cast<TCustomInstallFile*>(list->Items[0]);
    if (!file) throw IEDialogManager("TChangeDiskDlg says bad first parameter");
    auto* disk = dynamic_cast<TDiskParameter*>(list->Items[1]);
    if (!disk) throw IEDialogManager("TChangeDiskDlg says bad second parameter");
    // Tells the file that a dialog handled the request.
    file->SetTag(1);
    form->DiskParameter = disk;
    form->PrepareForShow();
    form->TranslateForm();
    if (form->ShowModal() == mrCancel) throw EAIUserAbort();
  } catch (...) {
    end();
    throw;
  }
  end();
}

void TDialogManager::OpenProgressForms() {
  std::vector<TDCFEntry> entries(Registries().Progress.begin(), Registries().Progress.end());
  for (const TDCFEntry& entry : entries) {
    TCustomForm* created = entry.FormClass->Create(&Application());
    auto* form = dynamic_cast<TBaseDuringCopyForm*>(created);
    if (!form || form->Manager != this) {
      created->Free();
      continue;
    }
    try {
      if (entry.Dialog) {
        entry.Dialog->Form = form;
        if (auto* copy = dynamic_cast<TCopyFileDlg*>(entry.Dialog)) {
          TDialogPlace place = PlaceDialog(copy->Position, copy->RelativeLeftOffset,
                                           copy->RelativeTopOffset, copy->Width, copy->Height,
                                           Application().Windows().ScreenMetrics());
          // The copy dialog's Width and Height are the window's, frame included.
          form->SetWindowBounds(place.Left, place.Top, copy->Width, copy->Height);
        }
      }
      form->PrepareForShow();
      form->TranslateForm();
      form->Show();
    } catch (...) {
      if (entry.Dialog && entry.Dialog->Form == form) entry.Dialog->Form = nullptr;
      form->Free();
      throw;
    }
    form->FreeNotification(this);
    progressForms_.push_back(form);
  }
}

void TDialogManager::DispatchStatus(TFileStatusParameter* fileStatus,
                                    TDownloadStatusParameter* downloadStatus) {
  if (progressForms_.empty()) OpenProgressForms();
  for (TBaseDuringCopyForm* form : std::vector<TBaseDuringCopyForm*>(progressForms_))
    form->UpdateStatus(fileStatus, downloadStatus);
}

void TDialogManager::CloseProgressForms() {
  std::vector<TBaseDuringCopyForm*> forms = std::move(progressForms_);
  progressForms_.clear();
  for (TBaseDuringCopyForm* form : forms) form->Close();
}

void TDialogManager::AddDialog(TCustomBaseInstallDlg* dialog) {
  if (!dialog) throw IEDialogManager("Cannot add a NIL Dialog to the Dialog Manager %s", Name());
  if (std::find(dialogs_.begin(), dialogs_.end(), dialog) == dialogs_.end()) dialogs_.push_back(dialog);
}

void TDialogManager::RemoveDialog(TCustomBaseInstallDlg* dialog) { std::erase(dialogs_, dialog); }

const TClassInfo& TDialogManager::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TDialogManager> b("TDialogManager", &TInstallObject::StaticClass());
    b.Creatable();
    PublishInstallProperty(b, "Container");
    b.Integer("Height", Field(&TDialogManager::Height), 395)
        .Enumeration("ManagerType", Field(&TDialogManager::ManagerType), ManagerTypeInfo,
                     static_cast<int64_t>(TManagerType::dmBeforeInstall))
        .Enumeration("Position", Field(&TDialogManager::Position), DialogPositionInfo,
                     static_cast<int64_t>(TBrimwellDialogPosition::qdpCenter))
        .Integer("RelativeLeftOffset", Field(&TDialogManager::RelativeLeftOffset))
        .Integer("RelativeTopOffset", Field(&TDialogManager::RelativeTopOffset))
        .Integer("Width", Field(&TDialogManager::Width), 478);
    return b.Build();
  }();
  return info;
}

}  // namespace brim

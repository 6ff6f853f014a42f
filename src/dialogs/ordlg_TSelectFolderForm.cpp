#include "dialogs/ordlg_TSelectFolderForm.h"

#include "common/routines_Strings.h"
#include "paths/cmp_TPathSpecifier.h"
#include "platform/Platform.h"
#include "shortcuts/cmp_TInstallShellLink.h"
#include "shortcuts/cmp_TProgramManager.h"
#include "system/routines_API.h"
#include "widgets/ExtCtrls.h"
#include "widgets/StdCtrls.h"

namespace brim {

const TClassInfo& TSelectFolderForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TSelectFolderForm>("TSelectFolderForm", &TBaseInstallForm::StaticClass())
          .Creatable()
          .Build();
  return info;
}

TSelectFolderForm::TSelectFolderForm(TComponent* owner)
    : TBaseInstallForm(owner, TManagerType::dmBeforeInstall) {
  Order = 60;
  Container = MainLinkGroup();
  AddHandler<void(TComponent*)>("FolderEditChange", [this](TComponent*) { FolderEditChanged(); });
  AddHandler<void(TComponent*)>("FolderListBoxClick", [this](TComponent*) { FolderListClicked(); });
  AddHandler<void(TComponent*)>("FormResize", [this](TComponent*) { Resized(); });
}

void TSelectFolderForm::FormCreated() {
  TBaseInstallForm::FormCreated();
  folderEdit_ = Control<TEdit>("FolderEdit");
  folderList_ = Control<TListBox>("FolderListBox");
}

TCustomShellLinkGroup* TSelectFolderForm::Group() const {
  return dynamic_cast<TCustomShellLinkGroup*>(Container);
}

bool TSelectFolderForm::ShouldSkip() { return Group() == nullptr; }

std::vector<std::string> ExistingProgramFolders() {
  std::vector<std::string> names;
  int platform = GetWindowsPlatform();
  if (platform == 1 || platform == 2) {
    std::string programs = RemoveTrailingBackslash(
        StandardPathSpecifier<TpsProgramMenu>()->GetPath(nullptr));
    for (const TFindEntry& e : PlatformFiles().FindFiles(programs + "\\*.*"))
      if ((e.Attributes & attrDirectory) && e.Name != "." && e.Name != "..") names.push_back(e.Name);
    return names;
  }
  TStringList groups;
  ProgramManager().GetGroups(groups);
  return groups.Lines();
}

void TSelectFolderForm::FillList() {
  if (!folderList_) return;
  folderList_->Items.Clear();
  // The list box keeps them sorted.
  for (const std::string& name : ExistingProgramFolders()) folderList_->Items.Add(name);
}

void TSelectFolderForm::PrepareForShow() {
  PrepareStandardPage(*this);
  FillList();
  std::string folder;
  if (TCustomShellLinkGroup* group = Group())
    if (dynamic_cast<TpsProgramMenu*>(group->DestDirType())) {
      std::string dir = RemoveTrailingBackslash(group->DestDir());
      folder = dir.substr(dir.find_last_of('\\') + 1);
    }
  if (folder.empty() && folderList_ && folderList_->Items.Count() > 0)
    folder = folderList_->Items.Strings(0);
  // A new text reaches the group through the edit's change.
  if (folderEdit_) folderEdit_->SetText(folder);
}

void TSelectFolderForm::FolderEditChanged() {
  TCustomShellLinkGroup* group = Group();
  if (!group || !folderEdit_) return;
  group->SetDestDirType(StandardPathSpecifier<TpsProgramMenu>());
  group->SetDestDir("\\" + folderEdit_->Text());
}

void TSelectFolderForm::FolderListClicked() {
  if (folderList_ && folderEdit_ && folderList_->ItemIndex() >= 0)
    folderEdit_->SetText(folderList_->Items.Strings(folderList_->ItemIndex()));
}

void TSelectFolderForm::Resized() {
  // The spacers keep their heights when the page is fitted to its host.
  const std::pair<const char*, int32_t> spacers[] = {
      {"lblSpacer1", 18}, {"lblSpacer3", 8}, {"lblSpacer4", 8}};
  for (const auto& [name, height] : spacers)
    if (auto* spacer = Control<TControl>(name)) spacer->Height = height;
}

}  // namespace brim

// TSelectFolderForm: the wizard page where the user names the Start-menu
// folder (or, before Windows 95 and NT 4, the Program Manager group) of a
// shell link group, normally the product's main program folder. The page
// offers the folders that exist and writes the group on every change of
// the folder name, the first fill included.
#pragma once

#include <string>
#include <vector>

#include "dialogs/ordlg_TBaseInstallForm.h"

namespace brim {

class TCustomShellLinkGroup;
class TEdit;
class TListBox;

class TSelectFolderForm : public TBaseInstallForm {
  BRIM_CLASS(TSelectFolderForm)

 public:
  static constexpr const char* ResourceName = "TSELECTFOLDERFORM";
  explicit TSelectFolderForm(TComponent* owner);

  void PrepareForShow() override;
  void FormCreated() override;
  // Skipped when there is no group to name.
  bool ShouldSkip() override;

  // The group the page edits: its Container when that is a shell link group.
  TCustomShellLinkGroup* Group() const;

 private:
  void FillList();
  void FolderEditChanged();
  void FolderListClicked();
  void Resized();

  TEdit* folderEdit_ = nullptr;
  TListBox* folderList_ = nullptr;
};

// The names of the program folders that exist: the subfolders of the Start
// menu's Programs folder on Windows 95 and NT 4 or later, Program Manager's
// groups on every other platform.
std::vector<std::string> ExistingProgramFolders();

}  // namespace brim

// TSelectFolderDlg: the program folder page of the wizard ("Select folder
// in start menu"). Its Container is the shell link group whose folder the
// user chooses, by default the product's main program folder. Without a
// dialog manager it runs on its own when its group is installed.
#pragma once

#include "dialogs/dlgcmp_TBaseDlg.h"

namespace brim {

class TCustomShellLinkGroup;

class TSelectFolderDlg : public TBaseInstallDlg {
  BRIM_CLASS(TSelectFolderDlg)

 public:
  // Takes the main program folder and registers the folder page of the
  // before-install phase for itself.
  explicit TSelectFolderDlg(TComponent* owner);

  // The group the page edits; a container of another kind is an error.
  TCustomShellLinkGroup* Group() const;

  const TDialogFormClass* FormClass() const override;
  // A page that has no group to edit cannot run.
  bool Run() override;
  // The standard page settings, then the page prepared as it will show,
  // without a way back.
  void AssignDialogProperties() override;

 protected:
  // The code its shell link group announces itself with.
  int StandaloneCode() const override { return -991; }
};

}  // namespace brim

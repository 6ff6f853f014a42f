#include "dialogs/dlgcmp_TSelectFolderDlg.h"

#include "dialogs/ordlg_TSelectFolderForm.h"
#include "shortcuts/cmp_TInstallShellLink.h"

namespace brim {

TSelectFolderDlg::TSelectFolderDlg(TComponent* owner) : TBaseInstallDlg(owner) {
  Order = 60;
  if (TMainLinkGroup* group = MainLinkGroup()) SetContainer(group);
  RegisterPage(TManagerType::dmBeforeInstall, *FormClass());
}

TCustomShellLinkGroup* TSelectFolderDlg::Group() const {
  if (!Container()) return nullptr;
  auto* group = dynamic_cast<TCustomShellLinkGroup*>(Container());
  if (!group) throw IEBaseInstallDlg("The container for %s must be a TCustomShellLinkGroup", Name());
  return group;
}

const TDialogFormClass* TSelectFolderDlg::FormClass() const {
  return &DialogFormClassOf<TSelectFolderForm>();
}

bool TSelectFolderDlg::Run() {
  if (!Group()) throw IEBaseInstallDlg("Cannot run this dialog %s with a blank Container property", Name());
  return TBaseInstallDlg::Run();
}

void TSelectFolderDlg::AssignDialogProperties() {
  TBaseInstallDlg::AssignDialogProperties();
  AssignStandardPageProperties();
  auto* page = dynamic_cast<TSelectFolderForm*>(Form);
  if (!page) return;
  page->PrepareForShow();
  // Shown alone or first, there is no page to go back to.
  if (auto* back = page->Control<TButton>("BackBtn")) back->Visible = false;
}

const TClassInfo& TSelectFolderDlg::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TSelectFolderDlg>("TSelectFolderDlg", &TBaseInstallDlg::StaticClass())
          .Creatable()
          // The folder page edits a shell link group.
          .Reference<TCustomShellLinkGroup>(
              "Container", Methods(&TInstallObject::Container, &TInstallObject::SetContainer))
          .Build();
  return info;
}

}  // namespace brim

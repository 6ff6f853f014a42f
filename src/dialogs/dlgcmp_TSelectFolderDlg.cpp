#include "dialogs/dlgcmp_TSelectFolderDlg.h"

#include "shortcuts/cmp_TInstallShellLink.h"

namespace brim {

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

#include "dialogs/dlgcmp_TInstallStatusDlg.h"

namespace brim {

const TClassInfo& TInstallStatusDlg::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TInstallStatusDlg> b("TInstallStatusDlg", &TCustomBaseInstallDlg::StaticClass());
    b.Creatable();
    PublishDialogProperties(b, {"AutoSetFont", "AutoTranslate", "Container",
                                "OverrideMainTranslator", "ThemeBitmap", "TranslateIntoLanguage"});
    return b.Build();
  }();
  return info;
}

}  // namespace brim

#include "dialogs/dlgcmp_TCopyFileDlg.h"

#include "dialogs/ordlg_TCopyFileForm.h"

namespace brim {

TCopyFileDlg::TCopyFileDlg(TComponent* owner) : TCustomBaseInstallDlg(owner) {
  RegisterProgress(TManagerType::dmDuringCopyFiles, *FormClass());
}

const TDialogFormClass* TCopyFileDlg::FormClass() const { return &DialogFormClassOf<TCopyFileForm>(); }

const TClassInfo& TCopyFileDlg::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TCopyFileDlg> b("TCopyFileDlg", &TCustomBaseInstallDlg::StaticClass());
    b.Creatable();
    PublishDialogProperties(b, {"AutoSetFont", "AutoTranslate", "Container", "DialogManager"});
    b.Integer("Height", Field(&TCopyFileDlg::Height), 146);
    PublishDialogProperty(b, "OverrideMainTranslator");
    b.Enumeration("Position", Field(&TCopyFileDlg::Position), DialogPositionInfo,
                  static_cast<int64_t>(TBrimwellDialogPosition::qdpBottomCenter))
        .Integer("RelativeLeftOffset", Field(&TCopyFileDlg::RelativeLeftOffset), 0)
        .Integer("RelativeTopOffset", Field(&TCopyFileDlg::RelativeTopOffset), 30);
    PublishDialogProperties(b, {"ThemeBitmap", "TranslateIntoLanguage"});
    b.Integer("Width", Field(&TCopyFileDlg::Width), 474);
    return b.Build();
  }();
  return info;
}

}  // namespace brim

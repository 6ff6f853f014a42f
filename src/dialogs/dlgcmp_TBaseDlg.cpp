#include "dialogs/dlgcmp_TBaseDlg.h"

#include "dialogs/ordlg_TBaseInstallForm.h"
#include "session/InstallSession.h"

namespace brim {

TCustomBaseInstallDlg::TCustomBaseInstallDlg(TComponent* owner) : TInstallObject(owner) {
  // Dialogs run when their phase comes, not with the container.
  ProcessWithContainer = false;
  Order = 0;
  InstallTypes = TInstallTypeSet{TInstallType::itFull, TInstallType::itDefault,
                                 TInstallType::itCompact, TInstallType::itCustom};
}

TCustomBaseInstallDlg::~TCustomBaseInstallDlg() {
  if (pageEntry_) UnregisterPageForm(pageEntry_);
  if (progressEntry_) UnregisterProgressForm(progressEntry_);
  if (DialogManager) DialogManager->RemoveDialog(this);
}

void TCustomBaseInstallDlg::RegisterPage(TManagerType managerType, const TDialogFormClass& formClass) {
  SetDialogManager(FindDialogManager(managerType));
  pageEntry_ = RegisterPageForm(formClass, this);
}

void TCustomBaseInstallDlg::RegisterProgress(TManagerType managerType,
                                             const TDialogFormClass& formClass) {
  SetDialogManager(FindDialogManager(managerType));
  progressEntry_ = RegisterProgressForm(formClass, this);
}

void TCustomBaseInstallDlg::SetDialogManager(TDialogManager* manager) {
  if (manager == DialogManager) return;
  TDialogManager* old = DialogManager;
  if (manager) manager->AddDialog(this);
  DialogManager = manager;
  if (old) old->RemoveDialog(this);
}

void TCustomBaseInstallDlg::AssignDialogProperties() {
  if (!Form)
    throw IEBaseInstallDlg("Cannot AssignDialogProperties for %s because the Dialog is Nil", Name());
  if (auto* form = dynamic_cast<TBaseBrimwellForm*>(Form)) {
    form->AutoSetFont = AutoSetFont;
    form->AutoTranslate = AutoTranslate;
    form->Container = Container();
    form->OverrideMainTranslator = OverrideMainTranslator;
    form->TranslateIntoLanguage = TranslateIntoLanguage;
  }
  if (auto* page = dynamic_cast<TBaseInstallForm*>(Form)) page->Dialog = this;
  Translate();
}

void TCustomBaseInstallDlg::AssignStandardPageProperties() {
  auto* page = dynamic_cast<TBaseInstallForm*>(Form);
  if (!page) return;
  if (auto* back = page->Control<TButton>("BackBtn")) back->Visible = false;
  if (auto* proceed = page->Control<TButton>("ProceedBtn")) proceed->ModalResult = mrOk;
  if (auto* finish = page->Control<TButton>("FinishBtn")) finish->ModalResult = mrOk;
  if (TImage* image = page->ThemeImage()) {
    if (!ThemeBitmap.Empty()) image->Picture.Assign(ThemeBitmap);
    else if (IInstallation* installation = CurrentInstallation())
      image->Picture.Assign(installation->DialogThemePicture());
  }
}

bool TCustomBaseInstallDlg::Execute() {
  try {
    if (OnBeforeExecute) OnBeforeExecute(this);
    bool result = Run();
    Application().ProcessMessages();
    if (OnAfterExecute) OnAfterExecute(this);
    return result;
  } catch (const EAbort&) {
    return false;
  }
}

bool TCustomBaseInstallDlg::Run() {
  if (!ShouldExecute()) return true;
  const TDialogFormClass* formClass = FormClass();
  if (!formClass) return true;
  TCustomForm* form = formClass->Create(&Application());
  Form = form;
  TModalResult result = mrNone;
  try {
    AssignDialogProperties();
    result = form->ShowModal();
  } catch (...) {
    Form = nullptr;
    form->Free();
    throw;
  }
  Form = nullptr;
  form->Free();
  if (result != mrOk) throw EAIUserAbort();
  return true;
}

void TCustomBaseInstallDlg::Translate() {
  if (!Form) return;
  TranslateDialogForm(*Form, AutoSetFont, AutoTranslate, OverrideMainTranslator,
                      TranslateIntoLanguage, TextLanguage);
}

void TCustomBaseInstallDlg::HandleEvent(TInstallContainer* sender, int code, TPersistent* parameter) {
  if (!DialogManager && code != 0 && code == StandaloneCode()) Execute();
  TInstallObject::HandleEvent(sender, code, parameter);
}

const TClassInfo& TCustomBaseInstallDlg::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomBaseInstallDlg>("TCustomBaseInstallDlg", &TInstallObject::StaticClass())
          .Build();
  return info;
}

const TClassInfo& TBaseInstallDlg::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TBaseInstallDlg> b("TBaseInstallDlg", &TCustomBaseInstallDlg::StaticClass());
    b.Creatable();
    PublishDialogProperties(b, {BRIM_PAGE_DIALOG_PROPERTIES});
    return b.Build();
  }();
  return info;
}

}  // namespace brim

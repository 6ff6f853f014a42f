#include "dialogs/ordlg_TBaseInstallForm.h"

#include "dialogs/dlgcmp_TBaseDlg.h"
#include "dialogs/ordlg_TBaseFormContainer.h"
#include "session/InstallSession.h"
#include "widgets/StdCtrls.h"

namespace brim {

namespace {
constexpr int32_t kAnsiCharset = 0;
}  // namespace

void TranslateDialogForm(TCustomForm& form, bool autoSetFont, bool autoTranslate,
                         bool overrideMainTranslator, TQmbxLanguage translateIntoLanguage,
                         TQmbxLanguage& textLanguage) {
  // A page knows the language its texts are in; a dialog component's own
  // record of it would be stale for the next form it makes.
  auto* page = dynamic_cast<TBaseBrimwellForm*>(&form);
  TQmbxLanguage language = page ? page->TextLanguage : textLanguage;
  if (autoSetFont) {
    if (overrideMainTranslator) ApplyFormFontsOf(translateIntoLanguage, &form);
    else ApplyFormFonts(&form);
  }
  if (autoTranslate)
    language = overrideMainTranslator ? TranslateFormInto(language, translateIntoLanguage, &form)
                                      : TranslateForm(language, &form);
  textLanguage = language;
  if (page) page->TextLanguage = language;
}

void LoadPictureResource(TImage* image, const std::string& resourceName) {
  if (!image) return;
  if (std::optional<std::string> bitmap = PlatformModule().LoadBitmapResource(resourceName))
    image->Picture.Bitmap().LoadFromBytes(*bitmap);
}

void AdoptDialogForm(TComponent& form, TComponent* owner) {
  if (!owner) return;
  if (!form.Name().empty() && owner->FindComponent(form.Name())) {
    std::string base = form.Name();
    int n = 1;
    while (owner->FindComponent(base + "_" + std::to_string(n))) ++n;
    form.SetName(base + "_" + std::to_string(n));
  }
  owner->InsertComponent(&form);
}

// ---- TBaseBrimwellForm ----

TBaseBrimwellForm::TBaseBrimwellForm(TComponent* owner) : TForm(owner) {
  Font().Charset = kAnsiCharset;
  FontChanged();
}

void TBaseBrimwellForm::TranslateForm() {
  TranslateDialogForm(*this, AutoSetFont, AutoTranslate, OverrideMainTranslator,
                      TranslateIntoLanguage, TextLanguage);
  Application().ProcessMessages();
}

TCustomForm* TBaseBrimwellForm::HostForm() const { return dynamic_cast<TCustomForm*>(Owner()); }

void TBaseBrimwellForm::FormCreated() {
  TCustomForm* host = HostForm();
  if (!host) return;
  Visible = false;
  BorderStyle = TFormBorderStyle::bsNone;
  BorderIcons = TBorderIcons{};
  SetBounds(0, 0, host->ClientWidth(), host->ClientHeight());
}

const TClassInfo& TBaseBrimwellForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TBaseBrimwellForm>("TBaseBrimwellForm", &TForm::StaticClass()).Build();
  return info;
}

// ---- TBaseInstallForm ----

TBaseInstallForm::TBaseInstallForm(TComponent* owner, TManagerType managerType)
    : TBaseBrimwellForm(owner) {
  Manager = FindDialogManager(managerType);
  AddHandler<void(TComponent*)>("BackBtnClick", [this](TComponent*) { PreviousPage(); });
  AddHandler<void(TComponent*)>("ProceedBtnClick", [this](TComponent*) { NextPage(); });
  AddHandler<void(TComponent*)>("FinishBtnClick", [this](TComponent*) { NextPage(); });
  AddHandler<void(TComponent*)>("CancelBtnClick", [this](TComponent*) { CancelPressed(); });
}

TBaseFormContainer* TBaseInstallForm::Host() const {
  return dynamic_cast<TBaseFormContainer*>(Owner());
}

void TBaseInstallForm::FormCreated() {
  TBaseBrimwellForm::FormCreated();
  if (TImage* image = ThemeImage(); image && image->Picture.Empty())
    if (IInstallation* installation = CurrentInstallation())
      image->Picture.Assign(installation->DialogThemePicture());
}

bool TBaseInstallForm::IsFirstPage() {
  TBaseFormContainer* host = Host();
  if (!host) return false;
  int index = host->IndexOfPage(this);
  for (int i = 0; i < index; ++i)
    if (!host->Pages(i)->ShouldSkip()) return false;
  return index >= 0;
}

bool TBaseInstallForm::IsLastPage() {
  TBaseFormContainer* host = Host();
  return host && host->PageCount() > 0 && host->IndexOfPage(this) == host->PageCount() - 1;
}

void TBaseInstallForm::CancelNow() {
  if (TBaseFormContainer* host = Host()) host->ModalResult = mrCancel;
  else ModalResult = mrCancel;
}

void TBaseInstallForm::NextPage() {
  if (TBaseFormContainer* host = Host()) host->NextPage();
}

void TBaseInstallForm::PreviousPage() {
  if (TBaseFormContainer* host = Host()) host->PreviousPage();
}

void TBaseInstallForm::ActivatePage() {
  if (!HostForm()) return;
  PrepareForShow();
  // The page in front is the one shown: the wizard hides the others.
  Visible = true;
}

void TBaseInstallForm::CancelPressed() {
  if (ConfirmUserAbort()) CancelNow();
}

TButton* TBaseInstallForm::AnswerButton() {
  TButton* proceed = Control<TButton>("ProceedBtn");
  if (proceed && proceed->Visible && proceed->Enabled) return proceed;
  return Control<TButton>("FinishBtn");
}

const TClassInfo& TBaseInstallForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TBaseInstallForm>("TBaseInstallForm", &TBaseBrimwellForm::StaticClass())
          .Integer("Order", Field(&TBaseInstallForm::Order), 0)
          .Build();
  return info;
}

void PrepareStandardPage(TBaseInstallForm& page) {
  if (auto* back = page.Control<TButton>("BackBtn")) back->Visible = !page.IsFirstPage();
  if (auto* proceed = page.Control<TButton>("ProceedBtn"); proceed && proceed->Visible && page.Visible)
    page.ActiveControl = proceed;
}

void PrepareClosingPage(TBaseInstallForm& page) {
  auto* proceed = page.Control<TButton>("ProceedBtn");
  auto* finish = page.Control<TButton>("FinishBtn");
  if (auto* back = page.Control<TButton>("BackBtn")) back->Visible = !page.IsFirstPage();
  if (proceed) proceed->Visible = !page.IsLastPage();
  if (finish) finish->Visible = !(proceed && proceed->Visible);
  if (proceed && proceed->Visible) page.ActiveControl = proceed;
  else if (finish && finish->Visible) page.ActiveControl = finish;
}

// ---- TBaseChangeDiskForm ----

TBaseChangeDiskForm::TBaseChangeDiskForm(TComponent* owner) : TBaseBrimwellForm(owner) {
  Manager = FindDialogManager(TManagerType::dmChangeDisk);
}

const TClassInfo& TBaseChangeDiskForm::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TBaseChangeDiskForm>("TBaseChangeDiskForm", &TBaseBrimwellForm::StaticClass())
          .Build();
  return info;
}

}  // namespace brim

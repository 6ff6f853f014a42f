// Dialog components: the settings an author chose for one installation
// dialog (its phase, order, side picture and translation). The component
// configures the dialog's form when the phase shows it, or runs the form
// on its own when it has no dialog manager.
#pragma once

#include "dialogs/dlgcmp_TBaseContainer.h"
#include "translation/cmp_TTranslator.h"

namespace brim {
class TCustomForm;
}

namespace brim {

using TDialogNotifyEvent = TEvent<void(TComponent* Sender)>;

BRIM_IEXCEPTION_CLASS(IEBaseInstallDlg, IException);

class TCustomBaseInstallDlg : public TInstallObject {
  BRIM_CLASS(TCustomBaseInstallDlg)

 public:
  explicit TCustomBaseInstallDlg(TComponent* owner);
  ~TCustomBaseInstallDlg() override;
  int RegisteredType() const override { return rtDialog; }

  // Copies the settings to the form (its translation settings, Container
  // and this dialog) and translates it. Fails when there is no form.
  virtual void AssignDialogProperties();
  // The standalone run: OnBeforeExecute, Run, pending messages,
  // OnAfterExecute. A silent abort gives false; other errors pass.
  virtual bool Execute();
  // Shows the form modally on its own: true at once when ShouldExecute is
  // false, true when it ends with OK; any other end raises EAIUserAbort.
  virtual bool Run();
  // The class of the form this dialog configures, or null.
  virtual const TDialogFormClass* FormClass() const { return nullptr; }
  virtual bool ShouldExecute() { return true; }
  // Translates the configured form with this dialog's settings.
  virtual void Translate();
  // A dialog without a manager runs on its own when this code arrives.
  void HandleEvent(TInstallContainer* sender, int code, TPersistent* parameter) override;

  // Tells the old manager and the new one.
  void SetDialogManager(TDialogManager* manager);
  TDialogManager* GetDialogManager() const { return DialogManager; }

  // The form while one is configured by this dialog.
  TCustomForm* Form = nullptr;

  // Apply the language's font to the form.
  bool AutoSetFont = true;
  // Translate the form's texts.
  bool AutoTranslate = true;
  // The phase that shows the page; set it through SetDialogManager.
  TDialogManager* DialogManager = nullptr;
  // Translate into TranslateIntoLanguage rather than the main translator's language.
  bool OverrideMainTranslator = false;
  // The picture in the page's left panel; empty: the installation's.
  TPicture ThemeBitmap;
  TQmbxLanguage TranslateIntoLanguage = TQmbxLanguage::qlUser;
  // The language the configured form's texts are in now.
  TQmbxLanguage TextLanguage = TQmbxLanguage::qlEnglish;

  TDialogNotifyEvent OnAfterExecute;
  TDialogNotifyEvent OnBeforeExecute;

 protected:
  // The broadcast code on which a dialog without a manager runs; 0: none.
  virtual int StandaloneCode() const { return 0; }
  // Takes the default manager of the phase and registers the form class
  // as a page of it, naming this dialog; the entry goes with the dialog.
  void RegisterPage(TManagerType managerType, const TDialogFormClass& formClass);
  // The same for a progress form.
  void RegisterProgress(TManagerType managerType, const TDialogFormClass& formClass);
  // What the standard page dialogs add: BackBtn hidden, ProceedBtn and
  // FinishBtn end a standalone run with OK, the theme picture.
  void AssignStandardPageProperties();

 private:
  TDialogFormEntry* pageEntry_ = nullptr;
  TDialogFormEntry* progressEntry_ = nullptr;
};

class TBaseInstallDlg : public TCustomBaseInstallDlg {
  BRIM_CLASS(TBaseInstallDlg)

 public:
  explicit TBaseInstallDlg(TComponent* owner) : TCustomBaseInstallDlg(owner) {}
};

// Adds a dialog property or event by name with its declared default; the
// dialog classes publish different selections.
template <class T>
void PublishDialogProperty(TClassBuilder<T>& b, std::string_view name) {
  using D = TCustomBaseInstallDlg;
  if (name == "AutoSetFont") b.Boolean("AutoSetFont", Field(&D::AutoSetFont), true);
  else if (name == "AutoTranslate") b.Boolean("AutoTranslate", Field(&D::AutoTranslate), true);
  else if (name == "DialogManager")
    b.template Reference<TDialogManager>(
        "DialogManager", Methods(&D::GetDialogManager, &D::SetDialogManager));
  else if (name == "OverrideMainTranslator")
    b.Boolean("OverrideMainTranslator", Field(&D::OverrideMainTranslator));
  else if (name == "ThemeBitmap") b.Object("ThemeBitmap", [](T& d) { return &d.ThemeBitmap; });
  else if (name == "TranslateIntoLanguage")
    b.Enumeration("TranslateIntoLanguage", Field(&D::TranslateIntoLanguage), QmbxLanguageInfo,
                  static_cast<int64_t>(TQmbxLanguage::qlUser));
  else if (name == "OnAfterExecute") b.Event("OnAfterExecute", &D::OnAfterExecute);
  else if (name == "OnBeforeExecute") b.Event("OnBeforeExecute", &D::OnBeforeExecute);
  else PublishInstallProperty(b, name);
}

template <class T>
void PublishDialogProperties(TClassBuilder<T>& b, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names) PublishDialogProperty(b, n);
}

// What the page dialogs publish, in order.
#define BRIM_PAGE_DIALOG_PROPERTIES                                                      \
  "AutoSetFont", "AutoTranslate", "Container", "DialogManager", "Order",                 \
      "OverrideMainTranslator", "ThemeBitmap", "TranslateIntoLanguage", "OnAfterExecute", \
      "OnBeforeExecute"

}  // namespace brim

// The bases of the dialog forms. TBaseBrimwellForm carries the translation
// settings a dialog component copies to its form; TBaseInstallForm is a
// wizard page: it knows its phase's manager, its Order and its dialog
// component, and moves through the wizard window that hosts it (or, shown
// alone, ends its own modal loop). The standard pages' buttons are BackBtn,
// ProceedBtn, FinishBtn (closing pages) and CancelBtn.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/dlgcmp_TBaseContainer.h"
#include "objects/FormLoader.h"
#include "translation/cmp_TTranslator.h"
#include "widgets/Buttons.h"
#include "widgets/ExtCtrls.h"
#include "widgets/Forms.h"

namespace brim {

class TBaseFormContainer;
class TCustomBaseInstallDlg;
class TDiskParameter;

// Applies the translation settings to a form: the language's font when
// autoSetFont, its texts when autoTranslate (textLanguage is the language
// the texts are in, and becomes the one they are in afterwards).
void TranslateDialogForm(TCustomForm& form, bool autoSetFont, bool autoTranslate,
                         bool overrideMainTranslator, TQmbxLanguage translateIntoLanguage,
                         TQmbxLanguage& textLanguage);

class TBaseBrimwellForm : public TForm {
  BRIM_CLASS(TBaseBrimwellForm)

 public:
  explicit TBaseBrimwellForm(TComponent* owner);

  bool AutoSetFont = true;
  bool AutoTranslate = true;
  // The install object the form edits.
  TInstallContainer* Container = nullptr;
  bool OverrideMainTranslator = false;
  TQmbxLanguage TranslateIntoLanguage = TQmbxLanguage::qlUser;
  // The language the form's texts are in now; forms are designed in English.
  TQmbxLanguage TextLanguage = TQmbxLanguage::qlEnglish;

  virtual void UpdateTranslation() { TranslateForm(); }
  // Sets the form's controls up for showing; pages show or hide their buttons.
  virtual void PrepareForShow() {}
  // Translates with the form's own settings, then lets pending messages run.
  virtual void TranslateForm();

  // Called once the form's stream is read: a form owned by another form
  // becomes a hidden, borderless child of it, sized to its client area.
  virtual void FormCreated();
  // The form's control of that name and class, or null.
  template <class T>
  T* Control(const std::string& name) const {
    return dynamic_cast<T*>(FindComponent(name));
  }
  // The form that owns this one when it is hosted, else null.
  TCustomForm* HostForm() const;
};

class TBaseInstallForm : public TBaseBrimwellForm {
  BRIM_CLASS(TBaseInstallForm)

 public:
  // Finds the manager of its phase among the installation's.
  TBaseInstallForm(TComponent* owner, TManagerType managerType);
  explicit TBaseInstallForm(TComponent* owner)
      : TBaseInstallForm(owner, TManagerType::dmBeforeInstall) {}

  int32_t Order = 0;
  TDialogManager* Manager = nullptr;
  // The dialog component that configures the page; null for a default page.
  TCustomBaseInstallDlg* Dialog = nullptr;

  // Hosted: every earlier page is skipped.
  virtual bool IsFirstPage();
  // Hosted: the page is the last of the wizard's list.
  virtual bool IsLastPage();
  virtual void LeavePage() {}
  // Ends the wizard's modal loop (or, shown alone, the form's) with Cancel.
  virtual void CancelNow();
  virtual void NextPage();
  virtual void PreviousPage();
  // Hosted: prepares the page and brings it to the front.
  virtual void ActivatePage();
  virtual bool ShouldSkip() { return false; }
  // Cancels when the installation allows the user's abort.
  virtual void CancelPressed();

  // ProceedBtn when it can be pressed, else FinishBtn.
  TButton* AnswerButton() override;
  void FormCreated() override;
  TBaseFormContainer* Host() const;

  // The side picture of the page, or null.
  TImage* ThemeImage() const { return Control<TImage>("ThemeImage"); }
};

// PrepareForShow of the standard pages: BackBtn only where there is a page
// to go back to, the focus on ProceedBtn.
void PrepareStandardPage(TBaseInstallForm& page);
// PrepareForShow of the closing pages: as the standard pages, and on the
// last page FinishBtn in place of ProceedBtn.
void PrepareClosingPage(TBaseInstallForm& page);

// A form registered for the change-disk phase: it takes the disk asked for
// and ends modally with OK or Cancel.
class TBaseChangeDiskForm : public TBaseBrimwellForm {
  BRIM_CLASS(TBaseChangeDiskForm)

 public:
  explicit TBaseChangeDiskForm(TComponent* owner);

  TDialogManager* Manager = nullptr;
  TDiskParameter* DiskParameter = nullptr;
};

// Shows the program's bitmap resource of that name in the image, when
// both are there.
void LoadPictureResource(TImage* image, const std::string& resourceName);

// Gives a form read without an owner to its owner; a name the owner
// already holds (a second page or progress window of one class) gets the
// suffix "_N" that makes it unique.
void AdoptDialogForm(TComponent& form, TComponent* owner);

// Makes a form of class T: the stream of its resource (T::ResourceName) is
// read into it; a form with FormCreated is then told it was created. The
// form is freed when that fails.
template <class T>
TCustomForm* CreateDialogForm(TComponent* owner) {
  T* form = new T(nullptr);
  try {
    if constexpr (requires { T::ResourceName; }) ReadFormResource(*form, T::ResourceName);
    AdoptDialogForm(*form, owner);
    if constexpr (requires { form->FormCreated(); }) form->FormCreated();
  } catch (...) {
    form->Free();
    throw;
  }
  return form;
}

// The registry's class of form class T.
template <class T>
const TDialogFormClass& DialogFormClassOf() {
  static const TDialogFormClass formClass{T::StaticClass().ClassName, &CreateDialogForm<T>};
  return formClass;
}

}  // namespace brim

// What the dialog tests share: the program's dialog forms and a test page
// made of the welcome page's text, a headless window service, a front end that presses the
// buttons a test names and notes what each page showed, and a test page
// with its own dialog component, whose Order and skipping a test chooses.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dialogs/dlgcmp_TBaseDlg.h"
#include "dialogs/ordlg_TBaseFormContainer.h"
#include "engine/DefinitionTestForm.h"
#include "platform/HeadlessWindows.h"
#include "platform/PlatformServices.h"
#include "session/InstallSession.h"
#include "widgets/UserInterface.h"

namespace brim::test {

// The running program's module, which also has the resource TTESTPAGE: the
// text of the welcome page (src/forms/TWELCOMEFORM.txt) as a TTestPage.
class TFormTextModule : public IModuleService {
 public:
  explicit TFormTextModule(IModuleService& inner) : inner_(inner) {}
  std::string ModuleFileName() override { return inner_.ModuleFileName(); }
  std::optional<std::string> LoadResource(const std::string& name) override;
  std::optional<std::string> LoadBitmapResource(const std::string& name) override {
    return inner_.LoadBitmapResource(name);
  }
  std::optional<std::string> CommandLine() override { return inner_.CommandLine(); }

 private:
  IModuleService& inner_;
};

// Presses the named buttons of the modal form (of the wizard's current
// page) one after the other; "close" asks the form to close as Alt+F4
// does, "back!" calls the wizard's Back whether or not the page shows the
// button. Before each press it notes the form's caption and the visible
// buttons: "Welcome <Next Cancel>". A form still open when the presses
// run out ends with mrAbort and the note "(no answer) " before the last
// page's note.
class TScriptedUserInterface : public IUserInterface {
 public:
  void FormShown(TCustomForm& form) override;
  void FormHidden(TCustomForm&) override {}
  void FormChanged(TCustomForm&) override {}
  void RunModal(TCustomForm& form) override;
  void FormDestroyed(TCustomForm&) override {}

  std::vector<std::string> Presses;
  std::vector<std::string> Trace;
  // The captions of the forms shown, modal or not.
  std::vector<std::string> Shown;
};

// The caption and visible buttons of a form as the trace notes them.
std::string PageNote(TCustomForm& form);

// A page whose Order and skipping come from its dialog component.
class TTestPage : public TBaseInstallForm {
  BRIM_CLASS(TTestPage)

 public:
  static constexpr const char* ResourceName = "TTESTPAGE";
  explicit TTestPage(TComponent* owner) : TBaseInstallForm(owner, TManagerType::dmBeforeInstall) {}
  bool ShouldSkip() override;
  void PrepareForShow() override { PrepareStandardPage(*this); }
};

// Registers a TTestPage for itself; the page's caption is the dialog's name.
class TTestPageDlg : public TBaseInstallDlg {
  BRIM_CLASS(TTestPageDlg)

 public:
  explicit TTestPageDlg(TComponent* owner);
  const TDialogFormClass* FormClass() const override;
  void AssignDialogProperties() override;
  bool ShouldExecute() override { return Execute_; }

  bool Skip = false;
  bool Execute_ = true;
};

// A session, the forms' texts, headless windows and the scripted front
// end for each test; Load reads a definition on a form with them.
class DialogTest : public testing::Test {
 protected:
  DialogTest();
  ~DialogTest() override;

  // Loads the components on a form and keeps it.
  void Load(const std::string& components, std::map<std::string, std::any> handlers = {});
  template <class T>
  T* Find(const std::string& name) const {
    return form_->Find<T>(name);
  }
  TInstallContainer& Install() const;
  // A test page dialog of the before-install manager "Before".
  TTestPageDlg* AddTestPage(const std::string& name, int32_t order);

  TInstallSession session_;
  TFormTextModule module_;
  TScopedPlatformServices services_;
  THeadlessWindowService windows_;
  TScriptedUserInterface ui_;
  TUserInterfaceGuard guard_{ui_};
  std::unique_ptr<TDefinitionTestMainForm> form_;
  int applicationComponents_ = 0;
};

}  // namespace brim::test

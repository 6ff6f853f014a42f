// How the forms meet the user: the front end that shows a form, runs its
// modal loop and tells the user what changed on it. The front end is
// chosen once per program by BRIMWELL_UI (see UserInterfaceMode): real
// windows on win32, a printed page and a typed answer on a console, the
// answers of a script, or an unattended run that presses each form's
// answer button.
//
// The widget tree (TCustomForm and its controls) is the truth; a front end
// only shows it and feeds the user's actions back into it (a button's
// Click, an edit's text, a list's item index).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ComService.h"
#include "platform/HeadlessWindows.h"
#include "platform/WindowService.h"

namespace brim {

class TCustomForm;

class IUserInterface {
 public:
  virtual ~IUserInterface() = default;
  // The form became visible: modeless, or just before its modal loop.
  virtual void FormShown(TCustomForm& form) = 0;
  virtual void FormHidden(TCustomForm& form) = 0;
  // The form's content changed and is to be shown again now (a progress
  // bar moved, a status text changed, a wizard page was activated).
  virtual void FormChanged(TCustomForm& form) = 0;
  // The modal loop: returns once form.ModalResult is not mrNone. The form
  // is visible when it starts.
  virtual void RunModal(TCustomForm& form) = 0;
  // The form is being destroyed: the front end forgets it.
  virtual void FormDestroyed(TCustomForm& form) = 0;
  // Lets the user pick a folder: by default the platform's folder browser
  // (PlatformCom().BrowseForFolder); where the platform has none, the
  // result says nothing was chosen.
  virtual TFolderBrowserResult BrowseForFolder(const TFolderBrowserOptions& options);
};

// The front end of this program: the one set by a TUserInterfaceGuard, else
// the one BRIMWELL_UI selects.
IUserInterface& UserInterface();

// The front end a setting of BRIMWELL_UI selects, on the program's stderr
// and stdin: unset, the platform's own (windows where there is a screen;
// else the console when stdin is a terminal, auto otherwise); auto and an
// invalid setting, a script without statements; script:FILE, the
// program's answer script (read when the first page needs it); console,
// the console.
std::unique_ptr<IUserInterface> UserInterfaceFor(const TUserInterfaceMode& mode);

// Replaces the front end while the guard lives (tests, a program that
// chooses its own).
class TUserInterfaceGuard {
 public:
  explicit TUserInterfaceGuard(IUserInterface& ui);
  ~TUserInterfaceGuard();
  TUserInterfaceGuard(const TUserInterfaceGuard&) = delete;
  TUserInterfaceGuard& operator=(const TUserInterfaceGuard&) = delete;

 private:
  IUserInterface* previous_;
};

// The unattended front end: a modal form is answered by pressing its
// answer button (TCustomForm::AnswerButton) until it has a modal result.
// A form without an answer button ends with mrCancel.
class TUnattendedUserInterface : public IUserInterface {
 public:
  void FormShown(TCustomForm&) override {}
  void FormHidden(TCustomForm&) override {}
  void FormChanged(TCustomForm&) override {}
  void RunModal(TCustomForm& form) override;
  void FormDestroyed(TCustomForm&) override {}
  // Nobody is there to pick a folder: cancelled, without opening anything.
  TFolderBrowserResult BrowseForFolder(const TFolderBrowserOptions&) override { return {}; }
};

// The passive front end: the forms that have windows of their own (the
// progress and status windows) are shown by the front end it wraps; a
// modal form (a page, a question) is never shown and is answered as the
// unattended front end answers it.
class TPassiveUserInterface : public IUserInterface {
 public:
  explicit TPassiveUserInterface(std::unique_ptr<IUserInterface> shows)
      : shows_(std::move(shows)) {}
  void FormShown(TCustomForm& form) override;
  void FormHidden(TCustomForm& form) override;
  void FormChanged(TCustomForm& form) override;
  void RunModal(TCustomForm& form) override { unattended_.RunModal(form); }
  void FormDestroyed(TCustomForm& form) override { shows_->FormDestroyed(form); }
  TFolderBrowserResult BrowseForFolder(const TFolderBrowserOptions&) override { return {}; }

 private:
  std::unique_ptr<IUserInterface> shows_;
  TUnattendedUserInterface unattended_;
};

// The front end of a deployment while it lives. Quiet: no window at all,
// the forms held as records. Passive: the platform's windows for the
// progress only. Either way every page and message box takes its default
// answer, and the text of each message box goes to report.
class TDeploymentFrontEnd {
 public:
  TDeploymentFrontEnd(bool quiet, std::function<void(const std::string& text)> report);
  ~TDeploymentFrontEnd();
  TDeploymentFrontEnd(const TDeploymentFrontEnd&) = delete;
  TDeploymentFrontEnd& operator=(const TDeploymentFrontEnd&) = delete;

 private:
  class TAnsweringWindows;
  std::unique_ptr<IWindowService> windows_;
  std::unique_ptr<IUserInterface> ui_;
  std::unique_ptr<TUserInterfaceGuard> guard_;
};

}  // namespace brim

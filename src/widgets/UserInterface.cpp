#include "widgets/UserInterface.h"

#include "platform/PlatformServices.h"
#include "widgets/Forms.h"
#include "widgets/StdCtrls.h"
#include "widgets/WindowsUserInterface.h"

namespace brim {

namespace {
IUserInterface* replaced = nullptr;
}  // namespace

IUserInterface& UserInterface() {
  if (replaced) return *replaced;
  static TWindowsUserInterface windows;
  if (UserInterfaceMode().Kind == TUserInterfaceKind::Native && PlatformWindows().OnScreen()) return windows;
  static TUnattendedUserInterface unattended;
  return unattended;
}

TFolderBrowserResult IUserInterface::BrowseForFolder(const TFolderBrowserOptions& options) {
  if (!PlatformServices().Com) return {};
  return PlatformCom().BrowseForFolder(options).value_or(TFolderBrowserResult{});
}

TUserInterfaceGuard::TUserInterfaceGuard(IUserInterface& ui) : previous_(replaced) { replaced = &ui; }
TUserInterfaceGuard::~TUserInterfaceGuard() { replaced = previous_; }

void TUnattendedUserInterface::RunModal(TCustomForm& form) {
  // Each press may move to another page with its own answer. A form
  // that no number of presses ends would hang an unattended run: cancel it.
  for (int presses = 0; form.ModalResult == mrNone; ++presses) {
    TButton* answer = form.AnswerButton();
    if (!answer || presses > 1000) {
      form.ModalResult = mrCancel;
      break;
    }
    answer->Click();
  }
}

}  // namespace brim

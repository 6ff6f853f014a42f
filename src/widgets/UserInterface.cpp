#include "widgets/UserInterface.h"

#include <memory>

#include "platform/PlatformServices.h"
#include "platform/TextMessageBox.h"
#include "widgets/Forms.h"
#include "widgets/StdCtrls.h"
#include "widgets/TextUserInterface.h"
#include "widgets/WindowsUserInterface.h"

namespace brim {

namespace {

IUserInterface* replaced = nullptr;

// The front end of BRIMWELL_UI unset.
std::unique_ptr<IUserInterface> NativeUserInterface() {
  // Real windows where the platform has a screen.
  if (PlatformWindows().OnScreen()) return std::make_unique<TWindowsUserInterface>();
  // Without a screen a person at a terminal gets the console.
  if (StandardInputIsTerminal()) return std::make_unique<TConsoleUserInterface>(StandardTextConsole());
  return std::make_unique<TScriptUserInterface>(nullptr, StandardTextConsole());
}

}  // namespace

std::unique_ptr<IUserInterface> UserInterfaceFor(const TUserInterfaceMode& mode) {
  switch (mode.Kind) {
    case TUserInterfaceKind::Native:
      return NativeUserInterface();
    case TUserInterfaceKind::Console:
      return std::make_unique<TConsoleUserInterface>(StandardTextConsole());
    case TUserInterfaceKind::Script:
      return std::make_unique<TScriptUserInterface>([] { return &ProgramAnswerScript(); },
                                                    StandardTextConsole());
    case TUserInterfaceKind::Auto:
    case TUserInterfaceKind::Invalid:
      break;
  }
  return std::make_unique<TScriptUserInterface>(nullptr, StandardTextConsole());
}

IUserInterface& UserInterface() {
  if (replaced) return *replaced;
  static std::unique_ptr<IUserInterface> chosen = UserInterfaceFor(UserInterfaceMode());
  return *chosen;
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

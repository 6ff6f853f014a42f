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

void TPassiveUserInterface::FormShown(TCustomForm& form) {
  // Show made the window of a form that is not modal before this call.
  if (form.Window()) shows_->FormShown(form);
}

void TPassiveUserInterface::FormHidden(TCustomForm& form) {
  if (form.Window()) shows_->FormHidden(form);
}

void TPassiveUserInterface::FormChanged(TCustomForm& form) {
  if (form.Window()) shows_->FormChanged(form);
}

// The platform's windows, with message boxes that answer themselves.
class TDeploymentFrontEnd::TAnsweringWindows : public IWindowService {
 public:
  TAnsweringWindows(IWindowService& windows, TTextConsole console)
      : windows_(windows), console_(std::move(console)) {}
  std::unique_ptr<IWindow> CreateWindow(const std::string& caption, const TWindowBounds& bounds,
                                        TWindowCallbacks callbacks) override {
    return windows_.CreateWindow(caption, bounds, std::move(callbacks));
  }
  TMessageStep ProcessMessage(bool wait) override { return windows_.ProcessMessage(wait); }
  void PostQuit(int exitCode) override { windows_.PostQuit(exitCode); }
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) override {
    return TextMessageBox(text, caption, flags, TUserInterfaceKind::Auto, console_);
  }
  TScreenMetrics ScreenMetrics() override { return windows_.ScreenMetrics(); }
  bool OnScreen() const override { return windows_.OnScreen(); }

 private:
  IWindowService& windows_;
  TTextConsole console_;
};

TDeploymentFrontEnd::TDeploymentFrontEnd(bool quiet,
                                         std::function<void(const std::string& text)> report) {
  TTextConsole console;
  console.Write = [report = std::move(report)](const std::string& text) {
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (!line.empty()) report(line);
  };
  console.ReadLine = [] { return std::optional<std::string>(); };
  if (quiet) {
    windows_ = std::make_unique<THeadlessWindowService>(TUserInterfaceKind::Auto, console);
    ui_ = std::make_unique<TUnattendedUserInterface>();
  } else {
    windows_ = std::make_unique<TAnsweringWindows>(PlatformWindows(), console);
    ui_ = std::make_unique<TPassiveUserInterface>(UserInterfaceFor(UserInterfaceMode()));
  }
  Application().SetWindows(windows_.get());
  guard_ = std::make_unique<TUserInterfaceGuard>(*ui_);
}

TDeploymentFrontEnd::~TDeploymentFrontEnd() {
  guard_.reset();
  Application().SetWindows(nullptr);
}

}  // namespace brim

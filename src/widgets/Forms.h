// Forms: the windows that a stream's root describes (the main window of
// the setup program, the wizard window and its pages). A form created
// without an owner is the root of its stream: it owns every component of
// the stream and writes, after its child controls, the owned components
// that have no parent. Event names in a stream resolve through the form's
// own table of handlers.
//
// A form gets its window from the platform's window service when it is
// first shown; the window tells the form when it becomes active and when
// the user closes it. TApplication is the program: it creates the forms
// (the first is the main form), runs the message loop until it is
// terminated and routes the exceptions that escape the loop.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "widgets/Controls.h"
#include "widgets/UserInterface.h"

namespace brim {

class TButton;

enum class TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum class TPosition {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly,
  poScreenCenter, poDesktopCenter, poMainFormCenter, poOwnerFormCenter
};
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
extern const TEnumInfo BorderIconInfo;
extern const TEnumInfo FormBorderStyleInfo;
extern const TEnumInfo FormStyleInfo;
extern const TEnumInfo PositionInfo;
extern const TEnumInfo WindowStateInfo;

using TCloseEvent = TEvent<void(TComponent* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TEvent<void(TComponent* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
  BRIM_CLASS(TCustomForm)

 public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;
  bool IsModuleRoot() const override { return true; }

  // The size of the form's client area. A form without a window has no
  // frame, so it is the form's size; a form whose stream gave the client
  // size writes that instead of Width and Height, so the window built for
  // it gets the client area the stream asked for.
  int32_t ClientWidth() const { return Width; }
  void SetClientWidth(int32_t value);
  int32_t ClientHeight() const { return Height; }
  void SetClientHeight(int32_t value);
  bool ClientSizeGiven() const { return clientSizeGiven_; }
  // Places the form with the size of its whole window, frame included, as
  // a dialog component gives it; the client area is what the frame leaves.
  void SetWindowBounds(int32_t left, int32_t top, int32_t width, int32_t height);

  TWinControl* ActiveControl = nullptr;
  TBorderIcons BorderIcons{TBorderIcon::biSystemMenu, TBorderIcon::biMinimize, TBorderIcon::biMaximize};
  TFormBorderStyle BorderStyle = TFormBorderStyle::bsSizeable;
  TFormStyle FormStyle = TFormStyle::fsNormal;
  TIcon Icon;
  bool KeyPreview = false;
  bool OldCreateOrder = false;
  int32_t PixelsPerInch = 96;
  TPosition Position = TPosition::poDesigned;
  bool Scaled = true;
  int32_t TextHeight = 13;
  TWindowState WindowState = TWindowState::wsNormal;
  // The result the form's modal loop ends with; mrNone while it runs.
  TModalResult ModalResult = mrNone;

  // The window: made when the form is first shown, with the form's
  // caption and bounds; null before.
  IWindow* Window() const { return window_.get(); }
  // Makes the window (hidden) when there is none yet; raises
  // EOutOfResources when the platform makes none.
  IWindow* EnsureWindow();
  // Shows the form and makes it the active window; a form placed on
  // another control shows on its host's window and gets none of its own.
  void Show();
  // Shows the form and runs its modal loop through the user interface
  // until ModalResult is set; hides the form and returns the result.
  TModalResult ShowModal();
  // The button an unattended run presses on this form: the visible,
  // enabled default button, or null. Forms that host pages answer with
  // the page's button.
  virtual TButton* AnswerButton();
  void Hide();
  // Asks the form to close: OnCloseQuery may refuse and OnClose may choose
  // caNone. Closing the main form terminates the application; another form
  // is hidden.
  void Close();
  // The form became the active window: raises OnActivate.
  virtual void Activate();
  // Sets WindowState; a window that exists is maximised or restored.
  void SetWindowState(TWindowState state);
  // Moves the window too, once there is one.
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
  void Repaint();
  // Destroys the window with the form.
  void BeforeDestruction() override;

  TNotifyEvent OnActivate;
  TNotifyEvent OnCreate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnPaint;
  TNotifyEvent OnResize;
  TNotifyEvent OnShow;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  // The root writes its child controls, then its owned components
  // without a parent.
  std::vector<TComponent*> GetChildren(TComponent* root) const override;
  const std::any* FindHandler(const std::string& name) const override;

 protected:
  // Offers a handler to the stream under a name (compared without regard
  // to case); Sig is the event's signature.
  template <class Sig>
  void AddHandler(const std::string& name, std::function<Sig> handler) {
    handlers_.emplace_back(name, std::any(std::move(handler)));
  }

 private:
  bool clientSizeGiven_ = false;
  std::vector<std::pair<std::string, std::any>> handlers_;
  std::unique_ptr<IWindow> window_;
};

class TForm : public TCustomForm {
  BRIM_CLASS(TForm)

 public:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

// A root without a window: it holds the non-visual components of a stream.
class TDataModule : public TComponent {
  BRIM_CLASS(TDataModule)

 public:
  explicit TDataModule(TComponent* owner) : TComponent(owner) {}
  bool IsModuleRoot() const override { return true; }
};

// Whether the component is a form or a data module, the roots that may
// own install components.
bool IsFormOrDataModule(const TComponent* component);

BRIM_EXCEPTION_CLASS(EResNotFound, Exception);
BRIM_EXCEPTION_CLASS(EOutOfResources, Exception);

// Reads a form's stream from the RT_RCDATA resource of that name of the
// running program into the form.
void ReadFormResource(TComponent& form, const std::string& resourceName);

// An exception that escaped the message loop, with the component that was
// running it.
using TExceptionEvent = TEvent<void(TComponent* Sender, const Exception& E)>;

class TApplication : public TComponent {
  BRIM_CLASS(TApplication)

 public:
  explicit TApplication(TComponent* owner) : TComponent(owner) {}

  // Prepares a run: installs the message pump that long operations call
  // and checks BRIMWELL_UI. Clears a previous termination.
  void Initialize();

  // Creates a form owned by the application. A form class that names its
  // resource (T::ResourceName) reads its stream from it; if that fails the
  // form is freed and the error passes on. The first form is the main form.
  template <class T>
  T* CreateForm() {
    T* form = new T(this);
    try {
      if constexpr (requires { T::ResourceName; }) ReadFormResource(*form, T::ResourceName);
    } catch (...) {
      form->Free();
      throw;
    }
    if constexpr (std::is_base_of_v<TCustomForm, T>)
      if (!mainForm_) mainForm_ = form;
    return form;
  }
  TCustomForm* MainForm() const { return mainForm_; }
  // Run shows the main form first (false keeps it hidden).
  bool ShowMainForm = true;

  // Shows the main form and handles messages until the application is
  // terminated. Exceptions that escape a message go to HandleException.
  // Without a main form, or when already terminated, it returns at once.
  void Run();
  // Ends the message loop (and any loop waiting for messages).
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Waits for one message and handles it.
  void HandleMessage();
  // Handles the pending messages without waiting.
  void ProcessMessages();

  // Called in a catch block: passes the exception being handled to
  // OnException, or shows it when none is set. EAbort is silent.
  void HandleException(TComponent* sender);
  // The standard error box: the message, the program's title, one OK button.
  void ShowException(const std::exception& e);
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags);
  // The program's file name without its directory and extension.
  std::string Title() const;

  TExceptionEvent OnException;

  // The window service the forms use: the platform's unless one was set
  // (null gives the platform's back).
  IWindowService& Windows() const { return windows_ ? *windows_ : PlatformWindows(); }
  void SetWindows(IWindowService* windows) { windows_ = windows; }

  // Forgets a main form that is freed.
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TCustomForm* mainForm_ = nullptr;
  bool terminated_ = false;
  IWindowService* windows_ = nullptr;
};

// The application of this program.
TApplication& Application();

}  // namespace brim

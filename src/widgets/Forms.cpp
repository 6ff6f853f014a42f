#include "widgets/Forms.h"

#include <cstdio>

#include "common/routines_Strings.h"
#include "objects/FormLoader.h"
#include "platform/AnswerScript.h"
#include "platform/PlatformError.h"
#include "widgets/StdCtrls.h"

namespace brim {

const TEnumInfo BorderIconInfo("TBorderIcon", {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"});
const TEnumInfo FormBorderStyleInfo("TFormBorderStyle", {"bsNone", "bsSingle", "bsSizeable", "bsDialog",
                                                         "bsToolWindow", "bsSizeToolWin"});
const TEnumInfo FormStyleInfo("TFormStyle", {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"});
const TEnumInfo PositionInfo("TPosition", {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                                           "poScreenCenter", "poDesktopCenter", "poMainFormCenter",
                                           "poOwnerFormCenter"});
const TEnumInfo WindowStateInfo("TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"});

const TClassInfo& TCustomForm::StaticClass() {
  static const TClassInfo info = [] {
    auto windowSize = [](const TCustomForm& f) { return !f.ClientSizeGiven(); };
    auto clientSize = [](const TCustomForm& f) { return f.ClientSizeGiven(); };
    TClassBuilder<TCustomForm> b("TCustomForm", &TWinControl::StaticClass());
    b.Integer("Width", Field(&TControl::Width))
        .StoredWhen(windowSize)
        .Integer("Height", Field(&TControl::Height))
        .StoredWhen(windowSize)
        .Boolean("Visible", Field(&TControl::Visible), false)
        .Reference<TWinControl>("ActiveControl", Field(&TCustomForm::ActiveControl))
        .Set("BorderIcons", Field(&TCustomForm::BorderIcons), BorderIconInfo, 7)
        .Enumeration("BorderStyle", Field(&TCustomForm::BorderStyle), FormBorderStyleInfo, 2);
    PublishCaption(b);
    b.Integer("ClientHeight", Methods(&TCustomForm::ClientHeight, &TCustomForm::SetClientHeight))
        .StoredWhen(clientSize)
        .Integer("ClientWidth", Methods(&TCustomForm::ClientWidth, &TCustomForm::SetClientWidth))
        .StoredWhen(clientSize)
        .Color("Color", Methods(&TControl::Color, &TControl::SetColor), clBtnFace);
    PublishFont(b, false);
    b.Enumeration("FormStyle", Field(&TCustomForm::FormStyle), FormStyleInfo, 0)
        .Object("Icon", [](TCustomForm& f) -> TPersistent* { return &f.Icon; })
        .Boolean("KeyPreview", Field(&TCustomForm::KeyPreview), false)
        .Boolean("OldCreateOrder", Field(&TCustomForm::OldCreateOrder))
        .Enumeration("Position", Field(&TCustomForm::Position), PositionInfo, 0)
        .Boolean("Scaled", Field(&TCustomForm::Scaled), true)
        .Enumeration("WindowState", Field(&TCustomForm::WindowState), WindowStateInfo, 0)
        .Event("OnActivate", &TCustomForm::OnActivate)
        .Event("OnClose", &TCustomForm::OnClose)
        .Event("OnCloseQuery", &TCustomForm::OnCloseQuery)
        .Event("OnCreate", &TCustomForm::OnCreate)
        .Event("OnDeactivate", &TCustomForm::OnDeactivate)
        .Event("OnDestroy", &TCustomForm::OnDestroy)
        .Event("OnPaint", &TCustomForm::OnPaint)
        .Event("OnResize", &TCustomForm::OnResize)
        .Event("OnShow", &TCustomForm::OnShow)
        .Integer("PixelsPerInch", Field(&TCustomForm::PixelsPerInch))
        .Integer("TextHeight", Field(&TCustomForm::TextHeight));
    return b.Build();
  }();
  return info;
}

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
  Width = 320;
  Height = 240;
  Visible = false;
  SetColor(clBtnFace);
  // A form's font is its own: it has no parent to take one from.
  FontChanged();
}

TCustomForm::~TCustomForm() { BeforeDestruction(); }

void TCustomForm::BeforeDestruction() {
  if (HasState(csDestroying)) return;
  UserInterface().FormDestroyed(*this);
  window_.reset();
  TWinControl::BeforeDestruction();
}

void TCustomForm::Show() {
  Visible = true;
  // A form placed on another control (a hosted page) lies on its host's
  // window. The front end shows the form's controls before its window
  // shows: showing activates the window, and the main window's first
  // activation runs the whole installation.
  if (!Parent()) EnsureWindow();
  UserInterface().FormShown(*this);
  if (Parent()) return;
  window_->Show();
  if (WindowState == TWindowState::wsMaximized) window_->Maximize();
}

IWindow* TCustomForm::EnsureWindow() {
  if (!window_) {
    TWindowCallbacks callbacks;
    callbacks.Activated = [this] { Activate(); };
    callbacks.CloseRequested = [this] { Close(); };
    window_ = Application().Windows().CreateWindow(Caption, {Left, Top, Width, Height},
                                                   std::move(callbacks));
    if (!window_) {
      // Wine without an X display fails without an error code.
      uint32_t error = PlatformSystem().LastError();
      throw EOutOfResources("Cannot create the window of %s%s", ControlDisplayName(*this),
                            error ? ": " + PlatformSystem().ErrorMessage(error) : std::string());
    }
  }
  return window_.get();
}

void TCustomForm::Hide() {
  Visible = false;
  if (window_) window_->Hide();
  UserInterface().FormHidden(*this);
}

TModalResult TCustomForm::ShowModal() {
  ModalResult = mrNone;
  Visible = true;
  UserInterface().FormShown(*this);
  try {
    UserInterface().RunModal(*this);
  } catch (...) {
    Hide();
    throw;
  }
  Hide();
  return ModalResult;
}

namespace {
TButton* FindDefaultButton(const TWinControl& parent) {
  for (int i = 0; i < parent.ControlCount(); ++i) {
    TControl* c = parent.Controls(i);
    if (!c->Visible || !c->Enabled) continue;
    if (auto* b = dynamic_cast<TButton*>(c); b && b->Default) return b;
    if (auto* w = dynamic_cast<TWinControl*>(c))
      if (TButton* b = FindDefaultButton(*w)) return b;
  }
  return nullptr;
}
}  // namespace

TButton* TCustomForm::AnswerButton() { return FindDefaultButton(*this); }

void TCustomForm::Close() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  if (!canClose) return;
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (Application().MainForm() == this) Application().Terminate();
  else Hide();
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::SetWindowState(TWindowState state) {
  WindowState = state;
  if (!window_) return;
  if (state == TWindowState::wsMaximized) window_->Maximize();
  else if (state == TWindowState::wsNormal) window_->SetBounds({Left, Top, Width, Height});
  // The controls follow the window's new size (the backdrop fills it).
  if (Visible) UserInterface().FormChanged(*this);
}

void TCustomForm::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  TWinControl::SetBounds(left, top, width, height);
  if (window_) window_->SetBounds({left, top, width, height});
}

void TCustomForm::Repaint() {
  if (window_) window_->Repaint();
}

void TCustomForm::SetClientWidth(int32_t value) {
  Width = value;
  clientSizeGiven_ = true;
}

void TCustomForm::SetWindowBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  SetBounds(left, top, width, height);
  clientSizeGiven_ = false;
}

void TCustomForm::SetClientHeight(int32_t value) {
  Height = value;
  clientSizeGiven_ = true;
}

std::vector<TComponent*> TCustomForm::GetChildren(TComponent* root) const {
  std::vector<TComponent*> children = TWinControl::GetChildren(root);
  if (root == this)
    for (TComponent* c : TComponent::GetChildren(root)) children.push_back(c);
  return children;
}

const std::any* TCustomForm::FindHandler(const std::string& name) const {
  for (const auto& [n, h] : handlers_)
    if (SameText(n, name)) return &h;
  return nullptr;
}

const TClassInfo& TForm::StaticClass() {
  static const TClassInfo info = TClassBuilder<TForm>("TForm", &TCustomForm::StaticClass()).Creatable().Build();
  return info;
}

const TClassInfo& TDataModule::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDataModule>("TDataModule", &TComponent::StaticClass()).Creatable().Build();
  return info;
}

bool IsFormOrDataModule(const TComponent* component) {
  return component && component->IsModuleRoot();
}

void ReadFormResource(TComponent& form, const std::string& resourceName) {
  std::optional<std::string> data = PlatformModule().LoadResource(resourceName);
  if (!data)
    throw EResNotFound("The resource %s of the form %s is not in the program %s", resourceName,
                       form.ClassName(), PlatformModule().ModuleFileName());
  LoadForm(form, ParseForm(*data));
}

const TClassInfo& TApplication::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TApplication>("TApplication", &TComponent::StaticClass()).Build();
  return info;
}

void TApplication::Initialize() {
  terminated_ = false;
  SetMessagePump([this] { ProcessMessages(); });
  TUserInterfaceMode mode = UserInterfaceMode();
  if (mode.Kind == TUserInterfaceKind::Invalid)
    throw EInvalidOperation(
        "BRIMWELL_UI=%s does not name a user interface: use auto, console or script:FILE",
        mode.Setting);
  // A script that cannot be read or has a statement no page could take
  // stops the program before its first page.
  if (mode.Kind == TUserInterfaceKind::Script) ProgramAnswerScript();
}

void TApplication::Run() {
  if (!mainForm_ || terminated_) return;
  if (ShowMainForm) {
    try {
      mainForm_->Show();
    } catch (...) {
      HandleException(this);
      // Without its main window the program has nothing to wait for.
      if (!mainForm_ || !mainForm_->Window()) Terminate();
    }
  }
  while (!terminated_) {
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);
    }
  }
}

void TApplication::Terminate() {
  terminated_ = true;
  Windows().PostQuit(0);
}

void TApplication::HandleMessage() {
  // A loop that waits ends when no message can come any more (a headless
  // window service with nothing pending) as it does on the quit message.
  if (Windows().ProcessMessage(true) != TMessageStep::Handled) terminated_ = true;
}

void TApplication::ProcessMessages() {
  for (;;) {
    TMessageStep step = Windows().ProcessMessage(false);
    if (step == TMessageStep::Handled) continue;
    if (step == TMessageStep::Quit) terminated_ = true;
    return;
  }
}

void TApplication::HandleException(TComponent* sender) {
  auto report = [&](const Exception& e) {
    if (OnException) OnException(sender, e);
    else ShowException(e);
  };
  try {
    throw;
  } catch (const EAbort&) {
  } catch (const Exception& e) {
    report(e);
  } catch (const std::exception& e) {
    report(Exception(std::string(e.what())));
  }
}

void TApplication::ShowException(const std::exception& e) {
  // The platform's code of a failed call has no room in the system's
  // message; it goes to the program's error output.
  if (const TPlatformError* cause = CauseOf(e))
    std::fprintf(stderr, "%s: %s\n", Title().c_str(), cause->Describe().c_str());
  MessageBox(e.what(), Title(), boxOk | boxIconError);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  return Windows().MessageBox(text, caption, flags);
}

std::string TApplication::Title() const {
  std::string name = PlatformModule().ModuleFileName();
  name = name.substr(name.find_last_of("\\/:") + 1);
  size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component == mainForm_) mainForm_ = nullptr;
  TComponent::Notification(component, operation);
}

TApplication& Application() {
  // Never destroyed: the program frees its forms before it returns, and
  // nothing may run after the other singletons are gone.
  static TApplication* application = new TApplication(nullptr);
  return *application;
}

}  // namespace brim

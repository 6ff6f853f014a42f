// Forms: the windows that a stream's root describes (the main window of
// the setup program, the wizard window and its pages). A form created
// without an owner is the root of its stream: it owns every component of
// the stream and writes, after its child controls, the owned components
// that have no parent. Event names in a stream resolve through the form's
// own table of handlers.
#pragma once

#include <any>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "widgets/Controls.h"

namespace brim {

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

  // The size of the form's client area. A form without a window has no
  // frame, so it is the form's size; a form whose stream gave the client
  // size writes that instead of Width and Height, so the window built for
  // it gets the client area the stream asked for.
  int32_t ClientWidth() const { return Width; }
  void SetClientWidth(int32_t value);
  int32_t ClientHeight() const { return Height; }
  void SetClientHeight(int32_t value);
  bool ClientSizeGiven() const { return clientSizeGiven_; }

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
};

class TForm : public TCustomForm {
  BRIM_CLASS(TForm)

 public:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

}  // namespace brim

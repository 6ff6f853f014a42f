// The control classes the forms are made of: TControl (a visual element
// with a position, a parent and the properties every control shares),
// TWinControl (a control that holds child controls and takes the focus),
// TGraphicControl (drawn on its parent) and TCustomControl (a windowed
// control that draws itself). This is the data model that streams load and
// save; the widget backends realise it later.
//
// Properties a control inherits from its parent (ParentFont, ParentColor)
// follow the parent: a control that takes its parent's font gets a copy
// when it is placed on the parent and whenever the parent's font changes
// through SetFont; giving a control a font or a colour of its own clears
// the flag.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "objects/TComponent.h"
#include "objects/TGraphics.h"
#include "platform/Canvas.h"

namespace brim {

BRIM_EXCEPTION_CLASS(EInvalidOperation, Exception);

// The result a modal form ends with; a button's ModalResult ends the
// modal loop of its form with that value.
using TModalResult = int32_t;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;
extern const TIdentMap ModalResultIdents;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TTextLayout { tlTop, tlCenter, tlBottom };
enum class TBorderStyle { bsNone, bsSingle };
enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
extern const TEnumInfo AlignInfo;
extern const TEnumInfo AnchorKindInfo;
extern const TEnumInfo AlignmentInfo;
extern const TEnumInfo TextLayoutInfo;
extern const TEnumInfo BorderStyleInfo;
extern const TEnumInfo BevelCutInfo;

using TNotifyEvent = TEvent<void(TComponent* Sender)>;
using TKeyPressEvent = TEvent<void(TComponent* Sender, char& Key)>;

class TWinControl;

class TControl : public TComponent {
  BRIM_CLASS(TControl)

 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  // The windowed control this one is placed on, or null. Setting it moves
  // the control to the end of the new parent's list of child controls.
  TWinControl* Parent() const { return parent_; }
  void SetParent(TWinControl* parent);
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  // A stream parent that is a windowed control becomes the parent; one
  // that is a control of another kind cannot hold controls.
  void SetParentComponent(TComponent* parent) override;
  void BeforeDestruction() override;
  void Loaded() override;

  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);

  TAlign Align = TAlign::alNone;
  TAnchors Anchors{TAnchorKind::akLeft, TAnchorKind::akTop};
  std::string Caption;
  TCursor Cursor = crDefault;
  bool Enabled = true;
  std::string Hint;
  bool ShowHint = false;
  bool Visible = true;

  // Colour: setting it gives the control a colour of its own.
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentColor() const { return parentColor_; }
  // True takes the parent's colour (once loading is over).
  void SetParentColor(bool value);

  // Font: change it through SetFont, or change Font() in place and call
  // FontChanged; either gives the control a font of its own and passes it
  // on to the child controls that take their parent's font.
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& font);
  void FontChanged();
  bool ParentFont() const { return parentFont_; }
  // True takes the parent's font (once loading is over).
  void SetParentFont(bool value);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;

  // Controls that draw themselves (the backdrop, the product label) draw
  // here; the canvas's origin is the control's top left and it is the
  // control's size. Controls the platform draws do nothing.
  virtual void Paint(ICanvas& canvas) { (void)canvas; }
  // True for a control whose face Paint draws.
  virtual bool PaintsItself() const { return false; }

 protected:
  // Copies the parent's font or colour into this control (and on down)
  // when it takes them from its parent.
  void TakeParentFont();
  void TakeParentColor();
  virtual void PassFontToChildren() {}
  virtual void PassColorToChildren() {}

 private:
  friend class TWinControl;
  TWinControl* parent_ = nullptr;
  TColor color_ = clBtnFace;
  bool parentColor_ = true;
  TFont font_;
  bool parentFont_ = true;
};

class TWinControl : public TControl {
  BRIM_CLASS(TWinControl)

 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The child controls in the order they were placed.
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int i) const { return controls_.at(i); }
  // True when the control is this one or lies somewhere inside it.
  bool ContainsControl(const TControl* control) const;
  // The child controls owned by root, in order.
  std::vector<TComponent*> GetChildren(TComponent* root) const override;

  // The position in the parent's tab sequence (-1 without a parent). While
  // a stream is read the value is only kept; the sequence is put in order
  // once the parent has loaded. Otherwise a value out of range moves the
  // control to the end.
  int32_t TabOrder() const { return tabOrder_; }
  void SetTabOrder(int32_t order);
  // The windowed child controls in tab order.
  const std::vector<TWinControl*>& TabList() const { return tabList_; }
  bool TabStop = false;

  // Destroying a windowed control destroys the controls placed on it.
  void BeforeDestruction() override;
  void Loaded() override;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyPressEvent OnKeyPress;

 protected:
  void PassFontToChildren() override;
  void PassColorToChildren() override;

 private:
  friend class TControl;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void NumberTabList();

  std::vector<TControl*> controls_;
  std::vector<TWinControl*> tabList_;
  int32_t tabOrder_ = -1;
};

// A control drawn on its parent's surface; it cannot hold controls.
class TGraphicControl : public TControl {
  BRIM_CLASS(TGraphicControl)

 public:
  explicit TGraphicControl(TComponent* owner) : TControl(owner) {}
};

// A windowed control that draws its own surface.
class TCustomControl : public TWinControl {
  BRIM_CLASS(TCustomControl)

 public:
  explicit TCustomControl(TComponent* owner) : TWinControl(owner) {}
};

// A component's name for messages: its name, or its class when unnamed.
std::string ControlDisplayName(const TComponent& component);

// Publishing helpers: each control class lists only the properties it
// shows, so a stream naming a property the control does not have fails.
template <class T>
TClassBuilder<T>& PublishCaption(TClassBuilder<T>& b) {
  return b.String("Caption", Field(&TControl::Caption));
}

// Color (not written while the control takes its parent's colour) and
// ParentColor, with the class's own defaults.
template <class T>
TClassBuilder<T>& PublishColor(TClassBuilder<T>& b, TColor colorDefault, bool parentColorDefault) {
  b.Color("Color", Methods(&TControl::Color, &TControl::SetColor), colorDefault)
      .StoredWhen([](const T& c) { return !c.ParentColor(); });
  return b.Boolean("ParentColor", Methods(&TControl::ParentColor, &TControl::SetParentColor),
                   parentColorDefault);
}

// Font (written only when the control does not take its parent's font)
// and ParentFont.
template <class T>
TClassBuilder<T>& PublishFont(TClassBuilder<T>& b, bool parentFontDefault = true) {
  b.Object("Font", [](T& c) -> TPersistent* { return &c.Font(); })
      .StoredWhen([](const T& c) { return !c.ParentFont(); });
  return b.Boolean("ParentFont", Methods(&TControl::ParentFont, &TControl::SetParentFont),
                   parentFontDefault);
}

// TabOrder and TabStop of a windowed control.
template <class T>
TClassBuilder<T>& PublishTabs(TClassBuilder<T>& b, bool tabStopDefault) {
  return b.Integer("TabOrder", Methods(&TWinControl::TabOrder, &TWinControl::SetTabOrder), -1)
      .Boolean("TabStop", Field(&TWinControl::TabStop), tabStopDefault);
}

}  // namespace brim

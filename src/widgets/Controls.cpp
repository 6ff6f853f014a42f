#include "widgets/Controls.h"

#include <algorithm>
#include <climits>

namespace brim {

const TIdentMap ModalResultIdents{"TModalResult",
                                  {{"mrNone", mrNone},
                                   {"mrOk", mrOk},
                                   {"mrCancel", mrCancel},
                                   {"mrAbort", mrAbort},
                                   {"mrRetry", mrRetry},
                                   {"mrIgnore", mrIgnore},
                                   {"mrYes", mrYes},
                                   {"mrNo", mrNo},
                                   {"mrAll", mrAll},
                                   {"mrNoToAll", mrNoToAll},
                                   {"mrYesToAll", mrYesToAll}}};

const TEnumInfo AlignInfo("TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"});
const TEnumInfo AnchorKindInfo("TAnchorKind", {"akLeft", "akTop", "akRight", "akBottom"});
const TEnumInfo AlignmentInfo("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
const TEnumInfo TextLayoutInfo("TTextLayout", {"tlTop", "tlCenter", "tlBottom"});
const TEnumInfo BorderStyleInfo("TBorderStyle", {"bsNone", "bsSingle"});
const TEnumInfo BevelCutInfo("TBevelCut", {"bvNone", "bvLowered", "bvRaised", "bvSpace"});

std::string ControlDisplayName(const TComponent& component) {
  if (!component.Name().empty()) return component.Name();
  return "an unnamed " + component.ClassName();
}

// ---- TControl ----

const TClassInfo& TControl::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TControl>("TControl", &TComponent::StaticClass())
          // The real position replaces the designer placement of TComponent.
          .Integer("Left", Field(&TControl::Left))
          .Integer("Top", Field(&TControl::Top))
          .Integer("Width", Field(&TControl::Width))
          .Integer("Height", Field(&TControl::Height))
          .Enumeration("Align", Field(&TControl::Align), AlignInfo, 0)
          .Set("Anchors", Field(&TControl::Anchors), AnchorKindInfo, 3)
          .Integer("Cursor", Field(&TControl::Cursor), 0, &CursorIdents)
          .Boolean("Enabled", Field(&TControl::Enabled), true)
          .String("Hint", Field(&TControl::Hint))
          .Boolean("ShowHint", Field(&TControl::ShowHint), false)
          .Boolean("Visible", Field(&TControl::Visible), true)
          .Event("OnClick", &TControl::OnClick)
          .Event("OnDblClick", &TControl::OnDblClick)
          .Build();
  return info;
}

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() { BeforeDestruction(); }

void TControl::BeforeDestruction() {
  if (HasState(csDestroying)) return;
  if (parent_) parent_->RemoveControl(this);
  TComponent::BeforeDestruction();
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetParentComponent(TComponent* parent) {
  if (auto* w = dynamic_cast<TWinControl*>(parent)) {
    SetParent(w);
  } else if (dynamic_cast<TControl*>(parent)) {
    throw EInvalidOperation("%s cannot be placed on %s: a %s cannot hold controls",
                            ControlDisplayName(*this), ControlDisplayName(*parent),
                            parent->ClassName());
  }
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this)
    throw EInvalidOperation("%s cannot be its own parent", ControlDisplayName(*this));
  if (auto* self = dynamic_cast<TWinControl*>(this); self && parent && self->ContainsControl(parent))
    throw EInvalidOperation("%s cannot be placed on %s, which lies inside it", ControlDisplayName(*this),
                            ControlDisplayName(*parent));
  if (parent_) parent_->RemoveControl(this);
  if (parent) {
    parent->InsertControl(this);
    if (parentFont_) TakeParentFont();
    if (parentColor_) TakeParentColor();
  }
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  Left = left;
  Top = top;
  Width = width;
  Height = height;
}

void TControl::SetColor(TColor color) {
  color_ = color;
  parentColor_ = false;
  PassColorToChildren();
}

void TControl::SetParentColor(bool value) {
  parentColor_ = value;
  if (value && !HasState(csLoading)) TakeParentColor();
}

void TControl::TakeParentColor() {
  if (!parent_) return;
  color_ = parent_->color_;
  PassColorToChildren();
}

void TControl::SetFont(const TFont& font) {
  font_.Assign(font);
  FontChanged();
}

void TControl::FontChanged() {
  parentFont_ = false;
  PassFontToChildren();
}

void TControl::SetParentFont(bool value) {
  parentFont_ = value;
  if (value && !HasState(csLoading)) TakeParentFont();
}

void TControl::TakeParentFont() {
  if (!parent_) return;
  font_.Assign(parent_->font_);
  PassFontToChildren();
}

void TControl::Loaded() {
  TComponent::Loaded();
  // The stream gave the control a font of its own by writing Font
  // properties: it no longer follows its parent's.
  if (parentFont_ && parent_ && !(font_ == parent_->font_)) parentFont_ = false;
}

// ---- TWinControl ----

const TClassInfo& TWinControl::StaticClass() {
  static const TClassInfo info = TClassBuilder<TWinControl>("TWinControl", &TControl::StaticClass())
                                     .Event("OnEnter", &TWinControl::OnEnter)
                                     .Event("OnExit", &TWinControl::OnExit)
                                     .Event("OnKeyPress", &TWinControl::OnKeyPress)
                                     .Build();
  return info;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() { BeforeDestruction(); }

void TWinControl::BeforeDestruction() {
  if (HasState(csDestroying)) return;
  while (!controls_.empty()) {
    TControl* c = controls_.back();
    RemoveControl(c);
    c->Free();
  }
  TControl::BeforeDestruction();
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c; c = c->Parent())
    if (c == this) return true;
  return false;
}

std::vector<TComponent*> TWinControl::GetChildren(TComponent* root) const {
  std::vector<TComponent*> children;
  for (TControl* c : controls_)
    if (c->Owner() == root) children.push_back(c);
  return children;
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  control->parent_ = this;
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    tabList_.push_back(w);
    w->tabOrder_ = static_cast<int32_t>(tabList_.size()) - 1;
  }
}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  controls_.erase(it);
  control->parent_ = nullptr;
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    auto t = std::find(tabList_.begin(), tabList_.end(), w);
    if (t != tabList_.end()) tabList_.erase(t);
    w->tabOrder_ = -1;
    NumberTabList();
  }
}

void TWinControl::NumberTabList() {
  for (size_t i = 0; i < tabList_.size(); ++i) tabList_[i]->tabOrder_ = static_cast<int32_t>(i);
}

void TWinControl::SetTabOrder(int32_t order) {
  if (HasState(csLoading)) {
    tabOrder_ = order;
    return;
  }
  // Without a parent there is no sequence to take a place in.
  TWinControl* p = Parent();
  if (!p) return;
  auto& list = p->tabList_;
  int32_t count = static_cast<int32_t>(list.size());
  if (order < 0 || order >= count) order = count - 1;
  list.erase(std::find(list.begin(), list.end(), this));
  list.insert(list.begin() + order, this);
  p->NumberTabList();
}

void TWinControl::Loaded() {
  TControl::Loaded();
  // Put the children in the tab order the stream gave them; a control
  // without a valid position goes after the others.
  auto key = [](const TWinControl* w) { return w->tabOrder_ < 0 ? INT32_MAX : w->tabOrder_; };
  std::stable_sort(tabList_.begin(), tabList_.end(),
                   [&](const TWinControl* a, const TWinControl* b) { return key(a) < key(b); });
  NumberTabList();
}

void TWinControl::PassFontToChildren() {
  for (TControl* c : controls_)
    if (c->ParentFont()) c->TakeParentFont();
}

void TWinControl::PassColorToChildren() {
  for (TControl* c : controls_)
    if (c->ParentColor()) c->TakeParentColor();
}

// ---- TGraphicControl, TCustomControl ----

const TClassInfo& TGraphicControl::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TGraphicControl>("TGraphicControl", &TControl::StaticClass()).Build();
  return info;
}

const TClassInfo& TCustomControl::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomControl>("TCustomControl", &TWinControl::StaticClass()).Build();
  return info;
}

}  // namespace brim

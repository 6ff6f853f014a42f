#include "widgets/ComCtrls.h"

#include <algorithm>

namespace brim {

const TEnumInfo ProgressBarOrientationInfo("TProgressBarOrientation", {"pbHorizontal", "pbVertical"});

// ---- TProgressBar ----

const TClassInfo& TProgressBar::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TProgressBar> b("TProgressBar", &TWinControl::StaticClass());
    b.Creatable()
        .Integer("Min", Methods(&TProgressBar::Min, &TProgressBar::SetMin), 0)
        .Integer("Max", Methods(&TProgressBar::Max, &TProgressBar::SetMax), 100)
        .Enumeration("Orientation", Field(&TProgressBar::Orientation), ProgressBarOrientationInfo, 0)
        .Integer("Position", Methods(&TProgressBar::Position, &TProgressBar::SetPosition), 0)
        .Boolean("Smooth", Field(&TProgressBar::Smooth), false)
        .Integer("Step", Field(&TProgressBar::Step), 10);
    PublishTabs(b, false);
    return b.Build();
  }();
  return info;
}

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {
  Width = 150;
  Height = 16;
}

int32_t TProgressBar::Clamp(int32_t value) const {
  int32_t lo = std::min(min_, max_), hi = std::max(min_, max_);
  return std::clamp(value, lo, hi);
}

void TProgressBar::SetMin(int32_t value) {
  min_ = value;
  if (!HasState(csLoading)) position_ = Clamp(position_);
}

void TProgressBar::SetMax(int32_t value) {
  max_ = value;
  if (!HasState(csLoading)) position_ = Clamp(position_);
}

void TProgressBar::SetPosition(int32_t value) {
  position_ = HasState(csLoading) ? value : Clamp(value);
}

void TProgressBar::StepIt() {
  int64_t next = static_cast<int64_t>(position_) + Step;
  if (next > std::max(min_, max_)) next = std::min(min_, max_);
  position_ = Clamp(static_cast<int32_t>(next));
}

void TProgressBar::StepBy(int32_t delta) {
  int64_t next = static_cast<int64_t>(position_) + delta;
  next = std::clamp<int64_t>(next, std::min(min_, max_), std::max(min_, max_));
  position_ = static_cast<int32_t>(next);
}

void TProgressBar::Loaded() {
  TWinControl::Loaded();
  position_ = Clamp(position_);
}

// ---- TRichEdit ----

const TClassInfo& TRichEdit::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TRichEdit> b("TRichEdit", &TCustomMemo::StaticClass());
    b.Creatable();
    PublishMemo<TRichEdit>(b, [](TClassBuilder<TRichEdit>& own) {
      own.Boolean("HideScrollBars", Field(&TRichEdit::HideScrollBars), true)
          .Boolean("PlainText", Field(&TRichEdit::PlainText), false);
    });
    return b.Build();
  }();
  return info;
}

// ---- TTabControl ----

const TClassInfo& TTabControl::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TTabControl> b("TTabControl", &TWinControl::StaticClass());
    b.Creatable();
    PublishFont(b);
    PublishTabs(b, true);
    b.Integer("TabHeight", Field(&TTabControl::TabHeight), 0)
        .Integer("TabIndex", Methods(&TTabControl::TabIndex, &TTabControl::SetTabIndex), -1)
        .Object("Tabs", [](TTabControl& t) -> TPersistent* { return &t.Tabs; })
        .Integer("TabWidth", Field(&TTabControl::TabWidth), 0)
        .Event("OnChange", &TTabControl::OnChange);
    return b.Build();
  }();
  return info;
}

TTabControl::TTabControl(TComponent* owner) : TWinControl(owner) {
  Width = 289;
  Height = 193;
  TabStop = true;
  Tabs.OnChange = [this](TStrings&) {
    if (!HasState(csLoading) && tabIndex_ >= Tabs.Count()) tabIndex_ = -1;
  };
}

void TTabControl::SetTabIndex(int32_t index) {
  if (HasState(csLoading)) {
    tabIndex_ = index;
    return;
  }
  tabIndex_ = index >= 0 && index < Tabs.Count() ? index : -1;
}

void TTabControl::Loaded() {
  TWinControl::Loaded();
  if (tabIndex_ < -1 || tabIndex_ >= Tabs.Count()) tabIndex_ = -1;
}

}  // namespace brim

// Child controls as records: what the native controls would hold, kept so
// that a test or a console front end can read the tree back.
#include <algorithm>
#include <utility>

#include "platform/Controls.h"

namespace brim {

class THeadlessControlService::TControl : public IControl {
 public:
  TControl(THeadlessControlService& service, TControlKind kind, const TWindowBounds& bounds,
           const std::string& text, TControlCallbacks callbacks)
      : service_(service), kind_(kind), bounds_(bounds), callbacks_(std::move(callbacks)),
        text_(text) {}
  ~TControl() override {
    auto& all = service_.controls_;
    all.erase(std::remove_if(all.begin(), all.end(),
                             [this](const TEntry& e) { return e.Control == this; }),
              all.end());
  }

  TControlKind Kind() override { return kind_; }
  void SetText(const std::string& text) override {
    bool changed = text != text_;
    text_ = text;
    // A one-line edit box tells of the program's changes too (a memo
    // tells only of the user's).
    if (changed && kind_ == TControlKind::Edit && callbacks_.Changed)
      callbacks_.Changed();
  }
  std::string Text() override { return text_; }
  void SetBounds(const TWindowBounds& bounds) override { bounds_ = bounds; }
  TWindowBounds Bounds() override { return bounds_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  bool Visible() override { return visible_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Enabled() override { return enabled_; }
  void SetItems(const std::vector<std::string>& items) override {
    if (kind_ != TControlKind::ListBox) return;
    items_ = items;
    itemIndex_ = -1;
  }
  std::vector<std::string> Items() override { return items_; }
  void SetItemIndex(int index) override {
    itemIndex_ = index >= 0 && index < static_cast<int>(items_.size()) ? index : -1;
  }
  int ItemIndex() override { return itemIndex_; }
  void SetChecked(bool checked) override {
    if (kind_ == TControlKind::CheckBox) checked_ = checked;
  }
  bool Checked() override { return checked_; }
  void SetRange(int max) override {
    if (kind_ != TControlKind::ProgressBar) return;
    max_ = std::max(max, 0);
    position_ = std::clamp(position_, 0, max_);
  }
  void SetPosition(int position) override {
    if (kind_ == TControlKind::ProgressBar) position_ = std::clamp(position, 0, max_);
  }
  int Position() override { return position_; }
  void Click() override {
    if (!enabled_ || (kind_ != TControlKind::Button && kind_ != TControlKind::CheckBox)) return;
    if (kind_ == TControlKind::CheckBox) checked_ = !checked_;
    if (callbacks_.Clicked) callbacks_.Clicked();
  }

 private:
  THeadlessControlService& service_;
  TControlKind kind_;
  TWindowBounds bounds_;
  TControlCallbacks callbacks_;
  std::string text_;
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  bool visible_ = true;
  bool enabled_ = true;
  bool checked_ = false;
  int max_ = 100;  // a new progress bar runs from 0 to 100, as on Windows
  int position_ = 0;
};

std::unique_ptr<IControl> THeadlessControlService::CreateControl(IWindow& parent,
                                                                 TControlKind kind,
                                                                 const TWindowBounds& bounds,
                                                                 const std::string& text,
                                                                 TControlCallbacks callbacks) {
  // List boxes and progress bars have no caption.
  bool captioned = kind != TControlKind::ListBox && kind != TControlKind::ProgressBar;
  auto control = std::make_unique<TControl>(*this, kind, bounds, captioned ? text : std::string(),
                                            std::move(callbacks));
  controls_.push_back({&parent, control.get()});
  return control;
}

std::vector<IControl*> THeadlessControlService::ControlsOf(const IWindow& parent) const {
  std::vector<IControl*> result;
  for (const auto& entry : controls_)
    if (entry.Parent == &parent) result.push_back(entry.Control);
  return result;
}

}  // namespace brim

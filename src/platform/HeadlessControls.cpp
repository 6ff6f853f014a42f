// Child controls as records: what the native controls would hold, kept so
// that a test or a console front end can read the tree back.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <utility>

#include "platform/Canvas.h"
#include "platform/Controls.h"

namespace brim {

class THeadlessControlService::TControl : public IControl {
 public:
  TControl(THeadlessControlService& service, TControlKind kind, const TWindowBounds& bounds,
           const std::string& text, TControlCallbacks callbacks, const TControlOptions& options)
      : service_(service), kind_(kind), bounds_(bounds), callbacks_(std::move(callbacks)),
        options_(options), text_(text) {}
  ~TControl() override {
    if (service_.focused_ == this) service_.focused_ = nullptr;
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
      if (auto run = callbacks_.Changed) run();
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
    if (options_.Sorted)
      std::stable_sort(items_.begin(), items_.end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
          return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
        });
      });
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
    // The owner may destroy this control from the callback: run a copy.
    if (auto run = callbacks_.Clicked) run();
  }
  void Choose(int index) override {
    if (!enabled_ || kind_ != TControlKind::ListBox) return;
    SetItemIndex(index);
    if (auto run = callbacks_.Selected) run();
  }
  TControlOptions Options() override { return options_; }
  void SetFont(const TControlFont& font) override { font_ = font; }
  TControlFont Font() override { return font_; }
  void SetColor(std::optional<TCanvasColor> color) override { color_ = color; }
  std::optional<TCanvasColor> Color() override { return color_; }
  void SetPicture(const std::string& bmp) override {
    picture_ = {};
    if (kind_ != TControlKind::Image || bmp.size() < 26 || bmp.compare(0, 2, "BM") != 0) return;
    auto i32 = [&](size_t at) {
      uint32_t v = 0;
      for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bmp[at + i]);
      return static_cast<int32_t>(v);
    };
    picture_ = {i32(18), std::abs(i32(22))};
  }
  TCanvasSize PictureSize() override { return picture_; }
  int32_t WrappedTextHeight(int32_t width) override {
    TRecordingCanvas canvas(1, 1);
    TCanvasFont font;
    font.Face = font_.Face;
    font.Height = font_.Height < 0 ? -font_.Height : font_.Height;
    font.Weight = font_.Bold ? 700 : 400;
    return brim::WrappedTextHeight(canvas, text_, font, width);
  }
  void Focus() override {
    if (enabled_ && visible_) service_.focused_ = this;
  }
  bool Focused() override { return service_.focused_ == this; }
  void Repaint() override {
    if (kind_ != TControlKind::PaintBox || !callbacks_.Paint) return;
    TRecordingCanvas canvas(bounds_.Width, bounds_.Height);
    callbacks_.Paint(canvas);
  }

 private:
  THeadlessControlService& service_;
  TControlKind kind_;
  TWindowBounds bounds_;
  TControlCallbacks callbacks_;
  TControlOptions options_;
  TControlFont font_;
  std::optional<TCanvasColor> color_;
  TCanvasSize picture_;
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
                                                                 TControlCallbacks callbacks,
                                                                 const TControlOptions& options) {
  // List boxes and progress bars have no caption.
  bool captioned = kind != TControlKind::ListBox && kind != TControlKind::ProgressBar &&
                   kind != TControlKind::Image && kind != TControlKind::PaintBox;
  auto control = std::make_unique<TControl>(*this, kind, bounds, captioned ? text : std::string(),
                                            std::move(callbacks), options);
  controls_.push_back({&parent, control.get()});
  return control;
}

void THeadlessControlService::Stack(const std::vector<IControl*>& topFirst) {
  // The stacked controls go first, in the given order; the rest keep theirs.
  auto rank = [&](const TEntry& e) {
    auto it = std::find(topFirst.begin(), topFirst.end(), e.Control);
    return it == topFirst.end() ? topFirst.size() : static_cast<size_t>(it - topFirst.begin());
  };
  std::stable_sort(controls_.begin(), controls_.end(),
                   [&](const TEntry& a, const TEntry& b) { return rank(a) < rank(b); });
}

std::vector<IControl*> THeadlessControlService::ControlsOf(const IWindow& parent) const {
  std::vector<IControl*> result;
  for (const auto& entry : controls_)
    if (entry.Parent == &parent) result.push_back(entry.Control);
  return result;
}

}  // namespace brim

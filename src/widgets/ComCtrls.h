// The common controls: the progress bar of the copy window, the rich-text
// box of the licence and readme pages, and the tab strip of the wizard
// window.
#pragma once

#include "widgets/StdCtrls.h"

namespace brim {

enum class TProgressBarOrientation { pbHorizontal, pbVertical };
extern const TEnumInfo ProgressBarOrientationInfo;

// A bar filled in proportion to Position within Min..Max. Position always
// lies in that range (once loading is over); StepIt advances by Step and
// starts again from Min when it passes Max.
class TProgressBar : public TWinControl {
  BRIM_CLASS(TProgressBar)

 public:
  explicit TProgressBar(TComponent* owner);

  TProgressBarOrientation Orientation = TProgressBarOrientation::pbHorizontal;
  bool Smooth = false;
  int32_t Step = 10;

  int32_t Min() const { return min_; }
  void SetMin(int32_t value);
  int32_t Max() const { return max_; }
  void SetMax(int32_t value);
  int32_t Position() const { return position_; }
  void SetPosition(int32_t value);
  void StepIt();
  // Moves by delta, stopping at the ends of the range.
  void StepBy(int32_t delta);

  void Loaded() override;

 private:
  int32_t Clamp(int32_t value) const;

  int32_t min_ = 0;
  int32_t max_ = 100;
  int32_t position_ = 0;
};

// A memo that shows rich text (or, with PlainText, its lines as they are).
class TRichEdit : public TCustomMemo {
  BRIM_CLASS(TRichEdit)

 public:
  explicit TRichEdit(TComponent* owner) : TCustomMemo(owner) {}

  bool HideScrollBars = true;
  bool PlainText = false;
};

// A strip of tabs, one per line of Tabs; TabIndex is the selected tab.
class TTabControl : public TWinControl {
  BRIM_CLASS(TTabControl)

 public:
  explicit TTabControl(TComponent* owner);

  TStringList Tabs;
  int32_t TabHeight = 0;  // 0: the height of the font
  int32_t TabWidth = 0;   // 0: as wide as each caption
  TNotifyEvent OnChange;

  int32_t TabIndex() const { return tabIndex_; }
  // An index outside the tabs selects none (-1). While a stream is read
  // the value is kept and checked once loading is over.
  void SetTabIndex(int32_t index);
  void Loaded() override;

 private:
  int32_t tabIndex_ = -1;
};

}  // namespace brim

// Buttons with a glyph: TBitBtn (a push button with a picture, or one of
// the standard kinds OK, Cancel, Yes, ...) and TSpeedButton (a flat tool
// button that can stay down, alone or in a group).
#pragma once

#include "widgets/StdCtrls.h"

namespace brim {

enum class TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
extern const TEnumInfo BitBtnKindInfo;
extern const TEnumInfo ButtonLayoutInfo;

// The caption and modal result a standard kind of button comes with.
std::string BitBtnKindCaption(TBitBtnKind kind);
TModalResult BitBtnKindModalResult(TBitBtnKind kind);

class TBitBtn : public TButton {
  BRIM_CLASS(TBitBtn)

 public:
  explicit TBitBtn(TComponent* owner);

  // The picture, holding NumGlyphs images side by side (up, disabled,
  // down, held down).
  TBitmap Glyph;
  TButtonLayout Layout = TButtonLayout::blGlyphLeft;
  int32_t Margin = -1;  // -1: glyph and text centred together
  int32_t Spacing = 4;

  TBitBtnKind Kind() const { return kind_; }
  // A standard kind sets Default (OK, Yes), Cancel (Cancel, No), the
  // modal result and the caption; while a stream is read the caption is
  // set only when the stream gave none. Such a button writes none of
  // these (nor its glyph), only the kind and a caption of its own.
  void SetKind(TBitBtnKind kind);
  bool IsCustom() const { return kind_ == TBitBtnKind::bkCustom; }

  int32_t NumGlyphs() const { return numGlyphs_; }
  // Negative counts become 1, counts above 4 become 4.
  void SetNumGlyphs(int32_t count);

 private:
  TBitBtnKind kind_ = TBitBtnKind::bkCustom;
  int32_t numGlyphs_ = 1;
};

// A tool button drawn on its parent. Buttons with the same GroupIndex on
// one parent form a group of which at most one is down; with AllowAllUp
// the down button of a group may be released. A button outside a group
// (GroupIndex 0) is never down.
class TSpeedButton : public TGraphicControl {
  BRIM_CLASS(TSpeedButton)

 public:
  explicit TSpeedButton(TComponent* owner);

  bool Flat = false;
  TBitmap Glyph;
  TButtonLayout Layout = TButtonLayout::blGlyphLeft;
  int32_t Margin = -1;
  int32_t Spacing = 4;
  bool Transparent = true;

  bool AllowAllUp() const { return allowAllUp_; }
  // Applies to every button of the group.
  void SetAllowAllUp(bool value);
  int32_t GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int32_t index) { groupIndex_ = index; }
  bool Down() const { return down_; }
  void SetDown(bool down);
  int32_t NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int32_t count);

 private:
  // The other buttons of this one's group on the same parent.
  std::vector<TSpeedButton*> GroupMembers() const;

  bool allowAllUp_ = false;
  int32_t groupIndex_ = 0;
  bool down_ = false;
  int32_t numGlyphs_ = 1;
};

}  // namespace brim

#include "widgets/Buttons.h"

namespace brim {

const TEnumInfo BitBtnKindInfo("TBitBtnKind", {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo",
                                               "bkClose", "bkAbort", "bkRetry", "bkIgnore", "bkAll"});
const TEnumInfo ButtonLayoutInfo("TButtonLayout",
                                 {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"});

std::string BitBtnKindCaption(TBitBtnKind kind) {
  switch (kind) {
    case TBitBtnKind::bkCustom: return "";
    case TBitBtnKind::bkOK: return "OK";
    case TBitBtnKind::bkCancel: return "Cancel";
    case TBitBtnKind::bkHelp: return "&Help";
    case TBitBtnKind::bkYes: return "&Yes";
    case TBitBtnKind::bkNo: return "&No";
    case TBitBtnKind::bkClose: return "&Close";
    case TBitBtnKind::bkAbort: return "Abort";
    case TBitBtnKind::bkRetry: return "&Retry";
    case TBitBtnKind::bkIgnore: return "&Ignore";
    case TBitBtnKind::bkAll: return "&All";
  }
  return "";
}

TModalResult BitBtnKindModalResult(TBitBtnKind kind) {
  switch (kind) {
    case TBitBtnKind::bkOK: return mrOk;
    case TBitBtnKind::bkCancel: return mrCancel;
    case TBitBtnKind::bkYes: return mrYes;
    case TBitBtnKind::bkNo: return mrNo;
    case TBitBtnKind::bkAbort: return mrAbort;
    case TBitBtnKind::bkRetry: return mrRetry;
    case TBitBtnKind::bkIgnore: return mrIgnore;
    case TBitBtnKind::bkAll: return mrAll;
    default: return mrNone;
  }
}

namespace {

int32_t ClampGlyphCount(int32_t count) {
  if (count < 0) return 1;
  if (count > 4) return 4;
  return count;
}

}  // namespace

// ---- TBitBtn ----

const TClassInfo& TBitBtn::StaticClass() {
  static const TClassInfo info = [] {
    auto custom = [](const TBitBtn& b) { return b.IsCustom(); };
    TClassBuilder<TBitBtn> b("TBitBtn", &TButton::StaticClass());
    b.Creatable()
        // Redeclared: a standard kind brings these itself.
        .String("Caption", Field(&TControl::Caption), std::nullopt)
        .StoredWhen([](const TBitBtn& b) { return b.Caption != BitBtnKindCaption(b.Kind()); })
        .Boolean("Cancel", Field(&TButton::Cancel), false)
        .StoredWhen(custom)
        .Boolean("Default", Field(&TButton::Default), false)
        .StoredWhen(custom)
        .Integer("ModalResult", Field(&TButton::ModalResult), mrNone, &ModalResultIdents)
        .StoredWhen(custom)
        .Object("Glyph", [](TBitBtn& b) -> TPersistent* { return &b.Glyph; })
        .StoredWhen(custom)
        .Enumeration("Kind", Methods(&TBitBtn::Kind, &TBitBtn::SetKind), BitBtnKindInfo, 0)
        .Enumeration("Layout", Field(&TBitBtn::Layout), ButtonLayoutInfo, 0)
        .Integer("Margin", Field(&TBitBtn::Margin), -1)
        .Integer("NumGlyphs", Methods(&TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs), 1)
        .Integer("Spacing", Field(&TBitBtn::Spacing), 4);
    return b.Build();
  }();
  return info;
}

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner) {}

void TBitBtn::SetKind(TBitBtnKind kind) {
  if (kind == kind_) return;
  if (kind != TBitBtnKind::bkCustom) {
    Default = kind == TBitBtnKind::bkOK || kind == TBitBtnKind::bkYes;
    Cancel = kind == TBitBtnKind::bkCancel || kind == TBitBtnKind::bkNo;
    if (!HasState(csLoading) || Caption.empty()) Caption = BitBtnKindCaption(kind);
    ModalResult = BitBtnKindModalResult(kind);
  }
  kind_ = kind;
}

void TBitBtn::SetNumGlyphs(int32_t count) { numGlyphs_ = ClampGlyphCount(count); }

// ---- TSpeedButton ----

const TClassInfo& TSpeedButton::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TSpeedButton> b("TSpeedButton", &TGraphicControl::StaticClass());
    b.Creatable()
        .Boolean("AllowAllUp", Methods(&TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp), false)
        .Integer("GroupIndex", Methods(&TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex), 0)
        .Boolean("Down", Methods(&TSpeedButton::Down, &TSpeedButton::SetDown), false);
    PublishCaption(b);
    b.Boolean("Flat", Field(&TSpeedButton::Flat), false);
    PublishFont(b);
    b.Object("Glyph", [](TSpeedButton& s) -> TPersistent* { return &s.Glyph; })
        .Enumeration("Layout", Field(&TSpeedButton::Layout), ButtonLayoutInfo, 0)
        .Integer("Margin", Field(&TSpeedButton::Margin), -1)
        .Integer("NumGlyphs", Methods(&TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs), 1)
        .Integer("Spacing", Field(&TSpeedButton::Spacing), 4)
        .Boolean("Transparent", Field(&TSpeedButton::Transparent), true);
    return b.Build();
  }();
  return info;
}

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
  Width = 23;
  Height = 22;
}

std::vector<TSpeedButton*> TSpeedButton::GroupMembers() const {
  std::vector<TSpeedButton*> members;
  if (!Parent() || groupIndex_ == 0) return members;
  for (int i = 0; i < Parent()->ControlCount(); ++i)
    if (auto* s = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
        s && s != this && s->groupIndex_ == groupIndex_)
      members.push_back(s);
  return members;
}

void TSpeedButton::SetAllowAllUp(bool value) {
  allowAllUp_ = value;
  for (TSpeedButton* s : GroupMembers()) s->allowAllUp_ = value;
}

void TSpeedButton::SetDown(bool down) {
  if (groupIndex_ == 0) down = false;
  if (down == down_) return;
  // The down button of a group stays down unless all may be up.
  if (down_ && !allowAllUp_) return;
  down_ = down;
  if (down)
    for (TSpeedButton* s : GroupMembers()) s->down_ = false;
}

void TSpeedButton::SetNumGlyphs(int32_t count) { numGlyphs_ = ClampGlyphCount(count); }

}  // namespace brim

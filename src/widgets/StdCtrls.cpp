#include "widgets/StdCtrls.h"

#include <algorithm>

#include "common/routines_Strings.h"
#include "widgets/Forms.h"

namespace brim {

const TEnumInfo ScrollStyleInfo("TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"});
const TEnumInfo ComboBoxStyleInfo("TComboBoxStyle", {"csDropDown", "csSimple", "csDropDownList",
                                                     "csOwnerDrawFixed", "csOwnerDrawVariable"});
const TEnumInfo CheckBoxStateInfo("TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"});
const TEnumInfo LeftRightInfo("TLeftRight", {"taLeftJustify", "taRightJustify"});

// ---- Labels ----

const TClassInfo& TCustomLabel::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomLabel>("TCustomLabel", &TGraphicControl::StaticClass()).Build();
  return info;
}

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
  Width = 65;
  Height = 13;
}

const TClassInfo& TLabel::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TLabel> b("TLabel", &TCustomLabel::StaticClass());
    b.Creatable();
    PublishCaption(b);
    PublishColor(b, clBtnFace, true);
    PublishFont(b);
    b.Enumeration("Alignment", Field(&TCustomLabel::Alignment), AlignmentInfo, 0)
        .Boolean("AutoSize", Field(&TCustomLabel::AutoSize), true)
        .Reference<TWinControl>("FocusControl", Field(&TCustomLabel::FocusControl))
        .Enumeration("Layout", Field(&TCustomLabel::Layout), TextLayoutInfo, 0)
        .Boolean("ShowAccelChar", Field(&TCustomLabel::ShowAccelChar), true)
        .Boolean("Transparent", Field(&TCustomLabel::Transparent), false)
        .Boolean("WordWrap", Field(&TCustomLabel::WordWrap), false);
    return b.Build();
  }();
  return info;
}

// ---- TButton ----

const TClassInfo& TButton::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TButton> b("TButton", &TWinControl::StaticClass());
    b.Creatable();
    PublishCaption(b);
    PublishFont(b);
    b.Boolean("Cancel", Field(&TButton::Cancel), false)
        .Boolean("Default", Field(&TButton::Default), false)
        .Integer("ModalResult", Field(&TButton::ModalResult), mrNone, &ModalResultIdents);
    PublishTabs(b, true);
    return b.Build();
  }();
  return info;
}

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  Width = 75;
  Height = 25;
  TabStop = true;
}

void TButton::Click() {
  if (!Visible || !Enabled) return;
  if (OnClick) OnClick(this);
  if (ModalResult == mrNone) return;
  // The result ends the modal loop of the nearest form the button is on: a
  // page hosted in another form keeps it to itself.
  for (TWinControl* p = Parent(); p; p = p->Parent())
    if (auto* form = dynamic_cast<TCustomForm*>(p)) {
      form->ModalResult = ModalResult;
      return;
    }
}

// ---- Edit boxes ----

const TClassInfo& TCustomEdit::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomEdit>("TCustomEdit", &TWinControl::StaticClass()).Build();
  return info;
}

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  Width = 121;
  Height = 21;
  TabStop = true;
  SetColor(clWindow);
}

void TCustomEdit::Change() {
  if (!HasState(csLoading) && OnChange) OnChange(this);
}

const TClassInfo& TEdit::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TEdit> b("TEdit", &TCustomEdit::StaticClass());
    b.Creatable().Boolean("AutoSize", Field(&TCustomEdit::AutoSize), true);
    b.Enumeration("BorderStyle", Field(&TCustomEdit::BorderStyle), BorderStyleInfo, 1);
    PublishColor(b, clWindow, false);
    PublishFont(b);
    b.Integer("MaxLength", Field(&TCustomEdit::MaxLength), 0)
        .Boolean("ReadOnly", Field(&TCustomEdit::ReadOnly), false);
    PublishTabs(b, true);
    b.String("Text", Methods(&TEdit::Text, &TEdit::SetText)).Event("OnChange", &TCustomEdit::OnChange);
    return b.Build();
  }();
  return info;
}

TEdit::TEdit(TComponent* owner) : TCustomEdit(owner) {}

void TEdit::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Change();
}

const TClassInfo& TCustomMemo::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomMemo>("TCustomMemo", &TCustomEdit::StaticClass()).Build();
  return info;
}

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomEdit(owner) {
  Width = 185;
  Height = 89;
  AutoSize = false;
  Lines.OnChange = [this](TStrings&) { Change(); };
}

const TClassInfo& TMemo::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TMemo> b("TMemo", &TCustomMemo::StaticClass());
    b.Creatable();
    PublishMemo(b);
    return b.Build();
  }();
  return info;
}

// ---- List and combo boxes ----

const TClassInfo& TListControl::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TListControl>("TListControl", &TWinControl::StaticClass()).Build();
  return info;
}

TListControl::TListControl(TComponent* owner) : TWinControl(owner) {
  TabStop = true;
  SetColor(clWindow);
  Items.OnChange = [this](TStrings&) { ItemsChanged(); };
}

void TListControl::SetSorted(bool sorted) {
  sorted_ = sorted;
  if (sorted_) SortItems();
}

void TListControl::SetItemIndex(int32_t index) {
  itemIndex_ = index >= 0 && index < Items.Count() ? index : -1;
}

void TListControl::ItemsChanged() {
  if (sorting_) return;
  if (sorted_) SortItems();
  if (itemIndex_ >= Items.Count()) itemIndex_ = -1;
}

void TListControl::SortItems() {
  std::vector<std::string> lines = Items.Lines();
  std::stable_sort(lines.begin(), lines.end(),
                   [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  if (lines == Items.Lines()) return;
  TStringList sorted;
  for (const auto& l : lines) sorted.Add(l);
  sorting_ = true;
  Items.Assign(sorted);
  sorting_ = false;
}

const TClassInfo& TListBox::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TListBox> b("TListBox", &TListControl::StaticClass());
    b.Creatable().Enumeration("BorderStyle", Field(&TListBox::BorderStyle), BorderStyleInfo, 1);
    PublishColor(b, clWindow, false);
    PublishFont(b);
    b.Integer("ItemHeight", Field(&TListControl::ItemHeight), 16)
        .Object("Items", [](TListBox& l) -> TPersistent* { return &l.Items; })
        .Boolean("MultiSelect", Field(&TListBox::MultiSelect), false)
        .Boolean("Sorted", Methods(&TListControl::Sorted, &TListControl::SetSorted), false);
    PublishTabs(b, true);
    return b.Build();
  }();
  return info;
}

TListBox::TListBox(TComponent* owner) : TListControl(owner) {
  Width = 121;
  Height = 97;
}

const TClassInfo& TComboBox::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TComboBox> b("TComboBox", &TListControl::StaticClass());
    b.Creatable();
    PublishColor(b, clWindow, false);
    b.Integer("DropDownCount", Field(&TComboBox::DropDownCount), 8);
    PublishFont(b);
    b.Integer("ItemHeight", Field(&TListControl::ItemHeight), 16)
        .Object("Items", [](TComboBox& c) -> TPersistent* { return &c.Items; })
        .Integer("MaxLength", Field(&TComboBox::MaxLength), 0)
        .Boolean("Sorted", Methods(&TListControl::Sorted, &TListControl::SetSorted), false)
        .Enumeration("Style", Field(&TComboBox::Style), ComboBoxStyleInfo, 0);
    PublishTabs(b, true);
    b.String("Text", Methods(&TComboBox::Text, &TComboBox::SetText))
        .Event("OnChange", &TComboBox::OnChange);
    return b.Build();
  }();
  return info;
}

TComboBox::TComboBox(TComponent* owner) : TListControl(owner) {
  Width = 145;
  Height = 21;
}

void TComboBox::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  if (!HasState(csLoading) && OnChange) OnChange(this);
}

void TComboBox::SetItemIndex(int32_t index) {
  TListControl::SetItemIndex(index);
  if (itemIndex_ >= 0) SetText(Items.Strings(itemIndex_));
}

// ---- Group box, check box, radio button ----

const TClassInfo& TGroupBox::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TGroupBox> b("TGroupBox", &TCustomControl::StaticClass());
    b.Creatable();
    PublishCaption(b);
    PublishColor(b, clBtnFace, true);
    PublishFont(b);
    PublishTabs(b, false);
    return b.Build();
  }();
  return info;
}

TGroupBox::TGroupBox(TComponent* owner) : TCustomControl(owner) {
  Width = 185;
  Height = 105;
}

const TClassInfo& TCheckBox::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TCheckBox> b("TCheckBox", &TWinControl::StaticClass());
    b.Creatable()
        .Enumeration("Alignment", Field(&TCheckBox::Alignment), LeftRightInfo, 1)
        .Boolean("AllowGrayed", Field(&TCheckBox::AllowGrayed), false);
    PublishCaption(b);
    b.Boolean("Checked", Methods(&TCheckBox::Checked, &TCheckBox::SetChecked), false);
    PublishColor(b, clBtnFace, true);
    PublishFont(b);
    b.Enumeration("State", Field(&TCheckBox::State), CheckBoxStateInfo, 0);
    PublishTabs(b, true);
    return b.Build();
  }();
  return info;
}

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) {
  Width = 97;
  Height = 17;
  TabStop = true;
}

const TClassInfo& TRadioButton::StaticClass() {
  static const TClassInfo info = [] {
    TClassBuilder<TRadioButton> b("TRadioButton", &TWinControl::StaticClass());
    b.Creatable().Enumeration("Alignment", Field(&TRadioButton::Alignment), LeftRightInfo, 1);
    PublishCaption(b);
    b.Boolean("Checked", Methods(&TRadioButton::Checked, &TRadioButton::SetChecked), false);
    PublishColor(b, clBtnFace, true);
    PublishFont(b);
    PublishTabs(b, false);
    return b.Build();
  }();
  return info;
}

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner) {
  Width = 113;
  Height = 17;
}

void TRadioButton::SetChecked(bool checked) {
  checked_ = checked;
  if (!checked || !Parent()) return;
  for (int i = 0; i < Parent()->ControlCount(); ++i)
    if (auto* other = dynamic_cast<TRadioButton*>(Parent()->Controls(i)); other && other != this)
      other->checked_ = false;
}

}  // namespace brim

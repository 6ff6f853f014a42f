// The standard controls: labels, push buttons, edit and memo boxes, list
// and combo boxes, group boxes, check boxes and radio buttons. Data model
// only: what a form stream sets and what the pages read back.
#pragma once

#include <string>

#include "objects/TStrings.h"
#include "widgets/Controls.h"

namespace brim {

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
extern const TEnumInfo ScrollStyleInfo;
extern const TEnumInfo ComboBoxStyleInfo;
extern const TEnumInfo CheckBoxStateInfo;
// Check boxes and radio buttons put their text left or right of the box.
extern const TEnumInfo LeftRightInfo;

// A text drawn on the parent.
class TCustomLabel : public TGraphicControl {
  BRIM_CLASS(TCustomLabel)

 public:
  explicit TCustomLabel(TComponent* owner);

  TAlignment Alignment = TAlignment::taLeftJustify;
  bool AutoSize = true;
  // The control that takes the focus when the label's accelerator is used.
  TWinControl* FocusControl = nullptr;
  TTextLayout Layout = TTextLayout::tlTop;
  bool ShowAccelChar = true;
  bool Transparent = false;
  bool WordWrap = false;
};

class TLabel : public TCustomLabel {
  BRIM_CLASS(TLabel)

 public:
  explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

// A push button. Default buttons answer Enter, cancel buttons Escape; a
// button with a ModalResult ends its form's modal loop with it.
class TButton : public TWinControl {
  BRIM_CLASS(TButton)

 public:
  explicit TButton(TComponent* owner);

  bool Cancel = false;
  bool Default = false;
  TModalResult ModalResult = mrNone;

  // Presses the button as the user would; a hidden or disabled one does
  // nothing. OnClick runs, then a ModalResult becomes the form's.
  void Click();
};

// The base of the edit boxes.
class TCustomEdit : public TWinControl {
  BRIM_CLASS(TCustomEdit)

 public:
  explicit TCustomEdit(TComponent* owner);

  bool AutoSize = true;
  TBorderStyle BorderStyle = TBorderStyle::bsSingle;
  int32_t MaxLength = 0;  // 0: no limit
  bool ReadOnly = false;
  TNotifyEvent OnChange;

 protected:
  // Fires OnChange, except while a stream is read.
  void Change();
};

// A one-line edit box.
class TEdit : public TCustomEdit {
  BRIM_CLASS(TEdit)

 public:
  explicit TEdit(TComponent* owner);

  const std::string& Text() const { return text_; }
  // A different text fires OnChange.
  void SetText(const std::string& text);

 private:
  std::string text_;
};

// A multi-line edit box holding its text as Lines; any change of the
// lines fires OnChange.
class TCustomMemo : public TCustomEdit {
  BRIM_CLASS(TCustomMemo)

 public:
  explicit TCustomMemo(TComponent* owner);

  TAlignment Alignment = TAlignment::taLeftJustify;
  TStringList Lines;
  TScrollStyle ScrollBars = TScrollStyle::ssNone;
  bool WantReturns = true;
  bool WantTabs = false;
  bool WordWrap = true;
};

class TMemo : public TCustomMemo {
  BRIM_CLASS(TMemo)

 public:
  explicit TMemo(TComponent* owner) : TCustomMemo(owner) {}
};

// The properties TMemo and TRichEdit both publish, in writing order; a
// class adds its own through `own`, written after ReadOnly.
template <class T>
void PublishMemo(TClassBuilder<T>& b, void (*own)(TClassBuilder<T>&) = nullptr) {
  b.Enumeration("Alignment", Field(&TCustomMemo::Alignment), AlignmentInfo, 0)
      .Enumeration("BorderStyle", Field(&TCustomEdit::BorderStyle), BorderStyleInfo, 1);
  PublishColor(b, clWindow, false);
  PublishFont(b);
  b.Object("Lines", [](T& m) -> TPersistent* { return &m.Lines; })
      .Integer("MaxLength", Field(&TCustomEdit::MaxLength), 0)
      .Boolean("ReadOnly", Field(&TCustomEdit::ReadOnly), false);
  if (own) own(b);
  b.Enumeration("ScrollBars", Field(&TCustomMemo::ScrollBars), ScrollStyleInfo, 0);
  PublishTabs(b, true);
  b.Boolean("WantReturns", Field(&TCustomMemo::WantReturns), true)
      .Boolean("WantTabs", Field(&TCustomMemo::WantTabs), false)
      .Boolean("WordWrap", Field(&TCustomMemo::WordWrap), true)
      .Event("OnChange", &TCustomEdit::OnChange);
}

// The list of a list box or combo box, kept in order when Sorted.
class TListControl : public TWinControl {
  BRIM_CLASS(TListControl)

 public:
  explicit TListControl(TComponent* owner);

  TStringList Items;
  int32_t ItemHeight = 16;

  bool Sorted() const { return sorted_; }
  // Sorting orders the items alphabetically, ignoring case; while sorted,
  // items added anywhere are put in order.
  void SetSorted(bool sorted);
  // The selected item, -1 for none; an index outside the items selects none.
  int32_t ItemIndex() const { return itemIndex_; }
  virtual void SetItemIndex(int32_t index);

 protected:
  int32_t itemIndex_ = -1;

 private:
  void ItemsChanged();
  void SortItems();
  bool sorted_ = false;
  bool sorting_ = false;
};

class TListBox : public TListControl {
  BRIM_CLASS(TListBox)

 public:
  explicit TListBox(TComponent* owner);

  TBorderStyle BorderStyle = TBorderStyle::bsSingle;
  bool MultiSelect = false;
};

// An edit box with a drop-down list; selecting an item copies it into Text.
class TComboBox : public TListControl {
  BRIM_CLASS(TComboBox)

 public:
  explicit TComboBox(TComponent* owner);

  int32_t DropDownCount = 8;
  int32_t MaxLength = 0;
  TComboBoxStyle Style = TComboBoxStyle::csDropDown;
  TNotifyEvent OnChange;

  const std::string& Text() const { return text_; }
  // A different text fires OnChange (except while a stream is read).
  void SetText(const std::string& text);
  // Selecting an item also makes it the text.
  void SetItemIndex(int32_t index) override;

 private:
  std::string text_;
};

class TGroupBox : public TCustomControl {
  BRIM_CLASS(TGroupBox)

 public:
  explicit TGroupBox(TComponent* owner);
};

class TCheckBox : public TWinControl {
  BRIM_CLASS(TCheckBox)

 public:
  explicit TCheckBox(TComponent* owner);

  TAlignment Alignment = TAlignment::taRightJustify;
  bool AllowGrayed = false;
  // Checked and State are two views of one value.
  bool Checked() const { return State == TCheckBoxState::cbChecked; }
  void SetChecked(bool checked) {
    State = checked ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked;
  }
  TCheckBoxState State = TCheckBoxState::cbUnchecked;
};

// Of the radio buttons on one parent, at most one is checked: checking
// one unchecks the others.
class TRadioButton : public TWinControl {
  BRIM_CLASS(TRadioButton)

 public:
  explicit TRadioButton(TComponent* owner);

  TAlignment Alignment = TAlignment::taRightJustify;
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);

 private:
  bool checked_ = false;
};

}  // namespace brim

// The rules controls keep between their properties: standard button
// kinds, radio and speed button groups, progress ranges, sorted lists,
// change events, and values a stream gives before the ones they depend on.
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "widgets/Buttons.h"
#include "widgets/ComCtrls.h"
#include "widgets/Forms.h"

namespace brim::test {
namespace {

class ControlRules : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterStreamClasses(); }
  TOwned<TForm> form_{new TForm(nullptr)};

  template <class T>
  T* Add(const char* name, TWinControl* parent = nullptr) {
    auto* c = new T(form_.get());
    c->SetName(name);
    c->SetParent(parent ? parent : form_.get());
    return c;
  }
  std::string Saved() { return SaveText(*form_); }
};

TEST_F(ControlRules, AStandardButtonKindBringsCaptionResultAndRole) {
  auto* ok = Add<TBitBtn>("OkBtn");
  ok->SetKind(TBitBtnKind::bkOK);
  EXPECT_EQ(ok->Caption, "OK");
  EXPECT_EQ(ok->ModalResult, mrOk);
  EXPECT_TRUE(ok->Default);
  EXPECT_FALSE(ok->Cancel);
  auto* no = Add<TBitBtn>("NoBtn");
  no->SetKind(TBitBtnKind::bkNo);
  EXPECT_EQ(no->Caption, "&No");
  EXPECT_EQ(no->ModalResult, mrNo);
  EXPECT_TRUE(no->Cancel);

  // Only the kind is written: the rest comes back with it.
  std::string saved = Saved();
  EXPECT_NE(saved.find("Kind = bkOK"), std::string::npos);
  EXPECT_EQ(saved.find("ModalResult"), std::string::npos);
  EXPECT_EQ(saved.find("Caption"), std::string::npos);
  auto again = LoadText(saved);
  auto* loaded = dynamic_cast<TBitBtn*>(again->FindComponent("NoBtn"));
  EXPECT_EQ(loaded->Caption, "&No");
  EXPECT_TRUE(loaded->Cancel);
  EXPECT_EQ(SaveText(*again), saved);
}

TEST_F(ControlRules, AStreamedCaptionOutlivesTheKindThatFollowsIt) {
  auto form = LoadText(R"(object F: TForm
  object Btn: TBitBtn
    Caption = 'Abbrechen'
    Kind = bkCancel
  end
end
)");
  auto* btn = dynamic_cast<TBitBtn*>(form->FindComponent("Btn"));
  EXPECT_EQ(btn->Caption, "Abbrechen");
  EXPECT_EQ(btn->ModalResult, mrCancel);
  EXPECT_TRUE(btn->Cancel);
  EXPECT_NE(SaveText(*form).find("Caption = 'Abbrechen'"), std::string::npos);
  // Outside loading the kind sets its caption.
  btn->SetKind(TBitBtnKind::bkRetry);
  EXPECT_EQ(btn->Caption, "&Retry");
}

TEST_F(ControlRules, GlyphCountsStayBetweenOneAndFour) {
  auto* btn = Add<TBitBtn>("B");
  btn->SetNumGlyphs(7);
  EXPECT_EQ(btn->NumGlyphs(), 4);
  btn->SetNumGlyphs(-2);
  EXPECT_EQ(btn->NumGlyphs(), 1);
}

TEST_F(ControlRules, CheckingARadioButtonUnchecksItsSiblingsOnly) {
  auto* box = Add<TGroupBox>("Box");
  auto* a = Add<TRadioButton>("A", box);
  auto* b = Add<TRadioButton>("B", box);
  auto* elsewhere = Add<TRadioButton>("C");
  elsewhere->SetChecked(true);
  a->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_TRUE(elsewhere->Checked());
}

TEST_F(ControlRules, SpeedButtonsOfAGroupAreDownOneAtATime) {
  auto* one = Add<TSpeedButton>("One");
  auto* two = Add<TSpeedButton>("Two");
  auto* loose = Add<TSpeedButton>("Loose");
  one->SetGroupIndex(1);
  two->SetGroupIndex(1);
  loose->SetDown(true);
  EXPECT_FALSE(loose->Down());  // outside a group a button never stays down
  one->SetDown(true);
  two->SetDown(true);
  EXPECT_FALSE(one->Down());
  EXPECT_TRUE(two->Down());
  two->SetDown(false);
  EXPECT_TRUE(two->Down());  // the last one down stays down...
  one->SetAllowAllUp(true);
  EXPECT_TRUE(two->AllowAllUp());
  two->SetDown(false);
  EXPECT_FALSE(two->Down());  // ...unless the group allows all up
}

TEST_F(ControlRules, ProgressStaysInItsRangeAndStepsRoundIt) {
  auto* bar = Add<TProgressBar>("Bar");
  bar->SetPosition(150);
  EXPECT_EQ(bar->Position(), 100);
  bar->SetMax(50);
  EXPECT_EQ(bar->Position(), 50);
  bar->SetPosition(45);
  bar->StepIt();
  EXPECT_EQ(bar->Position(), 0);  // past the end it starts again
  bar->StepBy(-5);
  EXPECT_EQ(bar->Position(), 0);
  bar->StepBy(30);
  EXPECT_EQ(bar->Position(), 30);
}

TEST_F(ControlRules, AStreamMayGiveThePositionBeforeTheRange) {
  auto form = LoadText(R"(object F: TForm
  object Bar: TProgressBar
    Position = 150
    Max = 200
  end
  object Bad: TProgressBar
    Position = 500
  end
  object Tabs: TTabControl
    TabIndex = 1
    Tabs.Strings = (
      'First'
      'Second')
  end
end
)");
  EXPECT_EQ(dynamic_cast<TProgressBar*>(form->FindComponent("Bar"))->Position(), 150);
  EXPECT_EQ(dynamic_cast<TProgressBar*>(form->FindComponent("Bad"))->Position(), 100);
  auto* tabs = dynamic_cast<TTabControl*>(form->FindComponent("Tabs"));
  EXPECT_EQ(tabs->TabIndex(), 1);
  tabs->SetTabIndex(2);
  EXPECT_EQ(tabs->TabIndex(), -1);
}

TEST_F(ControlRules, ASortedListKeepsItsItemsInOrder) {
  auto form = LoadText(R"(object F: TForm
  object Folders: TListBox
    Items.Strings = (
      'Utilities'
      'accessories'
      'Games')
    Sorted = True
  end
end
)");
  auto* list = dynamic_cast<TListBox*>(form->FindComponent("Folders"));
  EXPECT_EQ(list->Items.Join(","), "accessories,Games,Utilities");
  list->Items.Add("Brimwell");
  EXPECT_EQ(list->Items.Join(","), "accessories,Brimwell,Games,Utilities");
  list->SetItemIndex(3);
  EXPECT_EQ(list->ItemIndex(), 3);
  list->Items.Delete(0);
  EXPECT_EQ(list->ItemIndex(), -1);
  list->SetItemIndex(7);
  EXPECT_EQ(list->ItemIndex(), -1);
}

TEST_F(ControlRules, ChoosingAComboItemMakesItTheText) {
  auto* combo = Add<TComboBox>("Combo");
  combo->Items.Add("Full");
  combo->Items.Add("Compact");
  int changes = 0;
  combo->OnChange.Handler = [&](TComponent*) { ++changes; };
  combo->SetItemIndex(1);
  EXPECT_EQ(combo->Text(), "Compact");
  EXPECT_EQ(changes, 1);
}

TEST_F(ControlRules, EditsReportChangesButNotWhileLoading) {
  auto* edit = Add<TEdit>("Edit");
  auto* memo = Add<TMemo>("Memo");
  std::vector<std::string> changed;
  edit->OnChange.Handler = [&](TComponent* s) { changed.push_back(s->Name()); };
  memo->OnChange.Handler = edit->OnChange.Handler;
  edit->SetText("C:\\Program Files\\Demo");
  edit->SetText("C:\\Program Files\\Demo");
  memo->Lines.Add("line");
  EXPECT_EQ(changed, (std::vector<std::string>{"Edit", "Memo"}));

  struct TCounting : TForm {
    explicit TCounting(TComponent* o) : TForm(o) {
      AddHandler<void(TComponent*)>("Count", [this](TComponent*) { ++Count; });
    }
    int Count = 0;
  };
  TOwned<TCounting> counting(new TCounting(nullptr));
  LoadForm(*counting, ParseTextForm(R"(object F: TForm
  object E: TEdit
    Text = 'typed'
    OnChange = Count
  end
  object M: TMemo
    OnChange = Count
    Lines.Strings = (
      'one')
  end
end
)"));
  EXPECT_EQ(counting->Count, 0);
  dynamic_cast<TEdit*>(counting->FindComponent("E"))->SetText("again");
  EXPECT_EQ(counting->Count, 1);
}

}  // namespace
}  // namespace brim::test

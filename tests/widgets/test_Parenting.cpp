// Controls placed on windowed controls: the parent lists that streams
// build and write, what a form root writes besides its controls, tab
// order, the font and colour children take from their parent, and what
// destroying a control leaves behind.
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "objects/SampleClasses.h"
#include "widgets/ExtCtrls.h"
#include "widgets/Forms.h"
#include "widgets/StdCtrls.h"

namespace brim::test {
namespace {

const char* kNested = R"(object Main: TForm
  Left = 0
  Top = 0
  Width = 400
  Height = 300
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Arial'
  Font.Style = []
  OldCreateOrder = False
  PixelsPerInch = 96
  TextHeight = 14
  object Outer: TPanel
    Left = 0
    Top = 0
    Width = 400
    Height = 200
    TabOrder = 1
    object Inner: TPanel
      Left = 8
      Top = 8
      Width = 200
      Height = 100
      TabOrder = 0
      object Caption1: TLabel
        Left = 4
        Top = 4
        Width = 60
        Height = 14
        Caption = 'Inside'
      end
      object Edit1: TEdit
        Left = 4
        Top = 20
        Width = 120
        Height = 21
        TabOrder = 0
      end
    end
    object Caption2: TLabel
      Left = 220
      Top = 8
      Width = 60
      Height = 14
      Caption = 'Beside'
    end
  end
  object Bottom: TPanel
    Left = 0
    Top = 200
    Width = 400
    Height = 100
    TabOrder = 0
  end
  object Thing1: TSampleThing
    Left = 16
    Top = 24
    Number = 7
    Mode = cmFancy
    Types = [itFull, itDefault, itCompact]
    Always = False
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWindowText
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Font.Style = []
  end
end
)";

class Parenting : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterStreamClasses();
    RegisterSampleClasses();
  }
  template <class T>
  static T* Find(const TOwned<>& form, const char* name) {
    auto* c = dynamic_cast<T*>(form->FindComponent(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
};

TEST_F(Parenting, NestedControlsLandOnTheirStreamParents) {
  auto form = LoadText(kNested);
  auto* main = As<TForm>(form);
  auto* outer = Find<TPanel>(form, "Outer");
  auto* inner = Find<TPanel>(form, "Inner");
  EXPECT_EQ(outer->Parent(), main);
  EXPECT_EQ(inner->Parent(), outer);
  EXPECT_EQ(Find<TLabel>(form, "Caption1")->Parent(), inner);
  EXPECT_EQ(Find<TEdit>(form, "Edit1")->Parent(), inner);
  EXPECT_EQ(Find<TLabel>(form, "Caption2")->Parent(), outer);
  ASSERT_EQ(outer->ControlCount(), 2);
  EXPECT_EQ(outer->Controls(0), inner);
  // Every component of the stream is owned by the root.
  EXPECT_EQ(main->ComponentCount(), 7);
  EXPECT_EQ(Find<TLabel>(form, "Caption1")->Owner(), main);
}

TEST_F(Parenting, TheRootWritesItsControlsThenItsComponentsWithoutParent) {
  auto form = LoadText(kNested);
  std::vector<TComponent*> children = form->GetChildren(form.get());
  ASSERT_EQ(children.size(), 3u);
  EXPECT_EQ(children[0]->Name(), "Outer");
  EXPECT_EQ(children[1]->Name(), "Bottom");
  EXPECT_EQ(children[2]->Name(), "Thing1");
  EXPECT_EQ(SaveText(*form), kNested);
}

TEST_F(Parenting, AControlNotOwnedByTheRootIsNotWrittenUnderIt) {
  auto form = LoadText(kNested);
  auto* outer = Find<TPanel>(form, "Outer");
  TOwned<TComponent> stranger(new TComponent(nullptr));
  auto* foreign = new TLabel(stranger.get());
  foreign->SetParent(outer);
  EXPECT_EQ(outer->ControlCount(), 3);
  EXPECT_EQ(outer->GetChildren(form.get()).size(), 2u);
  EXPECT_EQ(SaveText(*form), kNested);
}

TEST_F(Parenting, TabOrderFollowsTheStreamNotTheCreationOrder) {
  auto form = LoadText(kNested);
  auto* main = As<TForm>(form);
  ASSERT_EQ(main->TabList().size(), 2u);
  EXPECT_EQ(main->TabList()[0]->Name(), "Bottom");
  EXPECT_EQ(main->TabList()[1]->Name(), "Outer");

  // Outside loading a position out of range moves the control to the end.
  auto* bottom = Find<TPanel>(form, "Bottom");
  bottom->SetTabOrder(99);
  EXPECT_EQ(bottom->TabOrder(), 1);
  EXPECT_EQ(Find<TPanel>(form, "Outer")->TabOrder(), 0);
}

TEST_F(Parenting, MovingAControlTakesItOutOfItsOldParent) {
  auto form = LoadText(kNested);
  auto* inner = Find<TPanel>(form, "Inner");
  auto* bottom = Find<TPanel>(form, "Bottom");
  auto* edit = Find<TEdit>(form, "Edit1");
  edit->SetParent(bottom);
  EXPECT_EQ(inner->ControlCount(), 1);
  ASSERT_EQ(bottom->ControlCount(), 1);
  EXPECT_EQ(bottom->Controls(0), edit);
  EXPECT_EQ(edit->TabOrder(), 0);
  EXPECT_TRUE(inner->TabList().empty());
}

TEST_F(Parenting, AControlCannotContainItself) {
  auto form = LoadText(kNested);
  auto* outer = Find<TPanel>(form, "Outer");
  auto* inner = Find<TPanel>(form, "Inner");
  EXPECT_THROW(outer->SetParent(outer), EInvalidOperation);
  try {
    outer->SetParent(inner);
    FAIL() << "a panel was placed inside its own child";
  } catch (const EInvalidOperation& e) {
    EXPECT_NE(e.Message().find("Outer"), std::string::npos);
    EXPECT_NE(e.Message().find("Inner"), std::string::npos);
  }
  EXPECT_EQ(outer->Parent(), As<TForm>(form));
}

TEST_F(Parenting, ALabelCannotHoldControlsInAStream) {
  const char* text = R"(object F: TForm
  object Holder: TLabel
    object Held: TButton
    end
  end
end
)";
  try {
    LoadText(text);
    FAIL() << "a button was loaded onto a label";
  } catch (const EStreamError& e) {
    EXPECT_NE(e.Message().find("Held"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("Holder"), std::string::npos) << e.Message();
  }
}

TEST_F(Parenting, DestroyingAPanelDestroysWhatIsPlacedOnIt) {
  auto form = LoadText(kNested);
  auto* main = As<TForm>(form);
  auto* outer = Find<TPanel>(form, "Outer");
  outer->Free();
  EXPECT_EQ(main->ControlCount(), 1);
  EXPECT_EQ(main->Controls(0)->Name(), "Bottom");
  ASSERT_EQ(main->TabList().size(), 1u);
  EXPECT_EQ(main->TabList()[0]->TabOrder(), 0);
  for (const char* gone : {"Outer", "Inner", "Caption1", "Edit1", "Caption2"})
    EXPECT_EQ(main->FindComponent(gone), nullptr) << gone;
  EXPECT_EQ(main->ComponentCount(), 2);
  // What is left is written without a trace of them.
  std::string saved = SaveText(*form);
  EXPECT_EQ(saved.find("Inside"), std::string::npos);
  EXPECT_NE(saved.find("object Bottom: TPanel"), std::string::npos);
}

TEST_F(Parenting, DestroyingAControlTakesItOutOfItsParent) {
  auto form = LoadText(kNested);
  auto* inner = Find<TPanel>(form, "Inner");
  Find<TEdit>(form, "Edit1")->Free();
  ASSERT_EQ(inner->ControlCount(), 1);
  EXPECT_EQ(inner->Controls(0)->Name(), "Caption1");
  EXPECT_TRUE(inner->TabList().empty());
  // A plain delete does the same.
  delete Find<TLabel>(form, "Caption1");
  EXPECT_EQ(inner->ControlCount(), 0);
}

TEST_F(Parenting, AReferenceToADestroyedControlIsCleared) {
  auto form = LoadText(kNested);
  auto* main = As<TForm>(form);
  auto* edit = Find<TEdit>(form, "Edit1");
  main->ActiveControl = edit;
  Find<TPanel>(form, "Outer")->Free();
  EXPECT_EQ(main->ActiveControl, nullptr);
}

TEST_F(Parenting, ChildrenFollowTheirParentsFontAndColourUntilGivenTheirOwn) {
  auto form = LoadText(kNested);
  auto* main = As<TForm>(form);
  auto* outer = Find<TPanel>(form, "Outer");
  auto* beside = Find<TLabel>(form, "Caption2");
  auto* inside = Find<TLabel>(form, "Caption1");
  EXPECT_EQ(inside->Font().Name, "Arial");

  TFont courier;
  courier.Assign(main->Font());
  courier.Name = "Courier New";
  main->SetFont(courier);
  EXPECT_EQ(inside->Font().Name, "Courier New");

  beside->Font().Height = -16;
  beside->FontChanged();
  courier.Name = "Tahoma";
  main->SetFont(courier);
  EXPECT_EQ(inside->Font().Name, "Tahoma");
  EXPECT_EQ(beside->Font().Name, "Courier New");

  outer->SetColor(clWhite);
  EXPECT_EQ(beside->Color(), clWhite);
  EXPECT_TRUE(beside->ParentColor());
  // An edit box keeps its window colour.
  EXPECT_EQ(Find<TEdit>(form, "Edit1")->Color(), clWindow);
  beside->SetColor(clNavy);
  outer->SetColor(clBlack);
  EXPECT_EQ(beside->Color(), clNavy);
  EXPECT_FALSE(beside->ParentColor());
  beside->SetParentColor(true);
  EXPECT_EQ(beside->Color(), clBlack);
}

}  // namespace
}  // namespace brim::test

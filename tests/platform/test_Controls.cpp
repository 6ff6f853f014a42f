// Child controls on a window: what each kind holds and what it tells its
// owner. The same checks run on the headless controls (every build) and on
// the native controls of the win32 build, which need a display: the unit
// suite skips them without one, tests/e2e/brimsetup.sh runs them under Xvfb.
#include <gtest/gtest.h>

#include "platform/Controls.h"
#include "platform/HeadlessWindows.h"

namespace brim::test {
namespace {

void CheckControls(IWindowService& windows, IControlService& controls) {
  auto window = windows.CreateWindow("Brimwell controls", {-1392, -960, 640, 480}, {});
  if (!window) GTEST_SKIP() << "no window can be made here (no display)";
  window->Show();
  int clicks = 0, changes = 0;
  auto make = [&](TControlKind kind, const std::string& text) {
    auto control = controls.CreateControl(*window, kind, {10, 20, 120, 60}, text,
                                          {[&] { ++clicks; }, [&] { ++changes; }});
    EXPECT_NE(control, nullptr);
    return control;
  };

  // Every kind keeps its text, place, visibility and enabled state.
  struct Case {
    TControlKind Kind;
    const char* Text;
    const char* TextAfter;  // what Text() gives back
  } cases[] = {
      {TControlKind::Button, "&Next >", "&Next >"},   {TControlKind::CheckBox, "Run", "Run"},
      {TControlKind::Label, "Welcome", "Welcome"},    {TControlKind::Edit, "C:\\App", "C:\\App"},
      {TControlKind::Memo, "a\r\nb", "a\r\nb"},       {TControlKind::RichEdit, "Licence", "Licence"},
      {TControlKind::ListBox, "ignored", ""},         {TControlKind::ProgressBar, "ignored", ""},
  };
  for (const auto& c : cases) {
    auto control = make(c.Kind, c.Text);
    if (!control) continue;
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(control->Kind(), c.Kind);
    EXPECT_EQ(control->Text(), c.TextAfter);
    EXPECT_EQ(control->Bounds(), (TWindowBounds{10, 20, 120, 60}));
    EXPECT_TRUE(control->Visible() && control->Enabled());
    control->SetBounds({30, 40, 200, 25});
    control->SetVisible(false);
    control->SetEnabled(false);
    EXPECT_EQ(control->Bounds(), (TWindowBounds{30, 40, 200, 25}));
    EXPECT_FALSE(control->Visible() || control->Enabled());
  }

  // A list box holds lines and a selection; a progress bar a position in its range.
  auto list = make(TControlKind::ListBox, "");
  auto progress = make(TControlKind::ProgressBar, "");
  ASSERT_TRUE(list && progress);
  list->SetItems({"Full", "Compact", "Custom"});
  list->SetItemIndex(2);
  EXPECT_EQ(list->Items(), (std::vector<std::string>{"Full", "Compact", "Custom"}));
  EXPECT_EQ(list->ItemIndex(), 2);
  list->SetItems({"Full"});
  EXPECT_EQ(list->ItemIndex(), -1);
  progress->SetRange(1000);
  progress->SetPosition(250);
  EXPECT_EQ(progress->Position(), 250);

  // Pressing: a button tells, a check box toggles and tells, a disabled one does nothing.
  auto button = make(TControlKind::Button, "OK");
  auto check = make(TControlKind::CheckBox, "Run");
  auto edit = make(TControlKind::Edit, "");
  ASSERT_TRUE(button && check && edit);
  clicks = changes = 0;
  button->Click();
  check->Click();
  EXPECT_TRUE(check->Checked());
  check->SetEnabled(false);
  check->Click();
  EXPECT_TRUE(check->Checked());
  EXPECT_EQ(clicks, 2);
  edit->SetText("C:\\Program Files\\App");
  EXPECT_EQ(changes, 1) << "an edit box tells of a new text";
  while (windows.ProcessMessage(false) == TMessageStep::Handled) {
  }
}

// Panels, frames, pictures and paint boxes; what a control is made with,
// its font and colour; a list line chosen; the focus; the stacking order.
void CheckFacesAndOptions(IWindowService& windows, IControlService& controls) {
  auto window = windows.CreateWindow("Brimwell faces", {-1392, -960, 640, 480}, {});
  if (!window) GTEST_SKIP() << "no window can be made here (no display)";
  window->Show();

  struct Case {
    TControlKind Kind;
    TControlOptions Options;
    const char* Text;
    const char* TextAfter;
  } cases[] = {
      {TControlKind::Panel, {.Frame = TControlFrame::Raised}, "Panel", "Panel"},
      {TControlKind::GroupBox, {}, "Options", "Options"},
      {TControlKind::Bevel, {.Frame = TControlFrame::TopLine}, "", ""},
      {TControlKind::Image, {}, "ignored", ""},
      {TControlKind::PaintBox, {}, "ignored", ""},
      {TControlKind::Button, {.Default = true, .Cancel = false}, "&Next >", "&Next >"},
      {TControlKind::Button, {.Cancel = true}, "Cancel", "Cancel"},
      {TControlKind::ListBox, {.Sorted = true}, "", ""},
      {TControlKind::Edit, {.ReadOnly = true}, "C:\\App", "C:\\App"},
      {TControlKind::Label, {.WordWrap = false, .NoPrefix = true, .Alignment = TControlAlignment::Center},
       "A & B", "A & B"},
  };
  for (const auto& c : cases) {
    auto control = controls.CreateControl(*window, c.Kind, {10, 20, 120, 60}, c.Text, {}, c.Options);
    ASSERT_NE(control, nullptr) << c.Text;
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(control->Kind(), c.Kind);
    EXPECT_EQ(control->Text(), c.TextAfter);
    EXPECT_EQ(control->Options(), c.Options);
    EXPECT_EQ(control->Bounds(), (TWindowBounds{10, 20, 120, 60}));
  }

  // A sorted list orders its lines without regard to case; a chosen line tells.
  int selections = 0, paints = 0;
  TCanvasSize painted;
  auto list = controls.CreateControl(*window, TControlKind::ListBox, {0, 0, 100, 80}, "",
                                     {.Selected = [&] { ++selections; }}, {.Sorted = true});
  list->SetItems({"Program Files", "accessories", "Games"});
  EXPECT_EQ(list->Items(), (std::vector<std::string>{"accessories", "Games", "Program Files"}));
  list->Choose(1);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(selections, 1);

  // Fonts by face, height, weight and charset; colours of their own or the system's.
  auto label = controls.CreateControl(*window, TControlKind::Label, {0, 0, 100, 20}, "Setup");
  TControlFont font{"Arial", -24, true, true, false, 0};
  label->SetFont(font);
  EXPECT_EQ(label->Font(), font);
  label->SetColor(CanvasRgb(0, 0, 128));
  EXPECT_EQ(label->Color(), CanvasRgb(0, 0, 128));
  label->SetColor(std::nullopt);
  EXPECT_EQ(label->Color(), std::nullopt);

  // A picture from BMP bytes; bytes that are no bitmap show none.
  auto image = controls.CreateControl(*window, TControlKind::Image, {0, 0, 50, 50}, "");
  image->SetPicture(BitmapFileOfPixels(3, 2, std::vector<TCanvasColor>(6, CanvasRgb(255, 0, 0))));
  EXPECT_EQ(image->PictureSize(), (TCanvasSize{3, 2}));
  EXPECT_EQ(image->Bounds(), (TWindowBounds{0, 0, 50, 50})) << "the control keeps its place";
  image->SetPicture("not a bitmap");
  EXPECT_EQ(image->PictureSize(), (TCanvasSize{}));

  // A paint box is painted by its owner on a canvas of its size.
  auto box = controls.CreateControl(*window, TControlKind::PaintBox, {5, 5, 64, 32}, "",
                                    {.Paint = [&](ICanvas& canvas) {
                                      ++paints;
                                      painted = {canvas.Width(), canvas.Height()};
                                    }});
  box->Repaint();
  EXPECT_GE(paints, 1);
  EXPECT_EQ(painted, (TCanvasSize{64, 32}));

  // The focus goes where it is given.
  auto edit = controls.CreateControl(*window, TControlKind::Edit, {0, 0, 100, 20}, "");
  edit->Focus();
  EXPECT_TRUE(edit->Focused());
  list->Focus();
  EXPECT_TRUE(list->Focused());
  EXPECT_FALSE(edit->Focused());
  controls.Stack({edit.get(), list.get()});
  while (windows.ProcessMessage(false) == TMessageStep::Handled) {
  }
}

TEST(HeadlessControls, EachKindHoldsWhatItIsGivenAndTellsItsOwner) {
  THeadlessWindowService windows;
  THeadlessControlService controls;
  CheckControls(windows, controls);
  auto window = windows.CreateWindow("Other", {}, {});
  auto label = controls.CreateControl(*window, TControlKind::Label, {}, "Only");
  EXPECT_EQ(controls.ControlsOf(*window), std::vector<IControl*>{label.get()});
}

TEST(HeadlessControls, FacesOptionsFontsAndPicturesAreKept) {
  THeadlessWindowService windows;
  THeadlessControlService controls;
  CheckFacesAndOptions(windows, controls);
  // Stacking puts the controls of a window in the order given.
  auto window = windows.CreateWindow("Stack", {}, {});
  auto a = controls.CreateControl(*window, TControlKind::Panel, {}, "");
  auto b = controls.CreateControl(*window, TControlKind::Button, {}, "");
  controls.Stack({b.get(), a.get()});
  EXPECT_EQ(controls.ControlsOf(*window), (std::vector<IControl*>{b.get(), a.get()}));
}

#ifdef _WIN32
TEST(Win32Windows, ChildControlsHoldWhatTheyAreGivenAndTellTheirOwner) {
  CheckControls(PlatformWindows(), NativeControlService());
}

TEST(Win32Windows, FacesOptionsFontsAndPicturesAreKept) {
  CheckFacesAndOptions(PlatformWindows(), NativeControlService());
}
#endif

}  // namespace
}  // namespace brim::test

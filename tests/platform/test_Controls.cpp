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

TEST(HeadlessControls, EachKindHoldsWhatItIsGivenAndTellsItsOwner) {
  THeadlessWindowService windows;
  THeadlessControlService controls;
  CheckControls(windows, controls);
  auto window = windows.CreateWindow("Other", {}, {});
  auto label = controls.CreateControl(*window, TControlKind::Label, {}, "Only");
  EXPECT_EQ(controls.ControlsOf(*window), std::vector<IControl*>{label.get()});
}

#ifdef _WIN32
TEST(Win32Windows, ChildControlsHoldWhatTheyAreGivenAndTellTheirOwner) {
  CheckControls(PlatformWindows(), NativeControlService());
}
#endif

}  // namespace
}  // namespace brim::test

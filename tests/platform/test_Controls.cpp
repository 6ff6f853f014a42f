// Child controls on a window: what each kind holds and what it tells its
// owner. The same checks run on the headless controls (every build) and on
// the native controls of the win32 build, which need a display: the unit
// suite skips them without one, tests/e2e/brimsetup.sh runs them under Xvfb.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Controls.h"
#include "platform/HeadlessWindows.h"
#ifdef _WIN32
#include "platform/win32/Win32Windows.h"
#undef CreateWindow
#endif

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

std::u16string WideText(HWND window) {
  wchar_t text[256] = L"";
  int length = ::GetWindowTextW(window, text, 256);
  return std::u16string(text, text + std::max(length, 0));
}

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

TEST(Win32Windows, TextsShowInTheCodePageOfTheirFontsCharsetAndMissingFacesFallBack) {
  auto window = PlatformWindows().CreateWindow("", {-1392, -960, 640, 480}, {});
  if (!window) GTEST_SKIP() << "no window can be made here (no display)";
  HWND parent = Win32WindowParts(*window)->Handle;
  struct {
    int32_t charset;
    const char* bytes;
    std::u16string wide;
  } cases[] = {
      {128, "\x82\xE6\x82\xA4\x82\xB1\x82\xBB", u"\u3088\u3046\u3053\u305D"},
      {134, "\xB0\xB2\xD7\xB0", u"\u5B89\u88C5"},
      {204, "\xC4\xE0\xEB\xE5\xE5", u"\u0414\u0430\u043B\u0435\u0435"},
      {161, "\xA2\xEA\xF5\xF1\xEF", u"\u0386\u03BA\u03C5\u03C1\u03BF"},
      {0, "Zur\xFC" "ck", u"Zur\u00FC" "ck"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.charset);
    window->SetCaptionCharset(c.charset);
    window->SetCaption(c.bytes);
    EXPECT_EQ(WideText(parent), c.wide);
    // The text given before the font is shown again in the font's code page.
    auto edit = NativeControlService().CreateControl(*window, TControlKind::Edit, {0, 0, 200, 24}, c.bytes);
    auto list = NativeControlService().CreateControl(*window, TControlKind::ListBox, {0, 30, 200, 60}, "");
    list->SetItems({c.bytes});
    edit->SetFont({"Arial", -12, false, false, false, c.charset});
    list->SetFont({"Arial", -12, false, false, false, c.charset});
    HWND editWindow = nullptr;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      wchar_t name[16] = L"";
      ::GetClassNameW(child, name, 16);
      if (::lstrcmpiW(name, L"Edit") == 0) editWindow = child;
    }
    ASSERT_NE(editWindow, nullptr);
    EXPECT_EQ(WideText(editWindow), c.wide);
    EXPECT_EQ(list->Items(), std::vector<std::string>{c.bytes});
    // What the user types is read back in the code page.
    ::SetWindowTextW(editWindow, reinterpret_cast<const wchar_t*>(c.wide.c_str()));
    EXPECT_EQ(edit->Text(), c.bytes);
  }
  // A face the machine lacks (the Japanese face, named in Shift-JIS) is made
  // as an installed face of its character set, at the size and weight asked.
  // The controls above are gone: the label is the window's only child.
  auto label = NativeControlService().CreateControl(*window, TControlKind::Label, {0, 0, 200, 24}, "");
  TControlFont japanese{"\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E", -16, true, false, false, 128};
  label->SetFont(japanese);
  EXPECT_EQ(label->Font(), japanese);
  HWND labelWindow = ::GetWindow(parent, GW_CHILD);
  LOGFONTW made = {};
  ASSERT_TRUE(::GetObjectW(reinterpret_cast<HGDIOBJ>(::SendMessageW(labelWindow, WM_GETFONT, 0, 0)), sizeof made, &made));
  EXPECT_EQ(made.lfHeight, -16);
  EXPECT_EQ(made.lfWeight, FW_BOLD);
  EXPECT_EQ(made.lfCharSet, 128);
  bool installed = false;
  HDC screen = ::GetDC(nullptr);
  ::EnumFontFamiliesExW(screen, &made, FaceFound, reinterpret_cast<LPARAM>(&installed), 0);
  ::ReleaseDC(nullptr, screen);
  EXPECT_TRUE(installed) << "the face made is not installed for Shift-JIS";
}
#endif

}  // namespace
}  // namespace brim::test

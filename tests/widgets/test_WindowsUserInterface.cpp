// Forms as windows: the front end of real windows realises a form's widget
// tree as native controls, keeps them in step with the tree, feeds the
// user's actions back and runs modal loops. The checks run on headless
// windows and controls in every build, and on the real ones of the win32
// build where there is a display (under Xvfb).
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "WidgetTestSupport.h"
#include "platform/HeadlessWindows.h"
#include "widgets/Buttons.h"
#include "widgets/ComCtrls.h"
#include "widgets/ExtCtrls.h"
#include "widgets/Forms.h"
#include "widgets/StdCtrls.h"
#include "widgets/WindowsUserInterface.h"

namespace brim::test {
namespace {

// A form with a control of every kind, also shown by tests/e2e/form_probe.
std::string EveryKindForm() {
  std::ifstream in(BRIMWELL_SOURCE_DIR "/tests/widgets/EveryKindForm.txt", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A control that draws itself, as the backdrop does.
// A control that draws itself, as the backdrop (filling its face) and the
// product label (drawing on what lies below it) do.
class TSwatch : public TGraphicControl {
 public:
  TSwatch(TComponent* owner, std::optional<TCanvasColor> fill) : TGraphicControl(owner), Fill(fill) {}
  bool PaintsItself() const override { return true; }
  void Paint(ICanvas& canvas) override {
    ++Paints;
    Size = {canvas.Width(), canvas.Height()};
    Under = canvas.Pixel(0, 0);
    if (Fill) canvas.FillRect({0, 0, canvas.Width(), canvas.Height()}, *Fill);
  }
  std::optional<TCanvasColor> Fill;
  int Paints = 0;
  TCanvasSize Size;
  std::optional<TCanvasColor> Under;
};

// The windows and controls a run uses, with the front end over them.
struct TScreen {
  IWindowService& Windows;
  IControlService& Controls;
};

class TFrontEnd {
 public:
  explicit TFrontEnd(TScreen screen) : ui(&screen.Controls), guard(ui) {
    Application().SetWindows(&screen.Windows);
  }
  ~TFrontEnd() { Application().SetWindows(nullptr); }

  TOwned<> Load() {
    auto form = LoadText(EveryKindForm());
    if (auto* image = FindAs<TImage>(form, "Theme")) image->Picture.Bitmap().LoadFromBytes(TinyBitmap(0x80));
    return form;
  }
  template <class T>
  static T* FindAs(const TOwned<>& form, const char* name) {
    return dynamic_cast<T*>(form->FindComponent(name));
  }
  IControl& Native(const TOwned<>& form, const char* name) {
    IControl* control = ui.ControlOf(*FindAs<TControl>(form, name));
    if (!control) throw std::runtime_error(std::string("no control shows ") + name);
    return *control;
  }

  TWindowsUserInterface ui;
  TUserInterfaceGuard guard;
};

#ifdef _WIN32
bool HasScreen(IWindowService& windows) { return windows.CreateWindow("probe", {}, {}) != nullptr; }
#endif

// Every widget becomes its kind of control, in the window's client area,
// with its text and what it is made with; the window is framed as the form says.
void CheckRealising(TScreen screen) {
  TFrontEnd front(screen);
  auto form = front.Load();
  auto* wizard = As<TForm>(form);
  wizard->Show();
  struct Case {
    const char* Name;
    TControlKind Kind;
    std::string Text;
    TWindowBounds Bounds;
  } cases[] = {
      {"Side", TControlKind::Panel, "", {0, 0, 120, 300}},
      {"Theme", TControlKind::Image, "", {2, 5, 117, 290}},
      {"Body", TControlKind::Panel, "", {120, 0, 300, 260}},
      {"Intro", TControlKind::Label, "Welcome to the setup program", {128, 8, 280, 40}},
      {"Folder", TControlKind::Edit, "C:\\App", {128, 60, 200, 21}},
      {"Groups", TControlKind::ListBox, "", {128, 90, 200, 80}},
      {"Notes", TControlKind::Memo, "one\r\ntwo", {128, 175, 100, 40}},
      {"Licence", TControlKind::RichEdit, "Licence", {230, 175, 100, 40}},
      {"Copying", TControlKind::ProgressBar, "", {128, 220, 200, 16}},
      {"Choice", TControlKind::GroupBox, "Type", {336, 60, 80, 60}},
      {"Run", TControlKind::CheckBox, "Run", {344, 80, 60, 17}},
      {"Line", TControlKind::Bevel, "", {120, 262, 300, 2}},
      {"Back", TControlKind::Button, "< &Back", {170, 270, 75, 25}},
      {"Next", TControlKind::Button, "&Next >", {250, 270, 75, 25}},
      {"Cancel", TControlKind::Button, "Cancel", {335, 270, 75, 25}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    IControl& control = front.Native(form, c.Name);
    EXPECT_EQ(control.Kind(), c.Kind);
    EXPECT_EQ(control.Text(), c.Text);
    EXPECT_EQ(control.Bounds(), c.Bounds);
    EXPECT_TRUE(control.Visible() && control.Enabled());
  }
  EXPECT_TRUE(front.Native(form, "Next").Options().Default);
  EXPECT_TRUE(front.Native(form, "Cancel").Options().Cancel);
  EXPECT_FALSE(front.Native(form, "Back").Options().Default || front.Native(form, "Back").Options().Cancel);
  EXPECT_TRUE(front.Native(form, "Groups").Options().Sorted);
  EXPECT_EQ(front.Native(form, "Groups").Items(), (std::vector<std::string>{"accessories", "Games"}));
  EXPECT_EQ(front.Native(form, "Copying").Position(), 50);
  EXPECT_EQ(front.Native(form, "Line").Options().Frame, TControlFrame::TopLine);
  EXPECT_EQ(front.Native(form, "Side").Options().Frame, TControlFrame::Lowered);
  EXPECT_EQ(front.Native(form, "Side").Color(), CanvasRgb(0, 0, 128));
  EXPECT_EQ(front.Native(form, "Body").Color(), std::nullopt);
  EXPECT_EQ(front.Native(form, "Theme").PictureSize(), (TCanvasSize{2, 2}));
  EXPECT_EQ(front.Native(form, "Intro").Font().Face, wizard->Font().Name);
  EXPECT_EQ(front.Native(form, "Intro").Font().Height, wizard->Font().Height);

  IWindow& window = *wizard->Window();
  EXPECT_EQ(window.ClientSize(), (TWindowBounds{0, 0, 420, 300}));
  EXPECT_EQ(window.Style(), (TWindowStyle{TWindowBorder::Dialog, false, false, false, true}));
  EXPECT_GT(window.Bounds().Left, 50) << "centred on the screen";
  wizard->Hide();
}

// A change of the tree reaches the controls when the form tells of it.
void CheckChanges(TScreen screen) {
  TFrontEnd front(screen);
  auto form = front.Load();
  auto* wizard = As<TForm>(form);
  wizard->Show();
  auto find = [&](const char* name) { return form->FindComponent(name); };
  struct Case {
    const char* What;
    std::function<void()> Change;
    std::function<bool()> Shown;
  } cases[] = {
      {"a new caption", [&] { dynamic_cast<TLabel*>(find("Intro"))->Caption = "Ready to install"; },
       [&] { return front.Native(form, "Intro").Text() == "Ready to install"; }},
      {"a longer text makes a word-wrapped label as tall as its lines, even a fixed one",
       [&] {
         dynamic_cast<TLabel*>(find("Intro"))->AutoSize = false;
         dynamic_cast<TLabel*>(find("Intro"))->Caption =
             "Es wird dringend empfohlen, alle Windows-Programme zu beenden, bevor Sie dieses "
             "Setup ausf\xFChren. Falls Sie Programme schlie\xDF" "en m\xFCssen, klicken Sie auf Abbrechen.";
       },
       [&] {
         auto* intro = dynamic_cast<TLabel*>(find("Intro"));
         return intro->Height > 40 && front.Native(form, "Intro").Bounds().Height == intro->Height;
       }},
      {"a hidden parent hides its children", [&] { dynamic_cast<TPanel*>(find("Body"))->Visible = false; },
       [&] { return !front.Native(form, "Intro").Visible() && !front.Native(form, "Run").Visible(); }},
      {"shown again", [&] { dynamic_cast<TPanel*>(find("Body"))->Visible = true; },
       [&] { return front.Native(form, "Intro").Visible() && front.Native(form, "Run").Visible(); }},
      {"a disabled parent disables its children", [&] { dynamic_cast<TGroupBox*>(find("Choice"))->Enabled = false; },
       [&] { return !front.Native(form, "Run").Enabled(); }},
      {"the progress moves", [&] { dynamic_cast<TProgressBar*>(find("Copying"))->SetPosition(150); },
       [&] { return front.Native(form, "Copying").Position() == 150; }},
      {"a list line is added and selected",
       [&] {
         auto* list = dynamic_cast<TListBox*>(find("Groups"));
         list->Items.Add("Startup");
         list->SetItemIndex(list->Items.IndexOf("Startup"));
       },
       [&] {
         IControl& list = front.Native(form, "Groups");
         return list.Items() == std::vector<std::string>{"accessories", "Games", "Startup"} &&
                list.ItemIndex() == 2;
       }},
      {"a control moves with its parent", [&] { dynamic_cast<TPanel*>(find("Body"))->SetBounds(100, 4, 300, 260); },
       [&] { return front.Native(form, "Folder").Bounds() == TWindowBounds{108, 64, 200, 21}; }},
      {"a new font",
       [&] {
         auto* label = dynamic_cast<TLabel*>(find("Intro"));
         label->Font().Name = "Arial";
         label->Font().Height = -19;
         label->Font().Style = TFontStyles{TFontStyle::fsBold};
         label->FontChanged();
       },
       [&] { return front.Native(form, "Intro").Font() == TControlFont{"Arial", -19, true, false, false, 1}; }},
      {"an edit's text", [&] { dynamic_cast<TEdit*>(find("Folder"))->SetText("D:\\Games"); },
       [&] { return front.Native(form, "Folder").Text() == "D:\\Games"; }},
      {"a check box checked", [&] { dynamic_cast<TCheckBox*>(find("Run"))->SetChecked(true); },
       [&] { return front.Native(form, "Run").Checked(); }},
  };
  for (const auto& c : cases) {
    c.Change();
    UserInterface().FormChanged(*wizard);
    EXPECT_TRUE(c.Shown()) << c.What;
  }
  wizard->Hide();
}

// What the user does to a control reaches its widget, and a button's
// modal result ends the modal loop.
void CheckUserActions(TScreen screen) {
  TFrontEnd front(screen);
  auto form = front.Load();
  auto* wizard = As<TForm>(form);
  auto* folder = TFrontEnd::FindAs<TEdit>(form, "Folder");
  auto* groups = TFrontEnd::FindAs<TListBox>(form, "Groups");
  int changes = 0, listClicks = 0;
  folder->OnChange.Handler = [&](TComponent*) { ++changes; };
  groups->OnClick.Handler = [&](TComponent*) { ++listClicks; };
  wizard->OnActivate.Handler = [&](TComponent*) {
    front.Native(form, "Folder").SetText("E:\\Tools");
    front.Native(form, "Groups").Choose(1);
    front.Native(form, "Run").Click();
    front.Native(form, "Next").Click();
  };
  EXPECT_EQ(wizard->ShowModal(), mrOk);
  EXPECT_EQ(folder->Text(), "E:\\Tools");
  EXPECT_GE(changes, 1);
  ASSERT_GE(groups->ItemIndex(), 0);
  EXPECT_EQ(groups->Items.Strings(groups->ItemIndex()), "Games");
  EXPECT_EQ(listClicks, 1);
  EXPECT_TRUE(TFrontEnd::FindAs<TCheckBox>(form, "Run")->Checked());
  EXPECT_FALSE(wizard->Window()->Visible()) << "a modal form is hidden when its loop ends";
}

TEST(WindowsFrontEnd, EveryWidgetBecomesItsControlInItsPlace) {
  THeadlessWindowService windows;
  THeadlessControlService controls;
  CheckRealising({windows, controls});
}

TEST(WindowsFrontEnd, ChangesOfTheTreeReachTheControls) {
  THeadlessWindowService windows;
  THeadlessControlService controls;
  CheckChanges({windows, controls});
}

TEST(WindowsFrontEnd, TheUsersActionsReachTheWidgets) {
  THeadlessWindowService windows;
  THeadlessControlService controls;
  CheckUserActions({windows, controls});
}

TEST(WindowsFrontEnd, InputControlsLieAbovePanelsInTabOrder) {
  THeadlessWindowService windows;
  THeadlessControlService controls;
  TFrontEnd front({windows, controls});
  auto form = front.Load();
  As<TForm>(form)->Show();
  std::vector<IControl*> stack = controls.ControlsOf(*As<TForm>(form)->Window());
  auto at = [&](const char* name) {
    return std::find(stack.begin(), stack.end(), &front.Native(form, name)) - stack.begin();
  };
  const char* order[] = {"Folder", "Groups", "Notes", "Licence", "Copying", "Run", "Back", "Next", "Cancel"};
  for (size_t i = 1; i < std::size(order); ++i) EXPECT_LT(at(order[i - 1]), at(order[i])) << order[i];
  for (const char* below : {"Side", "Body", "Choice", "Theme", "Line"})
    EXPECT_GT(at(below), at("Cancel")) << below;
  EXPECT_LT(at("Theme"), at("Side")) << "a picture lies above the panel it is on";
  EXPECT_LT(at("Choice"), at("Body"));
}

// Headless windows that, like a screen, never run dry: where nothing is
// pending a message still comes, until a patience runs out and quits.
class TBusyWindows : public IWindowService {
 public:
  std::unique_ptr<IWindow> CreateWindow(const std::string& caption, const TWindowBounds& bounds,
                                        TWindowCallbacks callbacks) override {
    return windows_.CreateWindow(caption, bounds, std::move(callbacks));
  }
  TMessageStep ProcessMessage(bool wait) override {
    TMessageStep step = windows_.ProcessMessage(wait);
    if (step != TMessageStep::Idle) return step;
    return ++Idles < 20 ? TMessageStep::Handled : TMessageStep::Quit;
  }
  void PostQuit(int exitCode) override { windows_.PostQuit(exitCode); }
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) override {
    return windows_.MessageBox(text, caption, flags);
  }
  int Idles = 0;

 private:
  THeadlessWindowService windows_;
};

TEST(WindowsFrontEnd, AModalLoopEndsByItsButtonsOrTheQuitAndDisablesTheOtherWindows) {
  struct Case {
    const char* What;
    std::function<void(TFrontEnd&, const TOwned<>&, IWindowService&)> Act;
    TModalResult Result;
    bool Waits;  // the loop waits on until the patience of the windows runs out
  } cases[] = {
      {"Next", [](TFrontEnd& f, const TOwned<>& form, IWindowService&) { f.Native(form, "Next").Click(); }, mrOk,
       false},
      {"Cancel", [](TFrontEnd& f, const TOwned<>& form, IWindowService&) { f.Native(form, "Cancel").Click(); },
       mrCancel, false},
      {"a disabled button does nothing",
       [](TFrontEnd& f, const TOwned<>& form, IWindowService&) {
         TFrontEnd::FindAs<TButton>(form, "Next")->Enabled = false;
         UserInterface().FormChanged(*As<TForm>(form));
         f.Native(form, "Next").Click();
       },
       mrCancel, true},
      {"the quit message", [](TFrontEnd&, const TOwned<>&, IWindowService& w) { w.PostQuit(0); }, mrCancel, false},
      {"closing the form", [](TFrontEnd&, const TOwned<>& form, IWindowService&) { As<TForm>(form)->Close(); },
       mrCancel, false},
      {"a close the form refuses leaves it open",
       [](TFrontEnd&, const TOwned<>& form, IWindowService&) {
         As<TForm>(form)->OnCloseQuery.Handler = [](TComponent*, bool& canClose) { canClose = false; };
         As<TForm>(form)->Close();
       },
       mrCancel, true},
  };
  for (const auto& c : cases) {
    TBusyWindows windows;
    THeadlessControlService controls;
    TFrontEnd front({windows, controls});
    auto main = front.Load();
    As<TForm>(main)->Show();
    auto dialog = front.Load();
    bool mainEnabled = true;
    As<TForm>(dialog)->OnActivate.Handler = [&](TComponent*) {
      mainEnabled = As<TForm>(main)->Window()->Enabled();
      c.Act(front, dialog, windows);
    };
    EXPECT_EQ(As<TForm>(dialog)->ShowModal(), c.Result) << c.What;
    EXPECT_EQ(windows.Idles >= 20, c.Waits) << c.What;
    EXPECT_FALSE(mainEnabled) << c.What;
    EXPECT_TRUE(As<TForm>(main)->Window()->Enabled()) << c.What;
  }
}

TEST(WindowsFrontEnd, AHostedPageLiesOnItsHostsWindow) {
  THeadlessWindowService windows;
  THeadlessControlService controls;
  TFrontEnd front({windows, controls});
  auto host = front.Load();
  auto* wizard = As<TForm>(host);
  wizard->Show();
  const size_t alone = controls.ControlsOf(*wizard->Window()).size();
  auto page = LoadText(R"(object Page: TForm
  Left = 300
  Top = 200
  ClientHeight = 100
  ClientWidth = 200
  object Agree: TCheckBox
    Left = 10
    Top = 12
    Width = 150
    Height = 17
    Caption = 'I agree'
    TabOrder = 0
  end
end
)");
  auto* pageForm = As<TForm>(page);
  pageForm->SetParent(TFrontEnd::FindAs<TPanel>(host, "Body"));
  pageForm->Show();
  EXPECT_EQ(pageForm->Window(), nullptr) << "a hosted page has no window of its own";
  IControl& agree = front.Native(page, "Agree");
  EXPECT_EQ(agree.Bounds(), (TWindowBounds{130, 12, 150, 17})) << "on the host's panel";
  EXPECT_TRUE(agree.Visible());
  pageForm->Hide();
  EXPECT_FALSE(agree.Visible());
  page.reset();
  EXPECT_EQ(controls.ControlsOf(*wizard->Window()).size(), alone) << "a freed page takes its controls along";
}

TEST(WindowsFrontEnd, SelfDrawingControlsArePaintedInTheirPlacesOneOverTheOther) {
  THeadlessWindowService windows;
  THeadlessControlService controls;
  TFrontEnd front({windows, controls});
  auto form = LoadText("object Main: TForm\n  ClientHeight = 240\n  ClientWidth = 320\nend\n");
  auto* backdrop = new TSwatch(form.get(), CanvasRgb(0, 0, 255));
  backdrop->Align = TAlign::alClient;
  backdrop->SetParent(As<TForm>(form));
  auto* label = new TSwatch(form.get(), std::nullopt);
  label->SetBounds(40, 30, 200, 50);
  label->SetParent(As<TForm>(form));
  As<TForm>(form)->Show();
  struct Case {
    TSwatch* Swatch;
    TWindowBounds Bounds;
    int BackdropPaints;
  } cases[] = {
      {backdrop, {0, 0, 320, 240}, 1},
      {label, {40, 30, 200, 50}, 2},  // the backdrop shows through the label
  };
  for (const auto& c : cases) {
    IControl* box = front.ui.ControlOf(*c.Swatch);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->Kind(), TControlKind::PaintBox);
    EXPECT_EQ(box->Bounds(), c.Bounds);
    box->Repaint();
    EXPECT_EQ(c.Swatch->Size, (TCanvasSize{c.Bounds.Width, c.Bounds.Height}));
    EXPECT_EQ(backdrop->Paints, c.BackdropPaints);
    EXPECT_EQ(backdrop->Size, (TCanvasSize{320, 240})) << "the backdrop paints at its own size";
  }
  EXPECT_EQ(label->Under, CanvasRgb(0, 0, 255)) << "the label is drawn over the backdrop";
  EXPECT_EQ(label->Paints, 1);
}

#ifdef _WIN32
// The real windows need a display: under Xvfb (tests/e2e) they run, elsewhere they are skipped.
TEST(Win32WindowsFrontEnd, EveryWidgetBecomesItsControlInItsPlace) {
  if (!HasScreen(PlatformWindows())) GTEST_SKIP() << "no display";
  CheckRealising({PlatformWindows(), PlatformControls()});
}

TEST(Win32WindowsFrontEnd, ChangesOfTheTreeReachTheControls) {
  if (!HasScreen(PlatformWindows())) GTEST_SKIP() << "no display";
  CheckChanges({PlatformWindows(), PlatformControls()});
}

TEST(Win32WindowsFrontEnd, TheUsersActionsReachTheWidgets) {
  if (!HasScreen(PlatformWindows())) GTEST_SKIP() << "no display";
  CheckUserActions({PlatformWindows(), PlatformControls()});
}
#endif

}  // namespace
}  // namespace brim::test

// The application and the windows of its forms, on the headless window
// service: the main form, the message loop and its end, activation,
// closing, the routing of exceptions that escape a message, and forms
// that read their stream from a resource.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/HeadlessWindows.h"
#include "widgets/Forms.h"

namespace brim::test {
namespace {

// A form class whose stream resource the test program does not carry.
class TMissingResourceForm : public TForm {
 public:
  static constexpr const char* ResourceName = "BRIMWELLNOSUCHFORM";
  explicit TMissingResourceForm(TComponent* owner) : TForm(owner) {}
};

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetWindows(&windows);
    Application().Initialize();
  }
  void TearDown() override {
    Application().DestroyComponents();
    Application().SetWindows(nullptr);
    Application().OnException = {};
    SetMessagePump(nullptr);
  }
  // A form of the application that counts its activations.
  TForm* CountingForm(int& activations, const std::string& caption = "Main") {
    TForm* form = Application().CreateForm<TForm>();
    form->Caption = caption;
    form->OnActivate.Handler = [&activations](TComponent*) { ++activations; };
    return form;
  }

  std::string shown;
  THeadlessWindowService windows{TUserInterfaceKind::Auto,
                                 {[this](const std::string& text) { shown += text; }, nullptr}};
};

TEST_F(ApplicationTest, RunShowsTheFirstFormAndEndsWhenNothingIsLeftToDo) {
  int mainActivations = 0, otherActivations = 0;
  TForm* main = CountingForm(mainActivations);
  TForm* other = CountingForm(otherActivations, "Other");
  EXPECT_EQ(Application().MainForm(), main);
  Application().Run();
  EXPECT_EQ(mainActivations, 1);
  EXPECT_EQ(otherActivations, 0);
  EXPECT_EQ(other->Window(), nullptr);
  ASSERT_NE(main->Window(), nullptr);
  EXPECT_EQ(*windows.ActiveCaption(), "Main");
  EXPECT_TRUE(Application().Terminated());
}

TEST_F(ApplicationTest, ATerminatedApplicationShowsNothing) {
  int activations = 0;
  TForm* main = CountingForm(activations);
  Application().Terminate();
  Application().Run();
  EXPECT_EQ(main->Window(), nullptr);
  EXPECT_EQ(activations, 0);
}

TEST_F(ApplicationTest, AnErrorOfAHandlerGoesToOnExceptionAndTheLoopGoesOn) {
  int otherActivations = 0;
  TForm* main = Application().CreateForm<TForm>();
  TForm* other = CountingForm(otherActivations, "Other");
  main->OnActivate.Handler = [&](TComponent*) {
    other->Show();
    throw EConvertError("'12x' is not a valid integer value");
  };
  TComponent* sender = nullptr;
  std::string message;
  Application().OnException.Handler = [&](TComponent* s, const Exception& e) {
    sender = s;
    message = e.Message();
  };
  Application().Run();
  EXPECT_EQ(sender, &Application());
  EXPECT_EQ(message, "'12x' is not a valid integer value");
  EXPECT_EQ(otherActivations, 1);
  EXPECT_EQ(shown, "");
}

TEST_F(ApplicationTest, WithoutAHandlerTheErrorBoxShowsTheMessage) {
  Application().CreateForm<TForm>()->OnActivate.Handler = [](TComponent*) {
    throw std::runtime_error("out of memory");
  };
  Application().Run();
  EXPECT_EQ(shown, "brim_tests: out of memory\n");
}

TEST_F(ApplicationTest, ASilentAbortIsNeitherShownNorHandled) {
  bool handled = false;
  Application().OnException.Handler = [&](TComponent*, const Exception&) { handled = true; };
  Application().CreateForm<TForm>()->OnActivate.Handler = [](TComponent*) {
    throw EAbort("skipped");
  };
  Application().Run();
  EXPECT_FALSE(handled);
  EXPECT_EQ(shown, "");
}

TEST_F(ApplicationTest, ClosingTheMainFormTerminatesUnlessRefused) {
  TForm* main = Application().CreateForm<TForm>();
  TForm* other = Application().CreateForm<TForm>();
  other->Show();
  other->Close();
  EXPECT_FALSE(other->Window()->Visible());
  EXPECT_FALSE(Application().Terminated());

  bool mayClose = false;
  main->OnCloseQuery.Handler = [&](TComponent*, bool& canClose) { canClose = mayClose; };
  main->Close();
  EXPECT_FALSE(Application().Terminated());
  main->OnClose.Handler = [](TComponent*, TCloseAction& action) { action = TCloseAction::caNone; };
  mayClose = true;
  main->Close();
  EXPECT_FALSE(Application().Terminated());
  main->OnClose = {};
  main->Close();
  EXPECT_TRUE(Application().Terminated());
}

TEST_F(ApplicationTest, TheWindowFollowsTheFormsBoundsAndState) {
  TForm* form = Application().CreateForm<TForm>();
  form->SetBounds(192, 107, 696, 480);
  form->WindowState = TWindowState::wsMaximized;
  form->Show();
  ASSERT_NE(form->Window(), nullptr);
  EXPECT_TRUE(form->Window()->Maximized());
  form->SetWindowState(TWindowState::wsNormal);
  EXPECT_FALSE(form->Window()->Maximized());
  EXPECT_EQ(form->Window()->Bounds(), (TWindowBounds{192, 107, 696, 480}));
  form->SetBounds(-1392, -960, 696, 480);
  EXPECT_EQ(form->Window()->Bounds(), (TWindowBounds{-1392, -960, 696, 480}));
  form->Free();
  EXPECT_EQ(windows.WindowCount(), 0);
}

TEST_F(ApplicationTest, AFormWhoseResourceIsMissingIsNotCreated) {
  try {
    Application().CreateForm<TMissingResourceForm>();
    FAIL() << "a form was made without its stream";
  } catch (const EResNotFound& e) {
    EXPECT_NE(e.Message().find("BRIMWELLNOSUCHFORM"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(Application().ComponentCount(), 0);
  EXPECT_EQ(Application().MainForm(), nullptr);
}

TEST_F(ApplicationTest, LongOperationsLetTheWindowsRunThroughTheMessagePump) {
  int activations = 0;
  CountingForm(activations)->Show();
  ProcessMessages();
  EXPECT_EQ(activations, 1);
}

}  // namespace
}  // namespace brim::test

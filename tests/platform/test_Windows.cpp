// Windows of the user interface: the headless service that the posix build
// has and every test drives forms with, bitmap resources made whole again,
// and a real window of the win32 build where there is a screen to show it.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/HeadlessWindows.h"
#include "platform/Platform.h"

namespace brim::test {
namespace {

TEST(HeadlessWindows, ShowingAWindowActivatesItOnce) {
  THeadlessWindowService windows;
  int activations = 0;
  auto window = windows.CreateWindow("Setup", {0, 0, 696, 480},
                                     {[&] { ++activations; }, nullptr});
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(window->Visible());
  window->Show();
  window->Show();
  EXPECT_EQ(windows.ProcessMessage(true), TMessageStep::Handled);
  EXPECT_EQ(windows.ProcessMessage(true), TMessageStep::Idle);
  EXPECT_EQ(activations, 1);
  EXPECT_TRUE(window->Visible());
}

TEST(HeadlessWindows, AWindowHiddenOrGoneIsNotActivated) {
  THeadlessWindowService windows;
  int activations = 0;
  auto hidden = windows.CreateWindow("Hidden", {}, {[&] { ++activations; }, nullptr});
  auto gone = windows.CreateWindow("Gone", {}, {[&] { ++activations; }, nullptr});
  hidden->Show();
  hidden->Hide();
  gone->Show();
  gone.reset();
  EXPECT_EQ(windows.ProcessMessage(false), TMessageStep::Idle);
  EXPECT_EQ(activations, 0);
  EXPECT_EQ(windows.WindowCount(), 1);
}

TEST(HeadlessWindows, TheQuitMessageComesAfterWhatIsPending) {
  THeadlessWindowService windows;
  int activations = 0;
  auto window = windows.CreateWindow("Setup", {}, {[&] { ++activations; }, nullptr});
  window->Show();
  windows.PostQuit(3);
  EXPECT_EQ(windows.ProcessMessage(true), TMessageStep::Handled);
  EXPECT_EQ(windows.ProcessMessage(true), TMessageStep::Quit);
  EXPECT_EQ(windows.ExitCode(), 3);
  EXPECT_EQ(windows.ProcessMessage(true), TMessageStep::Idle);
}

// Frames, client sizes, centring and enabling, the same on every backend.
void CheckFrames(IWindowService& windows) {
  auto window = windows.CreateWindow("Frames", {10, 10, 300, 200}, {});
  if (!window) GTEST_SKIP() << "no window can be made here (no display)";
  struct Case {
    TWindowStyle Style;
  } cases[] = {
      {{}},
      {{TWindowBorder::Dialog, true, false, false, false}},
      {{TWindowBorder::Single, false, false, false, false}},
      {{TWindowBorder::None, false, false, false, true}},
  };
  for (const auto& c : cases) {
    window->SetStyle(c.Style);
    EXPECT_EQ(window->Style(), c.Style) << static_cast<int>(c.Style.Border);
    window->SetClientSize(417, 291);
    EXPECT_EQ(window->ClientSize(), (TWindowBounds{0, 0, 417, 291})) << static_cast<int>(c.Style.Border);
  }
  // Centred: as far from the left of the screen as from its right.
  window->CenterOnScreen();
  TWindowBounds b = window->Bounds();
  EXPECT_GT(b.Left, 0);
  EXPECT_GT(b.Top, 0);
  window->SetEnabled(false);
  EXPECT_FALSE(window->Enabled());
  window->SetEnabled(true);
  EXPECT_TRUE(window->Enabled());
}

TEST(HeadlessWindows, FramesClientSizesAndCentring) {
  THeadlessWindowService windows;
  EXPECT_FALSE(windows.OnScreen());
  CheckFrames(windows);
  auto window = windows.CreateWindow("Centred", {0, 0, 400, 300}, {});
  window->CenterOnScreen();
  EXPECT_EQ(window->Bounds(), (TWindowBounds{312, 234, 400, 300}));
}

// ---- Bitmap resources ----

void Put(std::string& out, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A bitmap resource: BITMAPINFOHEADER, colour table and pixel bytes.
std::string Dib(int bits, uint32_t compression, uint32_t colorsUsed, size_t tableBytes,
                size_t pixelBytes) {
  std::string dib;
  Put(dib, 40, 4);
  Put(dib, 2, 4);  // width
  Put(dib, 1, 4);  // height
  Put(dib, 1, 2);
  Put(dib, bits, 2);
  Put(dib, compression, 4);
  Put(dib, 0, 4);
  Put(dib, 2835, 4);
  Put(dib, 2835, 4);
  Put(dib, colorsUsed, 4);
  Put(dib, 0, 4);
  return dib + std::string(tableBytes + pixelBytes, '\x11');
}

uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, s.data() + at, 4);
  return v;
}

TEST(BitmapResources, ThePixelsStartAfterTheColourTable) {
  struct {
    const char* What;
    std::string Resource;
    uint32_t PixelOffset;
  } cases[] = {
      {"16 colours", Dib(4, 0, 0, 64, 4), 14 + 40 + 64},
      {"3 of 256 colours used", Dib(8, 0, 3, 12, 4), 14 + 40 + 12},
      {"true colour", Dib(24, 0, 0, 0, 8), 14 + 40},
      {"16 bits with colour masks", Dib(16, 3, 0, 12, 4), 14 + 40 + 12},
  };
  for (const auto& c : cases) {
    std::optional<std::string> file = BitmapFileOfResource(c.Resource);
    ASSERT_TRUE(file.has_value()) << c.What;
    EXPECT_EQ(file->substr(0, 2), "BM") << c.What;
    EXPECT_EQ(Get32(*file, 2), 14 + c.Resource.size()) << c.What;
    EXPECT_EQ(Get32(*file, 10), c.PixelOffset) << c.What;
    EXPECT_EQ(file->substr(14), c.Resource) << c.What;
  }
}

TEST(BitmapResources, BytesThatAreNoBitmapGiveNothing) {
  EXPECT_FALSE(BitmapFileOfResource("").has_value());
  EXPECT_FALSE(BitmapFileOfResource(std::string(12, '\0')).has_value());
  // The colour table runs past the end.
  EXPECT_FALSE(BitmapFileOfResource(Dib(8, 0, 0, 100, 0)).has_value());
}

#ifdef _WIN32
// Wine makes no window without an X display, so the unit suite skips this;
// tests/e2e/brimsetup.sh runs it under Xvfb.
TEST(Win32Windows, AShownWindowIsActivatedAndKeepsItsPlace) {
  IWindowService& windows = PlatformWindows();
  int activations = 0;
  auto window = windows.CreateWindow("Brimwell test", {-1392, -960, 696, 480},
                                     {[&] { ++activations; }, nullptr});
  if (!window) GTEST_SKIP() << "no window can be made here (no display)";
  window->Show();
  while (windows.ProcessMessage(false) == TMessageStep::Handled) {
  }
  EXPECT_GE(activations, 1);
  EXPECT_EQ(window->Bounds(), (TWindowBounds{-1392, -960, 696, 480}));
  window->Maximize();
  EXPECT_TRUE(window->Maximized());
}

TEST(Win32Windows, FramesClientSizesAndCentring) {
  if (!PlatformWindows().OnScreen()) GTEST_SKIP() << "no window can be made here (no display)";
  CheckFrames(PlatformWindows());
}
#endif

}  // namespace
}  // namespace brim::test

// Painting on a memory canvas, checked on whichever backend this build has
// (GDI on Windows, the recording canvas on posix), and what the recording
// canvas keeps of the calls.
#include <gtest/gtest.h>

#include "common/LittleEndian.h"
#include "platform/Canvas.h"

namespace brim::test {
namespace {

constexpr TCanvasColor kWhite = CanvasRgb(255, 255, 255);
constexpr TCanvasColor kNavy = CanvasRgb(0, 0, 128);
constexpr TCanvasColor kRed = CanvasRgb(255, 0, 0);
constexpr TCanvasColor kGreen = CanvasRgb(0, 160, 0);
constexpr TCanvasColor kYellow = CanvasRgb(255, 255, 0);

// A navy band over the top, a red line across row 10 from x 2 to 9 (the
// end left out), a green column at x 15 from y 12 to 17, one yellow pixel,
// and a fill that runs off the canvas.
void Paint(ICanvas& canvas) {
  canvas.FillRect({0, 0, 20, 5}, kNavy);
  canvas.Line(2, 10, 10, 10, kRed);
  canvas.Line(15, 12, 15, 18, kGreen);
  canvas.SetPixel(18, 14, kYellow);
  canvas.FillRect({17, 17, 40, 40}, kNavy);
}

uint32_t At(const std::string& bytes, size_t offset, int size) {
  return static_cast<uint32_t>(ReadLittleEndian(bytes.data() + offset, size));
}

TEST(Canvas, PaintedPixelsAreWhereTheCallsPutThem) {
  auto canvas = CreateMemoryCanvas(20, 20);
  ASSERT_NE(canvas, nullptr);
  Paint(*canvas);
  struct Case {
    int32_t X, Y;
    TCanvasColor Color;
  } cases[] = {
      {0, 0, kNavy},   {19, 4, kNavy},   {0, 5, kWhite},   {1, 10, kWhite}, {2, 10, kRed},
      {9, 10, kRed},   {10, 10, kWhite}, {15, 11, kWhite}, {15, 12, kGreen}, {15, 17, kGreen},
      {15, 18, kWhite}, {18, 14, kYellow}, {19, 19, kNavy}, {16, 19, kWhite},
  };
  for (const auto& c : cases)
    EXPECT_EQ(canvas->Pixel(c.X, c.Y), c.Color) << "at " << c.X << "," << c.Y;
  EXPECT_FALSE(canvas->Pixel(20, 0).has_value());
  EXPECT_EQ(CreateMemoryCanvas(0, 10), nullptr);
}

TEST(Canvas, TheSavedBitmapIsA24BitFileOfThePicture) {
  auto canvas = CreateMemoryCanvas(5, 3);
  ASSERT_NE(canvas, nullptr);
  canvas->FillRect({0, 0, 5, 1}, kRed);  // the top row
  canvas->SetPixel(4, 2, kGreen);        // the bottom right
  std::string file = canvas->BitmapFile();
  const uint32_t stride = 16;  // 5 pixels of 3 bytes, padded to 4
  ASSERT_EQ(file.size(), 54u + 3 * stride);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(At(file, 2, 4), file.size());
  EXPECT_EQ(At(file, 10, 4), 54u);  // where the pixels start
  EXPECT_EQ(At(file, 14, 4), 40u);  // BITMAPINFOHEADER
  EXPECT_EQ(At(file, 18, 4), 5u);
  EXPECT_EQ(At(file, 22, 4), 3u);   // positive: the bottom row comes first
  EXPECT_EQ(At(file, 28, 2), 24u);
  struct Case {
    size_t Offset;
    uint32_t Bgr;  // blue, green, red as the file holds them
  } cases[] = {
      {54 + 4 * 3, 0x00A000},               // bottom row, x 4: green
      {54 + 0, 0xFFFFFF},                   // bottom row, x 0: white
      {54 + 2 * stride + 0, 0x0000FF},      // top row, x 0: red
      {54 + 2 * stride + 4 * 3, 0x0000FF},  // top row, x 4: red
  };
  for (const auto& c : cases) {
    uint32_t bgr = (static_cast<uint8_t>(file[c.Offset]) << 16) |
                   (static_cast<uint8_t>(file[c.Offset + 1]) << 8) |
                   static_cast<uint8_t>(file[c.Offset + 2]);
    EXPECT_EQ(bgr, c.Bgr) << "at byte " << c.Offset;
  }
}

TEST(RecordingCanvas, KeepsEveryCallInOrder) {
  TRecordingCanvas canvas(20, 20);
  Paint(canvas);
  TCanvasFont font{"Times New Roman", 36, 700, 450, kYellow};
  canvas.TextOut(3, 4, "Brimwell", font);
  using K = TCanvasCall::TKind;
  std::vector<TCanvasCall> expected = {
      {K::FillRect, {0, 0, 20, 5}, kNavy, {}, {}},
      {K::Line, {2, 10, 10, 10}, kRed, {}, {}},
      {K::Line, {15, 12, 15, 18}, kGreen, {}, {}},
      {K::SetPixel, {18, 14, 18, 14}, kYellow, {}, {}},
      {K::FillRect, {17, 17, 40, 40}, kNavy, {}, {}},
      {K::TextOut, {3, 4, 3, 4}, kYellow, "Brimwell", font},
  };
  EXPECT_EQ(canvas.Calls(), expected);
  EXPECT_EQ(canvas.Pixel(5, 6), kWhite) << "text is recorded, not drawn";
}

}  // namespace
}  // namespace brim::test

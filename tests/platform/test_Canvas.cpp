// Painting on a memory canvas, checked on whichever backend this build has
// (GDI on Windows, the recording canvas on posix), and what the recording
// canvas keeps of the calls.
#include <gtest/gtest.h>

#include <algorithm>

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
      {K::FillRect, {0, 0, 20, 5}, kNavy, {}, {}, {}},
      {K::Line, {2, 10, 10, 10}, kRed, {}, {}, {}},
      {K::Line, {15, 12, 15, 18}, kGreen, {}, {}, {}},
      {K::SetPixel, {18, 14, 18, 14}, kYellow, {}, {}, {}},
      {K::FillRect, {17, 17, 40, 40}, kNavy, {}, {}, {}},
      {K::TextOut, {3, 4, 3, 4}, kYellow, "Brimwell", font, {}},
  };
  EXPECT_EQ(canvas.Calls(), expected);
  EXPECT_EQ(canvas.Pixel(5, 6), kWhite) << "the top of the text's cell is blank";
}

TEST(Canvas, APolygonIsFilledAndOutlinedInItsColour) {
  auto canvas = CreateMemoryCanvas(20, 20);
  ASSERT_NE(canvas, nullptr);
  // A diamond round (10, 10): inside and edge in the colour, the rest not.
  canvas->Polygon({{10, 2}, {18, 10}, {10, 18}, {2, 10}}, kNavy);
  struct Case {
    int32_t X, Y;
    TCanvasColor Color;
  } cases[] = {
      {10, 10, kNavy}, {10, 2, kNavy},  {18, 10, kNavy}, {10, 18, kNavy}, {2, 10, kNavy}, {14, 6, kNavy},
      {15, 5, kWhite}, {10, 1, kWhite}, {19, 10, kWhite}, {1, 10, kWhite}, {3, 3, kWhite},
  };
  for (const auto& c : cases)
    EXPECT_EQ(canvas->Pixel(c.X, c.Y), c.Color) << "at " << c.X << "," << c.Y;
}

TEST(Canvas, AViewportMovesTheOriginAndCutsOffTheRest) {
  auto canvas = CreateMemoryCanvas(20, 20);
  ASSERT_NE(canvas, nullptr);
  canvas->SetViewport({5, 5, 10, 12});
  EXPECT_EQ(canvas->Width(), 5);
  EXPECT_EQ(canvas->Height(), 7);
  canvas->FillRect({-3, -3, 30, 30}, kRed);
  canvas->Polygon({{-5, -5}, {40, -5}, {40, 40}}, kRed);
  EXPECT_EQ(canvas->Pixel(0, 0), kRed);
  EXPECT_FALSE(canvas->Pixel(5, 0).has_value());
  canvas->SetViewport({0, 0, 20, 20});
  struct Case {
    int32_t X, Y;
    TCanvasColor Color;
  } cases[] = {{5, 5, kRed}, {9, 11, kRed}, {4, 5, kWhite}, {10, 5, kWhite}, {5, 12, kWhite}, {19, 0, kWhite}};
  for (const auto& c : cases)
    EXPECT_EQ(canvas->Pixel(c.X, c.Y), c.Color) << "at " << c.X << "," << c.Y;
}

TEST(RecordingCanvas, RecordsAPolygonWithItsPoints) {
  TRecordingCanvas canvas(20, 20);
  std::vector<TCanvasPoint> points = {{1, 1}, {8, 1}, {4, 9}};
  canvas.Polygon(points, kGreen);
  ASSERT_EQ(canvas.Calls().size(), 1u);
  EXPECT_EQ(canvas.Calls()[0].Kind, TCanvasCall::TKind::Polygon);
  EXPECT_EQ(canvas.Calls()[0].Color, kGreen);
  EXPECT_EQ(canvas.Calls()[0].Points, points);
}

// The box around the inked pixels, or an empty one.
TCanvasRect Ink(ICanvas& canvas) {
  TCanvasRect box{canvas.Width(), canvas.Height(), 0, 0};
  for (int32_t y = 0; y < canvas.Height(); ++y)
    for (int32_t x = 0; x < canvas.Width(); ++x)
      if (canvas.Pixel(x, y) != kWhite)
        box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1)};
  return box;
}

TEST(RecordingCanvas, DrawsTextTurnedByItsEscapement) {
  // "HH" 40 pixels high: the ink runs along the text's line away from
  // (100, 100) and down its cell, turned counter-clockwise.
  const TCanvasFont level{"Arial", 40, 400, 0, kNavy};
  TRecordingCanvas measure(1, 1);
  const TCanvasSize size = measure.TextExtent("HH", level);  // 58 by 46
  struct Case {
    int32_t Escapement;
    TCanvasRect Within;  // relative to (100, 100)
  } cases[] = {
      {0, {0, 0, size.Width, size.Height}},
      {900, {0, -size.Width, size.Height, 0}},
      {1800, {-size.Width, -size.Height, 0, 0}},
      {2700, {-size.Height, 0, 0, size.Width}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Escapement);
    TRecordingCanvas canvas(200, 200);
    TCanvasFont font = level;
    font.Escapement = c.Escapement;
    canvas.TextOut(100, 100, "HH", font);
    TCanvasRect ink = Ink(canvas);
    EXPECT_GE(ink.Left, 100 + c.Within.Left);
    EXPECT_GE(ink.Top, 100 + c.Within.Top);
    EXPECT_LE(ink.Right, 100 + c.Within.Right);
    EXPECT_LE(ink.Bottom, 100 + c.Within.Bottom);
    // Most of the line's length is inked.
    const int32_t along = c.Escapement % 1800 == 0 ? ink.Right - ink.Left : ink.Bottom - ink.Top;
    EXPECT_GT(along, size.Width * 3 / 4);
  }
}

TEST(RecordingCanvas, BoldTextHasMoreInkAndItalicLeansRight) {
  auto inked = [](const TCanvasFont& font) {
    TRecordingCanvas canvas(120, 60);
    canvas.TextOut(10, 5, "Il", font);
    int count = 0;
    for (int32_t y = 0; y < 60; ++y)
      for (int32_t x = 0; x < 120; ++x) count += canvas.Pixel(x, y) != kWhite;
    return std::pair{count, Ink(canvas)};
  };
  TCanvasFont plain{"Arial", 40, 400, 0, kNavy};
  TCanvasFont bold = plain, italic = plain;
  bold.Weight = 700;
  italic.Italic = true;
  EXPECT_GT(inked(bold).first, inked(plain).first * 5 / 4);
  EXPECT_GT(inked(italic).second.Right, inked(plain).second.Right + 3);
}

}  // namespace
}  // namespace brim::test

// Painting: the surface the main window's backdrop and its shaded, rotated
// product label are drawn on. A canvas fills rectangles and polygons, draws
// lines and single pixels, and writes text in a font that may be turned by
// an angle.
// Coordinates are pixels from the top left; a rectangle's right and bottom
// edges are outside it and a line leaves out its end point, as in GDI.
// Drawing outside the canvas is cut off.
//
// win32: GDI over a device context (a memory bitmap, or a window's DC).
// posix: TRecordingCanvas, which keeps the list of calls for tests to read
// and draws them into a 24-bit picture it can save as a BMP file, text in a
// built-in blocky face scaled to the font.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brim {

// A colour as Windows' COLORREF holds it: 0x00BBGGRR.
using TCanvasColor = uint32_t;
constexpr TCanvasColor CanvasRgb(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<TCanvasColor>(r) | (static_cast<TCanvasColor>(g) << 8) |
         (static_cast<TCanvasColor>(b) << 16);
}

struct TCanvasRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TCanvasRect&) const = default;
};

struct TCanvasPoint {
  int32_t X = 0, Y = 0;
  bool operator==(const TCanvasPoint&) const = default;
};

struct TCanvasSize {
  int32_t Width = 0, Height = 0;
  bool operator==(const TCanvasSize&) const = default;
};

struct TCanvasFont {
  std::string Face = "Arial";
  int32_t Height = 12;       // the em in pixels: the cell's height less its
                             // internal leading (CreateFont's negative height)
  int32_t Weight = 400;      // 400 normal, 700 bold
  int32_t Escapement = 0;    // the angle of the text line, in tenths of degrees,
                             // counter-clockwise from the x axis
  TCanvasColor Color = 0;
  bool Italic = false;
  bool operator==(const TCanvasFont&) const = default;
};

class ICanvas {
 public:
  virtual ~ICanvas() = default;
  // The size of the viewport: the whole picture unless SetViewport chose
  // an area of it.
  virtual int32_t Width() = 0;
  virtual int32_t Height() = 0;
  // Confines drawing to an area of the picture (in the whole picture's
  // pixels): from then on (0, 0) is the area's top left, Width and Height
  // are its size, Pixel reads inside it and nothing outside it changes.
  // The whole picture's rectangle undoes it. Painting one control of a
  // window on the window's picture goes through its area.
  virtual void SetViewport(const TCanvasRect& area) = 0;
  virtual void FillRect(const TCanvasRect& rect, TCanvasColor color) = 0;
  // A line one pixel wide from (x1, y1) up to, not including, (x2, y2).
  virtual void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TCanvasColor color) = 0;
  // The polygon through the points, filled (alternate rule) and outlined
  // in one colour.
  virtual void Polygon(const std::vector<TCanvasPoint>& points, TCanvasColor color) = 0;
  // Text with its cell's top left at (x, y), on a transparent background.
  virtual void TextOut(int32_t x, int32_t y, const std::string& text, const TCanvasFont& font) = 0;
  // The size of one line of text in the font, unturned.
  virtual TCanvasSize TextExtent(const std::string& text, const TCanvasFont& font) = 0;
  virtual void SetPixel(int32_t x, int32_t y, TCanvasColor color) = 0;
  // The colour at a pixel; empty outside the canvas.
  virtual std::optional<TCanvasColor> Pixel(int32_t x, int32_t y) = 0;
  // The whole picture as a 24-bit BMP file.
  virtual std::string BitmapFile() = 0;
};

// A canvas of its own picture, white at first: GDI on a memory bitmap on
// win32, a TRecordingCanvas on posix. Null when it cannot be made.
std::unique_ptr<ICanvas> CreateMemoryCanvas(int32_t width, int32_t height);

// The height text takes on the canvas when it is broken into lines at its
// blanks so that each line fits width, as a word-wrapped label shows it.
int32_t WrappedTextHeight(ICanvas& canvas, const std::string& text, const TCanvasFont& font,
                          int32_t width);

// The colour of a system colour index (COLOR_WINDOW is 5): the running
// system's on win32, Windows' standard scheme on posix. Black for an
// index it does not know.
TCanvasColor SystemColor(int32_t index);

// A 24-bit BMP file of a picture held as rows of colours, top row first.
std::string BitmapFileOfPixels(int32_t width, int32_t height,
                               const std::vector<TCanvasColor>& pixels);

// One call a recording canvas took.
struct TCanvasCall {
  enum class TKind { FillRect, Line, TextOut, SetPixel, Polygon } Kind = TKind::FillRect;
  TCanvasRect Rect;  // FillRect: the rectangle; Line: (x1, y1) to (x2, y2) as Left, Top, Right, Bottom;
                     // TextOut and SetPixel: the point as Left, Top
  TCanvasColor Color = 0;
  std::string Text;  // TextOut
  TCanvasFont Font;  // TextOut
  std::vector<TCanvasPoint> Points;  // Polygon
  bool operator==(const TCanvasCall&) const = default;
};

// A canvas without a screen: every call is recorded in order, in the
// viewport's coordinates, and drawn into a picture. Text is drawn in a
// built-in face of 5 by 7 cells, each character in the width TextExtent
// gives it, bold strokes thicker, italic slanted, turned about (x, y) by
// the escapement.
class TRecordingCanvas : public ICanvas {
 public:
  TRecordingCanvas(int32_t width, int32_t height);

  int32_t Width() override { return area_.Right - area_.Left; }
  int32_t Height() override { return area_.Bottom - area_.Top; }
  void SetViewport(const TCanvasRect& area) override { area_ = area; }
  void FillRect(const TCanvasRect& rect, TCanvasColor color) override;
  void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TCanvasColor color) override;
  void Polygon(const std::vector<TCanvasPoint>& points, TCanvasColor color) override;
  void TextOut(int32_t x, int32_t y, const std::string& text, const TCanvasFont& font) override;
  // Measured with Arial's proportions, whatever the face: the layout of a
  // page comes out as on Windows within a few pixels.
  TCanvasSize TextExtent(const std::string& text, const TCanvasFont& font) override;
  void SetPixel(int32_t x, int32_t y, TCanvasColor color) override;
  std::optional<TCanvasColor> Pixel(int32_t x, int32_t y) override;
  // The whole picture, whatever the viewport.
  std::string BitmapFile() override;

  const std::vector<TCanvasCall>& Calls() const { return calls_; }

 private:
  // A pixel at viewport coordinates, if it lies in the viewport and the
  // picture.
  TCanvasColor* At(int32_t x, int32_t y);
  void Plot(int32_t x, int32_t y, TCanvasColor color);
  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TCanvasColor color);

  int32_t width_, height_;
  std::vector<TCanvasColor> pixels_;
  TCanvasRect area_;
  std::vector<TCanvasCall> calls_;
};

}  // namespace brim

// Painting through GDI: a canvas over any device context (a window's, while
// it paints), and the memory canvas of CreateMemoryCanvas, a DIB section
// selected into a memory DC. Every GDI object made for a call is selected
// out and deleted on the way out of it.
#pragma once

#include "platform/Canvas.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Handles.h"

#undef TextOut

namespace brim {

struct TDcHandleTraits {  // memory device contexts
  using Type = HDC;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::DeleteDC(h); }
};
using TDcHandle = TScopedHandle<TDcHandleTraits>;

struct TGdiObjectTraits {  // pens, brushes, fonts, bitmaps
  using Type = HGDIOBJ;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::DeleteObject(h); }
};
using TGdiObject = TScopedHandle<TGdiObjectTraits>;

// A canvas over a DC it does not own, of the given size.
class TGdiCanvas : public ICanvas {
 public:
  TGdiCanvas(HDC dc, int32_t width, int32_t height)
      : dc_(dc), width_(width), height_(height), area_{0, 0, width, height} {}

  int32_t Width() override { return area_.Right - area_.Left; }
  int32_t Height() override { return area_.Bottom - area_.Top; }
  // Moves the DC's viewport origin to the area's top left and clips to it.
  void SetViewport(const TCanvasRect& area) override;
  void FillRect(const TCanvasRect& rect, TCanvasColor color) override;
  void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TCanvasColor color) override;
  void Polygon(const std::vector<TCanvasPoint>& points, TCanvasColor color) override;
  void TextOut(int32_t x, int32_t y, const std::string& text, const TCanvasFont& font) override;
  TCanvasSize TextExtent(const std::string& text, const TCanvasFont& font) override;
  void SetPixel(int32_t x, int32_t y, TCanvasColor color) override;
  std::optional<TCanvasColor> Pixel(int32_t x, int32_t y) override;
  // The whole picture, read back pixel by pixel (GetPixel).
  std::string BitmapFile() override;

 protected:
  HDC dc_;
  int32_t width_, height_;
  TCanvasRect area_;
};

}  // namespace brim

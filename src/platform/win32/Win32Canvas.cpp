// GDI painting and the memory canvas.
#include "platform/win32/Win32Canvas.h"

#include <vector>

namespace brim {

namespace {

// Selects an object into a DC for one scope and selects the old one back.
class TSelected {
 public:
  TSelected(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~TSelected() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  TSelected(const TSelected&) = delete;
  TSelected& operator=(const TSelected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The memory canvas: owns its DC and bitmap; the bitmap is selected in
// while the canvas lives.
class TMemoryCanvas : public TGdiCanvas {
 public:
  TMemoryCanvas(int32_t width, int32_t height) : TGdiCanvas(nullptr, width, height) {}
  ~TMemoryCanvas() override {
    if (old_) ::SelectObject(memory_.Get(), old_);
  }

  bool Create() {
    memory_.Reset(::CreateCompatibleDC(nullptr));
    if (!memory_) return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_.Reset(::CreateDIBSection(memory_.Get(), &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
    if (!bitmap_) return false;
    old_ = ::SelectObject(memory_.Get(), bitmap_.Get());
    dc_ = memory_.Get();
    FillRect({0, 0, width_, height_}, CanvasRgb(255, 255, 255));
    return true;
  }

  // The picture straight from the DIB section's rows (BGR, top row
  // first, each row padded to 4 bytes).
  std::string BitmapFile() override {
    ::GdiFlush();
    const auto* bytes = static_cast<const uint8_t*>(bits_);
    const size_t stride = (static_cast<size_t>(width_) * 3 + 3) & ~size_t{3};
    std::vector<TCanvasColor> pixels(static_cast<size_t>(width_) * height_);
    for (int32_t y = 0; y < height_; ++y)
      for (int32_t x = 0; x < width_; ++x) {
        const uint8_t* p = bytes + y * stride + x * 3;
        pixels[static_cast<size_t>(y) * width_ + x] = CanvasRgb(p[2], p[1], p[0]);
      }
    return BitmapFileOfPixels(width_, height_, pixels);
  }

 private:
  void* bits_ = nullptr;
  TDcHandle memory_;
  TGdiObject bitmap_;  // declared after memory_: deleted first, once selected out
  HGDIOBJ old_ = nullptr;
};

}  // namespace

void TGdiCanvas::SetViewport(const TCanvasRect& area) {
  area_ = area;
  ::SetViewportOrgEx(dc_, area.Left, area.Top, nullptr);
  if (area == TCanvasRect{0, 0, width_, height_}) {
    ::SelectClipRgn(dc_, nullptr);
    return;
  }
  TGdiObject region(::CreateRectRgn(area.Left, area.Top, area.Right, area.Bottom));
  ::SelectClipRgn(dc_, static_cast<HRGN>(region.Get()));  // the DC keeps a copy
}

void TGdiCanvas::FillRect(const TCanvasRect& rect, TCanvasColor color) {
  TGdiObject brush(::CreateSolidBrush(color));
  RECT r = {rect.Left, rect.Top, rect.Right, rect.Bottom};
  ::FillRect(dc_, &r, static_cast<HBRUSH>(brush.Get()));
}

void TGdiCanvas::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TCanvasColor color) {
  TGdiObject pen(::CreatePen(PS_SOLID, 1, color));
  TSelected selected(dc_, pen.Get());
  ::MoveToEx(dc_, x1, y1, nullptr);
  ::LineTo(dc_, x2, y2);
}

void TGdiCanvas::Polygon(const std::vector<TCanvasPoint>& points, TCanvasColor color) {
  if (points.empty()) return;
  std::vector<POINT> corners;
  corners.reserve(points.size());
  for (const TCanvasPoint& p : points) corners.push_back({p.X, p.Y});
  TGdiObject brush(::CreateSolidBrush(color));
  TGdiObject pen(::CreatePen(PS_SOLID, 1, color));
  TSelected withBrush(dc_, brush.Get());
  TSelected withPen(dc_, pen.Get());
  int oldMode = ::SetPolyFillMode(dc_, ALTERNATE);
  ::Polygon(dc_, corners.data(), static_cast<int>(corners.size()));
  ::SetPolyFillMode(dc_, oldMode);
}

namespace {
HFONT CreateCanvasFont(const TCanvasFont& font) {
  return ::CreateFontA(-font.Height, 0, font.Escapement, font.Escapement, font.Weight, font.Italic, FALSE,
                       FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                       ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.Face.c_str());
}
}  // namespace

TCanvasSize TGdiCanvas::TextExtent(const std::string& text, const TCanvasFont& font) {
  TCanvasFont level = font;
  level.Escapement = 0;
  TGdiObject handle(CreateCanvasFont(level));
  TSelected selected(dc_, handle.Get());
  SIZE size{};
  ::GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &size);
  return {size.cx, size.cy};
}

void TGdiCanvas::TextOut(int32_t x, int32_t y, const std::string& text, const TCanvasFont& font) {
  TGdiObject handle(CreateCanvasFont(font));
  TSelected selected(dc_, handle.Get());
  int oldMode = ::SetBkMode(dc_, TRANSPARENT);
  COLORREF oldColor = ::SetTextColor(dc_, font.Color);
  ::TextOutA(dc_, x, y, text.data(), static_cast<int>(text.size()));
  ::SetTextColor(dc_, oldColor);
  ::SetBkMode(dc_, oldMode);
}

void TGdiCanvas::SetPixel(int32_t x, int32_t y, TCanvasColor color) { ::SetPixel(dc_, x, y, color); }

std::optional<TCanvasColor> TGdiCanvas::Pixel(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return std::nullopt;
  COLORREF c = ::GetPixel(dc_, x, y);
  if (c == CLR_INVALID) return std::nullopt;
  return c;
}

std::string TGdiCanvas::BitmapFile() {
  const TCanvasRect viewport = area_;
  SetViewport({0, 0, width_, height_});
  std::vector<TCanvasColor> pixels(static_cast<size_t>(width_) * height_);
  for (int32_t y = 0; y < height_; ++y)
    for (int32_t x = 0; x < width_; ++x)
      pixels[static_cast<size_t>(y) * width_ + x] = Pixel(x, y).value_or(0);
  SetViewport(viewport);
  return BitmapFileOfPixels(width_, height_, pixels);
}

TCanvasColor SystemColor(int32_t index) {
  if (index < 0 || index > COLOR_INFOBK) return 0;
  return ::GetSysColor(index);
}

std::unique_ptr<ICanvas> CreateMemoryCanvas(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  auto canvas = std::make_unique<TMemoryCanvas>(width, height);
  if (!canvas->Create()) return nullptr;
  return canvas;
}

}  // namespace brim

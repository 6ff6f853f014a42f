// The parts of painting that are the same on every backend: BMP files of
// pictures and the recording canvas.
#include "platform/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/LittleEndian.h"
#include "platform/BlockFace.h"
#include "platform/ModuleService.h"

namespace brim {

std::string BitmapFileOfPixels(int32_t width, int32_t height,
                               const std::vector<TCanvasColor>& pixels) {
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t imageSize = stride * static_cast<uint32_t>(height);
  // The bitmap as a resource holds it (BITMAPINFOHEADER: bottom-up rows,
  // no compression, 96 dpi); the file header goes in front at the end.
  std::string bitmap;
  bitmap.reserve(40 + imageSize);
  AppendLittleEndian(bitmap, 40, 4);
  AppendLittleEndian(bitmap, static_cast<uint32_t>(width), 4);
  AppendLittleEndian(bitmap, static_cast<uint32_t>(height), 4);
  AppendLittleEndian(bitmap, 1, 2);
  AppendLittleEndian(bitmap, 24, 2);
  AppendLittleEndian(bitmap, 0, 4);
  AppendLittleEndian(bitmap, imageSize, 4);
  AppendLittleEndian(bitmap, 3780, 4);
  AppendLittleEndian(bitmap, 3780, 4);
  AppendLittleEndian(bitmap, 0, 4);
  AppendLittleEndian(bitmap, 0, 4);
  for (int32_t y = height - 1; y >= 0; --y) {
    size_t rowStart = bitmap.size();
    for (int32_t x = 0; x < width; ++x) {
      TCanvasColor c = pixels[static_cast<size_t>(y) * width + x];
      bitmap += static_cast<char>((c >> 16) & 0xFF);  // blue
      bitmap += static_cast<char>((c >> 8) & 0xFF);   // green
      bitmap += static_cast<char>(c & 0xFF);          // red
    }
    bitmap.append(stride - (bitmap.size() - rowStart), '\0');
  }
  return *BitmapFileOfResource(bitmap);
}

TRecordingCanvas::TRecordingCanvas(int32_t width, int32_t height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * height_, CanvasRgb(255, 255, 255)),
      area_{0, 0, width_, height_} {}

TCanvasColor* TRecordingCanvas::At(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return nullptr;
  x += area_.Left;
  y += area_.Top;
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return nullptr;
  return &pixels_[static_cast<size_t>(y) * width_ + x];
}

void TRecordingCanvas::Plot(int32_t x, int32_t y, TCanvasColor color) {
  if (TCanvasColor* pixel = At(x, y)) *pixel = color & 0xFFFFFF;
}

void TRecordingCanvas::FillRect(const TCanvasRect& rect, TCanvasColor color) {
  calls_.push_back({TCanvasCall::TKind::FillRect, rect, color, {}, {}, {}});
  for (int32_t y = std::max(rect.Top, 0); y < std::min(rect.Bottom, Height()); ++y)
    for (int32_t x = std::max(rect.Left, 0); x < std::min(rect.Right, Width()); ++x)
      Plot(x, y, color);
}

void TRecordingCanvas::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TCanvasColor color) {
  calls_.push_back({TCanvasCall::TKind::Line, {x1, y1, x2, y2}, color, {}, {}, {}});
  DrawLine(x1, y1, x2, y2, color);
}

void TRecordingCanvas::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TCanvasColor color) {
  // Bresenham's walk from the first point, stopping before the last.
  int32_t dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
  int32_t sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
  int32_t error = dx + dy;
  int32_t x = x1, y = y1;
  while (x != x2 || y != y2) {
    Plot(x, y, color);
    int32_t twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x += sx;
    }
    if (twice <= dx) {
      error += dx;
      y += sy;
    }
  }
}

void TRecordingCanvas::Polygon(const std::vector<TCanvasPoint>& points, TCanvasColor color) {
  calls_.push_back({TCanvasCall::TKind::Polygon, {}, color, {}, {}, points});
  if (points.empty()) return;
  // The inside by the alternate rule: on each row, the pixel centres
  // between the first and second crossing of an edge, the third and
  // fourth, and so on.
  const size_t n = points.size();
  std::vector<double> crossings;
  for (int32_t y = 0; y < Height(); ++y) {
    const double centre = y + 0.5;
    crossings.clear();
    for (size_t i = 0; i < n; ++i) {
      const TCanvasPoint& a = points[i];
      const TCanvasPoint& b = points[(i + 1) % n];
      if ((a.Y <= centre) == (b.Y <= centre)) continue;
      crossings.push_back(a.X + (centre - a.Y) * (b.X - a.X) / (b.Y - a.Y));
    }
    std::sort(crossings.begin(), crossings.end());
    for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
      auto from = static_cast<int32_t>(std::ceil(crossings[i] - 0.5));
      auto to = static_cast<int32_t>(std::ceil(crossings[i + 1] - 0.5));
      for (int32_t x = std::max(from, 0); x < std::min(to, Width()); ++x) Plot(x, y, color);
    }
  }
  // The pen goes round the edge, corners included.
  for (size_t i = 0; i < n; ++i) {
    const TCanvasPoint& a = points[i];
    const TCanvasPoint& b = points[(i + 1) % n];
    DrawLine(a.X, a.Y, b.X, b.Y, color);
    Plot(b.X, b.Y, color);
  }
}

namespace {

// Advance widths of Arial's printable ASCII characters in thousandths of
// the em; other bytes take the width of a digit.
int32_t ArialUnits(unsigned char c) {
  static constexpr uint16_t widths[95] = {
      278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,
      556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,
      1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,
      667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,
      333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,
      556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};
  return c >= 32 && c < 127 ? widths[c - 32] : 556;
}

int32_t EmOf(const TCanvasFont& font) { return font.Height < 0 ? -font.Height : font.Height; }

// The advance of a character in pixels; bold faces run about a twentieth
// wider.
double Advance(unsigned char c, const TCanvasFont& font) {
  double units = ArialUnits(c);
  if (font.Weight >= 700) units = units * 21 / 20;
  return units * EmOf(font) / 1000;
}

}  // namespace

void TRecordingCanvas::TextOut(int32_t x, int32_t y, const std::string& text,
                               const TCanvasFont& font) {
  calls_.push_back({TCanvasCall::TKind::TextOut, {x, y, x, y}, font.Color, text, font, {}});
  const double em = EmOf(font);
  if (text.empty() || em == 0) return;
  // Where each character starts along the line.
  std::vector<double> starts{0};
  for (unsigned char c : text) starts.push_back(starts.back() + Advance(c, font));
  const double width = starts.back();
  const double cell = em * 1.149;
  const double baseline = em * 0.905;
  const double capTop = baseline - em * 0.716;
  const double rowHeight = (baseline - capTop) / BlockFaceRows;
  const double slant = font.Italic ? 0.21 : 0;
  // Bold strokes reach a fraction of a cell further right.
  const double smear = font.Weight >= 700 ? 0.45 : 0;

  // A point u along the line and v down the cell from (x, y) lies at
  // (x + u cos + v sin, y - u sin + v cos) on the canvas.
  const double angle = font.Escapement * 3.14159265358979323846 / 1800;
  const double cosA = std::cos(angle), sinA = std::sin(angle);
  double left = x, right = x, top = y, bottom = y;
  for (double u : {0.0, width + slant * baseline})
    for (double v : {0.0, cell}) {
      double px = x + u * cosA + v * sinA, py = y - u * sinA + v * cosA;
      left = std::min(left, px), right = std::max(right, px);
      top = std::min(top, py), bottom = std::max(bottom, py);
    }
  const auto x0 = std::max(static_cast<int32_t>(std::floor(left)), 0);
  const auto x1 = std::min(static_cast<int32_t>(std::ceil(right)), Width());
  const auto y0 = std::max(static_cast<int32_t>(std::floor(top)), 0);
  const auto y1 = std::min(static_cast<int32_t>(std::ceil(bottom)), Height());
  for (int32_t py = y0; py < y1; ++py)
    for (int32_t px = x0; px < x1; ++px) {
      const double dx = px + 0.5 - x, dy = py + 0.5 - y;
      const double v = dx * sinA + dy * cosA;
      const double u = dx * cosA - dy * sinA - slant * (baseline - v);
      if (v < capTop || v >= baseline || u < 0 || u >= width) continue;
      const size_t i = static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), u) - starts.begin()) - 1;
      if (i >= text.size()) continue;
      // The glyph takes the middle four fifths of its advance.
      const double advance = starts[i + 1] - starts[i];
      const double column = (u - starts[i] - advance * 0.1) / (advance * 0.8) * BlockFaceColumns;
      const int row = static_cast<int>((v - capTop) / rowHeight);
      const auto c = static_cast<unsigned char>(text[i]);
      if (BlockFaceCell(c, static_cast<int>(std::floor(column)), row) ||
          (smear > 0 && BlockFaceCell(c, static_cast<int>(std::floor(column - smear)), row)))
        Plot(px, py, font.Color);
    }
}

int32_t WrappedTextHeight(ICanvas& canvas, const std::string& text, const TCanvasFont& font,
                          int32_t width) {
  if (text.empty()) return 0;
  int32_t lines = 1;
  std::string line;
  for (size_t at = 0; at <= text.size();) {
    size_t end = std::min(text.find_first_of(" \n", at), text.size());
    std::string word = text.substr(at, end - at);
    std::string longer = line.empty() ? word : line + " " + word;
    if (!line.empty() && canvas.TextExtent(longer, font).Width > width) {
      ++lines;
      line = word;
    } else {
      line = longer;
    }
    // A line break starts a line of its own.
    if (end < text.size() && text[end] == '\n') {
      ++lines;
      line.clear();
    }
    at = end + 1;
  }
  return lines * canvas.TextExtent("Ag", font).Height;
}

TCanvasSize TRecordingCanvas::TextExtent(const std::string& text, const TCanvasFont& font) {
  int64_t units = 0;
  for (unsigned char c : text) units += ArialUnits(c);
  // Bold faces run about a twentieth wider.
  if (font.Weight >= 700) units = units * 21 / 20;
  int32_t em = EmOf(font);
  return {static_cast<int32_t>((units * em + 500) / 1000), static_cast<int32_t>((em * 1149 + 500) / 1000)};
}

void TRecordingCanvas::SetPixel(int32_t x, int32_t y, TCanvasColor color) {
  calls_.push_back({TCanvasCall::TKind::SetPixel, {x, y, x, y}, color, {}, {}, {}});
  Plot(x, y, color);
}

std::optional<TCanvasColor> TRecordingCanvas::Pixel(int32_t x, int32_t y) {
  if (TCanvasColor* pixel = At(x, y)) return *pixel;
  return std::nullopt;
}

std::string TRecordingCanvas::BitmapFile() {
  return BitmapFileOfPixels(width_, height_, pixels_);
}

}  // namespace brim

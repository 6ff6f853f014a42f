// The parts of painting that are the same on every backend: BMP files of
// pictures and the recording canvas.
#include "platform/Canvas.h"

#include <algorithm>
#include <cstdlib>

#include "common/LittleEndian.h"
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
      pixels_(static_cast<size_t>(width_) * height_, CanvasRgb(255, 255, 255)) {}

void TRecordingCanvas::Plot(int32_t x, int32_t y, TCanvasColor color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<size_t>(y) * width_ + x] = color & 0xFFFFFF;
}

void TRecordingCanvas::FillRect(const TCanvasRect& rect, TCanvasColor color) {
  calls_.push_back({TCanvasCall::TKind::FillRect, rect, color, {}, {}});
  for (int32_t y = std::max(rect.Top, 0); y < std::min(rect.Bottom, height_); ++y)
    for (int32_t x = std::max(rect.Left, 0); x < std::min(rect.Right, width_); ++x)
      Plot(x, y, color);
}

void TRecordingCanvas::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TCanvasColor color) {
  calls_.push_back({TCanvasCall::TKind::Line, {x1, y1, x2, y2}, color, {}, {}});
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

void TRecordingCanvas::TextOut(int32_t x, int32_t y, const std::string& text,
                               const TCanvasFont& font) {
  calls_.push_back({TCanvasCall::TKind::TextOut, {x, y, x, y}, font.Color, text, font});
}

TCanvasSize TRecordingCanvas::TextExtent(const std::string& text, const TCanvasFont& font) {
  // Advance widths of Arial's printable ASCII characters in thousandths of
  // the em; other bytes take the width of a digit.
  static constexpr uint16_t widths[95] = {
      278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,
      556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,
      1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,
      667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,
      333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,
      556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};
  int64_t units = 0;
  for (unsigned char c : text) units += c >= 32 && c < 127 ? widths[c - 32] : 556;
  // Bold faces run about a twentieth wider.
  if (font.Weight >= 700) units = units * 21 / 20;
  int32_t em = font.Height < 0 ? -font.Height : font.Height;
  return {static_cast<int32_t>((units * em + 500) / 1000), static_cast<int32_t>((em * 1149 + 500) / 1000)};
}

void TRecordingCanvas::SetPixel(int32_t x, int32_t y, TCanvasColor color) {
  calls_.push_back({TCanvasCall::TKind::SetPixel, {x, y, x, y}, color, {}, {}});
  Plot(x, y, color);
}

std::optional<TCanvasColor> TRecordingCanvas::Pixel(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return std::nullopt;
  return pixels_[static_cast<size_t>(y) * width_ + x];
}

std::string TRecordingCanvas::BitmapFile() {
  return BitmapFileOfPixels(width_, height_, pixels_);
}

}  // namespace brim

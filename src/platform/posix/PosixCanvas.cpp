// Painting on the posix build: there is no screen, so a canvas is a
// recording one, and the system colours are Windows' standard scheme.
#include "platform/Canvas.h"

#include <iterator>

namespace brim {

std::unique_ptr<ICanvas> CreateMemoryCanvas(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  return std::make_unique<TRecordingCanvas>(width, height);
}

TCanvasColor SystemColor(int32_t index) {
  // Windows' standard scheme, COLOR_SCROLLBAR (0) to COLOR_INFOBK (24).
  static constexpr TCanvasColor scheme[] = {
      CanvasRgb(192, 192, 192), CanvasRgb(0, 128, 128),   CanvasRgb(0, 0, 128),     CanvasRgb(128, 128, 128),
      CanvasRgb(192, 192, 192), CanvasRgb(255, 255, 255), CanvasRgb(0, 0, 0),       CanvasRgb(0, 0, 0),
      CanvasRgb(0, 0, 0),       CanvasRgb(255, 255, 255), CanvasRgb(192, 192, 192), CanvasRgb(192, 192, 192),
      CanvasRgb(128, 128, 128), CanvasRgb(0, 0, 128),     CanvasRgb(255, 255, 255), CanvasRgb(192, 192, 192),
      CanvasRgb(128, 128, 128), CanvasRgb(128, 128, 128), CanvasRgb(0, 0, 0),       CanvasRgb(192, 192, 192),
      CanvasRgb(255, 255, 255), CanvasRgb(0, 0, 0),       CanvasRgb(192, 192, 192), CanvasRgb(0, 0, 0),
      CanvasRgb(255, 255, 225)};
  if (index < 0 || index >= static_cast<int32_t>(std::size(scheme))) return 0;
  return scheme[index];
}

}  // namespace brim

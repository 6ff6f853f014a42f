// Painting on the posix build: there is no screen, so a canvas is a
// recording one.
#include "platform/Canvas.h"

namespace brim {

std::unique_ptr<ICanvas> CreateMemoryCanvas(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  return std::make_unique<TRecordingCanvas>(width, height);
}

}  // namespace brim

#include "decoration/cmp_TBackDrop.h"

#include "common/MulDiv.h"
#include "widgets/Painting.h"

namespace brim {

const TEnumInfo DirectionInfo("TDirection", {"bdUp", "bdDown", "bdLeft", "bdRight", "bdHorzIn", "bdHorzOut",
                                             "bdVertIn", "bdVertOut"});

const TClassInfo& TBackdrop::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TBackdrop>("TBackdrop", &TPanel::StaticClass())
          .Creatable()
          // A backdrop fills its parent unless told otherwise.
          .Enumeration("Align", Field(&TControl::Align), AlignInfo, static_cast<int64_t>(TAlign::alClient))
          .Enumeration("Direction", Field(&TBackdrop::Direction), DirectionInfo, 0)
          .Color("EndColor", Field(&TBackdrop::EndColor), 0)
          .Color("StartColor", Field(&TBackdrop::StartColor), 16711680)
          .Build();
  return info;
}

TBackdrop::TBackdrop(TComponent* owner) : TPanel(owner) { Align = TAlign::alClient; }

namespace {

// How a direction draws: which end comes first, whether the bands are
// mirrored about the middle, and whether they stand side by side (across)
// rather than stacked.
struct TGradientCall {
  bool StartFirst, Symmetric, Across;
};

constexpr TGradientCall kCalls[] = {
    {true, false, false},   // bdUp
    {false, false, false},  // bdDown
    {true, false, true},    // bdLeft
    {false, false, true},   // bdRight
    {false, true, false},   // bdHorzIn
    {true, true, false},    // bdHorzOut
    {true, true, true},     // bdVertIn
    {false, true, true},    // bdVertOut
};

int32_t Channel(TCanvasColor color, int shift) { return static_cast<int32_t>((color >> shift) & 0xFF); }

}  // namespace

void TBackdrop::Paint(ICanvas& canvas) {
  const TGradientCall& call = kCalls[static_cast<int>(Direction)];
  const TCanvasColor c1 = ColorToRGB(call.StartFirst ? StartColor : EndColor);
  const TCanvasColor c2 = ColorToRGB(call.StartFirst ? EndColor : StartColor);
  const int32_t last = call.Symmetric ? 127 : 255;
  const int32_t length = call.Across ? Width : Height;
  // A band from one position to the next along the gradient, spanning
  // the whole of the other dimension.
  auto band = [&](int32_t from, int32_t to) -> TCanvasRect {
    return call.Across ? TCanvasRect{from, 0, to, Height} : TCanvasRect{0, from, Width, to};
  };
  for (int32_t n = 0; n <= last; ++n) {
    TCanvasColor color = 0;
    for (int shift : {0, 8, 16})
      color |= static_cast<TCanvasColor>(Channel(c1, shift) +
                                         MulDiv(n, Channel(c2, shift) - Channel(c1, shift), last))
               << shift;
    canvas.FillRect(band(MulDiv(n, length, 256), MulDiv(n + 1, length, 256)), color);
    if (call.Symmetric)
      canvas.FillRect(band(MulDiv(255 - n, length, 256), MulDiv(256 - n, length, 256)), color);
  }
}

}  // namespace brim

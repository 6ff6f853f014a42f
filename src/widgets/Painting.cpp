#include "widgets/Painting.h"

#include "widgets/Forms.h"

namespace brim {

TCanvasColor ColorToRGB(TColor color) {
  const auto value = static_cast<uint32_t>(color);
  if ((value & 0xFF000000u) == 0xFF000000u) return SystemColor(static_cast<int32_t>(value & 0xFF));
  return value & 0xFFFFFF;
}

TCanvasFont CanvasFontOf(const TFont& font) {
  TCanvasFont result;
  result.Face = font.Name;
  // A negative height is the em; a positive one the whole cell, of which
  // the em is about 1000/1149 in Arial.
  result.Height = font.Height < 0 ? -font.Height : (font.Height * 1000 + 574) / 1149;
  result.Weight = font.Style.Contains(TFontStyle::fsBold) ? 700 : 400;
  result.Italic = font.Style.Contains(TFontStyle::fsItalic);
  result.Color = ColorToRGB(font.Color);
  return result;
}

void InvalidateControl(TControl& control) {
  if (control.HasState(csLoading)) return;
  for (TControl* c = &control; c; c = c->Parent())
    if (auto* form = dynamic_cast<TCustomForm*>(c)) {
      if (form->Visible) UserInterface().FormChanged(*form);
      return;
    }
}

namespace {

void PaintTree(TControl& control, int32_t left, int32_t top, ICanvas& canvas) {
  if (control.PaintsItself()) {
    canvas.SetViewport({left, top, left + control.Width, top + control.Height});
    control.Paint(canvas);
  }
  if (auto* parent = dynamic_cast<TWinControl*>(&control))
    for (int i = 0; i < parent->ControlCount(); ++i) {
      TControl* child = parent->Controls(i);
      if (child->Visible) PaintTree(*child, left + child->Left, top + child->Top, canvas);
    }
}

}  // namespace

void PaintControls(TWinControl& root, ICanvas& canvas) {
  const TCanvasRect whole{0, 0, canvas.Width(), canvas.Height()};
  canvas.FillRect(whole, ColorToRGB(root.Color()));
  PaintTree(root, 0, 0, canvas);
  canvas.SetViewport(whole);
}

}  // namespace brim

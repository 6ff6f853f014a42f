// What the controls that draw themselves share: the colours and fonts of
// the control model turned into the canvas's, asking a shown form to be
// drawn again, and drawing the face of a window (every control that paints
// itself, in place) onto one canvas, which is how the posix build shows
// what a window looks like.
#pragma once

#include "widgets/Controls.h"

namespace brim {

// The RGB value of a colour; a system colour (clWindow, clBtnFace...)
// through the platform's scheme.
TCanvasColor ColorToRGB(TColor color);

// The canvas font of a control font: face, pixel height, weight, italic
// and colour; no escapement.
TCanvasFont CanvasFontOf(const TFont& font);

// The control's look changed: the form it lies on, when that is shown, is
// shown again through the user interface. Nothing while the control is
// being loaded.
void InvalidateControl(TControl& control);

// Fills the canvas with the root's colour, then paints every visible
// control that paints itself, parents before children and in the order
// they were placed, each in a viewport at its place relative to the root.
// Controls the platform draws are left out.
void PaintControls(TWinControl& root, ICanvas& canvas);

}  // namespace brim

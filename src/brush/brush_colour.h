// The rules that keep the paint colour (`color`, what the tip is drawn in) and the selected colour
// (`selectedColor`, what the user chose) consistent with the brush opacity and mode.
//
// Colours are composed without masking: an alpha above 255 wraps modulo 256. At rest the
// selected colour's alpha is 255 x 255 / 100 = 650, which wraps to 138; only its red, green and
// blue are ever drawn with, so the wrap is kept as the brush's stored colours have always had it.
#pragma once

#include "brush/brush_settings.h"

namespace qm {

// The selected colour's alpha from the opacity and the stroke opacity: for the brush, pencil and
// smudge modes (tool 0, 1, 4) alpha = alpha x strokeAlpha / 100, nearest, halves to even, modulo
// 256; for the eraser (tool 2) alpha 0; other modes leave the colour alone.
void recomputeSelectedAlpha(BrushSettings& b);

// The paint colour from the selected colour's mode: brush, pencil, smudge keep their red, green
// and blue with alpha = `alpha`; the eraser paints opaque black; other modes leave it alone.
void refreshPaintColour(BrushSettings& b);

// The colour arithmetic of "colour changed": unless the paint colour is kept it becomes the
// selected colour; then the selected colour's alpha is recomputed, and the paint colour refreshed.
// The caller redraws the swatch previews and rebuilds the tip.
void applyColourChange(BrushSettings& b, bool keepPaintColour);

}  // namespace qm

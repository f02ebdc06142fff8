#pragma once
// The shaped reveals (effects 99 to 162): the region each step draws through, and the
// three builders of band, ragged and frayed fronts that only these effects use.
//
// The builders work in absolute canvas coordinates from 0: the reaches are canvas
// positions and right and bottom the picture's far edges on the canvas. Each creates
// one rectangle region per strip or cell and unites them in the order described; the
// result is empty when no strip was made.

#include "effect_context.h"

namespace effects {

// Bands 5 pixels wide every 10: rows shaped by hKind, then columns shaped by vKind
// (0 none, 1 from the far side, 2 from the near side, 3 comb, 4 near then gaps from
// the far side, 5 the reverse). A reach past the far edge is the second phase, which
// fills the gaps; a reach within `margin` of the edge snaps to it.
TRegion BandRgn(int reachX, int reachY, int right, int bottom, int margin, int hKind, int vKind);

// Strips 5 pixels apart whose ends move at random (Random(s) - Random(s), the added
// draw first), rows before columns; the spread s is narrower in preview mode. Kinds:
// 1 from the far side, 2 from the near side, 3 opening from the middle line, 4
// closing from both sides.
TRegion RaggedRgn(int reachX, int reachY, int right, int bottom, int hKind, int vKind, bool preview,
                    const platform::RandomSource& generator = {});

// Half-overlapping strips whose front is frayed by square cells scattered ahead of
// it: kind 1 from the far side, any other from the near side.
TRegion FrayedRgn(int reachX, int reachY, int right, int bottom, int hKind, int vKind,
                    const platform::RandomSource& generator = {});

// The region of effect `number` (99..162) at step p (0..100) for a W x H picture at
// (X, Y), or an empty one when the step draws nothing.
TRegion ShapedRevealRegion(int number, int X, int Y, int W, int H, int p, bool preview,
                             const platform::RandomSource& generator = {});

}  // namespace effects

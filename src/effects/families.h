#pragma once
// The effect families, each drawing the numbers the effect table gives it.

#include "effect_context.h"

namespace effects {

Effect PixelWipes(EffectContext& c, int number);       // 1-6
Effect InterlacedLines(EffectContext& c, int number);  // 7-10
Effect GrowingSquares(EffectContext& c, int number);   // 11
Effect TileFronts(EffectContext& c, int number);       // 12-15
Effect ClosingDiamond(EffectContext& c, int number);   // 16
Effect StripSweeps(EffectContext& c, int number);      // 17-24, 30
Effect TileDissolve(EffectContext& c, int number);     // 25
Effect Checkerboards(EffectContext& c, int number);    // 26-29, 79-88
Effect SlidingStrips(EffectContext& c, int number);    // 31-34
Effect SpiralDither(EffectContext& c, int number);     // 35
Effect TileSerpentines(EffectContext& c, int number);  // 36-37, 46
Effect StretchedZooms(EffectContext& c, int number);   // 38, 47
Effect ShapeReveals(EffectContext& c, int number);     // 39-40, 53, 67-70
Effect BlockDissolve(EffectContext& c, int number);    // 41
Effect ShowThenClear(EffectContext& c, int number);    // 42-45
Effect LineGrids(EffectContext& c, int number);        // 48-51, 63-66
Effect CompositedSquares(EffectContext& c, int number);  // 52
Effect LineSpirals(EffectContext& c, int number);      // 54, 61-62
Effect InterlacedGrids(EffectContext& c, int number);  // 55-60
Effect GrowingShapes(EffectContext& c, int number);    // 71, 78, 89-91, 98
Effect Slats(EffectContext& c, int number);            // 72-73
Effect RollingStrips(EffectContext& c, int number);    // 74-77
Effect CornerQuadrants(EffectContext& c, int number);  // 92
Effect DiagonalBlinds(EffectContext& c, int number);   // 93-96
Effect Fade(EffectContext& c, int number);             // 97
Effect ShapedReveals(EffectContext& c, int number);    // 99-162
Effect StretchSlides(EffectContext& c, int number);    // 163-213
Effect Puzzle(EffectContext& c, int number);           // 214
Effect OpeningStrips(EffectContext& c, int number);    // 215-218
Effect StripTrails(EffectContext& c, int number);      // 219-222
Effect RandomLines(EffectContext& c, int number);      // 223, 224
Effect CentreReveals(EffectContext& c, int number);    // 225-228

}  // namespace effects

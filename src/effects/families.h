#pragma once
// The effect families, each drawing the numbers the effect table gives it.

#include "effect_context.h"

namespace effects {

void PixelWipes(EffectContext& c, int number);       // 1-6
void InterlacedLines(EffectContext& c, int number);  // 7-10
void GrowingSquares(EffectContext& c, int number);   // 11
void TileFronts(EffectContext& c, int number);       // 12-15
void ClosingDiamond(EffectContext& c, int number);   // 16
void StripSweeps(EffectContext& c, int number);      // 17-24, 30
void TileDissolve(EffectContext& c, int number);     // 25
void Checkerboards(EffectContext& c, int number);    // 26-29, 79-88
void SlidingStrips(EffectContext& c, int number);    // 31-34
void SpiralDither(EffectContext& c, int number);     // 35
void TileSerpentines(EffectContext& c, int number);  // 36-37, 46
void StretchedZooms(EffectContext& c, int number);   // 38, 47
void ShapeReveals(EffectContext& c, int number);     // 39-40, 53, 67-70
void BlockDissolve(EffectContext& c, int number);    // 41
void ShowThenClear(EffectContext& c, int number);    // 42-45
void LineGrids(EffectContext& c, int number);        // 48-51, 63-66
void CompositedSquares(EffectContext& c, int number);  // 52
void LineSpirals(EffectContext& c, int number);      // 54, 61-62
void InterlacedGrids(EffectContext& c, int number);  // 55-60
void GrowingShapes(EffectContext& c, int number);    // 71, 78, 89-91, 98
void Slats(EffectContext& c, int number);            // 72-73
void RollingStrips(EffectContext& c, int number);    // 74-77
void CornerQuadrants(EffectContext& c, int number);  // 92
void DiagonalBlinds(EffectContext& c, int number);   // 93-96
void Fade(EffectContext& c, int number);             // 97
void ShapedReveals(EffectContext& c, int number);    // 99-162
void StretchSlides(EffectContext& c, int number);    // 163-213
void Puzzle(EffectContext& c, int number);           // 214
void OpeningStrips(EffectContext& c, int number);    // 215-218
void StripTrails(EffectContext& c, int number);      // 219-222
void RandomLines(EffectContext& c, int number);      // 223, 224
void CentreReveals(EffectContext& c, int number);    // 225-228

}  // namespace effects

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
void GrowingShapes(EffectContext& c, int number);    // 71, 78, 89-91, 98
void Slats(EffectContext& c, int number);            // 72-73
void RollingStrips(EffectContext& c, int number);    // 74-77
void CornerQuadrants(EffectContext& c, int number);  // 92
void DiagonalBlinds(EffectContext& c, int number);   // 93-96
void Fade(EffectContext& c, int number);             // 97
void StretchSlides(EffectContext& c, int number);    // 163-213

}  // namespace effects

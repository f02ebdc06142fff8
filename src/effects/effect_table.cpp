// The effect families by number: a new family is its file and one line here.

#include "draw_transition.h"
#include "families.h"

namespace effects {

const std::vector<EffectFamily>& EffectFamilies()
{
    static const std::vector<EffectFamily> table = {
        {1, 6, PixelWipes, true, "pixel wipes"},
        {7, 10, InterlacedLines, true, "interlaced lines"},
        {11, 11, GrowingSquares, true, "growing squares"},
        {12, 15, TileFronts, true, "tile fronts"},
        {16, 16, ClosingDiamond, true, "closing diamond"},
        {17, 24, StripSweeps, true, "strip sweeps"},
        {25, 25, TileDissolve, true, "tile dissolve"},
        {26, 29, Checkerboards, true, "checkerboards"},
        {30, 30, StripSweeps, true, "strip sweeps"},
        {31, 34, SlidingStrips, false, "sliding strips"},
        {35, 35, SpiralDither, true, "spiral dither"},
        {71, 71, GrowingShapes, true, "growing shapes"},
        {72, 73, Slats, true, "slats"},
        {74, 77, RollingStrips, true, "rolling strips"},
        {78, 78, GrowingShapes, true, "growing shapes"},
        {79, 88, Checkerboards, true, "checkerboards"},
        {89, 91, GrowingShapes, true, "growing shapes"},
        {92, 92, CornerQuadrants, true, "corner quadrants"},
        {93, 96, DiagonalBlinds, true, "diagonal blinds"},
        {97, 97, Fade, true, "fade"},
        {98, 98, GrowingShapes, true, "growing shapes"},
        {163, 213, StretchSlides, true, "stretch slides"},
    };
    return table;
}

}  // namespace effects

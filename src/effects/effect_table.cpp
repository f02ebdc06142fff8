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
        {36, 37, TileSerpentines, true, "tile serpentines"},
        {38, 38, StretchedZooms, true, "stretched zooms"},
        {39, 40, ShapeReveals, true, "shape reveals"},
        {41, 41, BlockDissolve, true, "block dissolve"},
        {42, 45, ShowThenClear, false, "show then clear", EndState::Background},
        {46, 46, TileSerpentines, true, "tile serpentines"},
        {47, 47, StretchedZooms, true, "stretched zooms"},
        {48, 51, LineGrids, true, "line grids"},
        {52, 52, CompositedSquares, true, "composited squares"},
        {53, 53, ShapeReveals, true, "shape reveals"},
        {54, 54, LineSpirals, true, "line spirals"},
        {55, 60, InterlacedGrids, true, "interlaced grids"},
        {61, 62, LineSpirals, true, "line spirals"},
        {63, 66, LineGrids, false, "line grids"},
        {67, 70, ShapeReveals, true, "shape reveals"},
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
        {99, 162, ShapedReveals, true, "shaped reveals"},
        {163, 213, StretchSlides, true, "stretch slides"},
        {kPuzzleEffect, kPuzzleEffect, Puzzle, false, "puzzle", EndState::Pieces},
        {215, 218, OpeningStrips, true, "opening strips"},
        {219, 222, StripTrails, true, "strip trails"},
        {223, 224, RandomLines, true, "random lines"},
        {225, 228, CentreReveals, true, "centre reveals"},
    };
    return table;
}

}  // namespace effects

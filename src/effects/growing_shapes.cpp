// Effects 71, 78, 89, 90, 91 and 98: shapes that grow in the cells of a grid until they
// meet, each revealing the new picture under it.

#include "families.h"
#include "clipping.h"

#include "platform/win_math.h"

#include <cmath>

namespace effects {

using namespace platform;

namespace {

// Cells of side N: the last one is partial when N does not divide the side.
int cellCount(int side, int N)
{
    return side / N + (side % N != 0 ? 1 : 0);
}

int cellCentre(int index, int N)
{
    return (index - 1) * N + N / 2;
}

// 71: a right triangle grows from each cell's centre over its upper-left half; the grid
// gets one column and one row more than it has.
Effect triangles(EffectContext& c)
{
    const int N = c.PreviewMode ? 20 : 100;
    const int cols = cellCount(c.W, N), rows = cellCount(c.H, N);
    for (int k = 1; k <= N / 2; ++k) {
        for (int i = 1; i <= cols + 1; ++i) {
            for (int j = 1; j <= rows + 1; ++j) {
                if (const bool go = co_await c.Step(); !go)
                    co_return;
                const int x = c.X + cellCentre(i, N), y = c.Y + cellCentre(j, N);
                DrawThrough(c, EffectContext::TriangleRgn(x - k, y - k, x + k, y - k, x - k, y + k));
            }
        }
        co_await c.PauseFor(spin(800), spin(800));
    }
}

// 78: squares of the picture grow on the background colour, composed off screen so that
// each frame replaces the old picture at once.
Effect squaresOnBackground(EffectContext& c)
{
    const int N = c.PreviewMode ? 10 : 20;
    const int cols = cellCount(c.W, N), rows = cellCount(c.H, N);
    TBitmap frame(c.W, c.H);
    TCanvas& f = frame.Canvas();
    f.Brush.Color = c.BackColor;
    f.Brush.Style = bsSolid;
    f.FillRect(Rect(0, 0, c.Target.Width(), c.Target.Height()));
    for (int k = 1; k <= N / 2; ++k) {
        if (const bool go = co_await c.Step(); !go)
            co_return;
        for (int i = 1; i <= cols; ++i) {
            for (int j = 1; j <= rows; ++j) {
                const int cx = cellCentre(i, N), cy = cellCentre(j, N);
                const TRect square = Rect(cx - k, cy - k, cx + k, cy + k);
                f.CopyRect(square, c.Picture.Canvas(), square);
            }
        }
        c.Target.Draw(c.X, c.Y, frame);
        co_await c.PauseFor(spin(2000), spin(2000));
    }
}

// 89: fans of triangles spreading from a lattice 100 pixels apart. The lattice reaches
// twice as far as the picture: a triangle wholly outside it draws nothing and is skipped.
Effect fans(EffectContext& c)
{
    const int cols = c.W / 50 + 1, rows = c.H / 50 + 1;
    for (int k = 1; k <= 95; ++k) {
        for (int i = 1; i <= cols; ++i) {
            for (int j = 1; j <= rows; ++j) {
                if (const bool go = co_await c.Step(); !go)
                    co_return;
                const int x = c.X + 100 * i - 50, y = c.Y + 100 * j - 50;
                if (x - 50 - k >= c.X + c.W || y - 50 - k >= c.Y + c.H)
                    continue;
                DrawThrough(c, EffectContext::TriangleRgn(x + k, y + k, x - 50 - k, y - 50 + k, x - 50 + k, y - 50 - k));
            }
        }
        co_await c.PauseFor(spin(100), spin(100));
    }
}

// 90: four squares of side half the longer side grow together.
Effect fourSquares(EffectContext& c)
{
    const int N = c.W > c.H ? c.W / 2 : c.H / 2;
    for (int k = 1; k <= N / 2 - 1; ++k) {
        for (int i = 1; i <= 2; ++i) {
            for (int j = 1; j <= 2; ++j) {
                if (const bool go = co_await c.Step(); !go)
                    co_return;
                const int cx = cellCentre(i, N), cy = cellCentre(j, N);
                c.CopyPicRect(cx - k, cy - k, cx + k, cy + k);
            }
            co_await c.PauseFor(spin(100), spin(1000));
        }
    }
}

// 91: the same four squares one after another, centred on the picture's shorter side.
Effect fourSquaresInTurn(EffectContext& c)
{
    int N, o, l;
    if (c.H < c.W) {
        N = c.W / 2;
        o = 0;
        l = (c.W - c.H) / 2;
    } else {
        N = c.H / 2;
        o = (c.H - c.W) / 2;
        l = 0;
    }
    const TPoint centres[4] = {{N / 2 - o, N / 2 - l},
                               {N + N / 2 - o, N + N / 2 - l},
                               {N / 2 - o, N + N / 2 - l},
                               {N + N / 2 - o, N / 2 - l}};
    for (const TPoint& centre : centres) {
        for (int k = 1; k <= N / 2; ++k) {
            if (const bool go = co_await c.Step(); !go)
                co_return;
            c.CopyPicRect(centre.X - k, centre.Y - k, centre.X + k, centre.Y + k);
            co_await c.PauseFor(spin(100), spin(1000));
        }
    }
}

// 98: ten by ten triangles from the cells' top-left corners; the region only grows, so
// every step draws through all the triangles so far.
Effect tenByTenTriangles(EffectContext& c)
{
    const int W = c.W, H = c.H;
    TRegion triangles;
    for (int s = 0; s <= 100; ++s) {
        if (const bool go = co_await c.Step(); !go)
            co_return;
        int p, q = 0;
        if (W < H) {
            q = MulDiv(H, s, 100);
            p = MulDiv(q, W, H);
        } else {
            p = MulDiv(W, s, 100);
        }
        p = p / 5;
        q = MulDiv(p, H, W);
        for (int a = 0; a <= 9; ++a) {
            for (int col = 0; col <= 9; ++col) {
                const int x0 = c.X + col * W / 10, y0 = c.Y + a * H / 10;
                UniteInto(triangles, EffectContext::TriangleRgn(x0, y0, x0 + p, y0, x0, y0 + q));
            }
        }
        DrawThrough(c, triangles);
    }
}

}  // namespace

Effect GrowingShapes(EffectContext& c, int number)
{
    switch (number) {
    case 71: co_await triangles(c); break;
    case 78: co_await squaresOnBackground(c); break;
    case 89: co_await fans(c); break;
    case 90: co_await fourSquares(c); break;
    case 91: co_await fourSquaresInTurn(c); break;
    case 98: co_await tenByTenTriangles(c); break;
    }
}

}  // namespace effects

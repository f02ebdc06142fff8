// Effects 39, 40, 53 and 67 to 70: the whole picture drawn through growing shapes, one
// centred diamond or circle, or a lattice of circles, diamonds or triangles.

#include "clipping.h"
#include "families.h"

#include "platform/gdi/region.h"

#include <cmath>

namespace effects {

using namespace platform;

namespace {

Effect centredDiamond(EffectContext& c)
{
    const int cx = c.X + c.W / 2, cy = c.Y + c.H / 2;
    const int E = c.H < c.W ? c.W : c.H;
    for (int l = 10; l < E; l += 10) {
        if (const bool go = co_await c.Step(); !go)
            co_return;
        const TPoint points[4] = {{cx, cy - l}, {cx - l, cy}, {cx, cy + l}, {cx + l, cy}};
        DrawThrough(c, CreatePolygonRgn(points, 4, ALTERNATE));
        co_await c.PauseFor(spin(200), spin(2000));
    }
}

Effect centredCircle(EffectContext& c)
{
    const int cx = c.X + c.W / 2, cy = c.Y + c.H / 2;
    const int M = static_cast<int>(std::sqrt(double(c.W / 2) * (c.W / 2) + double(c.H / 2) * (c.H / 2)));
    for (int l = 10; l < M + 10; l += 10) {
        if (const bool go = co_await c.Step(); !go)
            co_return;
        DrawThrough(c, CreateEllipticRgn(cx - l, cy - l, cx + l, cy + l));
        co_await c.PauseFor(spin(200), spin(2000));
    }
}

// The box (left, top, right, bottom) of one cell at one growth, on the canvas.
TRegion diamond(int l, int t, int r, int b)
{
    return EffectContext::QuadRgn(l, (t + b) / 2, (l + r) / 2, t, r, (t + b) / 2, (l + r) / 2, b);
}

// One lattice of cells with cell size N, growths 1..growths, the boxes shifted by h;
// every cell is one step, drawn through the shapes `shapes` builds for it.
template <typename Shapes>
Task<bool> lattice(EffectContext& c, int N, int columns, int rows, int growths, int h, Pause pause, Shapes shapes)
{
    for (int g = 1; g <= growths; ++g) {
        for (int i = 1; i <= columns; ++i) {
            for (int j = 1; j <= rows; ++j) {
                if (const bool go = co_await c.Step(); !go)
                    co_return false;
                const int cx = c.X + h + (i - 1) * N + N / 2, cy = c.Y + h + (j - 1) * N + N / 2;
                shapes(cx - g, cy - g, cx + g, cy + g);
            }
        }
        co_await c.PauseFor(pause, pause);
    }
    co_return true;
}

Effect cellShapes(EffectContext& c, int number)
{
    const int N = c.PreviewMode ? 20 : 100;
    const int columns = (c.W + N - 1) / N, rows = (c.H + N - 1) / N;
    const auto through = [&c](TRegion (*shape)(int, int, int, int)) {
        return [&c, shape](int l, int t, int r, int b) { DrawThrough(c, shape(l, t, r, b)); };
    };
    const auto circle = [](int l, int t, int r, int b) { return CreateEllipticRgn(l, t, r, b); };
    const auto triangle = [](int l, int t, int r, int b) { return EffectContext::TriangleRgn(l, t, r, t, l, b); };
    switch (number) {
    case 53:  // circles grow to N, past the radius that already covers a cell
        co_await lattice(c, N, columns, rows, N, 0, spin(800), through(circle));
        break;
    case 67:
        co_await lattice(c, N, columns, rows, N, 0, spin(800), through(diamond));
        break;
    case 68:  // the second lattice fills the gaps the first one leaves
        if (const bool done = co_await lattice(c, N, columns, rows, N / 2, 0, spin(1500), through(diamond)); done)
            co_await lattice(c, N, columns + 1, rows + 1, N / 2, -(N / 2), spin(1500), through(diamond));
        break;
    case 69:
        co_await lattice(c, N, columns + 1, rows + 1, N / 2, 0, spin(800), [&c, N](int l, int t, int r, int b) {
            DrawThrough(c, diamond(l, t, r, b));
            DrawThrough(c, diamond(l - N / 2, t - N / 2, r - N / 2, b - N / 2));
        });
        break;
    case 70:
        co_await lattice(c, N, columns + 1, rows + 1, N, 0, spin(800), through(triangle));
        break;
    }
}

}  // namespace

Effect ShapeReveals(EffectContext& c, int number)
{
    if (number == 39)
        co_await centredDiamond(c);
    else if (number == 40)
        co_await centredCircle(c);
    else
        co_await cellShapes(c, number);
}

}  // namespace effects

// Effects 48 to 51 and 63 to 66: grids of rows and columns copied together, thickening
// pass by pass or sweeping across the picture. 63 to 66 end without the closing copy:
// their rows alone cover every line of the picture.

#include "copy_step.h"
#include "families.h"

#include <algorithm>

namespace effects {

using platform::Rect;

namespace {

// Effects 48 to 51: T passes over a grid of spacing T.
Effect thickening(EffectContext& c, int number)
{
    const int W = c.W, H = c.H, T = c.T, D = std::max(W, H);
    for (int p = 1; p <= c.T; ++p) {
        switch (number) {
        case 48:
            for (int d = p - 1; d <= H || d <= W; d += T)
                if (const bool go = co_await CopyStep(c, {Rect(d, 0, d + 1, H + 1), Rect(0, d, W + 1, d + 1)}, spin(100), spin(1000)); !go)
                    co_return;
            break;
        case 49:  // p pixels thick, so later passes thicken the lines until they meet
            for (int d = D; d >= 0; d -= T)
                if (const bool go = co_await CopyStep(c, {Rect(d, 0, d + p, H + p), Rect(0, d, W + p, d + p)}, pump(2), spin(1000)); !go)
                    co_return;
            break;
        case 50:
            for (int a = D, b = 0; a >= 0; a -= T, b += T)
                if (const bool go = co_await CopyStep(c, {Rect(b, 0, b + p, H + p), Rect(0, a, W + p, a + p)}, spin(100), spin(1000)); !go)
                    co_return;
            break;
        case 51:  // the column just left of b, given right to left
            for (int a = p - 1, b = D; a <= H || a <= W; a += T, b -= T)
                if (const bool go = co_await CopyStep(c, {Rect(b, 0, b - 1, H + 1), Rect(0, a, W + 1, a + 1)}, spin(100), spin(1000)); !go)
                    co_return;
            break;
        }
    }
}

// Effects 63 and 64: two-pixel lines from all four sides, ten passes one pixel apart.
Effect fourSides(EffectContext& c, int number)
{
    const int W = c.W, H = c.H, O = (W + 9) / 10, Q = (H + 9) / 10;
    const Pause step = number == 63 ? spin(200) : none(), stepSaver = number == 63 ? spin(2000) : none();
    for (int w = 0; w <= 9; ++w) {
        for (int a = 0; a <= Q - 1; ++a) {
            const int near = 10 * a + w, farRow = 10 * (Q - a) + w, farColumn = 10 * (O - a) + w;
            if (const bool go = co_await CopyStep(c,
                          {Rect(0, near, W, near + 2), Rect(near, 0, near + 2, H), Rect(0, farRow, W, farRow + 2),
                           Rect(farColumn, 0, farColumn + 2, H)},
                          step, stepSaver); !go)
                co_return;
        }
        if (number == 63)
            co_await c.PauseFor(spin(400), spin(4000));
        else
            co_await c.PauseFor(spin(1000), spin(10000));
    }
}

// Effects 65 and 66: eleven rows and columns sweeping one pixel per pass; 66 adds a
// second one-pixel grid sweeping the other way.
Effect sweeping(EffectContext& c, int number)
{
    const int W = c.W, H = c.H, O = (W + 9) / 10, Q = (H + 9) / 10;
    const int E = H < W ? O : Q;
    for (int w = 0; w <= E - 1; ++w) {
        for (int y = 10; y >= 0; --y) {
            const int column = W - O * y + w, row = Q * y + w;
            bool going;
            if (number == 65) {
                going = co_await CopyStep(c, {Rect(column, 0, column + 2, H), Rect(0, row, W, row + 2)}, none(), none());
            } else {
                const int a = 10 - y, back = W - O * a - w - 10, up = H - Q * a - w - 10;
                going = co_await CopyStep(c,
                                 {Rect(column, 0, column + 1, H), Rect(0, row, W, row + 1), Rect(back, 0, back + 1, H),
                                  Rect(0, up, W, up + 1)},
                                 none(), none());
            }
            if (!going)
                co_return;
        }
        if (number == 65)
            co_await c.PauseFor(spin(400), spin(4000));
        else
            co_await c.PauseFor(spin(1000), spin(10000));
    }
}

}  // namespace

Effect LineGrids(EffectContext& c, int number)
{
    if (number <= 51)
        co_await thickening(c, number);
    else if (number <= 64)
        co_await fourSides(c, number);
    else
        co_await sweeping(c, number);
}

}  // namespace effects

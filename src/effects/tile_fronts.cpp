// Effects 12 to 15: two diagonal fronts of tiles sweep the grid.

#include "families.h"

#include <algorithm>

namespace effects {

namespace {

struct Front {
    int c, r;
};

// The front's diagonal, tile by tile, until it leaves the grid.
Task<bool> drawDiagonal(EffectContext& ctx, Front f, int dc, int cols, int rows)
{
    for (int c = f.c, r = f.r; c >= 1 && c <= cols && r >= 1 && r <= rows; c += dc, ++r) {
        if (const bool go = co_await ctx.Step(); !go)
            co_return false;
        ctx.CopyTile(c, r);
    }
    co_return true;
}

}  // namespace

Effect TileFronts(EffectContext& ctx, int number)
{
    const int cols = ctx.Cols(), rows = ctx.Rows(), m = std::min(cols, rows);
    Front a{}, b{};
    int dc = -1;
    switch (number) {
    case 12: a = {0, 1}; b = {cols, rows + 1}; dc = -1; break;
    case 13: a = {cols + 1, 1}; b = {1, rows + 1}; dc = +1; break;
    case 14: a = {m + 1, 1}; b = {m - 1, 1}; dc = -1; break;
    case 15: a = {cols - m + 1, 1}; b = {cols - m - 1, 1}; dc = +1; break;
    }
    auto running = [&] {
        switch (number) {
        case 12: return (a.c < cols || a.r < rows) && (b.c > 1 || b.r > 1);
        case 13: return (a.c > 1 || a.r < rows) && b.c < cols;
        case 14: return a.c > 1 || a.r > 1 || b.c < cols || b.r < rows;
        default: return a.c > 1 || a.r < rows || b.c < cols || b.r > 1;
        }
    };
    auto move = [&] {
        switch (number) {
        case 12:
            if (a.c + 1 > cols)
                a.r = std::min(a.r + 1, rows);
            else
                ++a.c;
            if (b.r - 1 < 1)
                b.c = std::max(b.c - 1, 1);
            else
                --b.r;
            break;
        case 13:
            if (a.c - 1 < 1)
                a.r = std::min(a.r + 1, rows);
            else
                --a.c;
            if (b.r - 1 < 1)
                b.c = std::min(b.c + 1, cols);
            else
                --b.r;
            break;
        case 14:
            a.c = std::max(a.c - 1, 1);
            if (b.c + 1 > cols)
                b.r = std::min(b.r + 1, rows);
            else
                ++b.c;
            break;
        case 15:
            if (a.c - 1 < 1)
                a.r = std::min(a.r + 1, rows);
            else
                --a.c;
            b.c = std::min(b.c + 1, cols);
            break;
        }
    };
    while (running()) {
        move();
        if (const bool go = co_await drawDiagonal(ctx, a, dc, cols, rows) && co_await drawDiagonal(ctx, b, dc, cols, rows); !go)
            co_return;
        co_await ctx.PauseFor(pump(1), spin(400));
    }
}

}  // namespace effects

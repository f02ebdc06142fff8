// Effects 26 to 29 and 79 to 88: a checkerboard of tiles, one colour line by line, then
// the other.

#include "families.h"
#include "clipping.h"

namespace effects {

namespace {

// One walk over the lines of the tile grid; on line a it copies every second tile from
// index (a mod 2) + offset, index 0 lying outside the picture.
struct Pass {
    bool byRows;
    bool forward;
    int offset;
};

constexpr Pass kColumns{false, true, 0}, kColumnsBack{false, false, 0};
constexpr Pass kRows{true, true, 0}, kRowsBack{true, false, 0};

constexpr Pass shifted(Pass p)
{
    return {p.byRows, p.forward, 1};
}

struct Board {
    Pass first, second;
};

Board boardOf(int number)
{
    switch (number) {
    case 26: return {kRows, shifted(kRows)};
    case 27: return {kRowsBack, shifted(kRowsBack)};
    case 28: return {kColumns, shifted(kColumns)};
    case 29: return {kColumnsBack, shifted(kColumnsBack)};
    case 79: return {kColumns, shifted(kColumnsBack)};
    case 80: return {kRows, shifted(kRowsBack)};
    case 81: return {shifted(kColumnsBack), kColumns};
    case 82: return {shifted(kRowsBack), kRows};
    case 83: return {kColumns, shifted(kRows)};
    case 84: return {kColumnsBack, shifted(kRowsBack)};
    case 85: return {kColumns, shifted(kRowsBack)};
    default: return {kColumnsBack, shifted(kRows)};  // 86
    }
}

Task<bool> tile(EffectContext& c, bool byRows, int line, int index)
{
    if (const bool go = co_await c.Step(); !go)
        co_return false;
    if (byRows)
        c.CopyTile(index, line);
    else
        c.CopyTile(line, index);
    co_return true;
}

Task<bool> walk(EffectContext& c, Pass p)
{
    const int lines = p.byRows ? c.Rows() : c.Cols();
    const int across = p.byRows ? c.Cols() : c.Rows();
    for (int k = 1; k <= lines; ++k) {
        const int a = p.forward ? k : lines - k + 1;
        for (int index = a % 2 + p.offset; index <= across; index += 2)
            if (const bool go = co_await tile(c, p.byRows, a, index); !go)
                co_return false;
        co_await c.PauseFor(spin(100), spin(1000));
    }
    co_return true;
}

// 87 and 88: one pass sweeping from both sides at once, a line and its mirror line in
// turn, each on the other colour.
Effect bothSides(EffectContext& c, bool byRows)
{
    const int lines = byRows ? c.Rows() : c.Cols();
    const int across = byRows ? c.Cols() : c.Rows();
    for (int a = 1; a <= lines; ++a) {
        const int mirror = lines + 1 - a;
        for (int i = a % 2, j = mirror % 2 + 1; i <= across; i += 2, j += 2)
            if (const bool go = co_await tile(c, byRows, a, i) && co_await tile(c, byRows, mirror, j); !go)
                co_return;
        co_await c.PauseFor(spin(100), spin(1000));
    }
}

}  // namespace

Effect Checkerboards(EffectContext& c, int number)
{
    const auto run = [&]() -> Effect {
        if (number >= 87) {
            co_await bothSides(c, number == 88);
        } else {
            const Board board = boardOf(number);
            if (const bool done = co_await walk(c, board.first); done)
                co_await walk(c, board.second);
        }
    };
    // Clipped to the picture while they run; the clip goes before the closing step.
    if (number == 29 || number >= 86) {
        const ClipScope clip = ClipToPicture(c);
        co_await run();
    } else {
        co_await run();
    }
}

}  // namespace effects

// Effects 36, 37 and 46: tile rows or columns filled in alternating directions.

#include "families.h"

namespace effects {

namespace {

// Effects 36 and 37: odd lines of tiles forward in the first pass, even ones backward in
// the second; a whole line is one step.
Effect serpentine(EffectContext& c, bool byRows)
{
    const int lines = byRows ? c.Rows() : c.Cols(), length = byRows ? c.Cols() : c.Rows();
    for (int pass = 1; pass <= 2; ++pass) {
        for (int line = pass; line <= lines; line += 2) {
            if (const bool go = co_await c.Step(); !go)
                co_return;
            for (int k = 1; k <= length; ++k) {
                const int along = line % 2 != 0 ? k : length - k + 1;
                if (byRows)
                    c.CopyTile(along, line);
                else
                    c.CopyTile(line, along);
            }
            co_await c.PauseFor(spin(byRows ? 100 : 200), spin(2000));
        }
    }
}

// Effect 46: odd tile columns fill from the top while even ones fill from the bottom.
Effect comb(EffectContext& c)
{
    const int cols = c.Cols(), rows = c.Rows();
    for (int r = 1; r <= rows; ++r) {
        const int mirrored = rows - r + 1;
        for (int col = 1; col <= cols; col += 2) {
            if (const bool go = co_await c.Step(); !go)
                co_return;
            c.CopyTile(col, r);
            if (col < cols)
                c.CopyTile(col + 1, mirrored);
        }
        co_await c.PauseFor(spin(200), none());
    }
}

}  // namespace

Effect TileSerpentines(EffectContext& c, int number)
{
    if (number == 46)
        co_await comb(c);
    else
        co_await serpentine(c, number == 36);
}

}  // namespace effects

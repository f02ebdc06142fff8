// Effects 26 to 29: a checkerboard of tiles, one colour line by line, then the other.

#include "families.h"

#include "platform/gdi/dc.h"

namespace effects {

void Checkerboards(EffectContext& c, int number)
{
    const int cols = c.Cols(), rows = c.Rows();
    const bool byRows = number == 26 || number == 27;
    const bool forward = number == 26 || number == 28;
    const int lines = byRows ? rows : cols;
    const int across = byRows ? cols : rows;
    if (number == 29) {
        // Clipped to the picture while it runs; the clip goes before the closing step.
        c.Hold(platform::CreateRectRgn(c.X, c.Y, c.X + c.W, c.Y + c.H));
        c.ClipTarget(c.Region());
    }
    for (int pass = 0; pass <= 1; ++pass) {
        for (int k = 1; k <= lines; ++k) {
            const int a = forward ? k : lines - k + 1;
            for (int index = a % 2 + pass; index <= across; index += 2) {
                if (!c.Step())
                    return;
                if (byRows)
                    c.CopyTile(index, a);
                else
                    c.CopyTile(a, index);
            }
            c.PauseFor(spin(100), spin(1000));
        }
    }
    if (number == 29) {
        c.UnclipTarget();
        c.ReleaseRegion();
    }
}

}  // namespace effects

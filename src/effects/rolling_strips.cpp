// Effects 74 to 77: a strip rolls across the picture showing, mirrored, the part just
// ahead of it, while the part behind it is copied plainly.

#include "families.h"
#include "clipping.h"

namespace effects {

using namespace platform;

Effect RollingStrips(EffectContext& c, int number)
{
    const int N = c.PreviewMode ? 15 : 90;
    const int W = c.W, H = c.H, X = c.X, Y = c.Y;
    const int last = number <= 75 ? W : H;
    TCanvas& target = c.Target;
    const TCanvas& picture = c.Picture.Canvas();
    // Near the far edge the strip reaches past the picture; outside it would leave a
    // trail on the background that no later copy removes.
    const ClipScope clip = ClipToPicture(c);
    // Behind the strip the picture is copied plainly. Only the line the strip has just
    // left differs from the picture there (the strip never reaches back over the lines
    // copied before), so that line is all that is copied: recopying the whole part
    // behind, as large as the picture by the end, draws the same frames at a cost that
    // grows with the square of the picture's side.
    for (int y = 0; y <= last; ++y) {
        if (const bool go = co_await c.Step(); !go)
            co_return;
        switch (number) {
        case 74:
            target.CopyRect(Rect(X + W - y - 1, Y, X + W - y - 1 - N, Y + H), picture, Rect(W - y - 2 * N, 0, W - y - N - 1, H));
            c.CopyPicRect(W - y - 1, 0, W - y, H);
            break;
        case 75:
            target.CopyRect(Rect(X + y, Y, X + y + N, Y + H), picture, Rect(y + 2 * N, 0, y + N, H));
            if (y > 0)
                c.CopyPicRect(y - 1, 0, y, H);
            break;
        case 76:
            target.CopyRect(Rect(X, Y + y, X + W, Y + y + N), picture, Rect(0, y + 2 * N, W, y + N));
            if (y > 0)
                c.CopyPicRect(0, y - 1, W, y);
            break;
        case 77:
            target.CopyRect(Rect(X, Y + H - y - 1, X + W, Y + H - y - 1 - N), picture, Rect(0, H - y - 2 * N, W, H - y - N));
            if (y > 0)
                c.CopyPicRect(0, H - y, W, H - y + 1);
            break;
        }
        co_await c.PauseFor(spin(100), spin(100));
    }
}

}  // namespace effects

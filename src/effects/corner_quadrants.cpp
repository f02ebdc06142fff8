// Effect 92: each quarter of the picture slides in from its outer corner, the part
// nearest the centre showing first, and grows as it moves to its place.

#include "families.h"

#include <cmath>

namespace effects {

using platform::Rect;

Effect CornerQuadrants(EffectContext& c, int)
{
    const int W = c.W, H = c.H, X = c.X, Y = c.Y;
    const int hw = W / 2, hh = H / 2;
    int pl = hw - 1, pt = hh - 1;  // top-left: the hidden part's size
    int qw = 0, qt = hh - 1;       // top-right
    int bl = hw - 1, bh = 0;       // bottom-left
    int rw = 0, rh = 0;            // bottom-right: the shown part's size
    const int count = W == H ? W : static_cast<int>(std::trunc(std::sqrt(double(hw) * hw + double(hh) * hh)));
    const TCanvas& picture = c.Picture.Canvas();
    for (int step = 1; step <= count; ++step) {
        if (const bool go = co_await c.Step(); !go)
            co_return;
        if (pl > 0)
            --pl;
        if (pt > 0)
            --pt;
        c.Target.CopyRect(Rect(X, Y, X + hw - pl, Y + hh - pt), picture, Rect(pl, pt, hw, hh));
        if (qw < hw)
            ++qw;
        if (qt > 0)
            --qt;
        c.Target.CopyRect(Rect(X + W - qw, Y, X + W, Y + hh - qt), picture, Rect(hw, qt, hw + qw, hh));
        if (bl > 0)
            --bl;
        if (bh < hh)
            ++bh;
        c.Target.CopyRect(Rect(X, Y + H - bh, X + hw - bl, Y + H), picture, Rect(bl, hh, hw, hh + bh));
        if (rw < hw)
            ++rw;
        if (rh < hh)
            ++rh;
        c.Target.CopyRect(Rect(X + W - rw, Y + H - rh, X + W, Y + H), picture, Rect(hw, hh, hw + rw, hh + rh));
        if (pl == 0 && pt == 0 && qw == hw && qt == 0 && bl == 0 && bh == hh && rw == hw && rh == hh)
            break;
        co_await c.PauseFor(spin(100), none());
    }
}

}  // namespace effects

// Effects 163 to 213: the new picture is stretched, slid or wiped piece by piece into a
// buffer of its own size that starts as the background colour, and the whole buffer is
// shown at each of 101 steps, so the old picture is gone from the first one. Each effect
// is one row of assignments to D (where in the buffer) and S (what of the picture); the
// last copy of every step is made with HALFTONE.

#include "families.h"
#include "stretch_rows.h"

#include "platform/win_math.h"

#include <algorithm>
#include <array>
#include <vector>

namespace effects {

using namespace platform;
using stretch_rows::Compile;

namespace {

struct Row {
    int number;
    stretch_rows::Program program;
};

constexpr Row row(int number, std::string_view text) { return {number, Compile(text)}; }

// clang-format off
constexpr std::array kRows = {
    // whole picture squeezed in from the right edge
    row(163, "D.l = W - dx"),
    // squeezed in from the left edge
    row(164, "D.r = dx"),
    // magnified left part shrinking into place
    row(165, "D.r = 2W - dx; S.r = dx"),
    // magnified right part shrinking into place
    row(166, "D.l = dx - W; S.l = W - dx"),
    // magnified middle shrinking horizontally
    row(167, "D.l = dx - W; D.r = 2W - dx; S.l = (W - dx)/2; S.r = (W + dx)/2"),
    // squeezed picture unfolding sideways from the vertical centre line
    row(168, "D.l = (W - dx)/2; D.r = (W + dx)/2"),
    // wipe opening from the vertical centre line
    row(169, "D.l = S.l = (W - dx)/2; D.r = S.r = (W + dx)/2"),
    // wipes from left and right meeting in the middle
    row(170, "D.l = S.l = 0; D.r = S.r = dx/2 + 1; copy; "
             "then D.l = S.l = W - dx/2 - 1; D.r = S.r = W"),
    // left and right halves squeezed in from the sides
    row(171, "D.l = 0; D.r = dx/2 + 1; S.l = 0; S.r = W/2 + 1; copy; "
             "then D.l = W - dx/2 - 1; D.r = W; S.l = W/2; S.r = W"),
    // wipe from the left, the slice W/20 ahead of the front smeared over the rest
    row(172, "D.l = S.l = 0; D.r = S.r = dx; copy; "
             "then D.l = S.l = dx; D.r = W; S.r = dx + W/20"),
    // wipe from the right with the smear to the left
    row(173, "D.l = S.l = W - dx; D.r = S.r = W; copy; "
             "then D.l = 0; D.r = W - dx; S.l = W - dx - W/20; S.r = W - dx"),
    // squeezed in from the bottom edge
    row(174, "D.t = H - dy"),
    // squeezed in from the top edge
    row(175, "D.b = dy"),
    // slides up from the bottom
    row(176, "D.t = H - dy; D.b = 2H - dy"),
    // slides down from the top
    row(177, "D.t = dy - H; D.b = dy"),
    // slides in from the left
    row(178, "D.l = dx - W; D.r = dx"),
    // slides in from the right
    row(179, "D.l = W - dx; D.r = 2W - dx"),
    // wipe from the top
    row(180, "D.b = S.b = dy"),
    // wipe from the bottom
    row(181, "D.t = S.t = H - dy"),
    // magnified top part shrinking into place
    row(182, "D.b = 2H - dy; S.b = dy"),
    // magnified bottom part shrinking into place
    row(183, "D.t = dy - H; S.t = H - dy"),
    // magnified middle shrinking vertically
    row(184, "D.t = dy - H; D.b = 2H - dy; S.t = (H - dy)/2; S.b = (H + dy)/2"),
    // squeezed picture unfolding from the horizontal centre line
    row(185, "D.t = (H - dy)/2; D.b = (H + dy)/2"),
    // wipe opening from the horizontal centre line
    row(186, "D.t = S.t = (H - dy)/2; D.b = S.b = (H + dy)/2"),
    // wipes from top and bottom meeting in the middle
    row(187, "D.t = S.t = 0; D.b = S.b = dy/2 + 1; copy; "
             "then D.t = S.t = H - dy/2 - 1; D.b = S.b = H"),
    // top and bottom halves squeezed in
    row(188, "D.t = 0; D.b = dy/2 + 1; S.t = 0; S.b = H/2 + 1; copy; "
             "then D.t = H - dy/2 - 1; D.b = H; S.t = H/2; S.b = H"),
    // wipe from the top with a downward smear
    row(189, "D.t = S.t = 0; D.b = S.b = dy; copy; "
             "then D.t = S.t = dy; D.b = H; S.b = dy + H/20"),
    // wipe from the bottom with an upward smear
    row(190, "D.t = S.t = H - dy; D.b = S.b = H; copy; "
             "then D.t = 0; D.b = H - dy; S.t = H - dy - H/20; S.b = H - dy"),
    // squeezed picture growing from the bottom-right corner
    row(191, "D.l = W - dx; D.t = H - dy"),
    // growing from the top-right corner
    row(192, "D.l = W - dx; D.b = dy"),
    // growing from the top-left corner
    row(193, "D.r = dx; D.b = dy"),
    // growing from the bottom-left corner
    row(194, "D.r = dx; D.t = H - dy"),
    // slides in from the bottom-right
    row(195, "D.l = W - dx; D.t = H - dy; D.r = 2W - dx; D.b = 2H - dy"),
    // slides in from the top-right
    row(196, "D.l = W - dx; D.t = dy - H; D.r = 2W - dx; D.b = dy"),
    // slides in from the top-left
    row(197, "D.l = dx - W; D.t = dy - H; D.r = dx; D.b = dy"),
    // slides in from the bottom-left
    row(198, "D.l = dx - W; D.t = H - dy; D.r = dx; D.b = 2H - dy"),
    // box wipe from the top-left corner
    row(199, "D.r = S.r = dx; D.b = S.b = dy"),
    // box wipe from the bottom-left corner
    row(200, "D.r = S.r = dx; D.t = S.t = H - dy"),
    // box wipe from the bottom-right corner
    row(201, "D.l = S.l = W - dx; D.t = S.t = H - dy"),
    // box wipe from the top-right corner
    row(202, "D.l = S.l = W - dx; D.b = S.b = dy"),
    // magnified top-left part shrinking into place
    row(203, "D.r = 2W - dx; D.b = 2H - dy; S.r = dx; S.b = dy"),
    // magnified bottom-left part shrinking
    row(204, "D.r = 2W - dx; D.t = dy - H; S.r = dx; S.t = H - dy"),
    // magnified bottom-right part shrinking
    row(205, "D.l = dx - W; D.t = dy - H; S.l = W - dx; S.t = H - dy"),
    // magnified top-right part shrinking
    row(206, "D.l = dx - W; D.b = 2H - dy; S.l = W - dx; S.b = dy"),
    // magnified centre shrinking into place
    row(207, "D = (dx - W, dy - H, 2W - dx, 2H - dy); "
             "S = ((W - dx)/2, (H - dy)/2, (W + dx)/2, (H + dy)/2)"),
    // whole picture growing from the centre point
    row(208, "D = ((W - dx)/2, (H - dy)/2, (W + dx)/2, (H + dy)/2)"),
    // box wipe from the centre
    row(209, "D = S = ((W - dx)/2, (H - dy)/2, (W + dx)/2, (H + dy)/2)"),
    // frame closing from all four sides
    row(210, "D = S = (0, 0, W, dy/2); copy; "
             "then D = S = (0, H - dy/2, W, H); copy; "
             "then D = S = (0, 0, dx/2, H); copy; "
             "then D = S = (W - dx/2, 0, W, H)"),
    // four corner boxes growing toward the centre
    row(211, "D = S = (0, 0, dx/2 + 1, dy/2 + 1); copy; "
             "then D = S = (0, H - dy/2 - 1, dx/2 + 1, H); copy; "
             "then D = S = (W - dx/2 - 1, H - dy/2 - 1, W, H); copy; "
             "then D = S = (W - dx/2 - 1, 0, W, dy/2 + 1)"),
    // the four quarters squeezed into growing corner boxes
    row(212, "D = (0, 0, dx/2 + 1, dy/2 + 1), S = (0, 0, W/2 + 1, H/2 + 1); copy; "
             "then D = (0, H - dy/2, dx/2 + 1, H), S = (0, H/2 + 1, W/2 + 1, H); copy; "
             "then D = (W - dx/2, H - dy/2, W, H), S = (W/2 + 1, H/2 + 1, W, H); copy; "
             "then D = (W - dx/2, 0, W, dy/2 + 1), S = (W/2 + 1, 0, W, H/2 + 1)"),
    // the four quarters slide in: top-left from the left, top-right from the top, bottom-right
    // from the right, bottom-left from the bottom
    row(213, "D = ((dx - W)/2, 0, dx/2 + 1, H/2 + 1), S = (0, 0, W/2 + 1, H/2 + 1); copy; "
             "then D = (W/2 - 1, (dy - H)/2, W, dy/2 + 1), S = (W/2 - 1, 0, W, H/2 + 1); copy; "
             "then D = (W - dx/2, H/2 - 1, (3W - dx)/2, H), S = (W/2 + 1, H/2 - 1, W, H); copy; "
             "then D = (0, H - dy/2, W/2 + 1, (3H - dy)/2), S = (0, H/2 + 1, W/2 + 1, H)"),
};
// clang-format on

constexpr bool numberedInOrder()
{
    for (size_t i = 0; i < kRows.size(); ++i)
        if (kRows[i].number != 163 + int(i))
            return false;
    return true;
}
static_assert(kRows.size() == 51 && numberedInOrder());

}  // namespace

Effect StretchSlides(EffectContext& c, int number)
{
    const stretch_rows::Program& program = kRows[size_t(number - 163)].program;
    const int W = c.W, H = c.H;
    // Freed on every way out, a stop or an exception included.
    TBitmap buffer;
    buffer.SetWidth(W);
    buffer.SetHeight(H);
    TCanvas& canvas = buffer.Canvas();
    canvas.Brush.Color = c.BackColor;
    buffer.SetPixelFormat(pf24bit);
    canvas.FillRect(Rect(0, 0, W, H));
    TRect D = Rect(0, 0, W, H), S = Rect(0, 0, W, H);
    // What a step drew into the buffer: after the first step only that can differ on
    // the target, as the buffer is never cleared.
    std::vector<TRect> drawn;
    const auto copy = [&] {
        canvas.CopyRect(D, c.Picture.Canvas(), S);
        const TRect r = Rect(std::max(std::min(D.Left, D.Right), 0), std::max(std::min(D.Top, D.Bottom), 0),
                             std::min(std::max(D.Left, D.Right), W), std::min(std::max(D.Top, D.Bottom), H));
        // The step's closing copy draws the last place again.
        if (!r.IsEmpty() && (drawn.empty() || drawn.back() != r))
            drawn.push_back(r);
    };
    for (int p = 0; p <= 100; ++p) {
        if (const bool go = co_await c.Step(); !go)
            co_return;
        int dx, dy;
        if (W >= H) {
            dx = MulDiv(W, p, 100);
            dy = MulDiv(dx, H, W);
        } else {
            dy = MulDiv(H, p, 100);
            dx = MulDiv(dy, W, H);
        }
        stretch_rows::Run(program, {W, H, dx, dy}, D, S, copy);
        canvas.SetStretchMode(HALFTONE);
        canvas.SetBrushOrigin({0, 0});
        copy();
        // The whole buffer where the places together are as large as it.
        long long area = 0;
        for (const TRect& r : drawn)
            area += static_cast<long long>(r.Width()) * r.Height();
        if (p == 0 || area >= static_cast<long long>(W) * H)
            c.Target.Draw(c.X, c.Y, buffer);
        else
            for (const TRect& r : drawn)
                c.Target.CopyRect(Rect(c.X + r.Left, c.Y + r.Top, c.X + r.Right, c.Y + r.Bottom), canvas, r);
        drawn.clear();
        co_await c.PauseFor(spin(10), none());
    }
}

}  // namespace effects

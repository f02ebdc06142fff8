// Effects 99 to 162: the new picture drawn whole at each of 101 steps through a region
// that grows from nothing to the picture; the effect number only picks the shape.

#include "clipping.h"
#include "families.h"
#include "shaped_reveals.h"

#include "platform/win_math.h"

#include <utility>

namespace effects {

using namespace platform;

namespace {

enum class Builder { None, Band, Ragged, Frayed };

// A shape made by a builder: its reaches are X + xReach·dx and Y + yReach·dy. Two
// lattices meet where meetH and meetV name the second one's kinds.
struct BuiltRow {
    int number;
    Builder builder;
    int xReach, yReach;
    bool margin;
    int hKind, vKind;
    int meetH = 0, meetV = 0;
};

constexpr int kFirstBuilt = 115;

constexpr BuiltRow kBuiltRows[] = {
    {115, Builder::Band, 2, 0, true, 1, 0},
    {116, Builder::Band, 2, 0, true, 2, 0},
    {117, Builder::Band, 2, 0, true, 4, 0},
    {118, Builder::Band, 2, 0, true, 5, 0},
    {119, Builder::Band, 1, 0, false, 3, 0},
    {120, Builder::Band, 0, 2, true, 0, 1},
    {121, Builder::Band, 0, 2, true, 0, 2},
    {122, Builder::Band, 0, 2, true, 0, 4},
    {123, Builder::Band, 0, 2, true, 0, 5},
    {124, Builder::Band, 0, 1, false, 0, 3},
    {125, Builder::Band, 2, 2, true, 1, 1},
    {126, Builder::Band, 2, 2, true, 1, 2},
    {127, Builder::Band, 2, 2, true, 2, 1},
    {128, Builder::Band, 2, 2, true, 2, 2},
    {129, Builder::Band, 2, 2, true, 4, 4},
    {130, Builder::Band, 2, 2, true, 4, 5},
    {131, Builder::Band, 2, 2, true, 5, 4},
    {132, Builder::Band, 2, 2, true, 5, 5},
    {133, Builder::Band, 1, 1, true, 1, 3},
    {134, Builder::Band, 1, 1, true, 2, 3},
    {135, Builder::Band, 1, 1, true, 3, 1},
    {136, Builder::Band, 1, 1, true, 3, 2},
    {137, Builder::Band, 1, 1, false, 3, 3},
    {138, Builder::Band, 2, 2, true, 2, 2, 1, 1},
    {139, Builder::Band, 1, 2, true, 2, 2, 1, 1},
    {140, Builder::Ragged, 1, 0, false, 1, 0},
    {141, Builder::Ragged, 1, 0, false, 2, 0},
    {142, Builder::Ragged, 1, 0, false, 3, 0},
    {143, Builder::Ragged, 1, 0, false, 4, 0},
    {144, Builder::Ragged, 0, 1, false, 0, 1},
    {145, Builder::Ragged, 0, 1, false, 0, 2},
    {146, Builder::Ragged, 0, 1, false, 0, 3},
    {147, Builder::Ragged, 0, 1, false, 0, 4},
    {148, Builder::Ragged, 1, 1, false, 1, 1},
    {149, Builder::Ragged, 1, 1, false, 1, 2},
    {150, Builder::Ragged, 1, 1, false, 2, 1},
    {151, Builder::Ragged, 1, 1, false, 2, 2},
    {152, Builder::Ragged, 1, 1, false, 1, 3},
    {153, Builder::Ragged, 1, 1, false, 2, 3},
    {154, Builder::Ragged, 1, 1, false, 3, 1},
    {155, Builder::Ragged, 1, 1, false, 3, 2},
    {156, Builder::Ragged, 1, 1, false, 3, 3},
    {157, Builder::Ragged, 1, 1, false, 4, 4},
    {158, Builder::None, 0, 0, false, 0, 0},  // the iris, drawn below
    {159, Builder::Frayed, 1, 1, false, 1, 0},
    {160, Builder::Frayed, 1, 1, false, 2, 0},
    {161, Builder::Frayed, 1, 1, false, 0, 1},
    {162, Builder::Frayed, 1, 1, false, 0, 2},
};

constexpr bool rowsInOrder()
{
    int expected = kFirstBuilt;
    for (const BuiltRow& row : kBuiltRows)
        if (row.number != expected++)
            return false;
    return expected == 163;
}
static_assert(rowsInOrder(), "one row per number from 115 to 162");

// The first region with each next one united into it.
template <class... More>
TRegion uniteInOrder(TRegion first, More... more)
{
    (UniteInto(first, std::move(more)), ...);
    return first;
}

TRegion builtRegion(const BuiltRow& row, int X, int Y, int W, int H, int dx, int dy, int m, bool preview,
                      const RandomSource& generator)
{
    const int reachX = X + row.xReach * dx, reachY = Y + row.yReach * dy;
    const int X2 = X + W, Y2 = Y + H;
    const int margin = row.margin ? m : 0;
    switch (row.builder) {
    case Builder::Band: {
        TRegion region = BandRgn(reachX, reachY, X2, Y2, margin, row.hKind, row.vKind);
        if (row.meetH == 0 && row.meetV == 0)
            return region;
        const TRegion other = BandRgn(reachX, reachY, X2, Y2, margin, row.meetH, row.meetV);
        CombineRgn(region, region, other, RGN_AND);
        return region;
    }
    case Builder::Ragged: return RaggedRgn(reachX, reachY, X2, Y2, row.hKind, row.vKind, preview, generator);
    case Builder::Frayed: return FrayedRgn(reachX, reachY, X2, Y2, row.hKind, row.vKind, generator);
    case Builder::None: break;
    }
    return {};
}

TRegion drawnRegion(int number, int X, int Y, int W, int H, int dx, int dy)
{
    const int X2 = X + W, Y2 = Y + H;
    const int cx = X + W / 2, cy = Y + H / 2;
    const auto tri = EffectContext::TriangleRgn;
    const auto roundRect = [](int l, int t, int r, int b, int ew, int eh) {
        return CreateRoundRectRgn(l, t, r, b, ew, eh);
    };
    switch (number) {
    case 99: return tri(X, Y, X + 2 * dx, Y, X, Y + 2 * dy);
    case 100: return tri(X2, Y, X2 - 2 * dx, Y, X2, Y + 2 * dy);
    case 101: return tri(X, Y2, X + 2 * dx, Y2, X, Y2 - 2 * dy);
    case 102: return tri(X2, Y2, X2 - 2 * dx, Y2, X2, Y2 - 2 * dy);
    case 103: return uniteInOrder(tri(X2, Y2, X2, Y, X2 - dx, Y), tri(X, Y2, X, Y, X + dx, Y2));
    case 104: return uniteInOrder(tri(X2, Y2, X, Y2, X, Y2 - dy), tri(X2, Y, X, Y, X2, Y + dy));
    case 105:
        return uniteInOrder(tri(cx, cy, X, Y2, X, Y2 - dy), tri(X, Y, X + dx, Y, cx, cy),
                            tri(X2 - dx, Y2, cx, cy, X2, Y2), tri(cx, cy, X2, Y, X2, Y + dy));
    case 106: return roundRect(-(2 * W + X), Y - 5, X + 2 * dx, Y2 + 5, 2 * W, 2 * W);
    case 107: return roundRect(X2 - 2 * dx, Y - 5, X + 3 * W, Y2 + 5, 2 * W, 2 * W);
    case 108: return roundRect(X - 5, Y - 2 * H, X2 + 5, Y + 2 * dy, 2 * H, 2 * H);
    case 109: return roundRect(X - 5, Y2 - 2 * dy, X2 + 5, Y + 3 * H, 2 * H, 2 * H);
    case 110: return roundRect(-(2 * W + X), -(2 * H + Y), X + 2 * dx, Y + 2 * dy, 2 * W, 2 * H);
    case 111: return roundRect(X2 - 2 * dx, -(2 * H + Y), X + 3 * W, Y + 2 * dy, 2 * W, 2 * H);
    case 112: return roundRect(-(2 * W + X), Y2 - 2 * dy, X + 2 * dx, Y + 3 * H, 2 * W, 2 * H);
    // The bottom-right corner's ellipse is 2H x 2H, unlike the other three corners'.
    case 113: return roundRect(X2 - 2 * dx, Y2 - 2 * dy, X + 3 * W, Y + 3 * H, 2 * H, 2 * H);
    case 114: return roundRect(cx - dx, cy - dy, cx + dx, cy + dy, 9 * dx / 5, 9 * dy / 5);
    case 158: {
        // The iris: the picture outside an ellipse that shrinks to nothing. Its corner
        // ellipse counts X and Y in, as the shape always has.
        TRegion iris(CreateRoundRectRgn(X + dx - W / 2, Y + dy - H / 2, X + 3 * W / 2 - dx,
                                          Y + 3 * H / 2 - dy, X + 9 * (W - dx) / 5, Y + 9 * (H - dy) / 5));
        CombineRgn(iris, iris, CreateRectRgn(X, Y, X2, Y2), RGN_XOR);
        return iris;
    }
    default: return {};
    }
}

}  // namespace

TRegion ShapedRevealRegion(int number, int X, int Y, int W, int H, int p, bool preview,
                             const RandomSource& generator)
{
    int dx, dy, m;
    if (W >= H) {
        dx = MulDiv(W, p, 100);
        dy = MulDiv(dx, H, W);
        m = MulDiv(W, 5, 90);
    } else {
        dy = MulDiv(H, p, 100);
        dx = MulDiv(dy, W, H);
        m = MulDiv(H, 5, 90);
    }
    if (number >= kFirstBuilt && number <= 162) {
        const BuiltRow& row = kBuiltRows[number - kFirstBuilt];
        if (row.builder != Builder::None)
            return builtRegion(row, X, Y, W, H, dx, dy, m, preview, generator);
    }
    return drawnRegion(number, X, Y, W, H, dx, dy);
}

Effect ShapedReveals(EffectContext& c, int number)
{
    for (int p = 0; p <= 100; ++p) {
        if (const bool go = co_await c.Step(); !go)
            co_return;
        if (const TRegion region = ShapedRevealRegion(number, c.X, c.Y, c.W, c.H, p, c.PreviewMode, c.Inputs().random);
            !region.IsEmpty())
            DrawThrough(c, region);
        if (c.Stopped())
            co_return;
        co_await c.PauseFor(spin(500), none());
    }
}

}  // namespace effects

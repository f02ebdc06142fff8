// Hand-worked frames of effects 74 to 98: the rolling mirrored strips, the quadrants from
// the corners, the diagonal blind bands, the ten by ten triangles and the fade.

#include "effects/draw_transition.h"


#include "platform/gdi/bitmap.h"
#include "platform/gdi/canvas.h"
#include "platform/gdi/region.h"

#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <vector>
#include <set>

using namespace platform;
using testing_support::NoisePicture;

namespace {

constexpr uint32_t kOldPixel = 0xFF102030u;

TBitmap oldCanvas(int w, int h)
{
    TBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.ScanLine(y)[x] = kOldPixel;
    return b;
}

struct Film {
    std::map<int, TBitmap> frames;  // the canvas as step k begins (steps 1..k-1 drawn)
    TBitmap last;                   // after the effect, closing copy included
    int steps = 0;
};

// Plays an effect with R = 0 on a canvas of the old colour, keeping the canvas as the
// given steps begin.
Film play(int number, const TBitmap& picture, int canvasW, int canvasH, int X, int Y, bool preview,
          std::set<int> keep, TColor background = 0x00336699)
{
    Film film;
    TBitmap canvas = oldCanvas(canvasW, canvasH);
    effects::EffectInputs in;
    in.number = number;
    in.X = X;
    in.Y = Y;
    in.picture = &picture;
    in.target = &canvas.Canvas();
    in.backColor = background;
    in.previewMode = preview;
    in.R = 0;
    in.T = 4;
    in.onStep = [&](int step) {
        if (keep.count(step))
            film.frames[step] = canvas;
    };
    film.steps = effects::DrawTransition(in);
    film.last = canvas;
    return film;
}

uint32_t px(const TBitmap& b, int x, int y)
{
    return b.ScanLine(y)[x];
}

}  // namespace

// The strip shows, mirrored, the slice of the picture just ahead of it; behind it the
// picture stands, ahead of it the old picture.
TEST(RollingStrips, MirroredSliceLiesJustAheadOfTheFront)
{
    const TBitmap picture = NoisePicture(64, 16, 21);
    const int N = 15, y = 10;  // preview strip width; step y + 1 has drawn
    {
        const Film f = play(75, picture, 64, 16, 0, 0, true, {y + 2});
        const TBitmap& frame = f.frames.at(y + 2);
        for (int row : {0, 7, 15}) {
            for (int x = 0; x < y; ++x)
                ASSERT_EQ(px(frame, x, row), px(picture, x, row)) << x;
            // Destination y .. y + N - 1 shows source y + 2N - 1 down to y + N.
            for (int x = y; x < y + N; ++x)
                ASSERT_EQ(px(frame, x, row), px(picture, 2 * y + 2 * N - 1 - x, row)) << x;
            for (int x = y + N; x < 64; ++x)
                ASSERT_EQ(px(frame, x, row), kOldPixel) << x;
        }
    }
    {
        // Right to left: the strip ends at column W - y - 1 and stretches the N - 1
        // columns ahead of it, from W - y - 2N, over N columns.
        const Film f = play(74, picture, 64, 16, 0, 0, true, {y + 2});
        const TBitmap& frame = f.frames.at(y + 2);
        const int front = 64 - y - 1;  // 53
        for (int x = front; x < 64; ++x)
            ASSERT_EQ(px(frame, x, 3), px(picture, x, 3)) << x;
        EXPECT_EQ(px(frame, front - 1, 3), px(picture, 24, 3));      // nearest of the first source column
        EXPECT_EQ(px(frame, front - N, 3), px(picture, 37, 3));      // and of the last
        EXPECT_EQ(px(frame, front - N - 1, 3), kOldPixel);
    }
}

// Copying only the line the strip has just left draws the same frames as recopying the
// whole part behind it, also when the picture lies inside a larger canvas.
TEST(RollingStrips, EveryFrameAsIfTheWholePartBehindWereRecopied)
{
    const int W = 48, H = 36, X = 5, Y = 3, CW = 60, CH = 42, N = 15;
    const TBitmap picture = NoisePicture(W, H, 22);
    for (int number = 74; number <= 77; ++number) {
        const int last = number <= 75 ? W : H;
        std::set<int> all;
        for (int k = 1; k <= last + 2; ++k)
            all.insert(k);
        const Film f = play(number, picture, CW, CH, X, Y, true, all);
        ASSERT_EQ(f.steps, last + 1);
        TBitmap expected = oldCanvas(CW, CH);
        HDC dc = expected.Canvas().Handle();
        const TCanvas* src = &picture.Canvas();
        TRegion clip(CreateRectRgn(X, Y, X + W, Y + H));
        for (int y = 0; y <= last; ++y) {
            const TBitmap& frame = y + 1 < last + 1 ? f.frames.at(y + 2) : f.last;
            std::optional<ClipScope> inside(std::in_place, expected.Canvas(), clip);
            switch (number) {
            case 74:
                dc->StretchBlt(X + W - y - 1, Y, -N, H, src, W - y - 2 * N, 0, N - 1, H, SRCCOPY);
                dc->BitBlt(X + W - y - 1, Y, y + 1, H, src, W - y - 1, 0, SRCCOPY);
                break;
            case 75:
                dc->StretchBlt(X + y, Y, N, H, src, y + 2 * N, 0, -N, H, SRCCOPY);
                dc->BitBlt(X, Y, y, H, src, 0, 0, SRCCOPY);
                break;
            case 76:
                dc->StretchBlt(X, Y + y, W, N, src, 0, y + 2 * N, W, -N, SRCCOPY);
                dc->BitBlt(X, Y, W, y, src, 0, 0, SRCCOPY);
                break;
            case 77:
                dc->StretchBlt(X, Y + H - y - 1, W, -N, src, 0, H - y - 2 * N, W, N, SRCCOPY);
                dc->BitBlt(X, Y + H - y, W, y, src, 0, H - y, SRCCOPY);
                break;
            }
            inside.reset();
            if (y == last)
                dc->BitBlt(X, Y, W, H, src, 0, 0, SRCCOPY);  // the closing copy
            ASSERT_EQ(frame.Image(), expected.Image()) << "effect " << number << " after y = " << y;
        }
    }
}

// The counters of effect 92 on an 8 × 6 picture: the quarters are in place after four
// steps, before the step count (trunc √(4² + 3²) = 5) runs out.
TEST(CornerQuadrants, CountersAndEarlyEnd)
{
    const TBitmap picture = NoisePicture(8, 6, 23);
    const Film f = play(92, picture, 8, 6, 0, 0, false, {2, 3});
    EXPECT_EQ(f.steps, 4);
    const TBitmap& one = f.frames.at(2);
    // Step 1: pl = 2, pt = 1 -> source (2, 1, 4, 3) at (0, 0); qw = 1, qt = 1 -> source
    // (4, 1, 5, 3) at (7, 0); bl = 2, bh = 1 -> source (2, 3, 4, 4) at (0, 5);
    // rw = rh = 1 -> source (4, 3) at (7, 5).
    EXPECT_EQ(px(one, 0, 0), px(picture, 2, 1));
    EXPECT_EQ(px(one, 1, 1), px(picture, 3, 2));
    EXPECT_EQ(px(one, 2, 0), kOldPixel);
    EXPECT_EQ(px(one, 7, 0), px(picture, 4, 1));
    EXPECT_EQ(px(one, 7, 1), px(picture, 4, 2));
    EXPECT_EQ(px(one, 7, 2), kOldPixel);
    EXPECT_EQ(px(one, 0, 5), px(picture, 2, 3));
    EXPECT_EQ(px(one, 1, 5), px(picture, 3, 3));
    EXPECT_EQ(px(one, 0, 4), kOldPixel);
    EXPECT_EQ(px(one, 7, 5), px(picture, 4, 3));
    EXPECT_EQ(px(one, 6, 5), kOldPixel);
    // Step 2: pl = 1, pt = 0 -> source (1, 0, 4, 3) at (0, 0, 3, 3); qw = 2, qt = 0.
    const TBitmap& two = f.frames.at(3);
    EXPECT_EQ(px(two, 0, 0), px(picture, 1, 0));
    EXPECT_EQ(px(two, 2, 2), px(picture, 3, 2));
    EXPECT_EQ(px(two, 6, 0), px(picture, 4, 0));
    EXPECT_EQ(px(two, 7, 2), px(picture, 5, 2));
    // A square picture counts W steps and still leaves once the quarters are in place.
    EXPECT_EQ(play(92, NoisePicture(8, 8, 24), 8, 8, 0, 0, false, {}).steps, 4);
}

// One band of each diagonal blind, as the pixels it turns from old to new, against the
// band with its corners worked out by hand (halves rounded to even).
TEST(DiagonalBlinds, OneBandEach)
{
    struct Band {
        int number, w, h;
        bool preview;
        int step;
        TPoint corners[4];
    };
    const Band bands[] = {
        // The first band of each, where a half is rounded to even. v = 2.5, N = 5:
        // [5 · 2.5] = [12.5] = 12.
        {93, 100, 40, true, 1, {{0, 5}, {12, 0}, {0, 0}, {0, 0}}},
        // v = 4, N = 10: [10 ÷ 4] = [2.5] = 2.
        {95, 80, 20, false, 1, {{0, 18}, {10, 20}, {0, 20}, {0, 20}}},
        {96, 80, 20, false, 1, {{80, 20}, {80, 20}, {80, 18}, {70, 20}}},
        // 94's first band lies right of the picture; pass 0 has d = 0 … 160, then d = 10,
        // e = 0: [2.5] = 2.
        {94, 80, 20, false, 6, {{80, 0}, {70, 0}, {80, 2}, {80, 0}}},
        // Passes of 5, 4 and 4 bands, then d = 30: [7.5] = 8, [10].
        {96, 80, 20, false, 14, {{50, 20}, {80, 12}, {80, 10}, {40, 20}}},
    };
    for (const Band& b : bands) {
        const TBitmap picture = NoisePicture(b.w, b.h, 25);
        const Film f = play(b.number, picture, b.w, b.h, 0, 0, b.preview, {b.step, b.step + 1});
        const TBitmap &before = f.frames.at(b.step), &after = f.frames.at(b.step + 1);
        TRegion band(CreatePolygonRgn(b.corners, 4, WINDING));
        const QRegion pixels = band.ToQRegion();
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.w; ++x) {
                const bool wasOld = px(before, x, y) == kOldPixel;
                const bool turned = wasOld && px(after, x, y) != kOldPixel;
                ASSERT_EQ(turned, wasOld && pixels.contains(QPoint(x, y)))
                    << "effect " << b.number << " at " << x << ", " << y;
            }
    }
}

// Effect 98 at s = 49 on a 50 × 20 picture: p = MulDiv(50, 49, 100) = 25 (24.5 rounded
// away from zero), div 5 = 5, and q = MulDiv(5, 20, 50) = 2, so each 5 × 2 cell shows the
// triangle (0, 0), (5, 0), (0, 2).
TEST(TenByTenTriangles, TrianglesOfTheMulDivLegs)
{
    const TBitmap picture = NoisePicture(50, 20, 26);
    const Film f = play(98, picture, 50, 20, 0, 0, false, {51});
    EXPECT_EQ(f.steps, 101);
    const TPoint corners[3] = {{0, 0}, {5, 0}, {0, 2}};
    TRegion triangle(CreatePolygonRgn(corners, 3, WINDING));
    const QRegion cell = triangle.ToQRegion();
    ASSERT_FALSE(cell.isEmpty());
    const TBitmap& frame = f.frames.at(51);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 50; ++x) {
            const bool inside = cell.contains(QPoint(x % 5, y % 2));
            ASSERT_EQ(px(frame, x, y), inside ? px(picture, x, y) : kOldPixel) << x << ", " << y;
        }
}

// The fade blends the previous blend toward the picture, byte by byte, from the
// background colour; odd widths take the tail of each row too.
TEST(Fade, BlendsThePreviousValues)
{
    const int W = 11, H = 3;
    const TBitmap picture = NoisePicture(W, H, 27);
    const TColor background = 0x00336699;  // red 0x99, green 0x66, blue 0x33
    const Film f = play(97, picture, W, H, 0, 0, false, {1, 2, 3, 41}, background);
    EXPECT_EQ(f.steps, 41);
    std::vector<uint32_t> blend(W * H, 0xFF996633u);
    for (int s = 0; s <= 40; ++s) {
        for (int i = 0; i < W * H; ++i) {
            const uint32_t b = blend[i], n = px(picture, i % W, i / W);
            uint32_t out = 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8)
                out |= (((100 - s) * ((b >> shift) & 0xFF)) / 100 + (((n >> shift) & 0xFF) * s) / 100) << shift;
            blend[i] = out;
        }
        const int step = s + 2;  // the canvas as the next step begins
        if (f.frames.count(step)) {
            for (int i = 0; i < W * H; ++i)
                ASSERT_EQ(px(f.frames.at(step), i % W, i / W), blend[i]) << "s = " << s << ", pixel " << i;
        }
    }
    EXPECT_EQ(f.frames.at(1).Image(), oldCanvas(W, H).Image());
}

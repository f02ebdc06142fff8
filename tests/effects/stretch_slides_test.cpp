// Hand-worked steps of the stretch and slide family (163-213): what the buffer shows at a
// chosen step, seen on the target when the next step begins.

#include "effect_runs.h"

#include "platform/gdi/bitmap.h"

#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <functional>

using namespace platform;

namespace {

// The runner leaves the background colour black.
constexpr TColor kBack = clBlack;

uint32_t pixelOf(TColor c)
{
    return 0xFF000000u | uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | uint32_t(GetBValue(c));
}

// A picture whose colour is colour(x, y).
TBitmap painted(int w, int h, const std::function<TColor(int, int)>& colour)
{
    TBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.ScanLine(y)[x] = pixelOf(colour(x, y));
    return b;
}

// What the target shows once step p (0..99) of effect `number` is drawn, the picture at
// (0, 0) of a target of its size: the step frame of step p + 1 comes before anything of
// that step is drawn.
TBitmap afterStep(int number, const TBitmap& picture, int p)
{
    return effect_runs::play(number, picture, 4, false, p + 2, 0, 0, picture.Width(), picture.Height()).canvas;
}

uint32_t at(const TBitmap& b, int x, int y) { return b.ScanLine(y)[x]; }

// Every pixel of `b` in [x0, x1) × [y0, y1) is `value`.
::testing::AssertionResult all(const TBitmap& b, int x0, int y0, int x1, int y1, uint32_t value)
{
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (at(b, x, y) != value)
                return ::testing::AssertionFailure()
                       << "(" << x << ", " << y << ") is " << std::hex << at(b, x, y) << ", not " << value;
    return ::testing::AssertionSuccess();
}

}  // namespace

// The old picture goes at once: at the first step only the background shows, apart from
// the one-pixel bands along the edges that the rows with "+ 1" draw, and apart from the
// smear rows, whose slice W/20 (H/20) ahead of a front still at the edge covers the rest.
TEST(StretchSlides, AtTheFirstStepTheBackgroundReplacesTheOldPicture)
{
    const TBitmap picture = testing_support::NoisePicture(64, 48, 4);
    for (int number = 163; number <= 213; ++number) {
        const TBitmap seen = afterStep(number, picture, 0);
        ASSERT_FALSE(seen.Empty()) << number;
        const bool smear = number == 172 || number == 173 || number == 189 || number == 190;
        const bool bands = number == 170 || number == 171 || number == 187 || number == 188 || number >= 211;
        int drawn = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                if (at(seen, x, y) == pixelOf(kBack))
                    continue;
                ++drawn;
                if (!smear) {
                    ASSERT_TRUE(bands && (x == 0 || x == 63 || y == 0 || y == 47))
                        << number << " drew (" << x << ", " << y << ")";
                }
            }
        if (bands) {
            EXPECT_GT(drawn, 0) << number;
        }
        if (smear) {
            EXPECT_EQ(drawn, 64 * 48) << number;
        }
    }
}

// Halfway, the wipe front stands at dx (dy) and the two columns (rows) just ahead of it
// are stretched over the rest: from the first of them at the front to the second at
// the far edge.
TEST(StretchSlides, SmearRowsStretchTheSliceAheadOfTheFront)
{
    // Columns and rows 18, 19, 20 and 21 have colours of their own; the rest is grey.
    constexpr TColor kGrey = 0x808080, k18 = 0x0000FF, k19 = 0x00FF00, k20 = 0xFF0000, k21 = 0xFFFF00;
    auto mark = [](int i) { return i == 18 ? k18 : i == 19 ? k19 : i == 20 ? k20 : i == 21 ? k21 : kGrey; };
    const TBitmap columns = painted(40, 40, [&](int x, int) { return mark(x); });
    const TBitmap rows = painted(40, 40, [&](int, int y) { return mark(y); });
    // 40 × 40 at step 50: dx = dy = 20, W/20 = H/20 = 2.
    struct Case {
        int number;
        const TBitmap& picture;
        bool vertical, fromStart;
    };
    for (const Case c : {Case{172, columns, false, true}, Case{173, columns, false, false},
                         Case{189, rows, true, true}, Case{190, rows, true, false}}) {
        const TBitmap seen = afterStep(c.number, c.picture, 50);
        auto pix = [&](int along, int across) { return c.vertical ? at(seen, across, along) : at(seen, along, across); };
        for (int across = 0; across < 40; ++across) {
            // The wiped half is the picture itself.
            for (int along = c.fromStart ? 0 : 20; along < (c.fromStart ? 20 : 40); ++along)
                ASSERT_EQ(pix(along, across), pixelOf(mark(along))) << c.number << " at " << along;
            // The other half runs from the colour next to the front to the one after it.
            const int front = c.fromStart ? 20 : 19, far = c.fromStart ? 39 : 0;
            const TColor first = c.fromStart ? k20 : k19, second = c.fromStart ? k21 : k18;
            EXPECT_EQ(pix(front, across), pixelOf(first)) << c.number;
            EXPECT_EQ(pix(far, across), pixelOf(second)) << c.number;
            // No grey from beyond the slice.
            for (int along = c.fromStart ? 20 : 0; along < (c.fromStart ? 40 : 20); ++along)
                ASSERT_NE(pix(along, across), pixelOf(kGrey)) << c.number << " at " << along;
        }
    }
}

// A picture of four flat quarters split after column and row W/2 + 1 (the split the
// quarter rows take their sources at), 40 × 40, halfway: dx/2 = dy/2 = 10.
TEST(StretchSlides, QuarterRowsPutEachQuarterInItsCorner)
{
    constexpr TColor kTopLeft = 0x0000C0, kTopRight = 0x00C000, kBottomLeft = 0xC00000, kBottomRight = 0xC0C000;
    const TBitmap quarters = painted(40, 40, [](int x, int y) {
        return y < 21 ? (x < 21 ? kTopLeft : kTopRight) : (x < 21 ? kBottomLeft : kBottomRight);
    });
    const uint32_t back = pixelOf(kBack);

    // 212: each quarter squeezed into a corner box growing toward the centre.
    const TBitmap squeezed = afterStep(212, quarters, 50);
    EXPECT_TRUE(all(squeezed, 0, 0, 11, 11, pixelOf(kTopLeft)));
    EXPECT_TRUE(all(squeezed, 0, 30, 11, 40, pixelOf(kBottomLeft)));
    EXPECT_TRUE(all(squeezed, 30, 30, 40, 40, pixelOf(kBottomRight)));
    EXPECT_TRUE(all(squeezed, 30, 0, 40, 11, pixelOf(kTopRight)));
    EXPECT_TRUE(all(squeezed, 11, 0, 30, 40, back));
    EXPECT_TRUE(all(squeezed, 0, 11, 11, 30, back));
    EXPECT_TRUE(all(squeezed, 30, 11, 40, 30, back));

    // 213: the top-left quarter comes from the left (its right 11 columns show), the
    // top-right from the top (its lower 11 rows, from column 19), the bottom-right from
    // the right (from row 19, 20 columns shown), the bottom-left from the bottom.
    const TBitmap sliding = afterStep(213, quarters, 50);
    EXPECT_TRUE(all(sliding, 0, 0, 11, 21, pixelOf(kTopLeft)));
    EXPECT_TRUE(all(sliding, 11, 0, 19, 11, back));
    EXPECT_TRUE(all(sliding, 19, 0, 21, 11, pixelOf(kTopLeft)));
    EXPECT_TRUE(all(sliding, 21, 0, 40, 11, pixelOf(kTopRight)));
    EXPECT_TRUE(all(sliding, 11, 11, 30, 30, back));
    EXPECT_TRUE(all(sliding, 30, 19, 40, 21, pixelOf(kTopRight)));
    EXPECT_TRUE(all(sliding, 30, 21, 40, 40, pixelOf(kBottomRight)));
    EXPECT_TRUE(all(sliding, 0, 30, 21, 40, pixelOf(kBottomLeft)));
    EXPECT_TRUE(all(sliding, 21, 30, 30, 40, back));

    // Where the pieces of 213 are not stretched they are the picture shifted: the top
    // quarters on both axes, the bottom-right down its rows, the bottom-left along its
    // columns. A picture that changes only down its rows, then one that changes only
    // along its columns, shows the offsets.
    auto rowColour = [](int y) { return RGB(y * 5, 0, 100); };
    auto columnColour = [](int x) { return RGB(0, x * 5, 50); };
    const TBitmap byRow = afterStep(213, painted(40, 40, [&](int, int y) { return rowColour(y); }), 50);
    const TBitmap byColumn = afterStep(213, painted(40, 40, [&](int x, int) { return columnColour(x); }), 50);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            if (x < 11 && y < 21) {  // top-left, 10 columns to the left
                ASSERT_EQ(at(byRow, x, y), pixelOf(rowColour(y))) << x << ", " << y;
                ASSERT_EQ(at(byColumn, x, y), pixelOf(columnColour(x + 10))) << x << ", " << y;
            } else if (x >= 19 && y < 11) {  // top-right, 10 rows up
                ASSERT_EQ(at(byRow, x, y), pixelOf(rowColour(y + 10))) << x << ", " << y;
                ASSERT_EQ(at(byColumn, x, y), pixelOf(columnColour(x))) << x << ", " << y;
            } else if (x >= 30 && y >= 19) {  // bottom-right, rows in place
                ASSERT_EQ(at(byRow, x, y), pixelOf(rowColour(y))) << x << ", " << y;
            } else if (x < 21 && y >= 30) {  // bottom-left, columns in place
                ASSERT_EQ(at(byColumn, x, y), pixelOf(columnColour(x))) << x << ", " << y;
            }
        }
}

// Extents by MulDiv, rounding halves up: on a landscape picture dx comes from W and dy
// from dx, on a portrait one dy from H and dx from dy. Effect 193 grows the squeezed
// picture from the top-left corner to dx × dy.
TEST(StretchSlides, ExtentsFollowTheLongerSide)
{
    const TBitmap flat = painted(30, 20, [](int, int) { return TColor(0x4080C0); });
    // 30 × 20 at step 5: dx = MulDiv(30, 5, 100) = 2 (1.5 rounded up), dy = MulDiv(2, 20, 30) = 1.
    const TBitmap landscape = afterStep(193, flat, 5);
    EXPECT_TRUE(all(landscape, 0, 0, 2, 1, pixelOf(0x4080C0)));
    EXPECT_TRUE(all(landscape, 2, 0, 30, 20, pixelOf(kBack)));
    EXPECT_TRUE(all(landscape, 0, 1, 2, 20, pixelOf(kBack)));
    // 20 × 40 at step 50: dy = 20, dx = MulDiv(20, 20, 40) = 10.
    const TBitmap tall = painted(20, 40, [](int, int) { return TColor(0x4080C0); });
    const TBitmap portrait = afterStep(193, tall, 50);
    EXPECT_TRUE(all(portrait, 0, 0, 10, 20, pixelOf(0x4080C0)));
    EXPECT_TRUE(all(portrait, 10, 0, 20, 40, pixelOf(kBack)));
    EXPECT_TRUE(all(portrait, 0, 20, 10, 40, pixelOf(kBack)));
}

// Pictures a pixel or two wide or high, where W/2 - 1 is negative and W/20 is 0: every
// row runs its 101 steps within the buffer and the picture ends exact.
TEST(StretchSlides, TinyPicturesRunAllStepsAndEndExact)
{
    for (auto [w, h] : {std::pair{1, 1}, std::pair{2, 1}, std::pair{1, 3}, std::pair{3, 2}, std::pair{21, 2}}) {
        const TBitmap picture = testing_support::NoisePicture(w, h, 5);
        for (int number = 163; number <= 213; ++number) {
            const effect_runs::EffectRun r = effect_runs::play(number, picture, 4, false, 0, 1, 1, w + 2, h + 2);
            ASSERT_EQ(r.steps, 101) << number << " on " << w << " x " << h;
            for (int y = 0; y < h + 2; ++y)
                for (int x = 0; x < w + 2; ++x) {
                    const bool inside = x >= 1 && x <= w && y >= 1 && y <= h;
                    ASSERT_EQ(at(r.canvas, x, y), inside ? at(picture, x - 1, y - 1) : pixelOf(effect_runs::kOld))
                        << number << " on " << w << " x " << h << " at " << x << ", " << y;
                }
        }
    }
}

// Rows whose destination always spans the buffer (the magnified parts shrinking into
// place) leave no background anywhere once their source is not empty.
TEST(StretchSlides, MagnifiedRowsCoverTheWholeBuffer)
{
    const TBitmap picture = painted(96, 54, [](int x, int y) { return RGB(x * 2 + 40, y * 3 + 40, 90); });
    for (int number : {165, 166, 167, 182, 183, 184, 203, 204, 205, 206, 207})
        for (int p : {5, 28, 60, 97}) {
            const TBitmap seen = afterStep(number, picture, p);
            for (int y = 0; y < 54; ++y)
                for (int x = 0; x < 96; ++x)
                    ASSERT_NE(at(seen, x, y), pixelOf(kBack))
                        << number << " at step " << p << ": (" << x << ", " << y << ")";
        }
}

// Hand-worked frames of the opening strips, the strips over a trail, the random lines,
// the widening cross and the nested bands; and the trail's one-line refill against the
// whole-trail refill, frame by frame.

#include "effect_runs.h"

#include "effects/clipping.h"
#include "effects/families.h"

#include "platform/gdi/canvas.h"
#include "platform/gdi/region.h"
#include "platform/random.h"

#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <vector>

using namespace platform;
using namespace effect_runs;

namespace {

// True when every pixel of columns x0..x1 - 1 (all rows) has `colour`.
bool columnsAre(const TBitmap& b, int x0, int x1, TColor colour)
{
    for (int x = x0; x < x1; ++x)
        for (int y = 0; y < b.Height(); ++y)
            if (at(b, x, y) != colour)
                return false;
    return true;
}

bool columnsAre(const EffectRun& r, int x0, int x1, TColor colour)
{
    return columnsAre(r.canvas, x0, x1, colour);
}

struct Pixel {
    int x, y;
    TColor colour;
};

::testing::AssertionResult pixelsAre(const TBitmap& b, std::initializer_list<Pixel> pixels)
{
    for (const Pixel& p : pixels)
        if (at(b, p.x, p.y) != p.colour)
            return ::testing::AssertionFailure() << "pixel " << p.x << "," << p.y << " is " << (at(b, p.x, p.y) == kNew ? "new" : "not new");
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult pixelsAre(const EffectRun& r, std::initializer_list<Pixel> pixels)
{
    return pixelsAre(r.canvas, pixels);
}

}  // namespace

TEST(OpeningStrips, Effect215FirstRoundOpensEveryStripTwoASide)
{
    // W = 100: strips of 10, centres 5, 15, ..., 95; half 5, so rounds open 2, 4, 6.
    EXPECT_EQ(run(215, 100, 8, 4, false).steps, 30);
    const EffectRun first = run(215, 100, 8, 4, false, 11);  // the ten strips of round one
    for (int i = 0; i < 10; ++i) {
        const int ci = 10 * i + 5;
        EXPECT_TRUE(columnsAre(first, ci - 2, ci + 2, kNew)) << "strip " << i;
        EXPECT_TRUE(columnsAre(first, ci - 5, ci - 2, kOld)) << "strip " << i;
        EXPECT_TRUE(columnsAre(first, ci + 2, ci + 5, kOld)) << "strip " << i;
    }
    // Within a round the strips open one after another, from the left.
    const EffectRun partway = run(215, 100, 8, 4, false, 4);
    EXPECT_TRUE(columnsAre(partway, 23, 27, kNew));
    EXPECT_TRUE(columnsAre(partway, 33, 37, kOld));
    // The last round reaches past half the strip and closes the gaps before the closing copy.
    EXPECT_TRUE(columnsAre(familyOnly(effects::OpeningStrips, 215, 100, 8, 4), 0, 100, kNew));
}

TEST(OpeningStrips, SizesRoundHalvesToEven)
{
    // Strips of 13 (130 / 10): half 6.5 gives 6, three rounds; 15 gives 7.5, so 8: four.
    EXPECT_EQ(run(215, 130, 4, 4, false).steps, 30);
    EXPECT_EQ(run(215, 150, 4, 4, false).steps, 40);
    // Rows: 250 / 10 = 25, half 12.5 gives 12: six rounds of ten.
    EXPECT_EQ(run(216, 4, 250, 4, false).steps, 60);
    // 217: 22 / 4 = 5.5 gives strips of 6 and half 3: rounds 2 and 4, four strips each.
    EXPECT_EQ(run(217, 22, 4, 4, false).steps, 8);
    EXPECT_EQ(run(218, 4, 26, 4, false).steps, 8);  // 6.5 gives 6
}

TEST(OpeningStrips, SqueezedStripsShowTheWholeStripInsideThePicture)
{
    // Four strips of 10 in four colours: squeezed, a strip keeps its colour.
    const TColor colours[4] = {0x000000FF, 0x0000FF00, 0x00FF0000, 0x0000FFFF};
    TBitmap picture(40, 6);
    for (int i = 0; i < 4; ++i) {
        picture.Canvas().Brush.Color = colours[i];
        picture.Canvas().FillRect(Rect(10 * i, 0, 10 * i + 10, 6));
    }
    // Placed at x = 5 on a wider canvas: half is 5, so the third round opens 6 a side and
    // the first strip would reach column 4, outside the picture.
    const EffectRun round1 = play(217, picture, 4, false, 5, 5, 0, 60, 6);
    for (int i = 0; i < 4; ++i) {
        const int ci = 5 + 10 * i + 5;
        EXPECT_TRUE(columnsAre(round1, ci - 2, ci + 2, colours[i])) << i;
        EXPECT_TRUE(columnsAre(round1, ci + 2, ci + 3, kOld)) << i;
    }
    const EffectRun whole = play(217, picture, 4, false, 0, 5, 0, 60, 6);
    EXPECT_EQ(whole.steps, 12);
    EXPECT_TRUE(columnsAre(whole, 0, 5, kOld));
    EXPECT_TRUE(columnsAre(whole, 45, 60, kOld));
    EXPECT_EQ(whole.canvas.Canvas().StretchMode(), COLORONCOLOR);
}

namespace {

// The strips over a trail as first written: the whole trail filled at every step.
effects::Effect wholeTrails(effects::EffectContext& c, int number)
{
    const bool columns = number <= 220, fromFar = number == 219 || number == 221;
    const int length = columns ? c.W : c.H;
    const int size = static_cast<int>(std::nearbyint(length / 30.0));
    const ClipScope clip = effects::ClipToPicture(c);
    c.Target.Brush = {c.BackColor, bsSolid};
    auto step = [&](int p, int a) -> effects::Task<bool> {
        if (const bool go = co_await c.Step(); !go)
            co_return false;
        if (columns) {
            c.Target.CopyRect(Rect(c.X + a, c.Y, c.X + a + size, c.Y + c.H), c.Picture.Canvas(), Rect(p, 0, p + size, c.H));
            c.Target.FillRect(fromFar ? Rect(c.X + a + size, c.Y, c.X + c.W, c.Y + c.H) : Rect(c.X, c.Y, c.X + a, c.Y + c.H));
        } else {
            c.Target.CopyRect(Rect(c.X, c.Y + a, c.X + c.W, c.Y + a + size), c.Picture.Canvas(), Rect(0, p, c.W, p + size));
            c.Target.FillRect(fromFar ? Rect(c.X, c.Y + a + size, c.X + c.W, c.Y + c.H) : Rect(c.X, c.Y, c.X + c.W, c.Y + a));
        }
        co_return true;
    };
    if (fromFar) {
        for (int i = 0; i < 30; ++i)
            if (size * i <= length)
                for (int a = length; a >= size * i; --a)
                    if (const bool go = co_await step(size * i, a); !go)
                        co_return;
    } else {
        for (int i = 29; i >= 1; --i)
            for (int a = 0; a <= size * i; ++a)
                if (const bool go = co_await step(size * i, a); !go)
                    co_return;
    }
}

// Every frame a viewer sees: the canvas at each step frame, and at the end.
std::vector<QImage> film(effects::Effect (*draw)(effects::EffectContext&, int), int number, int w, int h)
{
    const TBitmap picture = testing_support::NoisePicture(w, h, 21);
    TBitmap canvas = testing_support::NoisePicture(w + 7, h + 5, 22);
    std::vector<QImage> frames;
    effects::EffectInputs in;
    in.number = number;
    in.X = 3;
    in.Y = 2;
    in.picture = &picture;
    in.target = &canvas.Canvas();
    in.backColor = 0x00336699;
    in.R = 0;
    in.onStep = [&](int) { frames.push_back(canvas.Canvas().Surface().copy()); };
    {
        effects::EffectContext context(in);
        effects::RunOnOwnClock(draw(context, number));
    }
    frames.push_back(canvas.Canvas().Surface().copy());
    return frames;
}

}  // namespace

TEST(StripTrails, OneLineRefillShowsTheFramesOfTheWholeTrail)
{
    // Strip sizes 2, 2 rounded up (strips past the edge), 4 rounded up, 0, and rows of 2.
    for (auto [w, h] : {std::pair{64, 48}, {45, 45}, {105, 40}, {12, 12}, {30, 75}})
        for (int number = 219; number <= 222; ++number) {
            const std::vector<QImage> expected = film(wholeTrails, number, w, h);
            const std::vector<QImage> shown = film(effects::StripTrails, number, w, h);
            ASSERT_EQ(shown.size(), expected.size()) << number << " " << w << "x" << h;
            for (size_t k = 0; k < shown.size(); ++k)
                ASSERT_TRUE(shown[k] == expected[k]) << number << " " << w << "x" << h << " frame " << k;
        }
}

TEST(StripTrails, SkippedStripsAndTheUnslidStripZero)
{
    // 45 / 30 = 1.5 gives strips of 2: 219 slides strips 0 to 22 (start 0 to 44),
    // 46 - 2i steps each; those starting at 46 and beyond are skipped.
    EXPECT_EQ(run(219, 45, 4, 4, false).steps, 552);
    EXPECT_EQ(run(221, 4, 45, 4, false).steps, 552);
    // 220 slides strips 29 to 1, 2i + 1 steps each.
    EXPECT_EQ(run(220, 45, 4, 4, false).steps, 899);
    // Strip 0 of 220 is never slid: the trail's background stays there until the closing copy.
    const TBitmap left = familyOnly(effects::StripTrails, 220, 64, 4, 4);
    EXPECT_TRUE(columnsAre(left, 0, 2, clBlack));
    EXPECT_TRUE(columnsAre(left, 2, 60, kNew));
    EXPECT_TRUE(columnsAre(left, 60, 64, kOld));  // past strip 29 nothing slides
    const TBitmap top = familyOnly(effects::StripTrails, 222, 4, 64, 4);
    EXPECT_EQ(at(top, 0, 1), clBlack);
    EXPECT_EQ(at(top, 3, 2), kNew);
    // 219's thirty strips of 2 end at 60: the rest is the trail.
    const TBitmap right = familyOnly(effects::StripTrails, 219, 64, 4, 4);
    EXPECT_TRUE(columnsAre(right, 0, 60, kNew));
    EXPECT_TRUE(columnsAre(right, 60, 64, clBlack));
}

TEST(RandomLines, LinesInRandomOrderEachOnce)
{
    RandSeed = 7;
    const int first = Random(12);
    const int second = Random(11);
    // The list keeps its order when a line leaves it.
    const int secondRow = second < first ? second : second + 1;
    RandSeed = 7;
    const EffectRun r = run(223, 5, 12, 4, false, 3);
    for (int y = 0; y < 12; ++y)
        EXPECT_EQ(at(r, 0, y), y == first || y == secondRow ? kNew : kOld) << y;
    RandSeed = 7;
    const EffectRun columns = run(224, 12, 5, 4, false, 2);
    EXPECT_TRUE(columnsAre(columns, first, first + 1, kNew));
    EXPECT_EQ(at(columns, first == 0 ? 1 : 0, 0), kOld);
    EXPECT_EQ(run(223, 8, 1, 4, false).steps, 1);
    EXPECT_EQ(run(224, 30, 5, 4, true).steps, 30);
    // Every line once: the lines alone complete the picture.
    EXPECT_TRUE(columnsAre(familyOnly(effects::RandomLines, 223, 9, 40, 4), 0, 9, kNew));
}

TEST(WideningCross, WidePictureKeepsDrawingUntilTheWideArmSpans)
{
    // 40 × 8: cx = 21, cy = 5, n = 21, so 22 steps though the picture is whole after 6.
    EXPECT_EQ(run(225, 40, 8, 4, false).steps, 22);
    EXPECT_TRUE(columnsAre(run(225, 40, 8, 4, false, 2), 0, 40, kOld));  // y = 0 draws nothing
    const EffectRun r = run(225, 40, 8, 4, false, 4);                      // y = 0, 1, 2
    EXPECT_TRUE(columnsAre(r, 19, 23, kNew));
    EXPECT_TRUE(pixelsAre(r, {{18, 2, kOld}, {23, 2, kOld}, {0, 3, kNew}, {39, 6, kNew}, {0, 2, kOld}, {39, 7, kOld}}));
    EXPECT_TRUE(columnsAre(run(225, 40, 8, 4, false, 7), 0, 40, kNew));  // y = 5 spans the height
    // Halves to even: 10 × 5 gives cy = 2 + 1 and n = 6.
    EXPECT_EQ(run(225, 10, 5, 4, false).steps, 7);
}

TEST(NestedBands, LevelRectanglesAndPassOrders)
{
    // 24 × 16 in the saver: t = 4, cx = 13, cy = 9, n = 3. 226 draws levels 0, 2, then 1.
    EXPECT_EQ(run(226, 24, 16, 4, false).steps, 3);
    // Level 0 is the cross of rows 5..12 and columns 9..16.
    EXPECT_TRUE(pixelsAre(run(226, 24, 16, 4, false, 2), {{0, 5, kNew}, {23, 12, kNew}, {9, 0, kNew}, {16, 15, kNew},
                                                          {0, 4, kOld}, {8, 0, kOld}, {17, 15, kOld}, {0, 13, kOld}}));
    // Level 2 reaches the corners: row 0 up to column 4 on the left, from 21 on the right;
    // its lower arms lie below the picture.
    EXPECT_TRUE(pixelsAre(run(226, 24, 16, 4, false, 3), {{0, 0, kNew}, {4, 0, kNew}, {5, 0, kOld}, {0, 1, kOld},
                                                          {21, 0, kNew}, {20, 0, kOld}, {0, 15, kOld}}));
    // Level 1, the Ls between (columns 5..8 and 17..20, rows 1..4 and 13..16), completes it.
    const TBitmap all = familyOnly(effects::CentreReveals, 226, 24, 16, 4);
    EXPECT_TRUE(columnsAre(all, 0, 24, kNew));
    // n = 3 is odd: 227 and 228 draw levels 0, 2, 2, 0 and leave level 1 to the closing copy.
    for (int number : {227, 228}) {
        EXPECT_EQ(run(number, 24, 16, 4, false).steps, 4) << number;
        EXPECT_TRUE(pixelsAre(familyOnly(effects::CentreReveals, number, 24, 16, 4), {{0, 2, kOld}, {6, 0, kOld}, {0, 6, kNew}}))
            << number;
    }
    // 228 starts inward: with n = 4 (32 × 16, cx = 17, cy = 9) it draws levels 3 and 1
    // first. Level 3 lies wholly outside the picture; level 1's arm holds rows 1..4.
    EXPECT_TRUE(columnsAre(run(228, 32, 16, 4, false, 2), 0, 32, kOld));
    // The centre waits for level 0.
    EXPECT_TRUE(pixelsAre(run(228, 32, 16, 4, false, 3), {{0, 1, kNew}, {0, 0, kOld}, {17, 8, kOld}}));
    const TBitmap even = familyOnly(effects::CentreReveals, 227, 32, 16, 4);
    EXPECT_TRUE(columnsAre(even, 0, 32, kNew));  // n even: levels 0, 2, 3, 1 cover it
    // Preview bands are 2 wide: n = 13 / 2 = 6, levels 0, 2, 4, 1, 3, 5.
    EXPECT_EQ(run(226, 24, 16, 4, true).steps, 6);
}

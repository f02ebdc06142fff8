// Hand-worked regions of the shaped reveals: the band, ragged and frayed builders on small
// areas, the step extents with their rounding, and the iris at both ends.

#include "effect_runs.h"

#include "effects/shaped_reveals.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/region.h"
#include "platform/random.h"

#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <initializer_list>

using namespace platform;

namespace {

QRegion pixelsOf(const TRegion& region) { return region.ToQRegion(); }

QRegion rects(std::initializer_list<QRect> list)
{
    QRegion r;
    for (const QRect& rect : list)
        r += rect;
    return r;
}

// Left, top, right, bottom, as the builders' rules are written.
QRect ltrb(int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); }

QRegion step(int number, int X, int Y, int W, int H, int p) { return pixelsOf(effects::ShapedRevealRegion(number, X, Y, W, H, p, false)); }

}  // namespace

TEST(ShapedReveals, BandKind4FillsFromTheNearSideThenTheGapsFromTheFar)
{
    // First phase: a band of 5 rows every 10, from the left edge to the reach.
    EXPECT_EQ(pixelsOf(effects::BandRgn(12, 0, 40, 20, 0, 4, 0)),
              rects({ltrb(0, 0, 12, 5), ltrb(0, 10, 12, 15), ltrb(0, 20, 12, 25)}));
    // A reach within the margin of the edge snaps to it.
    EXPECT_EQ(pixelsOf(effects::BandRgn(35, 0, 40, 20, 6, 4, 0)),
              rects({ltrb(0, 0, 40, 5), ltrb(0, 10, 40, 15), ltrb(0, 20, 40, 25)}));
    EXPECT_EQ(pixelsOf(effects::BandRgn(35, 0, 40, 20, 5, 4, 0)),
              rects({ltrb(0, 0, 35, 5), ltrb(0, 10, 35, 15), ltrb(0, 20, 35, 25)}));
    // Second phase (reach 52 past the edge 40): whole bands, and the gaps between them
    // filled from the far side, 52 - 40 = 12 pixels in.
    EXPECT_EQ(pixelsOf(effects::BandRgn(52, 0, 40, 20, 0, 4, 0)),
              rects({ltrb(0, 0, 40, 5), ltrb(28, 5, 40, 10), ltrb(0, 10, 40, 15), ltrb(28, 15, 40, 20)}));
    // Columns are the same with the axes exchanged.
    EXPECT_EQ(pixelsOf(effects::BandRgn(0, 9, 20, 30, 0, 0, 4)),
              rects({ltrb(0, 0, 5, 9), ltrb(10, 0, 15, 9), ltrb(20, 0, 25, 9)}));
    EXPECT_EQ(pixelsOf(effects::BandRgn(0, 38, 20, 30, 0, 0, 4)),
              rects({ltrb(0, 0, 5, 30), ltrb(5, 22, 10, 30), ltrb(10, 0, 15, 30), ltrb(15, 22, 20, 30)}));
    // Both components, and nothing at all without one.
    EXPECT_EQ(pixelsOf(effects::BandRgn(12, 9, 40, 20, 0, 4, 4)),
              pixelsOf(effects::BandRgn(12, 0, 40, 20, 0, 4, 0)) + pixelsOf(effects::BandRgn(0, 9, 40, 20, 0, 0, 4)));
    EXPECT_TRUE(effects::BandRgn(12, 9, 40, 20, 0, 0, 0).IsEmpty());
}

TEST(ShapedReveals, RaggedKind3OpensFromTheMiddleWithTheAddedDrawFirst)
{
    // right 40, bottom 12: spread 40 div 7 = 5, rows at 0, 5 and 10, each 5 + 12 mod 5 = 7
    // tall. Seed 12345 gives the jitters (added draw minus the next) 0, -2 / 2, 2 / -4, 3.
    RandSeed = 12345;
    EXPECT_EQ(pixelsOf(effects::RaggedRgn(20, 0, 40, 12, 3, 0, false)),
              rects({ltrb(10, 0, 20, 7), ltrb(20, 0, 29, 7), ltrb(11, 5, 20, 12), ltrb(20, 5, 31, 12),
                     ltrb(8, 10, 20, 17), ltrb(20, 10, 31, 17)}));
    // A reach at the edge has no spread: straight rows, and the same region in preview.
    RandSeed = 1;
    EXPECT_EQ(pixelsOf(effects::RaggedRgn(40, 0, 40, 12, 3, 0, true)), QRegion(ltrb(0, 0, 40, 17)));
}

TEST(ShapedReveals, FrayedRowScattersCellsAheadOfItsFront)
{
    // right 200: fray zone 20, cells of 2, 10 of them, near limit 7; bottom 1 leaves one
    // row. Seed 777 draws Random(10) .. Random(1) so that cells 6, 4, 2 and 1 are added.
    RandSeed = 777;
    EXPECT_EQ(pixelsOf(effects::FrayedRgn(100, 0, 200, 1, 2, 0)),
              rects({ltrb(0, 0, 104, 2), ltrb(106, 0, 108, 2), ltrb(110, 0, 112, 2)}));
    // From the far side the cells lie left of the front, mirrored.
    RandSeed = 777;
    EXPECT_EQ(pixelsOf(effects::FrayedRgn(100, 0, 200, 1, 1, 0)),
              rects({ltrb(96, 0, 200, 2), ltrb(92, 0, 94, 2), ltrb(88, 0, 90, 2)}));
    // At the edge the zone is empty: rows of 2 every pixel, no cells.
    EXPECT_EQ(pixelsOf(effects::FrayedRgn(200, 0, 200, 3, 2, 0)), QRegion(ltrb(0, 0, 200, 4)));
}

TEST(ShapedReveals, ExtentsFollowTheLongerSideWithMulDivRounding)
{
    // The centre box of 114 spans exactly 2dx x 2dy about the centre.
    // Landscape 30 x 20: p = 15 gives dx = 4.5 rounded away from zero to 5, dy = 10/3 to 3.
    EXPECT_EQ(step(114, 0, 0, 30, 20, 15).boundingRect(), ltrb(10, 7, 20, 13));
    EXPECT_EQ(step(114, 0, 0, 30, 20, 5).boundingRect(), ltrb(13, 9, 17, 11));
    // Portrait 40 x 80 at (3, 5): dy from H (20 at p = 25), dx from dy (10).
    EXPECT_EQ(step(114, 3, 5, 40, 80, 25).boundingRect(), ltrb(13, 25, 33, 65));
    // The snap margin is W x 5 / 90 rounded: 5 for W = 90. Effect 116 reaches 2dx: 84 at
    // p = 47, so its rows stop there; 86 at p = 48, within 5 of 90, so they are whole.
    EXPECT_EQ(step(116, 0, 0, 90, 40, 47).boundingRect(), ltrb(0, 0, 84, 45));
    EXPECT_EQ(step(116, 0, 0, 90, 40, 48).boundingRect(), ltrb(0, 0, 90, 45));
}

TEST(ShapedReveals, IrisCoversThePictureAtTheEndAndNothingOfItAtTheStart)
{
    const QRect picture(7, 4, 60, 40);
    EXPECT_EQ(step(158, 7, 4, 60, 40, 100), QRegion(picture));
    EXPECT_TRUE(step(158, 7, 4, 60, 40, 0).intersected(picture).isEmpty());
    // Half way, an ellipse of picture stays hidden round the centre.
    const QRegion half = step(158, 7, 4, 60, 40, 50);
    EXPECT_FALSE(half.contains(QPoint(37, 24)));
    EXPECT_TRUE(half.contains(QPoint(7, 4)));
}

TEST(ShapedReveals, ShapesStartEmptyAndEndWholeOnAPictureAtTheOrigin)
{
    // With the picture at (0, 0) the absolute coordinates of the builders coincide with
    // the picture's. Ragged and frayed fronts already show their fringe at p = 0.
    const QRect picture(0, 0, 48, 30);
    for (int number = 99; number <= 162; ++number) {
        RandSeed = 5;
        if (number <= 139 || number == 158) {
            EXPECT_TRUE(step(number, 0, 0, 48, 30, 0).intersected(picture).isEmpty()) << number;
        }
        RandSeed = 5;
        EXPECT_EQ(step(number, 0, 0, 48, 30, 100).intersected(picture), QRegion(picture)) << number;
    }
}

TEST(ShapedReveals, EachStepDrawsThePictureThroughItsRegion)
{
    // Stopped at the frame of step p = 30: what steps 0 to 29 drew, the last through the
    // region of p = 29 (these regions only grow, so it holds all the earlier ones).
    const TBitmap picture = testing_support::NoisePicture(50, 30, 1);
    for (int number : {106, 125, 137}) {
        const effect_runs::EffectRun r = effect_runs::play(number, picture, 4, false, 31, 11, 6, 70, 40);
        EXPECT_EQ(r.steps, 31);
        const QRegion shown = step(number, 11, 6, 50, 30, 29).intersected(QRect(11, 6, 50, 30));
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 70; ++x) {
                const TColor want = shown.contains(QPoint(x, y)) ? effect_runs::at(picture, x - 11, y - 6) : effect_runs::kOld;
                ASSERT_EQ(effect_runs::at(r, x, y), want) << number << " at " << x << "," << y;
            }
    }
}

// Hand-worked frames of the effects whose geometry is easy to get wrong: the stretched
// zoom's first lines, the magnified centre's source rectangle, the thin spiral's joints,
// the offset second lattice of diamonds and the dissolve's order of blocks.

#include "effects/draw_transition.h"


#include "platform/gdi/bitmap.h"
#include "platform/random.h"

#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <array>
#include <stop_token>
#include <initializer_list>

using namespace platform;
using testing_support::NoisePicture;

namespace {

constexpr int kX = 3, kY = 2;

// What the effect left on screen when asked to stop at step `stopAt`: steps 1 to
// stopAt - 1 drew. The picture lies at (kX, kY) on a canvas with a margin around it.
struct Shot {
    TBitmap old, canvas, picture;
    int steps = 0;

    Shot(int number, int w, int h, int stopAt, bool preview = false)
        : old(NoisePicture(w + 2 * kX, h + 2 * kY, 1)), canvas(old), picture(NoisePicture(w, h, 2))
    {
        effects::EffectInputs in;
        in.number = number;
        in.X = kX;
        in.Y = kY;
        in.picture = &picture;
        in.target = &canvas.Canvas();
        in.previewMode = preview;
        in.R = 0;
        std::stop_source stop;
        in.stop = stop.get_token();
        in.onStep = [&](int step) {
            if (step == stopAt)
                stop.request_stop();
        };
        steps = effects::DrawTransition(in);
    }
    // In picture coordinates.
    uint32_t at(int x, int y) const { return canvas.ScanLine(y + kY)[x + kX]; }
    uint32_t pic(int x, int y) const { return picture.ScanLine(y)[x]; }
    bool changed(int x, int y) const { return at(x, y) != old.ScanLine(y + kY)[x + kX]; }
    bool copied(int x, int y) const { return at(x, y) == pic(x, y); }
};

struct Box {
    int left, top, right, bottom;
    bool holds(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Every canvas pixel (picture coordinates, margin included) changed exactly inside the boxes.
void expectChangedExactly(const Shot& s, std::initializer_list<Box> boxes)
{
    for (int y = -kY; y < s.picture.Height() + kY; ++y)
        for (int x = -kX; x < s.picture.Width() + kX; ++x) {
            bool inside = false;
            for (const Box& b : boxes)
                inside = inside || b.holds(x, y);
            ASSERT_EQ(s.changed(x, y), inside) << "at " << x << "," << y;
        }
}

}  // namespace

TEST(ZoomFrames, StretchedZoomStartsFromACentredLineAlongTheLongerSide)
{
    // Even height: the first step draws a line of height 0, nothing.
    expectChangedExactly(Shot(38, 40, 20, 2), {});
    // Odd height: a line one pixel high, its edges given the wrong way round.
    expectChangedExactly(Shot(38, 40, 21, 2), {{11, 10, 29, 11}});
    // Portrait: the same line standing.
    expectChangedExactly(Shot(38, 21, 40, 2), {{10, 11, 11, 29}});

    // The second step: the whole picture squeezed into (9, 9, 31, 11).
    const Shot s(38, 40, 20, 3);
    expectChangedExactly(s, {{9, 9, 31, 11}});
    EXPECT_EQ(s.at(9, 9), s.pic(0, 5));
    EXPECT_EQ(s.at(30, 10), s.pic(39, 15));
    EXPECT_EQ(Shot(38, 40, 20, 0).steps, 10);
}

TEST(ZoomFrames, MagnifiedCentreSourceGrowsOnePixelPerSideUntilTheLongerSideIsWhole)
{
    // 10 x 6: the source starts empty at (5, 3); the third step shows (3, 1, 7, 5)
    // stretched over the whole picture, each source pixel 2.5 by 1.5 times, sampled at
    // the destination pixels' centres.
    EXPECT_FALSE(Shot(47, 10, 6, 2).changed(0, 0));
    const Shot s(47, 10, 6, 4);
    for (auto [x, y, sx, sy] : {std::array{0, 0, 3, 1}, {1, 1, 3, 2}, {2, 1, 4, 2}, {3, 2, 4, 2}, {9, 5, 6, 4}, {5, 3, 5, 3}})
        EXPECT_EQ(s.at(x, y), s.pic(sx, sy)) << x << "," << y;
    EXPECT_EQ(Shot(47, 10, 6, 0).steps, 5);
    // Odd width: the source starts two pixels right of the middle and ends past the edge.
    EXPECT_EQ(Shot(47, 11, 6, 0).steps, 7);
    // Portrait: counted by the top edge, which reaches 0 after the left one. At the
    // fourth step the source is (0, 2, 6, 8): whole rows, 6 stretched over 10.
    EXPECT_EQ(Shot(47, 6, 10, 0).steps, 5);
    const Shot p(47, 6, 10, 5);
    EXPECT_EQ(p.at(0, 0), p.pic(0, 2));
    EXPECT_EQ(p.at(5, 9), p.pic(5, 7));
}

TEST(SpiralFrames, ThinSpiralSidesJoinIntoOneInwardLine)
{
    // 50 x 40: two rings per pass. Ring 0: bottom row, left column, top row, right
    // column down to the second ring's bottom row, which turns left at row 29.
    const Box ring0[] = {{0, 39, 50, 40}, {0, 0, 1, 39}, {0, 0, 50, 1}, {49, 1, 50, 30}};
    const Box ring1[] = {{10, 29, 50, 30}, {10, 10, 11, 29}, {10, 10, 40, 11}, {39, 11, 40, 20}};
    expectChangedExactly(Shot(54, 50, 40, 9), {ring0[0], ring0[1], ring0[2], ring0[3], ring1[0], ring1[1], ring1[2],
                                                ring1[3]});
    // The second pass starts one pixel further in: its bottom row is row 38 from x = 1.
    expectChangedExactly(Shot(54, 50, 40, 10), {ring0[0], ring0[1], ring0[2], ring0[3], ring1[0], ring1[1], ring1[2],
                                                 ring1[3], {1, 38, 50, 39}});
    const Shot s(54, 50, 40, 10);
    EXPECT_TRUE(s.copied(49, 29) && s.copied(10, 10) && s.copied(1, 38));
    EXPECT_EQ(Shot(54, 50, 40, 0).steps, 10 * 2 * 4);
}

TEST(LatticeFrames, SecondDiamondLatticeIsCentredOnTheCornersTheFirstLeaves)
{
    // Preview cells of 20 on 40 x 20: the first lattice's two cells take growths 1 to 10
    // (20 steps); the second, shifted by -10, has 3 x 2 cells centred on the cell corners.
    const Shot first(68, 40, 20, 21, true);
    EXPECT_TRUE(first.copied(10, 10) && first.copied(30, 10) && first.copied(10, 1));
    EXPECT_FALSE(first.changed(0, 0) || first.changed(20, 3) || first.changed(20, 19) || first.changed(39, 19));
    // After five growths of the second lattice the corners are diamonds of reach 5.
    const Shot second(68, 40, 20, 21 + 6 * 5, true);
    for (auto [x, y] : {std::array{0, 0}, {20, 3}, {20, 19}, {39, 19}})
        EXPECT_TRUE(second.copied(x, y)) << x << "," << y;
    EXPECT_FALSE(second.changed(20, 7));
    EXPECT_EQ(Shot(68, 40, 20, 0, true).steps, 2 * 10 + 6 * 10);
}

TEST(DissolveFrames, BlocksComeInTheGeneratorsOrderFromAListBuiltColumnByColumn)
{
    // Preview blocks of 10 on 30 x 20: the list is (1,1) (1,2) (2,1) (2,2) (3,1) (3,2);
    // from seed 12345 the generator picks indices 2, 1, 0, 1, 1, 0 of what remains.
    RandSeed = 12345;
    expectChangedExactly(Shot(41, 30, 20, 2, true), {{10, 0, 20, 10}});
    RandSeed = 12345;
    expectChangedExactly(Shot(41, 30, 20, 4, true), {{10, 0, 20, 10}, {0, 10, 10, 20}, {0, 0, 10, 10}});
    RandSeed = 12345;
    EXPECT_EQ(Shot(41, 30, 20, 0, true).steps, 6);
}

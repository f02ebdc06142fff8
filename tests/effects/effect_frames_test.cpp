// Hand-worked frames and step counts of a few effects.

#include "effect_runs.h"

#include "effects/families.h"

#include "platform/random.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace effect_runs;

TEST(EffectFrames, Effect1AfterISteps)
{
    const EffectRun r = run(1, 40, 20, 4, false, 11);  // steps 1 to 10 drew
    EXPECT_EQ(r.steps, 11);
    EXPECT_EQ(at(r, 9, 19), kNew);
    EXPECT_EQ(at(r, 10, 0), kOld);
    EXPECT_EQ(run(1, 40, 20, 4, false).steps, 40);
}

TEST(EffectFrames, Effect5LimitDependsOnTheParity)
{
    EXPECT_EQ(run(5, 8, 9, 4, false).steps, 5);  // odd 9: limit 9 / 2 + 2 = 6, k = 1..5
    EXPECT_EQ(run(5, 8, 8, 4, false).steps, 3);  // even 8: limit 4
    // After k = 1, 2: rows 0 and 1 from the top; from the bottom (H - k + 1 .. H) nothing
    // for k = 1, then row 8: the lower edge trails the upper by one row.
    const EffectRun r = run(5, 8, 9, 4, false, 3);
    EXPECT_EQ(at(r, 0, 1), kNew);
    EXPECT_EQ(at(r, 0, 2), kOld);
    EXPECT_EQ(at(r, 0, 7), kOld);
    EXPECT_EQ(at(r, 0, 8), kNew);
}

TEST(EffectFrames, Effect11GrowthSteps)
{
    // One cell each: 14 growth steps at N = 30 in preview, 49 at N = 100 in the saver.
    EXPECT_EQ(run(11, 28, 28, 4, true).steps, 14);
    EXPECT_EQ(run(11, 100, 100, 4, false).steps, 49);
    EXPECT_EQ(run(11, 60, 28, 4, true).steps, 28);  // two cells, one step each per growth
    const EffectRun r = run(11, 100, 100, 4, false, 4);   // after g = 1..3: the centre square of side 6
    EXPECT_EQ(at(r, 47, 47), kNew);
    EXPECT_EQ(at(r, 52, 52), kNew);
    EXPECT_EQ(at(r, 46, 50), kOld);
    EXPECT_EQ(at(r, 53, 50), kOld);
}

TEST(EffectFrames, Effect17BandsRoundHalvesToEven)
{
    // cols = 8 / 4 + 4 = 6; rows 10 gives q = 2 (2.5 to even), rows 14 gives q = 4 (3.5).
    EXPECT_EQ(run(17, 8, 24, 4, false).steps, 6 * 2 * 4);
    EXPECT_EQ(run(17, 8, 40, 4, false).steps, 6 * 4 * 4);
    // Rows 9 (not a multiple of 4): q = 2 bands of rows cover all five picture rows.
    const TBitmap shown = familyOnly(effects::StripSweeps, 17, 8, 20, 4);
    EXPECT_EQ(at(shown, 7, 19), kNew);
}

TEST(EffectFrames, Effect25WrapsPositionsBeyond255)
{
    // 1040 / 4 + 4 = 264 columns: columns 256 to 264 are stored as 0 to 8, so picture
    // columns 255 to 259 (pixels 1020 to 1039) are left to the closing step.
    RandSeed = 99;
    const TBitmap shown = familyOnly(effects::TileDissolve, 25, 1040, 4, 4);
    EXPECT_EQ(at(shown, 1019, 0), kNew);
    EXPECT_EQ(at(shown, 1020, 0), kOld);
    EXPECT_EQ(at(shown, 1039, 3), kOld);
    EXPECT_EQ(at(shown, 0, 0), kNew);
    RandSeed = 99;
    const EffectRun whole = run(25, 1040, 4, 4, false);
    EXPECT_EQ(whole.steps, 264 * 5);
    EXPECT_EQ(at(whole, 1039, 3), kNew);  // the closing step completes it
}

TEST(EffectFrames, SlidingStripsCompleteThePictureThemselves)
{
    for (int number = 31; number <= 34; ++number) {
        const TBitmap shown = familyOnly(effects::SlidingStrips, number, 24, 16, 4);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 24; ++x)
                ASSERT_EQ(at(shown, x, y), kNew) << number << " at " << x << "," << y;
    }
}

// Every registered effect, as a viewer sees it: it ends with the new picture exact in its
// rectangle (or the background colour, for the effects that clear it), changes nothing outside it, stops at the step where a stop is asked for, and
// leaves no region or bitmap behind.

#include "effects/draw_transition.h"


#include "platform/gdi/bitmap.h"
#include "platform/gdi/region.h"
#include "platform/random.h"

#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <stop_token>
#include <cstdint>


using namespace platform;
using testing_support::NoisePicture;

namespace {

struct Case {
    int number, w, h, T;
    bool preview;
};

std::string name(const Case& c)
{
    return "effect " + std::to_string(c.number) + " " + std::to_string(c.w) + "x" + std::to_string(c.h) + " T" +
           std::to_string(c.T) + (c.preview ? " preview" : " saver");
}

std::vector<Case> cases()
{
    std::vector<Case> out;
    for (const auto& family : effects::EffectFamilies())
        for (int n = family.first; n <= family.last; ++n)
            for (auto [w, h, T] : {std::tuple{64, 48, 4}, std::tuple{60, 44, 4}, std::tuple{63, 42, 7}})
                for (bool preview : {false, true})
                    out.push_back({n, w, h, T, preview});
    return out;
}

constexpr int kCanvasW = 100, kCanvasH = 80, kX = 13, kY = 9;
constexpr TColor kBackColor = 0x00336699;

bool endsInBackground(const Case& c)
{
    return effects::FindEffect(c.number)->ends == effects::EndState::Background;
}

void fillPictureArea(TBitmap& canvas, const Case& c)
{
    canvas.Canvas().Brush.Color = kBackColor;
    canvas.Canvas().FillRect(Rect(kX, kY, kX + c.w, kY + c.h));
}

// The puzzle ends on its assembled board with the outlines, which overhangs the picture,
// and finishes a flight under way after a stop; tests/sprites look at both.
bool endsExactly(const Case& c)
{
    return effects::FindEffect(c.number)->ends != effects::EndState::Pieces;
}

bool sameArea(const TBitmap& a, const TBitmap& b, int x0, int y0, int x1, int y1, bool inside)
{
    for (int y = 0; y < kCanvasH; ++y)
        for (int x = 0; x < kCanvasW; ++x) {
            const bool in = x >= x0 && x < x1 && y >= y0 && y < y1;
            if (in == inside && a.ScanLine(y)[x] != b.ScanLine(y)[x])
                return false;
        }
    return true;
}

class EveryEffect : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override { RandSeed = 12345; }

    effects::EffectInputs inputs(const Case& c, TBitmap& canvas, const TBitmap& picture) const
    {
        effects::EffectInputs in;
        in.number = c.number;
        in.X = kX;
        in.Y = kY;
        in.picture = &picture;
        in.target = &canvas.Canvas();
        in.backColor = kBackColor;
        in.previewMode = c.preview;
        in.R = 0;
        in.T = c.T;
        return in;
    }
};

}  // namespace

TEST_P(EveryEffect, EndsWithThePictureAndTouchesNothingElse)
{
    const Case c = GetParam();
    const TBitmap old = NoisePicture(kCanvasW, kCanvasH, 1);
    const TBitmap picture = NoisePicture(c.w, c.h, 2);
    TBitmap canvas = old;
    const size_t bitmaps = LiveBitmapCount();
    const int steps = effects::DrawTransition(inputs(c, canvas, picture));
    EXPECT_GT(steps, 0) << name(c);
    EXPECT_EQ(LiveBitmapCount(), bitmaps) << name(c);
    if (endsExactly(c)) {
        EXPECT_TRUE(sameArea(canvas, old, kX, kY, kX + c.w, kY + c.h, false)) << name(c) << ": drew outside the picture";
        TBitmap expected = old;
        if (endsInBackground(c))
            fillPictureArea(expected, c);
        else
            expected.Canvas().Draw(kX, kY, picture);
        EXPECT_TRUE(sameArea(canvas, expected, kX, kY, kX + c.w, kY + c.h, true)) << name(c) << ": end state not exact";
    }
    EXPECT_FALSE(canvas.Canvas().HasClip()) << name(c);
}

TEST_P(EveryEffect, StopsAtTheStepWhereAStopIsAsked)
{
    const Case c = GetParam();
    const TBitmap old = NoisePicture(kCanvasW, kCanvasH, 3);
    const TBitmap picture = NoisePicture(c.w, c.h, 4);
    TBitmap probe = old;
    const int total = effects::DrawTransition(inputs(c, probe, picture));
    for (int k : {1, 2, total / 2}) {
        if (k < 1 || k > total)
            continue;
        RandSeed = 12345;
        TBitmap canvas = old;
        TBitmap atStop;
        effects::EffectInputs in = inputs(c, canvas, picture);
        std::stop_source stop;
        in.stop = stop.get_token();
        in.onStep = [&](int step) {
            if (step == k) {
                atStop = canvas;
                stop.request_stop();
            }
        };
        const size_t bitmaps = LiveBitmapCount();
        const int steps = effects::DrawTransition(in);
        if (endsExactly(c)) {
            EXPECT_EQ(steps, k) << name(c) << " stopped at " << k;
            // Nothing after the stopping step frame: no further step and no closing copy;
            // the clearing effects still leave the background they end with.
            if (endsInBackground(c))
                fillPictureArea(atStop, c);
            EXPECT_TRUE(sameArea(canvas, atStop, 0, 0, kCanvasW, kCanvasH, true)) << name(c) << " stopped at " << k;
        } else {
            EXPECT_GE(steps, k) << name(c) << " stopped at " << k;
        }
        EXPECT_EQ(LiveBitmapCount(), bitmaps) << name(c) << " stopped at " << k;
        EXPECT_FALSE(canvas.Canvas().HasClip()) << name(c);
    }
}

TEST(DrawTransition, DrawsNothingWhenStoppedOrGivenNoEffect)
{
    const TBitmap old = NoisePicture(kCanvasW, kCanvasH, 5);
    const TBitmap picture = NoisePicture(40, 40, 6);
    for (int number : {0, -1, -3, 229}) {
        TBitmap canvas = old;
        effects::EffectInputs in;
        in.number = number;
        in.picture = &picture;
        in.target = &canvas.Canvas();
        EXPECT_EQ(effects::DrawTransition(in), 0);
        EXPECT_TRUE(sameArea(canvas, old, 0, 0, kCanvasW, kCanvasH, true)) << number;
    }
    std::stop_source stopped;
    stopped.request_stop();
    TBitmap canvas = old;
    effects::EffectInputs in;
    in.number = 1;
    in.picture = &picture;
    in.target = &canvas.Canvas();
    in.stop = stopped.get_token();
    EXPECT_EQ(effects::DrawTransition(in), 0);
    EXPECT_TRUE(sameArea(canvas, old, 0, 0, kCanvasW, kCanvasH, true));
}

TEST(DrawTransition, EveryNumberHasExactlyOneFamily)
{
    std::vector<int> families(effects::kEffectCount + 2, 0);
    for (const auto& family : effects::EffectFamilies()) {
        ASSERT_GE(family.first, 1) << family.name;
        ASSERT_LE(family.last, effects::kEffectCount) << family.name;
        for (int n = family.first; n <= family.last; ++n)
            ++families[n];
    }
    for (int n = 1; n <= effects::kEffectCount; ++n)
        EXPECT_EQ(families[n], 1) << "effect " << n;
    EXPECT_EQ(effects::FindEffect(0), nullptr);
    EXPECT_EQ(effects::FindEffect(effects::kEffectCount + 1), nullptr);
}

TEST(DrawTransition, PreviewsPauseAHundredTimesTheStoredRapiditeWithoutWrapping)
{
    EXPECT_EQ(effects::EffectRapidite(1000, false), 1000);
    EXPECT_EQ(effects::EffectRapidite(1000, true), 100000);
    EXPECT_EQ(effects::EffectRapidite(20000, true), 2000000);
    // A hand-edited hive may hold any 32-bit number.
    EXPECT_EQ(effects::EffectRapidite(INT32_MAX / 10, true), INT32_MAX);
    EXPECT_EQ(effects::EffectRapidite(INT32_MIN / 10, true), INT32_MIN);
}

INSTANTIATE_TEST_SUITE_P(Registered, EveryEffect, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             const Case& c = info.param;
                             return "E" + std::to_string(c.number) + "_" + std::to_string(c.w) + "x" +
                                    std::to_string(c.h) + "_T" + std::to_string(c.T) + (c.preview ? "_preview" : "_saver");
                         });

// Effects drawn on a window: what reaches the screen when the step frames show at most
// one state per refresh. The refresh here is an hour long, so the showing is as
// coalesced as it can be and nothing depends on the test's timing.

#include "effects/draw_transition.h"


#include "platform/gdi/bitmap.h"
#include "platform/gdi/region.h"
#include "platform/gdi/window_canvas.h"
#include "platform/random.h"

#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <stop_token>
#include <thread>
#include <cstring>

using namespace platform;
using namespace std::chrono_literals;
using testing_support::NoisePicture;

namespace {

constexpr int kW = 100, kH = 80, kX = 13, kY = 9;
constexpr TColor kBack = 0x00336699;

// A window canvas whose sink copies what it is given onto a "screen" and counts it.
struct Window {
    TWindowCanvas canvas{kW, kH};
    QImage screen{kW, kH, QImage::Format_RGB32};
    int shows = 0;

    Window(const TBitmap& old, TWindowCanvas::Clock::duration refresh)
    {
        screen.fill(Qt::magenta);
        canvas.SetSink([this](const QImage& buffer, std::span<const QRect> parts) {
            for (const QRect& r : parts)
                for (int y = r.top(); y <= r.bottom(); ++y)
                    std::memcpy(screen.scanLine(y) + r.left() * 4, buffer.constScanLine(y) + r.left() * 4,
                                size_t(r.width()) * 4);
            ++shows;
        });
        canvas.Draw(0, 0, old);
        canvas.Flush();
        shows = 0;
        canvas.SetRefreshInterval(refresh);
    }
    bool screenShows(const QImage& expected) const { return screen == expected.convertToFormat(screen.format()); }
};

effects::EffectInputs inputs(int number, bool preview, TCanvas& target, const TBitmap& picture)
{
    effects::EffectInputs in;
    in.number = number;
    in.X = kX;
    in.Y = kY;
    in.picture = &picture;
    in.target = &target;
    in.previewMode = preview;
    in.backColor = kBack;
    in.R = 0;
    in.T = 4;
    return in;
}

std::vector<int> registered()
{
    std::vector<int> out;
    for (const auto& family : effects::EffectFamilies())
        for (int n = family.first; n <= family.last; ++n)
            out.push_back(n);
    return out;
}

class OnAWindow : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { RandSeed = 777; }

    const TBitmap old = NoisePicture(kW, kH, 11);
    const TBitmap picture = NoisePicture(60, 44, 12);
};

}  // namespace

TEST_P(OnAWindow, TheLastStateShownIsTheExactFinalPicture)
{
    const effects::EndState ends = effects::FindEffect(GetParam())->ends;
    TBitmap expected = old;
    if (ends == effects::EndState::Background) {
        expected.Canvas().Brush.Color = kBack;
        expected.Canvas().FillRect(Rect(kX, kY, kX + picture.Width(), kY + picture.Height()));
    } else {
        expected.Canvas().Draw(kX, kY, picture);
    }
    for (bool preview : {false, true}) {
        for (auto refresh : {TWindowCanvas::Clock::duration(1h), TWindowCanvas::Clock::duration::zero()}) {
            Window w(old, refresh);
            EXPECT_GT(effects::DrawTransition(inputs(GetParam(), preview, w.canvas, picture)), 0);
            // The puzzle's outlined board overhangs the picture: there the screen need
            // only show what was drawn.
            EXPECT_TRUE(w.screenShows(w.canvas.Surface())) << "preview " << preview;
            if (ends != effects::EndState::Pieces) {
                EXPECT_TRUE(w.screenShows(expected.Canvas().Surface())) << "preview " << preview;
            }
            // Coalesced to the showing at the end, and a family's own before a hold.
            if (refresh > 0h) {
                EXPECT_LE(w.shows, 2) << "preview " << preview;
            }
        }
    }
}

TEST_P(OnAWindow, AStopInACoalescedRunEndsItThereAndLeavesNothingBehind)
{
    const effects::EndState ends = effects::FindEffect(GetParam())->ends;
    Window probe(old, 1h);
    const int total = effects::DrawTransition(inputs(GetParam(), false, probe.canvas, picture));
    const int k = std::max(1, total / 2);
    RandSeed = 777;
    Window w(old, 1h);
    effects::EffectInputs in = inputs(GetParam(), false, w.canvas, picture);
    QImage atStop;
    std::stop_source stop;
    in.stop = stop.get_token();
    in.onStep = [&](int step) {
        if (step == k) {
            atStop = w.canvas.Surface().copy();
            stop.request_stop();
        }
    };
    const size_t bitmaps = LiveBitmapCount();
    const int steps = effects::DrawTransition(in);
    EXPECT_EQ(LiveBitmapCount(), bitmaps);
    EXPECT_FALSE(w.canvas.HasClip());
    EXPECT_TRUE(w.screenShows(w.canvas.Surface()));
    EXPECT_LE(w.shows, 2);
    // Nothing drawn after the stop, but for what a family always ends with: the clearing
    // ones their background, the puzzle the landing of the piece in flight.
    if (ends == effects::EndState::Picture) {
        EXPECT_EQ(steps, k);
        EXPECT_EQ(w.canvas.Surface(), atStop);
    }
}

INSTANTIATE_TEST_SUITE_P(Registered, OnAWindow, ::testing::ValuesIn(registered()),
                         [](const ::testing::TestParamInfo<int>& info) { return "E" + std::to_string(info.param); });

// The show's clock in the tests below: read, it stands still unless told to move on.
effects::Transition::Clock::time_point fakeNow = effects::Transition::Clock::time_point{} + 1h;
std::chrono::nanoseconds fakeTick{0};
effects::Transition::Clock::time_point fakeClock()
{
    return fakeNow += fakeTick;
}

TEST(Transition, WaitsEachPauseOnTheShowsClockAndCatchesUpWhenWokenLate)
{
    const TBitmap picture = NoisePicture(60, 44, 32);
    TBitmap canvas = NoisePicture(kW, kH, 31);
    effects::EffectInputs in = inputs(1, true, canvas.Canvas(), picture);
    in.R = 1000;  // pump(1) in preview: 1,001 rounds
    const auto pause = 1001 * effects::kPumpRound;
    fakeTick = {};
    const auto start = fakeNow;
    effects::Transition t(in, effects::Pace::RealTime, &fakeClock);
    auto next = t.Resume();
    ASSERT_TRUE(next);
    EXPECT_EQ(t.Steps(), 1);
    EXPECT_EQ(*next, start + pause);
    // Called early, it draws nothing and asks for the same time.
    fakeNow = start + pause / 2;
    EXPECT_EQ(t.Resume(), start + pause);
    EXPECT_EQ(t.Steps(), 1);
    fakeNow = start + pause;
    EXPECT_EQ(t.Resume(), start + 2 * pause);
    EXPECT_EQ(t.Steps(), 2);
    // Woken nine pauses late: the pauses already over pass at once, and the effect keeps
    // to its timeline.
    fakeNow = start + 11 * pause;
    EXPECT_EQ(t.Resume(), start + 12 * pause);
    EXPECT_EQ(t.Steps(), 12);
}

TEST(Transition, AStopEndsAPumpPauseAtOnceButASpinPauseKeepsItsTime)
{
    const TBitmap picture = NoisePicture(60, 44, 32);
    TBitmap canvas = NoisePicture(kW, kH, 31);
    fakeTick = {};
    {
        std::stop_source stop;
        effects::EffectInputs in = inputs(1, true, canvas.Canvas(), picture);
        in.R = 1'000'000;
        in.stop = stop.get_token();
        effects::Transition t(in, effects::Pace::RealTime, &fakeClock);
        ASSERT_TRUE(t.Resume());
        ASSERT_TRUE(t.Resume());  // still within the pause
        stop.request_stop();
        EXPECT_TRUE(t.EndsOnStop());
        EXPECT_FALSE(t.Resume());
        EXPECT_EQ(t.Steps(), 2);  // the step frame after the pause saw the stop
    }
    {
        std::stop_source stop;
        effects::EffectInputs in = inputs(97, true, canvas.Canvas(), picture);
        in.R = 1000;  // spin(1000): a millisecond
        in.stop = stop.get_token();
        effects::Transition t(in, effects::Pace::RealTime, &fakeClock);
        const auto wake = t.Resume();
        ASSERT_TRUE(wake);
        stop.request_stop();
        EXPECT_FALSE(t.EndsOnStop());
        EXPECT_EQ(t.Resume(), wake);
        fakeNow = *wake;
        EXPECT_FALSE(t.Resume());
        EXPECT_EQ(t.Steps(), 2);
    }
}

TEST(Transition, HandsBackAtEverySliceAndDrawsTheFramesOfAnUnbrokenRun)
{
    // Thousands of steps without a pause between them: in real time the effect hands back
    // to its driver (to show and to handle input) every slice, and ends on the same
    // picture as a run on its own clock; a stop between two slices ends it at the next step.
    const TBitmap old = NoisePicture(400, 300, 21);
    const TBitmap picture = NoisePicture(400, 300, 22);
    TBitmap whole = old;
    effects::EffectInputs in = inputs(71, false, whole.Canvas(), picture);
    in.X = in.Y = 0;
    const int total = effects::DrawTransition(in);

    fakeTick = 100us;  // each reading of the clock a tenth of a millisecond later
    TBitmap sliced = old;
    in.target = &sliced.Canvas();
    effects::Transition t(in, effects::Pace::RealTime, &fakeClock);
    int handBacks = 0;
    while (auto next = t.Resume()) {
        ASSERT_EQ(*next, effects::Transition::Clock::time_point::min()) << "at once: there is no pause";
        ++handBacks;
    }
    EXPECT_EQ(t.Steps(), total);
    EXPECT_GE(handBacks, total / 25);  // a slice is twenty readings
    EXPECT_EQ(sliced.Canvas().Surface(), whole.Canvas().Surface());

    std::stop_source stop;
    TBitmap stopped = old;
    in.target = &stopped.Canvas();
    in.stop = stop.get_token();
    const size_t bitmaps = LiveBitmapCount();
    {
        effects::Transition s(in, effects::Pace::RealTime, &fakeClock);
        ASSERT_TRUE(s.Resume());
        const int before = s.Steps();
        stop.request_stop();
        EXPECT_FALSE(s.Resume());
        EXPECT_EQ(s.Steps(), before + 1);
    }
    EXPECT_EQ(LiveBitmapCount(), bitmaps);
    EXPECT_FALSE(stopped.Canvas().HasClip());
    fakeTick = {};
}

TEST(Transition, WhatWasDrawnBeforeAPauseShowsWithinIt)
{
    const TBitmap old = NoisePicture(kW, kH, 31);
    const TBitmap picture = NoisePicture(60, 44, 32);
    for (auto refresh : {TWindowCanvas::Clock::duration::zero(), TWindowCanvas::Clock::duration(1h)}) {
        Window w(old, refresh);
        effects::EffectInputs in = inputs(1, true, w.canvas, picture);
        in.R = 2'000'000;  // pump(1): over a second
        effects::Transition t(in, effects::Pace::RealTime);
        auto next = t.Resume();
        ASSERT_TRUE(next);
        // With no refresh to wait for it shows as soon as the last showing's cost allows,
        // the driver being called back for it; an hour away, it waits for the next state,
        // and the driver is not called before the pause is over.
        if (refresh == 0h) {
            while (w.shows == 0 && next && *next < effects::Transition::Clock::now() + 1s) {
                std::this_thread::sleep_until(*next);
                next = t.Resume();
            }
            EXPECT_EQ(w.shows, 1);
            EXPECT_TRUE(w.canvas.PendingRect().isEmpty());
        } else {
            EXPECT_EQ(w.shows, 0);
            EXPECT_FALSE(w.canvas.PendingRect().isEmpty());
            EXPECT_GT(*next, effects::Transition::Clock::now() + 1s);
        }
        EXPECT_EQ(t.Steps(), 1) << "the pause is over a second long";
    }
}

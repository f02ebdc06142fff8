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

#include <QCoreApplication>

#include <atomic>
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
    std::atomic<bool> stop{false};
    in.stop = &stop;
    in.onStep = [&](int step) {
        if (step == k) {
            atStop = w.canvas.Surface().copy();
            stop = true;
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

TEST(StepFrame, AStopMessageEndsTheEffectAtTheNextStepFrame)
{
    // Full screen: thousands of step frames after the stop would show, were it not taken.
    const TBitmap old = NoisePicture(1920, 1080, 21);
    const TBitmap picture = NoisePicture(1920, 1080, 22);
    TWindowCanvas canvas(1920, 1080);
    canvas.Draw(0, 0, old);
    canvas.Flush();
    canvas.SetRefreshInterval(1h);
    int lastStep = 0, stepWhenHandled = -1;
    effects::EffectInputs in = inputs(12, false, canvas, picture);
    in.X = in.Y = 0;
    std::atomic<bool> stop{false};
    in.stop = &stop;
    in.onStep = [&](int step) {
        lastStep = step;
        if (step == 10)
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [&] {
                    stepWhenHandled = lastStep;
                    stop = true;
                },
                Qt::QueuedConnection);
    };
    const size_t bitmaps = LiveBitmapCount();
    const int steps = effects::DrawTransition(in);
    QCoreApplication::processEvents();  // a message left over must not reach another test
    ASSERT_GE(stepWhenHandled, 10) << "the stop message was never handled during the effect";
    EXPECT_EQ(steps, stepWhenHandled + 1);
    EXPECT_EQ(LiveBitmapCount(), bitmaps);
    EXPECT_FALSE(canvas.HasClip());
}

TEST(StepFrame, WhatWasDrawnBeforeASleepingPauseShowsWithinIt)
{
    const TBitmap old = NoisePicture(kW, kH, 31);
    const TBitmap picture = NoisePicture(60, 44, 32);
    for (auto refresh : {TWindowCanvas::Clock::duration::zero(), TWindowCanvas::Clock::duration(1h)}) {
        Window w(old, refresh);
        effects::EffectInputs in = inputs(1, false, w.canvas, picture);
        in.R = 2'000'000;  // two milliseconds for spin(1): long enough to sleep
        effects::EffectContext c(in);
        c.CopyTile(1, 1);
        c.PauseFor(effects::spin(1), effects::spin(1));
        // Due at once with no refresh to wait for; an hour away, it waits for the next step.
        EXPECT_EQ(w.shows, refresh > 0h ? 0 : 1);
        EXPECT_EQ(w.canvas.PendingRect().isEmpty(), refresh == 0h);
    }
}

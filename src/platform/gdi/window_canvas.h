#pragma once
// The canvas of a window: a back buffer that the program draws on, and a flush that
// shows on screen just the parts drawn since the previous flush (a few rectangles
// around them, not their bounding box: a showing costs what changed, not the screen).
// Where it is shown is the business of the sink (a Qt widget, a foreign X11 window, a
// test).
//
// A screen shows one picture per refresh: drawing loops that change the buffer far more
// often flush through FlushIfDue, which shows at most one state per refresh interval;
// Flush shows at once.

#include "platform/gdi/canvas.h"
#include "platform/gdi/dirty_tiles.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <span>
#include <vector>

namespace platform {

class TWindowCanvas : public TCanvas {
public:
    using Clock = std::chrono::steady_clock;
    // Shows `parts` of `buffer` (disjoint rectangles); the buffer is only valid during
    // the call and must not be kept (a kept copy would make the next drawing copy the
    // whole buffer).
    using Sink = std::function<void(const QImage& buffer, std::span<const QRect> parts)>;

    explicit TWindowCanvas(int width = 0, int height = 0, TColor fill = clBlack);

    // Keeps the pixels that stay; a new area gets `fill`.
    void SetSize(int width, int height, TColor fill = clBlack);
    void SetSink(Sink sink) { sink_ = std::move(sink); }

    // What the next flush shows: its bounding box.
    QRect PendingRect() const { return DirtyRect(); }
    // Marks a part to be shown again (the window was uncovered, say).
    void Invalidate(const QRect& rect) { MarkDirty(rect); }
    // Hands the drawn parts to the sink and starts anew; returns their bounding box.
    QRect Flush();

    // The least time between two flushes through FlushIfDue; zero lets every one through.
    void SetRefreshInterval(Clock::duration interval) { interval_ = std::max(interval, Clock::duration::zero()); }
    // When FlushIfDue will next show something: Clock::time_point::max() with nothing
    // pending.
    Clock::time_point NextFlushTime() const;
    // Flushes when something is pending and the refresh interval has passed since the
    // last flush that showed something (longer when showing is slow: at most a quarter
    // of the time goes to it); answers whether it flushed.
    bool FlushIfDue(Clock::time_point now = Clock::now());

private:
    QImage buffer_;
    DirtyTiles tiles_;
    Sink sink_;
    Clock::duration interval_{};
    Clock::time_point lastShown_ = Clock::time_point::min();
    Clock::duration lastCost_{};
};

// One refresh of a screen refreshed `hertz` times a second; 60 Hz when it does not say.
TWindowCanvas::Clock::duration RefreshIntervalOf(double hertz);

}  // namespace platform
